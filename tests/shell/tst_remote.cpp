// The phone remote's gate, without sockets: pairing, signed requests and every refusal, each
// of which must leave the games as they were. The real server, page and browser are driven by
// program_remote.py.
#include "games/tally/tally_pk.h"
#include "shell/catalogue_window.h"
#include "shell/game_host.h"
#include "shell/phone_remote.h"
#include "shell/remote_gate.h"
#include "tests/support/offline_program.h"

#include <QApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

using namespace glimmer;
using Request = RemoteGate::Request;

namespace {

const QByteArray host = "10.77.0.1:17611";

struct Phone {
    QByteArray id;
    QByteArray key;
    qint64 counter = 1000;
};

} // namespace

class RemoteTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void pairing_then_a_press_changes_the_pk();
    void refusals_change_nothing_data();
    void refusals_change_nothing();
    void a_flood_is_limited_per_device();
    void devices_survive_a_restart_and_their_counters_with_them();
    void the_qr_code_holds_the_address();

private:
    Request signed_request(Phone& phone, const QByteArray& method, const QByteArray& path,
                           const QByteArray& body, qint64 skew = 0);
    Phone pair(const QString& name = QStringLiteral("小王的手机"));
    QString total_one() const;

    QTemporaryDir folder_;
    std::unique_ptr<testing::OfflineProgram> program_;
    CatalogueWindow* catalogue_ = nullptr;
    std::unique_ptr<RemoteGate> gate_;
    qint64 clock_ = 1'800'000'000'000;
};

void RemoteTest::init() {
    QFile::remove(folder_.path() + "/devices.json");
    program_ = std::make_unique<testing::OfflineProgram>(folder_.path());
    catalogue_ = program_->catalogue();
    QVERIFY(catalogue_);
    catalogue_->open_game("tally");
    gate_ = std::make_unique<RemoteGate>(catalogue_->games(), folder_.path() + "/devices.json",
                                         [this] { return clock_; });
    gate_->set_hosts({QString::fromLatin1(host)});
}

void RemoteTest::cleanup() {
    gate_.reset();
    program_.reset();
}

Request RemoteTest::signed_request(Phone& phone, const QByteArray& method, const QByteArray& path,
                                   const QByteArray& body, qint64 skew) {
    const QByteArray time = QByteArray::number(clock_ + skew);
    const QByteArray counter = QByteArray::number(++phone.counter);
    Request request{method, path, {}, {{"host", host}}, body, false};
    request.headers.insert("x-glimmer-device", phone.id);
    request.headers.insert("x-glimmer-time", time);
    request.headers.insert("x-glimmer-counter", counter);
    request.headers.insert("x-glimmer-signature",
                           RemoteGate::signature(phone.key, method, path, time, counter, body));
    return request;
}

Phone RemoteTest::pair(const QString& name) {
    const QByteArray body =
        QJsonDocument(QJsonObject{{"ticket", gate_->new_ticket()}, {"name", name}}).toJson();
    const auto reply = gate_->handle({"POST", "/api/pair", {}, {{"host", host}}, body, false});
    const QJsonObject paired = QJsonDocument::fromJson(reply.body).object();
    return {
        paired["device"].toString().toLatin1(),
        QByteArray::fromBase64(paired["key"].toString().toLatin1(), QByteArray::Base64UrlEncoding)};
}

QString RemoteTest::total_one() const {
    return QJsonDocument::fromJson(catalogue_->games().state_json())
        .object()["tally"]
        .toObject()["players"][0]["total"]
        .toString();
}

void RemoteTest::pairing_then_a_press_changes_the_pk() {
    Phone phone = pair();
    QCOMPARE(phone.key.size(), 16);
    QCOMPARE(gate_->devices().size(), 1);
    QCOMPARE(gate_->devices()[0].name, QStringLiteral("小王的手机"));
    const auto setup = gate_->handle(signed_request(phone, "GET", "/api/setup", {}));
    QCOMPARE(setup.status, 200);
    QVERIFY(setup.body.contains("\"preset\""));
    const auto pressed = gate_->handle(signed_request(
        phone, "POST", "/api/act", R"({"game":"tally","action":"add","player":1,"amount":"520"})"));
    QCOMPARE(pressed.status, 200);
    QCOMPARE(total_one(), QStringLiteral("520"));
    // The PK's record says which phone added it.
    const auto* pk = static_cast<const TallyPk*>(catalogue_->games().session("tally"));
    QCOMPARE(pk->history().record().last().source, QStringLiteral("手机：小王的手机"));
    QVERIFY(gate_->devices()[0].last_action.contains("tally add"));
    // The state the page gets says what undo would take back.
    QVERIFY(catalogue_->games().state_json().contains("撤销："));
    // A refusal of the game's own comes back as ctl says it.
    const auto refused = gate_->handle(signed_request(
        phone, "POST", "/api/act", R"({"game":"tally","action":"add","player":1,"amount":"abc"})"));
    QCOMPARE(refused.status, 400);
    QVERIFY(refused.body.contains("十进制"));
}

void RemoteTest::refusals_change_nothing_data() {
    QTest::addColumn<QString>("attack");
    QTest::addColumn<int>("status");
    for (const auto& [attack, status] :
         std::initializer_list<std::pair<const char*, int>>{{"no key", 401},
                                                            {"unknown device", 401},
                                                            {"wrong signature", 401},
                                                            {"replayed", 409},
                                                            {"time 31 s off", 400},
                                                            {"removed device", 401},
                                                            {"view only", 403},
                                                            {"another host", 421},
                                                            {"another site's page", 403},
                                                            {"ticket used twice", 403},
                                                            {"ticket guessed", 403},
                                                            {"ticket expired", 403}}) {
        QTest::newRow(attack) << QString::fromLatin1(attack) << status;
    }
}

void RemoteTest::refusals_change_nothing() {
    QFETCH(QString, attack);
    QFETCH(int, status);
    Phone phone = pair();
    const QByteArray press = R"({"game":"tally","action":"add","player":1,"amount":"99"})";
    Request request = signed_request(phone, "POST", "/api/act", press);
    const QString ticket = gate_->new_ticket();
    const auto ticket_body = [](const QString& given) {
        return QJsonDocument(QJsonObject{{"ticket", given}}).toJson();
    };
    if (attack == u"no key") {
        request.headers.remove("x-glimmer-signature");
    } else if (attack == u"unknown device") {
        request.headers["x-glimmer-device"] = "0123456789abcdef";
    } else if (attack == u"wrong signature") {
        request.body = R"({"game":"tally","action":"add","player":1,"amount":"999"})";
    } else if (attack == u"replayed") {
        QCOMPARE(gate_->handle(request).status, 200);
        QCOMPARE(total_one(), QStringLiteral("99"));
    } else if (attack == u"time 31 s off") {
        --phone.counter;
        request = signed_request(phone, "POST", "/api/act", press, -31'000);
    } else if (attack == u"removed device") {
        QVERIFY(gate_->remove(QString::fromLatin1(phone.id)));
    } else if (attack == u"view only") {
        QVERIFY(gate_->set_operate(QString::fromLatin1(phone.id), false));
    } else if (attack == u"another host") {
        request.headers["host"] = "evil.example:17611";
    } else if (attack == u"another site's page") {
        request.headers["origin"] = "http://evil.example";
    } else if (attack == u"ticket used twice") {
        QCOMPARE(
            gate_->handle({"POST", "/api/pair", {}, {{"host", host}}, ticket_body(ticket), false})
                .status,
            200);
        request = {"POST", "/api/pair", {}, {{"host", host}}, ticket_body(ticket), false};
    } else if (attack == u"ticket guessed") {
        request = {"POST", "/api/pair", {}, {{"host", host}}, ticket_body("AAAAAAAAAAAAAAAAAAAAAA"),
                   false};
    } else if (attack == u"ticket expired") {
        clock_ += RemoteGate::ticket_life_ms + 1;
        request = {"POST", "/api/pair", {}, {{"host", host}}, ticket_body(ticket), false};
    }
    const QString before = total_one();
    const qsizetype devices = gate_->devices().size();
    const auto reply = gate_->handle(request);
    QCOMPARE(reply.status, status);
    QVERIFY(reply.body.contains("\"refused\""));
    QCOMPARE(total_one(), before);
    QCOMPARE(gate_->devices().size(), devices);
    // A refusal for who asked counts on the strangers' budget, not the devices'.
    QCOMPARE(reply.stranger, attack != u"view only");
}

void RemoteTest::a_flood_is_limited_per_device() {
    Phone flooding = pair();
    Phone other = pair(QStringLiteral("另一台"));
    int done = 0;
    int limited = 0;
    for (int i = 0; i < 50; ++i) {
        const int status = gate_->handle(signed_request(flooding, "GET", "/api/setup", {})).status;
        done += status == 200 ? 1 : 0;
        limited += status == 429 ? 1 : 0;
    }
    QCOMPARE(done, static_cast<int>(RemoteGate::requests_per_second));
    QCOMPARE(limited, 50 - done);
    QCOMPARE(gate_->handle(signed_request(other, "GET", "/api/setup", {})).status, 200);
}

void RemoteTest::devices_survive_a_restart_and_their_counters_with_them() {
    Phone phone = pair();
    const Request used = signed_request(phone, "GET", "/api/setup", {});
    QCOMPARE(gate_->handle(used).status, 200);
    QVERIFY((QFile::permissions(folder_.path() + "/devices.json") &
             (QFile::ReadGroup | QFile::ReadOther)) == QFile::Permissions());
    gate_ = std::make_unique<RemoteGate>(catalogue_->games(), folder_.path() + "/devices.json",
                                         [this] { return clock_; });
    gate_->set_hosts({QString::fromLatin1(host)});
    QCOMPARE(gate_->devices().size(), 1);
    QCOMPARE(gate_->handle(used).status, 409); // no replay across a restart
    QCOMPARE(gate_->handle(signed_request(phone, "GET", "/api/setup", {})).status, 200);
    // A file the program cannot read is set aside whole, never written over.
    gate_.reset();
    QFile damaged(folder_.path() + "/devices.json");
    QVERIFY(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
    damaged.write("{not json");
    damaged.close();
    gate_ = std::make_unique<RemoteGate>(catalogue_->games(), folder_.path() + "/devices.json",
                                         [this] { return clock_; });
    QVERIFY(gate_->devices().isEmpty());
    QVERIFY(!gate_->problem().isEmpty());
    QVERIFY(!QFile::exists(folder_.path() + "/devices.json"));
}

void RemoteTest::the_qr_code_holds_the_address() {
    const QImage code = qr_code(QStringLiteral("http://10.77.0.1:17611/#pair=abc"), 4);
    QVERIFY(!code.isNull());
    QCOMPARE(code.width(), code.height());
    // Its quiet zone is white and its finder pattern's corner black.
    QCOMPARE(code.pixelColor(1, 1), QColor(Qt::white));
    QCOMPARE(code.pixelColor(4 * 4 + 1, 4 * 4 + 1), QColor(Qt::black));
}

QTEST_MAIN(RemoteTest)
#include "tst_remote.moc"
