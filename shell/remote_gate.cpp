#include "shell/remote_gate.h"

#include "runtime/files.h"
#include "runtime/outcome.h"
#include "runtime/text.h"
#include "runtime/translation.h"
#include "shell/game_host.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QMessageAuthenticationCode>
#include <QRandomGenerator>
#include <QUrlQuery>

namespace glimmer {

Q_LOGGING_CATEGORY(log_remote, "glimmer.remote", QtInfoMsg)

namespace {

using Reply = RemoteServerInterface::Reply;

QByteArray random_bytes(int count) {
    QByteArray bytes(count, Qt::Uninitialized);
    QRandomGenerator::system()->generate(bytes.begin(), bytes.end());
    return bytes;
}

QByteArray base64url(const QByteArray& bytes) {
    return bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
}

// Compared in a time that tells nothing of where a guess went wrong.
bool same_bytes(const QByteArray& a, const QByteArray& b) {
    if (a.size() != b.size()) {
        return false;
    }
    unsigned char differ = 0;
    for (qsizetype i = 0; i < a.size(); ++i) {
        differ |= static_cast<unsigned char>(a[i] ^ b[i]);
    }
    return differ == 0;
}

Reply json_reply(int status, const QJsonObject& object) {
    return {status,
            "application/json; charset=utf-8",
            QJsonDocument(object).toJson(QJsonDocument::Compact),
            {},
            false,
            {}};
}

Reply refusal(int status, const QString& reason, bool stranger) {
    Reply reply = json_reply(status, {{QStringLiteral("status"), QStringLiteral("refused")},
                                      {QStringLiteral("reason"), reason}});
    reply.stranger = stranger;
    return reply;
}

// Only digits, no sign, no more than fit: a time or a counter.
std::optional<qint64> whole_number(const QByteArray& text) {
    if (text.isEmpty() || text.size() > 18 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    return text.toLongLong();
}

QString clean_name(const QString& given) {
    QString name;
    for (const QChar c : given.trimmed()) {
        if (c.isPrint()) {
            name += c;
        }
    }
    return name.left(RemoteGate::longest_name);
}

QString parameter_kind(ActionParameter::Kind kind) {
    switch (kind) {
    case ActionParameter::Kind::player:
        return QStringLiteral("player");
    case ActionParameter::Kind::whole:
        return QStringLiteral("whole");
    case ActionParameter::Kind::amount:
        return QStringLiteral("amount");
    case ActionParameter::Kind::text:
        break;
    }
    return QStringLiteral("text");
}

} // namespace

RemoteGate::RemoteGate(GameHost& games, QString devices_path, std::function<qint64()> clock,
                       QObject* parent)
    : QObject(parent), games_(games), path_(std::move(devices_path)), clock_(std::move(clock)) {
    monotonic_.start();
    load();
}

qint64 RemoteGate::now() const {
    return clock_ ? clock_() : QDateTime::currentMSecsSinceEpoch();
}

QByteArray RemoteGate::signature(const QByteArray& key, const QByteArray& method,
                                 const QByteArray& path, const QByteArray& time,
                                 const QByteArray& counter, const QByteArray& body) {
    return QMessageAuthenticationCode::hash(method + '\n' + path + '\n' + time + '\n' + counter +
                                                '\n' + body,
                                            key, QCryptographicHash::Sha256)
        .toHex();
}

QString RemoteGate::new_ticket() {
    const qint64 at = now();
    tickets_.removeIf([at](const Ticket& ticket) { return ticket.expires <= at; });
    while (tickets_.size() >= max_tickets) {
        tickets_.removeFirst();
    }
    const QByteArray ticket = base64url(random_bytes(16));
    tickets_.append(
        {QCryptographicHash::hash(ticket, QCryptographicHash::Sha256), at + ticket_life_ms});
    return QString::fromLatin1(ticket);
}

Reply RemoteGate::handle(const Request& request) {
    // Only requests addressed to the remote itself (a name that merely resolves here, DNS
    // rebinding, is refused), and from its own page or from no page at all.
    const QByteArray host = request.headers.value("host");
    if (!hosts_.contains(QString::fromLatin1(host))) {
        return refusal(421, translated("remote", "地址不是这个遥控的"), true);
    }
    const QByteArray origin = request.headers.value("origin");
    if (!origin.isEmpty() && origin != "http://" + host) {
        return refusal(403, translated("remote", "不接受别的网页发来的请求"), true);
    }
    if (request.method == "GET" && (request.path == "/" || request.path == "/index.html") &&
        !request.upgrade) {
        Reply page{200, "text/html; charset=utf-8", page_, {}, false, {}};
        page.headers.emplaceBack(
            "Content-Security-Policy",
            "default-src 'none'; style-src 'unsafe-inline'; script-src 'unsafe-inline'; "
            "connect-src 'self' ws://" +
                host +
                "; img-src data:; base-uri 'none'; form-action 'none'; "
                "frame-ancestors 'none'");
        page.headers.emplaceBack("Cache-Control", "no-store");
        return page;
    }
    if (request.path == "/api/pair" && request.method == "POST") {
        return pair(request);
    }
    Reply refused;
    RemoteDevice* device = signed_by(request, &refused);
    if (device == nullptr) {
        return refused;
    }
    // One device's flood is its own: the others' and the host's requests go on.
    if (!budgets_.try_emplace(device->id, requests_per_second)
             .first->second.take(monotonic_.elapsed())) {
        return refusal(429, translated("remote", "按得太快了，请稍等"), false);
    }
    if (request.upgrade && request.path == "/ws") {
        Reply accepted;
        accepted.status = 101;
        accepted.client = device->id.toLatin1();
        return accepted;
    }
    if (request.method == "GET" && request.path == "/api/setup") {
        return setup(*device);
    }
    if (request.method == "POST" && request.path == "/api/act") {
        return act(*device, request.body);
    }
    if (request.method == "POST" && request.path == "/api/name") {
        const QString name =
            clean_name(QJsonDocument::fromJson(request.body).object().value("name").toString());
        if (name.isEmpty()) {
            return refusal(400, translated("remote", "名字不能是空的"), false);
        }
        rename(device->id, name);
        return json_reply(200, {{QStringLiteral("status"), QStringLiteral("done")}});
    }
    return refusal(404, translated("remote", "没有这个请求"), false);
}

Reply RemoteGate::pair(const Request& request) {
    const QJsonObject body = QJsonDocument::fromJson(request.body).object();
    const QByteArray hash = QCryptographicHash::hash(
        body.value(QStringLiteral("ticket")).toString().toLatin1(), QCryptographicHash::Sha256);
    const qint64 at = now();
    qsizetype found = -1;
    for (qsizetype i = 0; i < tickets_.size(); ++i) {
        if (same_bytes(tickets_[i].hash, hash) && tickets_[i].expires > at) {
            found = i;
        }
    }
    if (found < 0) {
        return refusal(403,
                       translated("remote", "配对码不对，或已用过、已过期：请在主播的“手机遥控…”"
                                            "里重新扫码"),
                       true);
    }
    tickets_.removeAt(found);
    RemoteDevice device;
    device.id = QString::fromLatin1(random_bytes(8).toHex());
    device.name = clean_name(body.value(QStringLiteral("name")).toString());
    if (device.name.isEmpty()) {
        device.name = translated("remote", "手机 ") + device.id.left(4);
    }
    device.key = random_bytes(16);
    device.last_seen = QDateTime::fromMSecsSinceEpoch(at);
    devices_.append(device);
    save();
    emit devices_changed();
    qCInfo(log_remote).noquote() << "paired" << device.name << device.id;
    return json_reply(200, {{QStringLiteral("device"), device.id},
                            {QStringLiteral("key"), QString::fromLatin1(base64url(device.key))},
                            {QStringLiteral("name"), device.name},
                            {QStringLiteral("role"), QStringLiteral("operate")}});
}

RemoteDevice* RemoteGate::signed_by(const Request& request, Reply* refused) {
    QByteArray id = request.headers.value("x-glimmer-device");
    QByteArray time = request.headers.value("x-glimmer-time");
    QByteArray counter = request.headers.value("x-glimmer-counter");
    QByteArray given = request.headers.value("x-glimmer-signature");
    if (request.upgrade) {
        // A browser's WebSocket sends no headers of the page's: the proof is in the query.
        const QUrlQuery query(QString::fromLatin1(request.query));
        id = query.queryItemValue(QStringLiteral("device")).toLatin1();
        time = query.queryItemValue(QStringLiteral("time")).toLatin1();
        counter = query.queryItemValue(QStringLiteral("counter")).toLatin1();
        given = query.queryItemValue(QStringLiteral("signature")).toLatin1();
    }
    RemoteDevice* device = nullptr;
    for (RemoteDevice& known : devices_) {
        if (known.id.toLatin1() == id) {
            device = &known;
        }
    }
    const std::optional<qint64> sent = whole_number(time);
    const std::optional<qint64> count = whole_number(counter);
    if (device == nullptr) {
        *refused = refusal(401, translated("remote", "这台设备没有配对，或已被主播移除"), true);
        return nullptr;
    }
    // A phone whose clock is off, or a request sent twice, is refused without unpairing the
    // phone (401 tells its page the pairing is gone).
    if (!sent || std::abs(*sent - now()) > allowed_skew_ms) {
        *refused = refusal(
            400, translated("remote", "手机的时间与电脑相差超过 30 秒：请校准手机时间"), true);
        return nullptr;
    }
    const QByteArray expected =
        signature(device->key, request.method, request.path, time, counter, request.body);
    if (!same_bytes(given, expected)) {
        *refused = refusal(401, translated("remote", "签名不对"), true);
        return nullptr;
    }
    if (!count || *count <= device->counter) {
        *refused = refusal(409, translated("remote", "这个请求已经用过（重放）"), true);
        return nullptr;
    }
    device->counter = *count;
    device->last_seen = QDateTime::fromMSecsSinceEpoch(now());
    save();
    return device;
}

Reply RemoteGate::setup(const RemoteDevice& device) const {
    QJsonArray games;
    for (const std::unique_ptr<GameModule>& module : games_.modules()) {
        QJsonArray actions;
        for (const GameAction& action : module->actions()) {
            QJsonArray parameters;
            for (const ActionParameter& parameter : action.parameters) {
                parameters.append(QJsonObject{{"name", parameter.name},
                                              {"kind", parameter_kind(parameter.kind)},
                                              {"low", static_cast<double>(parameter.low)},
                                              {"high", static_cast<double>(parameter.high)},
                                              {"optional", parameter.optional}});
            }
            actions.append(
                QJsonObject{{"name", action.name},
                            {"help", translated("actions", action.help.toUtf8().constData())},
                            {"parameters", parameters}});
        }
        const GameInfo& info = module->info();
        games.append(
            QJsonObject{{"id", info.id},
                        {"title", info.title},
                        {"subtitle", translated("page", info.subtitle.toUtf8().constData())},
                        {"actions", actions}});
    }
    return json_reply(200, {{"device", QJsonObject{{"id", device.id},
                                                   {"name", device.name},
                                                   {"role", device.operate ? "operate" : "view"}}},
                            {"games", games}});
}

Reply RemoteGate::act(RemoteDevice& device, const QByteArray& body) {
    if (!device.operate) {
        return refusal(403, translated("remote", "这台设备只能看，不能操作"), false);
    }
    const std::optional<QJsonObject> request = overlay::control_body(body);
    if (!request || request->contains(QStringLiteral("service"))) {
        return refusal(400, translated("remote", "请求不是一个 JSON 对象"), false);
    }
    // The same way in as every other: the host reads it against the action tables. The game's
    // record notes the phone.
    QJsonObject asked = *request;
    asked.insert(QStringLiteral("source"), translated("remote", "手机：") + device.name);
    const Outcome outcome = games_.run(asked);
    const QString what =
        request->value("game").toString() + u' ' + request->value("action").toString();
    device.last_action = what + QStringLiteral(" → ") +
                         (outcome.done() ? translated("remote", "已完成") : outcome.reason);
    qCInfo(log_remote).noquote() << "device" << device.name << device.id << what << "->"
                                 << outcome_kind(outcome.kind).name << outcome.reason;
    emit devices_changed();
    Reply reply = json_reply(outcome_kind(outcome.kind).http_status, {});
    reply.body = outcome_json(outcome);
    return reply;
}

bool RemoteGate::rename(const QString& id, const QString& name) {
    for (RemoteDevice& device : devices_) {
        if (device.id == id && !clean_name(name).isEmpty()) {
            device.name = clean_name(name);
            save();
            emit devices_changed();
            return true;
        }
    }
    return false;
}

bool RemoteGate::set_operate(const QString& id, bool operate) {
    for (RemoteDevice& device : devices_) {
        if (device.id == id) {
            device.operate = operate;
            save();
            emit devices_changed();
            return true;
        }
    }
    return false;
}

bool RemoteGate::remove(const QString& id) {
    QList<QString> gone;
    devices_.removeIf([&id, &gone](const RemoteDevice& device) {
        if (id == u"all" || device.id == id) {
            gone << device.id;
            return true;
        }
        return false;
    });
    if (gone.isEmpty()) {
        return false;
    }
    save();
    for (const QString& device : gone) {
        budgets_.erase(device);
        emit device_removed(device.toLatin1());
    }
    emit devices_changed();
    return true;
}

void RemoteGate::load() {
    const IniFile file(path_);
    if (file.status() == IniFile::Status::missing) {
        return;
    }
    const QJsonDocument document = QJsonDocument::fromJson(file.text().toUtf8());
    if (file.status() != IniFile::Status::ok || !document.isArray()) {
        // Never written over: what the program cannot read goes aside, whole.
        const QString aside = move_aside(path_);
        problem_ = translated("remote", "配对设备的文件读不了，已移到 %1；请重新配对")
                       .arg(aside.isEmpty() ? path_ : aside);
        qCWarning(log_remote).noquote() << problem_;
        return;
    }
    for (const QJsonValue& value : document.array()) {
        const QJsonObject known = value.toObject();
        RemoteDevice device;
        device.id = known.value("id").toString();
        device.name = clean_name(known.value("name").toString());
        device.operate = known.value("role").toString() != u"view";
        device.key = QByteArray::fromBase64(known.value("key").toString().toLatin1(),
                                            QByteArray::Base64UrlEncoding);
        device.counter = static_cast<qint64>(known.value("counter").toDouble());
        device.last_seen = QDateTime::fromMSecsSinceEpoch(
            static_cast<qint64>(known.value("last_seen").toDouble()));
        if (device.id.size() == 16 && device.key.size() == 16) {
            devices_.append(device);
        }
    }
}

void RemoteGate::save() {
    QJsonArray devices;
    for (const RemoteDevice& device : devices_) {
        devices.append(
            QJsonObject{{"id", device.id},
                        {"name", device.name},
                        {"role", device.operate ? "operate" : "view"},
                        {"key", QString::fromLatin1(base64url(device.key))},
                        {"counter", static_cast<double>(device.counter)},
                        {"last_seen", static_cast<double>(device.last_seen.toMSecsSinceEpoch())}});
    }
    QString error;
    if (!write_private_file(path_, QJsonDocument(devices).toJson(QJsonDocument::Compact), &error)) {
        problem_ = translated("remote", "配对设备的文件写不了：") + error;
        qCWarning(log_remote).noquote() << problem_;
    }
}

} // namespace glimmer
