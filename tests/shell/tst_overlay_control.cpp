// The control API on the overlay server: a request with the token acts through the games'
// models; anything else is refused before it reaches them.
#include "shell/catalogue_window.h"
#include "shell/control_token.h"
#include "shell/game_host.h"
#include "tests/support/message_box_answerer.h"
#include "tests/support/overlay_fixture.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

#include <sys/stat.h>
#include <unistd.h>

using namespace glimmer;
using namespace glimmer::testing;

class OverlayControlTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();

    void token_is_private_and_kept_data();
    void token_is_private_and_kept();
    void refused_requests_change_nothing_data();
    void refused_requests_change_nothing();
    void a_request_with_the_token_acts_as_the_model_does();
    void catalogue_menu_copies_and_renews_the_token();
    // Before the burst, whose second would still count against it.
    void a_page_flooding_the_api_costs_the_host_nothing();
    void a_burst_is_cut_at_fifty_a_second();

private:
    // Each request on a connection of its own, all written before any answer is read: the
    // status of each answer in order, 0 for a connection dropped unanswered.
    QList<int> send_all(const QList<QByteArray>& requests) const;
    qlonglong total_two() const;
    QByteArray post(const QByteArray& path, const QByteArray& body,
                    const QByteArray& extra_headers = {}) const;
    QByteArray state() const;

    std::unique_ptr<OverlayProgram> program_;
};

void OverlayControlTest::initTestCase() {
    program_ = std::make_unique<OverlayProgram>();
    QVERIFY(program_->started());
    QVERIFY(QTest::qWaitFor([this] { return !program_->catalogue()->control_token().isEmpty(); }));
    QVERIFY(program_->open(QStringLiteral("tally")));
}

void OverlayControlTest::cleanupTestCase() {
    program_.reset();
}

QByteArray OverlayControlTest::post(const QByteArray& path, const QByteArray& body,
                                    const QByteArray& extra_headers) const {
    return "POST " + path + " HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(program_->port()) +
           "\r\n" + extra_headers + "Content-Length: " + QByteArray::number(body.size()) +
           "\r\n\r\n" + body;
}

QByteArray OverlayControlTest::state() const {
    return program_->catalogue()->games().state_json();
}

void OverlayControlTest::token_is_private_and_kept_data() {
    QTest::addColumn<QByteArray>("before"); // the settings file's content beforehand
    QTest::addColumn<QString>("kind");      // how it stands there: file, 0644, stranger, fifo, link
    QTest::addColumn<QString>("token");     // "kept", "new", "this run" or "none"

    const QByteArray held("[control]\ntoken=0123456789abcdef0123456789abcdef\n");
    QTest::newRow("no file") << QByteArray() << "file"
                             << "new";
    QTest::newRow("other sections kept") << QByteArray("[overlay]\nport=9000\n") << "file"
                                         << "new";
    QTest::newRow("malformed token replaced")
        << QByteArray("[control]\ntoken=short\n[overlay]\nport=9000\n") << "file"
        << "new";
    // Set where it is read: after the byte-order mark a text editor may put before the heading.
    QTest::newRow("heading after a byte-order mark")
        << QByteArray("\xEF\xBB\xBF[control]\ntoken=short\n[overlay]\nport=9000\n") << "file"
        << "new";
    QTest::newRow("readable by others, ours: made private") << held << "0644"
                                                            << "kept";
    QTest::newRow("readable by others, another's: refused") << held << "stranger"
                                                            << "none";
    QTest::newRow("a FIFO: read as nothing, written over never") << QByteArray() << "fifo"
                                                                 << "this run";
    QTest::newRow("a link: never followed") << held << "link"
                                            << "this run";
    // Its lines are set byte for byte: in UTF-16 that would garble the rest of the file.
    QTest::newRow("UTF-16: left as the host saved it")
        << QByteArray("\xFF\xFE[\0o\0v\0e\0r\0l\0a\0y\0]\0\n\0", 20) << "file"
        << "this run";
}

void OverlayControlTest::token_is_private_and_kept() {
    QFETCH(QByteArray, before);
    QFETCH(QString, kind);
    QFETCH(QString, token);
    QTemporaryDir dir;
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("glimmerhall"))));
    const QString path = dir.filePath(QStringLiteral("glimmerhall/settings.ini"));
    const QString target = dir.filePath(QStringLiteral("elsewhere.ini"));
    if (kind == u"fifo") {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (!before.isEmpty()) {
        QFile file(kind == u"link" ? target : path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(before);
        file.close();
        QVERIFY(file.setPermissions(kind == u"file" ? QFile::ReadOwner | QFile::WriteOwner
                                                    : QFile::ReadOwner | QFile::WriteOwner |
                                                          QFile::ReadGroup | QFile::ReadOther));
        if (kind == u"link") {
            QVERIFY(QFile::link(target, path));
        }
        if (kind == u"stranger") {
            if (::geteuid() != 0) {
                QSKIP("giving the file to another user needs root");
            }
            QCOMPARE(::chown(QFile::encodeName(path).constData(), 65534, 65534), 0);
        }
    }
    const ControlToken read = control_token(path);
    QCOMPARE(read.problem.isEmpty(), token == u"kept" || token == u"new");
    if (token == u"none") {
        QVERIFY(read.token.isEmpty());
        QVERIFY(read.problem.contains(QStringLiteral("不属于你")));
        return;
    }
    QCOMPARE(read.token.size(), 32);
    if (token == u"kept") {
        QCOMPARE(read.token, before.mid(before.indexOf('=') + 1, 32));
    }
    if (token == u"this run") {
        // What stands there is left alone: never read through, never written over.
        QVERIFY(read.token != control_token(path).token);
        if (kind == u"file") {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), before);
            return;
        }
        QVERIFY(!QFileInfo(path).isFile() || QFileInfo(path).isSymLink());
        QCOMPARE(QFileInfo(target).exists() ? QFile(target).size() : 0, qint64(before.size()));
        return;
    }
    QCOMPARE(control_token(path).token, read.token); // kept, not made anew each start
    struct stat status {};
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &status), 0);
    QCOMPARE(status.st_mode & 0777, 0600u);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray after = file.readAll();
    QVERIFY(after.contains("token=" + read.token));
    if (before.contains("port=9000")) {
        QVERIFY(after.contains("[overlay]\nport=9000"));
    }
    const ControlToken renewed = renew_control_token(path);
    QVERIFY(renewed.token != read.token);
    QCOMPARE(control_token(path).token, renewed.token);
}

void OverlayControlTest::refused_requests_change_nothing_data() {
    QTest::addColumn<QByteArray>("headers");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("status");

    const QByteArray token = program_->catalogue()->control_token();
    const QByteArray good = "Authorization: Bearer " + token + "\r\n";
    const QByteArray add = R"({"player":1,"amount":"500"})";
    QByteArray wrong = token;
    wrong[31] = wrong[31] == '0' ? '1' : '0';

    QTest::newRow("no token") << QByteArray() << add << 401;
    QTest::newRow("wrong token") << "Authorization: Bearer " + wrong + "\r\n" << add << 401;
    QTest::newRow("token cut short") << "Authorization: Bearer " + token.left(16) + "\r\n"
                                     << add << 401;
    QTest::newRow("not bearer") << "Authorization: Basic " + token + "\r\n" << add << 401;
    QTest::newRow("origin") << good + "Origin: http://127.0.0.1:" +
                                   QByteArray::number(program_->port()) + "\r\n"
                            << add << 403;
    QTest::newRow("body over 4 KiB")
        << good
        << QByteArray(R"({"player":1,"amount":"500","pad":")") + QByteArray(4100, 'x') + "\"}"
        << 413;
    QTest::newRow("body not json") << good << QByteArray("player=1&amount=500") << 400;
}

void OverlayControlTest::refused_requests_change_nothing() {
    QFETCH(QByteArray, headers);
    QFETCH(QByteArray, body);
    QFETCH(int, status);
    const QByteArray before = state();
    const QByteArray answer = program_->exchange(post("/api/control/tally/add", body, headers));
    QCOMPARE(status_of(answer), status);
    QCOMPARE(state(), before);
}

void OverlayControlTest::a_request_with_the_token_acts_as_the_model_does() {
    const QByteArray good =
        "Authorization: Bearer " + program_->catalogue()->control_token() + "\r\n";
    const auto send = [&](const QByteArray& path, const QByteArray& body) {
        return program_->exchange(post(path, body, good));
    };
    QByteArray answer = send("/api/control/tally/add", R"({"player":1,"amount":"9999"})");
    QCOMPARE(status_of(answer), 200);
    QVERIFY2(state().contains("\"9999\""), state().constData());

    QCOMPARE(status_of(send("/api/control/tally/undo", "")), 200);
    answer = send("/api/control/tally/undo", "");
    QCOMPARE(status_of(answer), 409);
    const QJsonObject refusal = QJsonDocument::fromJson(body_of(answer)).object();
    QCOMPARE(refusal.value("status").toString(), QStringLiteral("refused"));
    QVERIFY(refusal.value("reason").toString().contains(QStringLiteral("没有可以撤销")));

    QCOMPARE(status_of(send("/api/control/tally/add", R"({"player":3,"amount":"1"})")), 400);
    QCOMPARE(status_of(send("/api/control/tally/fly", "")), 404);
    QCOMPARE(status_of(send("/api/control/dice/step", "")), 409); // not open
    QCOMPARE(status_of(send("/api/control/dice/open", "")), 200);
    QCOMPARE(status_of(send("/api/control/dice/step", "")), 200);
    // The GET side stays as it was.
    QCOMPARE(body_of(program_->exchange("GET /api/state HTTP/1.1\r\nHost: 127.0.0.1:" +
                                        QByteArray::number(program_->port()) + "\r\n\r\n")),
             state());
}

void OverlayControlTest::catalogue_menu_copies_and_renews_the_token() {
    CatalogueWindow* catalogue = program_->catalogue();
    const auto menu_item = [catalogue](const QString& text) -> QAction* {
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(10, 10),
                                catalogue->mapToGlobal(QPoint(10, 10)));
        QApplication::sendEvent(catalogue, &event);
        QMenu* menu = nullptr;
        if (!QTest::qWaitFor(
                [&] { return (menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())); })) {
            return nullptr;
        }
        menu->close();
        for (QAction* action : menu->actions()) {
            if (action->text() == text) {
                return action;
            }
        }
        return nullptr;
    };
    QAction* copy = menu_item(QStringLiteral("复制控制令牌"));
    QVERIFY(copy);
    copy->trigger();
    const QByteArray old_token = catalogue->control_token();
    QCOMPARE(QGuiApplication::clipboard()->text().toLatin1(), old_token);

    QAction* renew = menu_item(QStringLiteral("生成新的控制令牌"));
    QVERIFY(renew);
    {
        MessageBoxAnswerer answerer(QMessageBox::Ok);
        renew->trigger();
        QCOMPARE(answerer.seen().size(), 1);
    }
    const QByteArray new_token = catalogue->control_token();
    QVERIFY(new_token != old_token);
    QCOMPARE(QGuiApplication::clipboard()->text().toLatin1(), new_token);
    // The server takes the new token at once and no longer the old one.
    const QByteArray body = R"({"player":1})";
    QCOMPARE(status_of(program_->exchange(post("/api/control/tally/select", body,
                                               "Authorization: Bearer " + old_token + "\r\n"))),
             401);
    QCOMPARE(status_of(program_->exchange(post("/api/control/tally/select", body,
                                               "Authorization: Bearer " + new_token + "\r\n"))),
             200);

    // Without keys of its own (this platform grabs none), the menu says what does the same.
    QAction* hotkeys = menu_item(QStringLiteral("全局快捷键"));
    QVERIFY(hotkeys);
    MessageBoxAnswerer answerer(QMessageBox::Ok);
    hotkeys->trigger();
    QCOMPARE(answerer.seen().size(), 1);
    QVERIFY(
        answerer.seen().first().text.contains(QStringLiteral("glimmerhall ctl tally preset 1 1")));
}

QList<int> OverlayControlTest::send_all(const QList<QByteArray>& requests) const {
    std::vector<std::unique_ptr<QTcpSocket>> sockets;
    // Connected with the event loop running, so the server takes each one off its queue, and
    // thirty at a time, within what the kernel queues before the server accepts, so that
    // none waits a second for its SYN to be sent again. Each batch sends at once, as a page
    // or a stream deck does.
    for (qsizetype from = 0; from < requests.size(); from += 30) {
        const size_t batch = sockets.size();
        for (qsizetype i = from; i < std::min<qsizetype>(from + 30, requests.size()); ++i) {
            sockets.push_back(std::make_unique<QTcpSocket>());
            sockets.back()->connectToHost(QHostAddress::LocalHost,
                                          static_cast<quint16>(program_->port()));
        }
        const bool connected = QTest::qWaitFor([&] {
            return std::all_of(sockets.begin() + static_cast<std::ptrdiff_t>(batch), sockets.end(),
                               [](const auto& socket) {
                                   return socket->state() == QAbstractSocket::ConnectedState;
                               });
        });
        if (!connected) {
            return {};
        }
        for (size_t i = batch; i < sockets.size(); ++i) {
            sockets[i]->write(requests[static_cast<qsizetype>(i)]);
        }
    }
    QList<int> statuses;
    for (auto& socket : sockets) {
        QByteArray answer;
        const bool closed = QTest::qWaitFor(
            [&] {
                answer += socket->readAll();
                return socket->state() == QAbstractSocket::UnconnectedState;
            },
            10000);
        answer += socket->readAll();
        statuses << (closed ? status_of(answer) : -1);
    }
    return statuses;
}

qlonglong OverlayControlTest::total_two() const {
    return QJsonDocument::fromJson(state())
        .object()
        .value("tally")
        .toObject()
        .value("players")
        .toArray()
        .at(1)
        .toObject()
        .value("total")
        .toString()
        .toLongLong();
}

void OverlayControlTest::a_burst_is_cut_at_fifty_a_second() {
    // Sixty at once: all are written before any answer is read, so they reach the server
    // within the same second on any machine that answers at all.
    const QByteArray request =
        post("/api/control/tally/add", R"({"player":2,"amount":"1"})",
             "Authorization: Bearer " + program_->catalogue()->control_token() + "\r\n");
    const qlonglong before = total_two();
    const QList<int> answered = send_all(QList<QByteArray>(60, request));
    QCOMPARE(answered.size(), 60);
    QCOMPARE(answered.count(200) + answered.count(429), 60);
    QVERIFY(answered.count(200) <= 50);
    QVERIFY(answered.count(429) >= 10);
    // Each refused request left the total alone.
    QCOMPARE(total_two() - before, qlonglong(answered.count(200)));
}

void OverlayControlTest::a_page_flooding_the_api_costs_the_host_nothing() {
    // A web page looping fetch(..., {mode: "no-cors"}) beside a stream deck: the page's
    // requests carry its Origin, and some guess at the token.
    const QByteArray genuine =
        post("/api/control/tally/add", R"({"player":2,"amount":"1"})",
             "Authorization: Bearer " + program_->catalogue()->control_token() + "\r\n");
    const QByteArray page = post("/api/control/tally/add", "",
                                 "Origin: https://any.example\r\nContent-Type: text/plain\r\n");
    const QByteArray guess =
        post("/api/control/tally/add", "", "Authorization: Bearer 0123456789abcdef\r\n");
    QList<QByteArray> requests;
    for (int i = 0; i < 150; ++i) {
        requests << (i % 5 == 0 ? genuine : i % 2 == 0 ? page : guess);
    }
    const qlonglong before = total_two();
    const QList<int> answered = send_all(requests);
    QCOMPARE(answered.size(), requests.size());
    for (qsizetype i = 0; i < requests.size(); ++i) {
        if (requests[i] == genuine) {
            QCOMPARE(answered[i], 200); // never a 429 for a page's requests
        } else {
            // Refused, or past their own budget dropped unanswered.
            QVERIFY2(answered[i] == 0 || answered[i] == (requests[i] == page ? 403 : 401),
                     qPrintable(QString::number(answered[i])));
        }
    }
    QCOMPARE(total_two() - before, qlonglong(30));
}

QTEST_MAIN(OverlayControlTest)
#include "tst_overlay_control.moc"
