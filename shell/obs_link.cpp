#include "shell/obs_link.h"

#include "runtime/logging.h"
#include "runtime/modules.h"
#include "runtime/obs/web_socket_client_interface.h"
#include "runtime/translation.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QUrl>

namespace glimmer {

namespace {

// obs-websocket's op codes and the close codes the link tells the host about.
enum Op { hello = 0, identify_op = 1, identified = 2, event = 5, request_op = 6, response = 7 };
constexpr int authentication_failed = 4009;
constexpr int unsupported_rpc_version = 4010;
constexpr int first_retry_ms = 1000;
constexpr int longest_retry_ms = 10000;
constexpr int connect_wait_ms = 5000;

QByteArray sha256_base64(const QByteArray& bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toBase64();
}

QString where_to_turn_it_on() {
    return translated("obs", "OBS 没有开着，或它的 WebSocket 服务器没有打开（在 OBS 的 工具 → "
                             "WebSocket 服务器设置 里打开，端口与这里的地址一致）");
}

} // namespace

QString obs_authentication(const QString& password, const QString& salt, const QString& challenge) {
    const QByteArray secret = sha256_base64(password.toUtf8() + salt.toUtf8());
    return QString::fromLatin1(sha256_base64(secret + challenge.toUtf8()));
}

ObsLink::ObsLink(QObject* parent) : QObject(parent) {
    retry_.setSingleShot(true);
    connect(&retry_, &QTimer::timeout, this, &ObsLink::open_socket);
    // A peer that takes the connection and then says nothing is given up on, and tried again.
    connect_wait_.setSingleShot(true);
    connect_wait_.setInterval(connect_wait_ms);
    connect(&connect_wait_, &QTimer::timeout, this,
            [this] { closed(1006, translated("obs", "OBS 没有回应")); });
}

ObsLink::~ObsLink() {
    // Jobs waiting on a reply end where they wait; nothing they would touch is called.
    const auto pending = std::exchange(pending_, {});
    for (const auto& done : pending) {
        done(nullptr);
    }
}

void ObsLink::connect_to(const QString& address, const QString& password) {
    disconnect_now();
    address_ = address.trimmed();
    password_ = password;
    retry_delay_ms_ = first_retry_ms;
    if (address_.isEmpty()) {
        problem_.clear();
        set_status(Status::off);
        return;
    }
    open_socket();
}

void ObsLink::disconnect_now() {
    retry_.stop();
    identified_ = false;
    connect_wait_.stop();
    if (socket_ != nullptr) {
        socket_->close();
    }
    obs_version_.clear();
    input_kinds_.clear();
    fail_pending(translated("obs", "与 OBS 的连接断开了"));
    if (status_ != Status::off) {
        set_status(Status::off);
    }
}

void ObsLink::open_socket() {
    const QUrl url(address_);
    if (!url.isValid() || (url.scheme() != u"ws" && url.scheme() != u"wss") ||
        url.host().isEmpty()) {
        problem_ = translated("obs", "OBS 的地址应像 ws://127.0.0.1:4455 这样：") + address_;
        set_status(Status::off);
        return;
    }
    if (socket_ == nullptr) {
        socket_ = module_object<WebSocketClientInterface>("glimmer_obs_socket",
                                                          "glimmer_create_web_socket_client", this);
        if (socket_ == nullptr) {
            problem_ = translated("obs", "程序缺少与 OBS 通信的模块 glimmer_obs_socket");
            set_status(Status::off);
            return;
        }
        socket_->set_events({[this] { connect_wait_.start(); },
                             [this](int code, const QString& reason) { closed(code, reason); },
                             [this](const QString& text) { received(text); }});
    }
    set_status(Status::connecting);
    connect_wait_.start();
    socket_->open(url);
}

void ObsLink::closed(int code, const QString& reason) {
    connect_wait_.stop();
    identified_ = false;
    if (socket_ != nullptr) {
        socket_->close();
    }
    const bool was_connected = status_ == Status::connected;
    obs_version_.clear();
    input_kinds_.clear();
    fail_pending(translated("obs", "与 OBS 的连接断开了"));
    if (code == authentication_failed) {
        problem_ = translated("obs", "OBS 不接受这个密码：请在 OBS 的 工具 → WebSocket 服务器设置 "
                                     "里点“显示连接信息”，把密码抄过来");
        set_status(Status::wrong_password);
        return;
    }
    problem_ = code == unsupported_rpc_version
                   ? translated("obs", "这个 OBS 的 WebSocket 版本太旧，请用 OBS 28 或更新的版本")
               : was_connected ? translated("obs", "OBS 关掉了，或断开了连接；它回来时会自动连上")
                               : where_to_turn_it_on();
    qCInfo(log_config).noquote() << "OBS link:" << code << reason;
    if (was_connected) {
        retry_delay_ms_ = first_retry_ms;
    }
    retry_later();
}

void ObsLink::retry_later() {
    set_status(Status::connecting);
    retry_.start(retry_delay_ms_);
    retry_delay_ms_ = std::min(retry_delay_ms_ * 2, longest_retry_ms);
    attempt_ended();
}

void ObsLink::received(const QString& text) {
    const QJsonObject message = QJsonDocument::fromJson(text.toUtf8()).object();
    const QJsonObject data = message.value(QStringLiteral("d")).toObject();
    switch (message.value(QStringLiteral("op")).toInt(-1)) {
    case hello:
        identify(data);
        return;
    case identified:
        connect_wait_.stop();
        identified_ = true;
        retry_delay_ms_ = first_retry_ms;
        // What the link is known by before anyone asks anything of it.
        request(QStringLiteral("GetVersion"), {}, [this](const ObsReply& version) {
            obs_version_ = version.data.value(QStringLiteral("obsVersion")).toString();
            request(QStringLiteral("GetInputKindList"), {}, [this](const ObsReply& kinds) {
                if (!kinds.ok) {
                    return; // the connection went meanwhile; closed() said why
                }
                input_kinds_.clear();
                for (const QJsonValue& kind :
                     kinds.data.value(QStringLiteral("inputKinds")).toArray()) {
                    input_kinds_ << kind.toString();
                }
                problem_.clear();
                set_status(Status::connected);
            });
        });
        return;
    case response: {
        const auto found = pending_.find(data.value(QStringLiteral("requestId")).toString());
        if (found == pending_.end()) {
            return;
        }
        const auto done = std::move(*found);
        pending_.erase(found);
        const QJsonObject status = data.value(QStringLiteral("requestStatus")).toObject();
        const ObsReply reply{status.value(QStringLiteral("result")).toBool(),
                             status.value(QStringLiteral("code")).toInt(),
                             status.value(QStringLiteral("comment")).toString(),
                             data.value(QStringLiteral("responseData")).toObject()};
        done(&reply);
        return;
    }
    default:
        // Events are not asked for; should OBS send them anyway, they cost one parse each.
        return;
    }
}

void ObsLink::identify(const QJsonObject& hello) {
    QJsonObject identify{{QStringLiteral("rpcVersion"), 1},
                         // No events: the link asks for what it needs when it needs it.
                         {QStringLiteral("eventSubscriptions"), 0}};
    const QJsonObject asked = hello.value(QStringLiteral("authentication")).toObject();
    if (!asked.isEmpty()) {
        identify.insert(QStringLiteral("authentication"),
                        obs_authentication(password_,
                                           asked.value(QStringLiteral("salt")).toString(),
                                           asked.value(QStringLiteral("challenge")).toString()));
    }
    send(identify_op, identify);
}

void ObsLink::send(int op, const QJsonObject& data) {
    if (socket_ != nullptr) {
        socket_->send(QString::fromUtf8(
            QJsonDocument(QJsonObject{{QStringLiteral("op"), op}, {QStringLiteral("d"), data}})
                .toJson(QJsonDocument::Compact)));
    }
}

void ObsLink::request(const QString& type, const QJsonObject& data,
                      std::function<void(const ObsReply&)> done) {
    send_request(type, data, [done = std::move(done)](const ObsReply* reply) {
        if (reply != nullptr) {
            done(*reply);
        }
    });
}

void ObsLink::send_request(const QString& type, const QJsonObject& data,
                           std::function<void(const ObsReply*)> done) {
    // Always answered later, never from inside this call: a job's co_await relies on it.
    const QString id = QString::number(++next_id_);
    pending_.insert(id, std::move(done));
    const auto fail = [this, id](const QString& reason) {
        const auto found = pending_.find(id);
        if (found == pending_.end()) {
            return;
        }
        const auto failed = std::move(*found);
        pending_.erase(found);
        const ObsReply reply{false, 0, reason, {}};
        failed(&reply);
    };
    if (!identified_) {
        const QString reason = problem_.isEmpty() ? translated("obs", "没有连上 OBS") : problem_;
        QTimer::singleShot(0, this, [fail, reason] { fail(reason); });
        return;
    }
    send(request_op, {{QStringLiteral("requestType"), type},
                      {QStringLiteral("requestId"), id},
                      {QStringLiteral("requestData"), data}});
    QTimer::singleShot(answer_wait_ms, this,
                       [fail] { fail(translated("obs", "OBS 没有及时回答")); });
}

void ObsLink::Call::await_suspend(std::coroutine_handle<> waiting) {
    // A link destroyed while the job waits ends the job instead of resuming it.
    link->send_request(type, data, [this, waiting](const ObsReply* given) {
        if (given == nullptr) {
            waiting.destroy();
            return;
        }
        reply = *given;
        waiting.resume();
    });
}

void ObsLink::fail_pending(const QString& reason) {
    const auto pending = std::exchange(pending_, {});
    const ObsReply reply{false, 0, reason, {}};
    for (const auto& done : pending) {
        done(&reply);
    }
}

void ObsLink::set_status(Status status) {
    if (status != status_) {
        status_ = status;
        emit status_changed(status_);
    }
    if (status_ != Status::connecting) {
        attempt_ended();
    }
}

void ObsLink::after_attempt(std::function<void()> then) {
    after_attempt_.append(std::move(then));
    // Between attempts, or not trying at all: nothing to wait for.
    if (status_ != Status::connecting || retry_.isActive()) {
        QTimer::singleShot(0, this, &ObsLink::attempt_ended);
    }
}

void ObsLink::attempt_ended() {
    const auto waiting = std::exchange(after_attempt_, {});
    for (const auto& then : waiting) {
        then();
    }
}

} // namespace glimmer
