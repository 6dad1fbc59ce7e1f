#include "games/tally/tally_window.h"
#include "runtime/overlay_server.h"
#include "runtime/text.h"
#include "runtime/translation.h"
#include "shell/app_state.h"
#include "shell/game_host.h"
#include "shell/overlay_settings.h"
#include "shell/overlay_state.h"
#include "tests/support/message_box_answerer.h"
#include "tests/support/overlay_fixture.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWebSocket>

#include <cerrno>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace glimmer;
using namespace glimmer::testing;

namespace {

QJsonObject parsed(const QByteArray& json) {
    return QJsonDocument::fromJson(json).object();
}

// A page's view of the server: every state the WebSocket brought, in order.
class Page : public QObject {
public:
    explicit Page(int port, const QString& origin = QString()) : socket(origin) {
        connect(&socket, &QWebSocket::textMessageReceived, this,
                [this](const QString& text) { states << parsed(text.toUtf8()); });
        socket.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/ws").arg(port)));
    }
    // Waits for a state that passes the check.
    bool wait_for(const std::function<bool(const QJsonObject&)>& check) {
        return QTest::qWaitFor([&] { return !states.isEmpty() && check(states.last()); }, 10000);
    }
    QWebSocket socket;
    QList<QJsonObject> states;
};

QByteArray request(const QByteArray& method, const QByteArray& path, const QByteArray& headers) {
    return method + ' ' + path + " HTTP/1.1\r\n" + headers + "\r\n";
}

QByteArray upgrade_request(int port) {
    return "GET /ws HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(port) +
           "\r\nConnection: Upgrade\r\nUpgrade: websocket\r\nSec-WebSocket-Version: 13\r\n"
           "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n\r\n";
}

// A frame as a client sends it, masked unless told otherwise.
QByteArray client_frame(quint8 first, const QByteArray& payload, bool masked = true) {
    QByteArray out(1, static_cast<char>(first));
    const char mask_bit = masked ? char(0x80) : char(0);
    if (payload.size() < 126) {
        out += static_cast<char>(mask_bit | static_cast<char>(payload.size()));
    } else {
        out += static_cast<char>(mask_bit | 126);
        out += static_cast<char>(payload.size() >> 8);
        out += static_cast<char>(payload.size() & 0xFF);
    }
    if (!masked) {
        return out + payload;
    }
    const QByteArray mask("\x12\x34\x56\x78", 4);
    out += mask;
    for (qsizetype i = 0; i < payload.size(); ++i) {
        out += static_cast<char>(payload[i] ^ mask[i % 4]);
    }
    return out;
}

// One exchange on a plain socket, read to its end without blocking the server, which runs
// in this process: what came back, and whether it ended in an orderly close, not a reset.
struct Ending {
    QByteArray answer;
    bool clean = false;
};

Ending plain_exchange(int port, const QByteArray& request) {
    Ending ending;
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<quint16>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    (void)::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    qsizetype sent = 0;
    const auto step = [&] {
        if (sent < request.size()) {
            const ssize_t n = ::send(fd, request.constData() + sent,
                                     static_cast<size_t>(request.size() - sent), MSG_NOSIGNAL);
            sent += n > 0 ? n : 0;
        }
        char buffer[16384];
        for (;;) {
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
            if (n > 0) {
                ending.answer.append(buffer, n);
                continue;
            }
            ending.clean = n == 0;
            return n == 0 || (errno != EAGAIN && errno != ENOTCONN);
        }
    };
    // The socket wakes the event loop whenever it can take or give bytes, so the server and
    // this side take turns at once, with no polling pauses between.
    QSocketNotifier readable(static_cast<qintptr>(fd), QSocketNotifier::Read);
    QSocketNotifier writable(static_cast<qintptr>(fd), QSocketNotifier::Write);
    QTimer give_up;
    give_up.setSingleShot(true);
    give_up.start(10000);
    while (!step() && give_up.isActive()) {
        writable.setEnabled(sent < request.size());
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    ::close(fd);
    return ending;
}

qint64 resident_kib() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
        }
    }
    return -1;
}

} // namespace

class OverlayTest : public QObject {
    Q_OBJECT
private slots:
    void totals_read_in_wan_and_yi_data();
    void totals_read_in_wan_and_yi();
    void port_comes_from_command_line_then_file_then_default_data();
    void port_comes_from_command_line_then_file_then_default();
    void a_taken_port_leaves_overlays_off_with_the_reason();
    void state_follows_each_game_through_its_phases();
    void pages_receive_every_change_driven_through_the_controls();
    void requests_other_than_our_own_gets_are_refused_data();
    void requests_other_than_our_own_gets_are_refused();
    void a_page_that_stops_reading_is_dropped();
    void a_client_that_pings_and_never_reads_is_dropped();
    void a_request_gets_through_many_slow_connections();
    void answers_arrive_whole_before_a_clean_close_data();
    void answers_arrive_whole_before_a_clean_close();
    void frames_that_break_the_protocol_close_the_client_data();
    void frames_that_break_the_protocol_close_the_client();
    void catalogue_menu_copies_each_address();
    void the_index_and_verify_pages_speak_one_language_data();
    void the_index_and_verify_pages_speak_one_language();
};

void OverlayTest::totals_read_in_wan_and_yi_data() {
    QTest::addColumn<QString>("total");
    QTest::addColumn<QString>("shown");
    QTest::newRow("below 10000") << "9999"
                                 << "9999";
    QTest::newRow("1万 exactly") << "10000"
                                 << "1万";
    QTest::newRow("cut, never rounded up") << "19999"
                                           << "1.99万";
    QTest::newRow("two decimals") << "12345"
                                  << "1.23万";
    QTest::newRow("trailing zero dropped") << "45000"
                                           << "4.5万";
    QTest::newRow("just below 1亿") << "99999999"
                                    << "9999.99万";
    QTest::newRow("亿") << "450000000"
                        << "4.5亿";
    QTest::newRow("decimal total") << "123456.78"
                                   << "12.34万";
    QTest::newRow("negative") << "-25000"
                              << "-2.5万";
    QTest::newRow("small decimal kept") << "0.3"
                                        << "0.3";
    QTest::newRow("not a number") << "<b>9</b>"
                                  << "<b>9</b>";
    QTest::newRow("empty") << ""
                           << "";
}

void OverlayTest::totals_read_in_wan_and_yi() {
    QFETCH(QString, total);
    QFETCH(QString, shown);
    QCOMPARE(readable_amount(total), shown);
}

void OverlayTest::port_comes_from_command_line_then_file_then_default_data() {
    QTest::addColumn<int>("command_line"); // -1: not given
    QTest::addColumn<QByteArray>("file");  // null: no file; "FIFO", "SPARSE": such a file
    QTest::addColumn<int>("port");
    QTest::addColumn<bool>("on");
    QTest::addColumn<QString>("ignored"); // what the host is told besides the file's name
    const int fallback = default_overlay_port;
    QTest::newRow("nothing given") << -1 << QByteArray() << fallback << true << QString();
    QTest::newRow("file") << -1 << QByteArray("[overlay]\nport=18000\n") << 18000 << true
                          << QString();
    QTest::newRow("file turns off")
        << -1 << QByteArray("[overlay]\nport = 0\n") << 0 << false << QString();
    QTest::newRow("command line wins")
        << 19000 << QByteArray("[overlay]\nport=abc\n") << 19000 << true << QString();
    QTest::newRow("command line turns off")
        << 0 << QByteArray("[overlay]\nport=18000\n") << 0 << false << QString();
    for (const char* value : {"70000", "18000x", "-1", "abc", "0x10"}) {
        QTest::addRow("file value %s", value)
            << -1 << QByteArray("[overlay]\nport=") + value + '\n'
            << fallback << true
            << QStringLiteral("的值 “%1” 无效，已改用 17610").arg(QLatin1String(value));
    }
    QTest::newRow("long file value cut")
        << -1 << QByteArray("[overlay]\nport=") + QByteArray(5000, '9') + '\n'
        << fallback << true << QStringLiteral("“%1…”").arg(QString(20, u'9'));
    QTest::newRow("key in another section")
        << -1 << QByteArray("[other]\nport=18000\n") << fallback << true << QString();
    QTest::newRow("FIFO") << -1 << QByteArray("FIFO") << fallback << true
                          << QStringLiteral("不是普通文件");
    QTest::newRow("200 MB file") << -1 << QByteArray("SPARSE") << fallback << true
                                 << QStringLiteral("过大");
    QTest::newRow("command line not a port") << 70000 << QByteArray() << 0 << false << QString();
}

void OverlayTest::port_comes_from_command_line_then_file_then_default() {
    QFETCH(int, command_line);
    QFETCH(QByteArray, file);
    QFETCH(int, port);
    QFETCH(bool, on);
    QFETCH(QString, ignored);
    QTemporaryDir dir;
    HostSettings settings;
    settings.settings_file = dir.filePath(QStringLiteral("settings.ini"));
    const QByteArray path = QFile::encodeName(settings.settings_file);
    if (file == "FIFO") {
        // Nobody writes to it: reading it must not wait.
        QCOMPARE(::mkfifo(path.constData(), 0600), 0);
    } else if (file == "SPARSE") {
        // Sparse: 200 MB long, next to nothing on the disk.
        QFile out(settings.settings_file);
        QVERIFY(out.open(QIODevice::WriteOnly) && out.resize(200LL * 1024 * 1024));
    } else if (!file.isNull()) {
        QFile out(settings.settings_file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(file);
    }
    if (command_line >= 0) {
        settings.overlay_port = command_line;
    }
    const OverlayAddresses addresses = overlay_addresses(settings, built_in_games());
    QCOMPARE(addresses.on(), on);
    QCOMPARE(addresses.port, port);
    QCOMPARE(addresses.off_reason.isEmpty(), on);
    // The host is told which file's setting was not used.
    QCOMPARE(addresses.ignored_setting.isEmpty(), ignored.isEmpty());
    if (!ignored.isEmpty()) {
        QVERIFY2(addresses.ignored_setting.startsWith(settings.settings_file) &&
                     addresses.ignored_setting.contains(ignored) &&
                     addresses.ignored_setting.size() < settings.settings_file.size() + 60,
                 qPrintable(addresses.ignored_setting));
    }
    // The help text gives the addresses, or why there are none.
    QVERIFY(overlay_addresses_text(addresses, built_in_games())
                .contains(on ? addresses.games[1] : addresses.off_reason));
    if (on) {
        QCOMPARE(addresses.games[0], QStringLiteral("http://127.0.0.1:%1/overlay/tally").arg(port));
        QCOMPARE(addresses.games[2],
                 QStringLiteral("http://127.0.0.1:%1/overlay/minebox").arg(port));
    }
}

void OverlayTest::a_taken_port_leaves_overlays_off_with_the_reason() {
    OverlayProgram first;
    QVERIFY(first.started());
    // A second program asked for the same port runs on, and its menu says why it has no
    // overlays instead of copying an address that is not its own.
    OverlayProgram second(first.port());
    QVERIFY(second.catalogue()->overlay_start_tried());
    QVERIFY(!second.started());
    QGuiApplication::clipboard()->clear();
    MessageBoxAnswerer answerer(QMessageBox::Ok);
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(10, 10),
                            second.catalogue()->mapToGlobal(QPoint(10, 10)));
    QApplication::sendEvent(second.catalogue(), &event);
    QMenu* menu = nullptr;
    QTRY_VERIFY((menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) != nullptr);
    QAction* copy = menu->actions().value(0);
    menu->close();
    copy->trigger();
    QTRY_COMPARE(answerer.seen().size(), 1);
    QVERIFY2(answerer.seen()[0].text.contains(QString::number(first.port())),
             qPrintable(answerer.seen()[0].text));
    QVERIFY(QGuiApplication::clipboard()->text().isEmpty());
    // The first program's overlays are untouched.
    QCOMPARE(
        status_of(first.exchange(request(
            "GET", "/api/state", "Host: 127.0.0.1:" + QByteArray::number(first.port()) + "\r\n"))),
        200);
}

void OverlayTest::state_follows_each_game_through_its_phases() {
    OverlayProgram program;
    QVERIFY(program.started());
    GameHost& games = program.catalogue()->games();
    const auto state = [&games]() -> const QJsonObject { return parsed(games.state_json()); };
    for (const char* game : {"tally", "dice", "minebox"}) {
        QCOMPARE(state()[game].toObject(), QJsonObject({{"open", false}}));
    }

    program.set_tally_names(QStringLiteral("<b>阿星</b>"), QStringLiteral("小月"));
    program.open(QStringLiteral("tally"));
    QJsonObject tally = state()["tally"].toObject();
    QCOMPARE(std::as_const(tally)["players"][0]["name"].toString(), QStringLiteral("<b>阿星</b>"));
    QCOMPARE(std::as_const(tally)["players"][1]["total"].toString(), QStringLiteral("0"));
    program.add_to_tally(QStringLiteral("12345"), false);
    tally = state()["tally"].toObject();
    QCOMPARE(std::as_const(tally)["players"][1]["total"].toString(), QStringLiteral("12345"));
    QCOMPARE(std::as_const(tally)["players"][1]["total_text"].toString(), QStringLiteral("1.23万"));
    QCOMPARE(std::as_const(tally)["leader"].toString(), QStringLiteral("two"));
    QCOMPARE(std::as_const(tally)["difference"].toString(), QStringLiteral("12345"));
    program.add_to_tally(QStringLiteral("12345"), true);
    QCOMPARE(state()["tally"]["leader"].toString(), QStringLiteral("none"));
    // Undo and redo reach the stream like any addition.
    auto* tally_window =
        qobject_cast<TallyWindow*>(program.catalogue()->game_window(QStringLiteral("tally")));
    tally_window->undo_addition();
    QCOMPARE(state()["tally"]["leader"].toString(), QStringLiteral("two"));
    QCOMPARE(state()["tally"]["players"][0]["total"].toString(), QStringLiteral("0"));
    tally_window->redo_addition();
    QCOMPARE(state()["tally"]["leader"].toString(), QStringLiteral("none"));

    program.open(QStringLiteral("dice"));
    QCOMPARE(state()["dice"]["phase"].toString(), QStringLiteral("waiting"));
    QVERIFY(program.play_dice_turn());
    const QJsonObject dice = state()["dice"].toObject();
    QCOMPARE(dice["phase"].toString(), QStringLiteral("waiting"));
    const QString winner = dice["last_winner"].toString();
    QVERIFY2(winner == "left" || winner == "right", qPrintable(winner));
    const QString winning_tally = dice[winner == "left" ? "left_tally" : "right_tally"].toString();
    QCOMPARE(winning_tally, QStringLiteral("胜利：1  失败：0"));

    program.open(QStringLiteral("minebox"));
    QCOMPARE(state()["minebox"]["stage"].toString(), QStringLiteral("setup"));
    program.bury_mines(QStringLiteral("5"), QStringLiteral("2"));
    QCOMPARE(state()["minebox"]["boxes"].toString(), QStringLiteral("00000"));
    QCOMPARE(state()["minebox"]["stage"].toString(), QStringLiteral("playing"));
    QCOMPARE(state()["minebox"]["mines_left"].toInt(-1), 2);
    program.dig_box(3);
    QJsonObject minebox = state()["minebox"].toObject();
    QCOMPARE(std::as_const(minebox)["stage"].toString(), QStringLiteral("waiting"));
    QCOMPARE(std::as_const(minebox)["waiting"].toInt(), 3);
    const QChar opened = std::as_const(minebox)["boxes"].toString().at(3);
    QVERIFY(opened == u'1' || opened == u'2');
    QCOMPARE(std::as_const(minebox)["mines_left"].toInt(-1), opened == u'2' ? 1 : 2);
    QCOMPARE(std::as_const(minebox)["owners"].toString(), QStringLiteral("00000"));
    program.credit_box(2);
    minebox = state()["minebox"].toObject();
    QCOMPARE(std::as_const(minebox)["owners"].toString(), QStringLiteral("00020"));
    QCOMPARE(std::as_const(minebox)["waiting"].toInt(), -1);
    QCOMPARE(std::as_const(minebox)["tallies"][1].toString(),
             opened == u'1' ? QStringLiteral("空箱：1 踩雷：0")
                            : QStringLiteral("空箱：0 踩雷：1"));

    // A closed window shows its game as closed again.
    program.catalogue()->game_window(QStringLiteral("dice"))->close();
    QTRY_COMPARE(state()["dice"].toObject(), QJsonObject({{"open", false}}));
}

void OverlayTest::pages_receive_every_change_driven_through_the_controls() {
    OverlayProgram program;
    QVERIFY(program.started());
    Page page(program.port());
    // The current state arrives at once on connecting.
    QVERIFY(page.wait_for([](const QJsonObject& s) { return s.contains("revision"); }));

    program.open(QStringLiteral("tally"));
    QVERIFY(page.wait_for([](const QJsonObject& s) { return s["tally"]["open"].toBool(); }));
    for (const QString& amount : {QStringLiteral("7"), QStringLiteral("30000")}) {
        const int before = page.states.size();
        program.add_to_tally(amount, true);
        QVERIFY(page.wait_for([&](const QJsonObject&) { return page.states.size() > before; }));
    }
    QCOMPARE(page.states.constLast()["tally"]["players"][0]["total_text"].toString(),
             QStringLiteral("3万"));

    program.open(QStringLiteral("dice"));
    QVERIFY(program.play_dice_turn());
    QVERIFY(page.wait_for([](const QJsonObject& s) {
        return s["dice"]["last_winner"].toString() != QStringLiteral("none");
    }));
    // The shaking was seen on its way.
    QVERIFY(std::any_of(page.states.begin(), page.states.end(),
                        [](const QJsonObject& s) { return s["dice"]["shaking"].toBool(); }));

    program.open(QStringLiteral("minebox"));
    program.bury_mines(QStringLiteral("4"), QStringLiteral("1"));
    program.dig_box(0);
    program.credit_box(1);
    QVERIFY(page.wait_for([](const QJsonObject& s) {
        return s["minebox"]["owners"].toString() == QStringLiteral("1000");
    }));

    // Every change is its own revision, in order, and the page holds what the program holds.
    for (qsizetype i = 1; i < page.states.size(); ++i) {
        QCOMPARE(page.states.at(i)["revision"].toInteger(),
                 page.states.at(i - 1)["revision"].toInteger() + 1);
    }
    const QByteArray answer = program.exchange(request(
        "GET", "/api/state", "Host: localhost:" + QByteArray::number(program.port()) + "\r\n"));
    QCOMPARE(parsed(body_of(answer)), page.states.constLast());
}

void OverlayTest::requests_other_than_our_own_gets_are_refused_data() {
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QByteArray>("headers"); // "PORT" stands for the server's port
    QTest::addColumn<int>("status");
    const QByteArray upgrade = "Connection: Upgrade\r\nUpgrade: websocket\r\n"
                               "Sec-WebSocket-Version: 13\r\nSec-WebSocket-Key: "
                               "dGhlIHNhbXBsZSBub25jZQ==\r\n";
    QTest::newRow("own page") << QByteArray("GET") << QByteArray("/overlay/tally")
                              << QByteArray("Host: 127.0.0.1:PORT\r\n") << 200;
    QTest::newRow("POST") << QByteArray("POST") << QByteArray("/api/state")
                          << QByteArray("Host: 127.0.0.1:PORT\r\nContent-Length: 0\r\n") << 405;
    QTest::newRow("PUT") << QByteArray("PUT") << QByteArray("/api/state")
                         << QByteArray("Host: 127.0.0.1:PORT\r\n") << 405;
    QTest::newRow("HEAD") << QByteArray("HEAD") << QByteArray("/overlay/")
                          << QByteArray("Host: 127.0.0.1:PORT\r\n") << 405;
    QTest::newRow("foreign host") << QByteArray("GET") << QByteArray("/api/state")
                                  << QByteArray("Host: attacker.example:PORT\r\n") << 421;
    QTest::newRow("host without port") << QByteArray("GET") << QByteArray("/api/state")
                                       << QByteArray("Host: 127.0.0.1\r\n") << 421;
    QTest::newRow("no host") << QByteArray("GET") << QByteArray("/api/state") << QByteArray()
                             << 421;
    QTest::newRow("two hosts") << QByteArray("GET") << QByteArray("/api/state")
                               << QByteArray("Host: 127.0.0.1:PORT\r\nHost: evil.example\r\n")
                               << 421;
    QTest::newRow("upgrade from a foreign origin")
        << QByteArray("GET") << QByteArray("/ws")
        << QByteArray("Host: 127.0.0.1:PORT\r\nOrigin: http://attacker.example\r\n" + upgrade)
        << 403;
    QTest::newRow("upgrade from an opaque origin")
        << QByteArray("GET") << QByteArray("/ws")
        << QByteArray("Host: 127.0.0.1:PORT\r\nOrigin: null\r\n" + upgrade) << 403;
    QTest::newRow("upgrade from our origin on another port")
        << QByteArray("GET") << QByteArray("/ws")
        << QByteArray("Host: 127.0.0.1:PORT\r\nOrigin: http://127.0.0.1:1\r\n" + upgrade) << 403;
    QTest::newRow("upgrade with a foreign host")
        << QByteArray("GET") << QByteArray("/ws")
        << QByteArray("Host: attacker.example\r\n" + upgrade) << 421;
    QTest::newRow("oversized header")
        << QByteArray("GET") << QByteArray("/api/state")
        << QByteArray("Host: 127.0.0.1:PORT\r\nX-Filler: " + QByteArray(20000, 'a') + "\r\n")
        << 431;
    QTest::newRow("oversized request line")
        << QByteArray("GET") << QByteArray("/" + QByteArray(9000, 'a'))
        << QByteArray("Host: 127.0.0.1:PORT\r\n") << 431;
    QTest::newRow("unknown path") << QByteArray("GET") << QByteArray("/etc/passwd")
                                  << QByteArray("Host: 127.0.0.1:PORT\r\n") << 404;
    // Heads the parser must turn away without reading past what it was sent.
    QTest::newRow("header without a colon") << QByteArray("GET") << QByteArray("/api/state")
                                            << QByteArray("Host: 127.0.0.1:PORT\r\nX\r\n") << 400;
    QTest::newRow("header without a name") << QByteArray("GET") << QByteArray("/api/state")
                                           << QByteArray(": x\r\nHost: 127.0.0.1:PORT\r\n") << 400;
    QTest::newRow("path without its slash") << QByteArray("GET") << QByteArray("api/state")
                                            << QByteArray("Host: 127.0.0.1:PORT\r\n") << 400;
    QTest::newRow("blank in the path") << QByteArray("GET") << QByteArray("/api/ state")
                                       << QByteArray("Host: 127.0.0.1:PORT\r\n") << 400;
    QTest::newRow("empty method") << QByteArray("") << QByteArray("/api/state")
                                  << QByteArray("Host: 127.0.0.1:PORT\r\n") << 400;
    QTest::newRow("too many header lines")
        << QByteArray("GET") << QByteArray("/api/state")
        << (QByteArray("Host: 127.0.0.1:PORT\r\n") + QByteArray("X: y\r\n").repeated(70)) << 400;
}

void OverlayTest::requests_other_than_our_own_gets_are_refused() {
    QFETCH(QByteArray, method);
    QFETCH(QByteArray, path);
    QFETCH(QByteArray, headers);
    QFETCH(int, status);
    OverlayProgram program;
    QVERIFY(program.started());
    program.open(QStringLiteral("tally"));
    const QByteArray state_before = program.catalogue()->games().state_json();
    headers.replace("PORT", QByteArray::number(program.port()));
    const QByteArray answer = program.exchange(request(method, path, headers));
    QCOMPARE(status_of(answer), status);
    // No request, answered or refused, changes a game.
    QCOMPARE(program.catalogue()->games().state_json(), state_before);
}

void OverlayTest::a_page_that_stops_reading_is_dropped() {
    OverlayProgram program;
    QVERIFY(program.started());
    OverlayServer* server = program.catalogue()->overlay_server();
    Page reading(program.port());
    QVERIFY(reading.wait_for([](const QJsonObject&) { return true; }));

    QTcpSocket stalled;
    stalled.setReadBufferSize(1024); // takes a little from the system, then nothing more
    stalled.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(program.port()));
    QVERIFY(stalled.waitForConnected(5000));
    stalled.write("GET /ws HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(program.port()) +
                  "\r\nConnection: Upgrade\r\nUpgrade: websocket\r\nSec-WebSocket-Version: 13\r\n"
                  "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n\r\n");
    QTRY_COMPARE(server->client_count(), 2);

    // Big states fill the system's buffers in a few steps; each alone stays below the
    // server's bound on what may wait for one page.
    const QByteArray filler(192 * 1024, 'x');
    int published = 0;
    // Each state reaches the page that reads before the next is published; the one that
    // stopped reading is dropped once what waits for it passes the server's bound.
    while (server->client_count() == 2 && published < 2000) {
        ++published;
        server->publish("{\"revision\":" + QByteArray::number(published) + ",\"filler\":\"" +
                        filler + "\"}");
        QVERIFY(reading.wait_for(
            [&](const QJsonObject& s) { return s["revision"].toInt() == published; }));
    }
    QCOMPARE(server->client_count(), 1);
    // The page that reads stays, and still gets what is published.
    QVERIFY(reading.socket.state() == QAbstractSocket::ConnectedState);
    QVERIFY(published > 1);
}

void OverlayTest::a_client_that_pings_and_never_reads_is_dropped() {
    OverlayProgram program;
    QVERIFY(program.started());
    OverlayServer* server = program.catalogue()->overlay_server();
    QTcpSocket client;
    client.setReadBufferSize(1024);
    client.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(program.port()));
    QVERIFY(client.waitForConnected(5000));
    // A small window: the system's buffers between us fill after little, so the pongs soon
    // have nowhere to go but the program's own memory.
    client.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 4096);
    client.write(upgrade_request(program.port()));
    QTRY_COMPARE(server->client_count(), 1);

    const qint64 before = resident_kib();
    const QByteArray burst = client_frame(0x89, QByteArray(125, 'p')).repeated(2048);
    int bursts = 0;
    // Each pong would wait in the program for a reader that never comes; at most 64 MiB of
    // pings are sent, far more than the system's socket buffers take. A zero timer writes on
    // every pass of the event loop, with no sleep between, as a flooding client would.
    QEventLoop loop;
    QTimer pump;
    pump.setInterval(0);
    connect(&pump, &QTimer::timeout, &loop, [&] {
        if (server->client_count() == 0 || bursts == 256) {
            loop.quit();
        } else if (client.bytesToWrite() < 1024 * 1024) {
            client.write(burst);
            ++bursts;
        }
    });
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    pump.start();
    loop.exec();
    QCOMPARE(server->client_count(), 0);
    const qint64 grown = resident_kib() - before;
#if defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer keeps freed memory in quarantine, resident; only the drop counts here.
    Q_UNUSED(grown);
#else
    QVERIFY2(grown < 16 * 1024, qPrintable(QStringLiteral("grew by %1 KiB").arg(grown)));
#endif
}

void OverlayTest::a_request_gets_through_many_slow_connections() {
    OverlayProgram program;
    QVERIFY(program.started());
    std::vector<std::unique_ptr<QTcpSocket>> slow;
    // Each sends one byte of a head and then nothing; the server may already have shut the
    // oldest out to make room.
    const auto settled = [&slow] {
        return std::none_of(slow.begin(), slow.end(), [](const auto& socket) {
            return socket->state() == QAbstractSocket::ConnectingState ||
                   socket->state() == QAbstractSocket::HostLookupState;
        });
    };
    // In bursts the kernel's queue of connections not yet accepted holds, so that none waits
    // for a dropped SYN to be sent again; together far more than the server keeps waiting.
    for (int burst = 0; burst < 10; ++burst) {
        for (int i = 0; i < 30; ++i) {
            slow.push_back(std::make_unique<QTcpSocket>());
            slow.back()->connectToHost(QHostAddress::LocalHost,
                                       static_cast<quint16>(program.port()));
        }
        QTRY_VERIFY_WITH_TIMEOUT(settled(), 10000);
    }
    for (const auto& socket : slow) {
        if (socket->state() == QAbstractSocket::ConnectedState) {
            socket->write("G");
            socket->flush();
        }
    }
    const QByteArray get = request(
        "GET", "/api/state", "Host: 127.0.0.1:" + QByteArray::number(program.port()) + "\r\n");
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(status_of(plain_exchange(program.port(), get).answer), 200);
    }
}

void OverlayTest::answers_arrive_whole_before_a_clean_close_data() {
    QTest::addColumn<QByteArray>("request"); // "PORT" stands for the server's port
    QTest::addColumn<int>("status");
    const QByteArray unread(64 * 1024, 'a');
    QTest::newRow("bare LF line ends")
        << QByteArray("GET /api/state HTTP/1.1\nHost: 127.0.0.1:PORT\n\n") << 200;
    QTest::newRow("head too large")
        << QByteArray("GET /api/state HTTP/1.1\r\nHost: 127.0.0.1:PORT\r\nX-Filler: " + unread +
                      "\r\n\r\n")
        << 431;
    QTest::newRow("malformed head, more behind it") << QByteArray("GET\r\n\r\n" + unread) << 400;
    QTest::newRow("POST with a body left unread")
        << QByteArray("POST /api/state HTTP/1.1\r\nHost: 127.0.0.1:PORT\r\nContent-Length: 65536"
                      "\r\n\r\n" +
                      unread)
        << 405;
}

void OverlayTest::answers_arrive_whole_before_a_clean_close() {
    QFETCH(QByteArray, request);
    QFETCH(int, status);
    OverlayProgram program;
    QVERIFY(program.started());
    const Ending ending =
        plain_exchange(program.port(), request.replace("PORT", QByteArray::number(program.port())));
    QCOMPARE(status_of(ending.answer), status);
    const qsizetype length_at = ending.answer.indexOf("Content-Length: ");
    QVERIFY(length_at > 0);
    const qsizetype length = ending.answer.mid(length_at + 16, 8).split('\r').value(0).toLongLong();
    QCOMPARE(body_of(ending.answer).size(), length);
    // The peer read everything and then saw the end, not a reset.
    QVERIFY(ending.clean);
}

void OverlayTest::frames_that_break_the_protocol_close_the_client_data() {
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<int>("code");
    QTest::newRow("unmasked") << client_frame(0x81, "hi", false) << 1002;
    QTest::newRow("too large") << client_frame(0x82, QByteArray(5000, 'x')) << 1009;
    QTest::newRow("message too large in pieces")
        << client_frame(0x01, QByteArray(3000, 'x')) + client_frame(0x80, QByteArray(3000, 'x'))
        << 1009;
    QTest::newRow("continuation of nothing") << client_frame(0x80, "x") << 1002;
    QTest::newRow("fragmented ping") << client_frame(0x09, "x") << 1002;
    QTest::newRow("reserved opcode") << client_frame(0x83, "x") << 1002;
    // A close is answered in kind.
    QTest::newRow("close") << client_frame(0x88, QByteArray("\x03\xe8", 2)) << 1000;
}

void OverlayTest::frames_that_break_the_protocol_close_the_client() {
    QFETCH(QByteArray, frame);
    QFETCH(int, code);
    OverlayProgram program;
    QVERIFY(program.started());
    // A ping first: it is answered while the connection is still sound.
    const Ending ending = plain_exchange(program.port(), upgrade_request(program.port()) +
                                                             client_frame(0x89, "p") + frame);
    QCOMPARE(status_of(ending.answer), 101);
    QVERIFY(body_of(ending.answer).contains("\x8a\x01p"));
    const QByteArray close_frame = QByteArray("\x88\x02", 2) + char(code >> 8) + char(code & 0xFF);
    QVERIFY2(ending.answer.endsWith(close_frame), ending.answer.right(8).toHex().constData());
    QVERIFY(ending.clean);
    QTRY_COMPARE(program.catalogue()->overlay_server()->client_count(), 0);
}

void OverlayTest::the_index_and_verify_pages_speak_one_language_data() {
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("heading");
    QTest::newRow("Chinese") << "zh_CN"
                             << "<title>Glimmerhall 直播叠加</title>";
    QTest::newRow("English") << "en"
                             << "<title>Glimmerhall live overlays</title>";
}

void OverlayTest::the_index_and_verify_pages_speak_one_language() {
    QFETCH(QString, language);
    QVERIFY(load_program_translation(language));
    const QHash<QByteArray, QByteArray> pages = overlay_pages(built_in_games());
    load_program_translation(QString()); // the rest of the tests read the code's own texts
    QFETCH(QString, heading);
    QVERIFY(QString::fromUtf8(pages.value("index")).contains(heading));
    if (language != u"en") {
        return;
    }
    // Nothing Chinese left where a visitor reads it: text, attributes, script strings. Code
    // comments are no visitor's.
    static const QRegularExpression comments(
        QStringLiteral("<!--.*?-->|/\\*.*?\\*/|(?<![:\"'])//[^\n]*"),
        QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression chinese(
        QStringLiteral("[\\x{3000}-\\x{9fff}\\x{ff00}-\\x{ffef}]+"));
    for (const char* name : {"index", "verify"}) {
        const QString page = QString::fromUtf8(pages.value(name)).remove(comments);
        const QRegularExpressionMatch left = chinese.match(page);
        QVERIFY2(!left.hasMatch(),
                 qPrintable(QStringLiteral("%1: %2").arg(
                     name, page.mid(std::max<qsizetype>(0, left.capturedStart() - 60), 120))));
    }
}

void OverlayTest::catalogue_menu_copies_each_address() {
    OverlayProgram program;
    QVERIFY(program.started());
    CatalogueWindow* catalogue = program.catalogue();
    const QStringList titles{"Quorvane", "Vessmoor", "Krallow"};
    const QStringList paths{"tally", "dice", "minebox"};
    for (int i = 0; i < 3; ++i) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(10, 10),
                                catalogue->mapToGlobal(QPoint(10, 10)));
        QApplication::sendEvent(catalogue, &event);
        QMenu* menu = nullptr;
        QTRY_VERIFY((menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) != nullptr);
        const QList<QAction*> actions = menu->actions();
        // Then a separator, the control token's two items, a separator, OBS's items (the
        // dialog and one per game), the phone remote, a separator and the global keys.
        QCOMPARE(actions.size(), 14);
        QCOMPARE(actions[i]->text(), QStringLiteral("复制直播叠加地址 · ") + titles[i]);
        actions[i]->trigger();
        menu->close();
        QCOMPARE(
            QGuiApplication::clipboard()->text(),
            QStringLiteral("http://127.0.0.1:%1/overlay/%2").arg(program.port()).arg(paths[i]));
    }
}

QTEST_MAIN(OverlayTest)
#include "tst_overlay.moc"
