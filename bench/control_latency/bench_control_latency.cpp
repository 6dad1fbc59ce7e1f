// Times commands from outside as a host sends them, each to the moment the change reaches an
// overlay's WebSocket: a ctl request on the control socket, an HTTP control request as a
// stream deck sends it, and a global hotkey typed on the X server. The client runs on a
// thread of its own (a process or the X server in real use); the program side is the real
// one: the catalogue, the tally window with its journal, the overlay feed and server, the
// grabbed keys.
//
// Figures per way in: to the answer (ctl, HTTP) and to the WebSocket frame, median and 99th
// percentile; the main thread's processor time per ctl request. The hotkey row needs Xvfb;
// without it the bench runs offscreen and says so.

#include "bench/bench_figures.h"
#include "hostcore/global_hotkeys.h"
#include "runtime/windows.h"
#include "shell/app_state.h"
#include "shell/catalogue_window.h"
#include "shell/control_server.h"
#include "shell/game_host.h"
#include "shell/startup_window.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

using namespace glimmer;
using namespace glimmer::bench;
using Clock = std::chrono::steady_clock;

namespace {

double ms_since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Everything the peer sends until it closes.
QByteArray send_and_read_all(int fd, const QByteArray& request) {
    QByteArray answer;
    if (::send(fd, request.constData(), static_cast<size_t>(request.size()), MSG_NOSIGNAL) !=
        request.size()) {
        return answer;
    }
    char buffer[1024];
    ssize_t n = 0;
    while ((n = ::recv(fd, buffer, sizeof(buffer), 0)) > 0) {
        answer.append(buffer, n);
    }
    return answer;
}

int connect_unix(const QByteArray& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address))) {
        ::close(fd);
        return -1;
    }
    return fd;
}

int connect_tcp(quint16 port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address))) {
        ::close(fd);
        return -1;
    }
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on));
    return fd;
}

// An overlay page's side of the feed: a WebSocket that reads state frames and gives the
// revision each one carries.
class FeedClient {
public:
    explicit FeedClient(quint16 port) : fd_(connect_tcp(port)) {
        const QByteArray host = "127.0.0.1:" + QByteArray::number(port);
        const QByteArray upgrade = "GET /ws HTTP/1.1\r\nHost: " + host +
                                   "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                                   "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
                                   "Sec-WebSocket-Version: 13\r\n\r\n";
        if (fd_ < 0 || ::send(fd_, upgrade.constData(), static_cast<size_t>(upgrade.size()),
                              MSG_NOSIGNAL) != upgrade.size()) {
            return;
        }
        while (!buffer_.contains("\r\n\r\n") && fill()) {
        }
        const qsizetype end = buffer_.indexOf("\r\n\r\n");
        ok_ = buffer_.startsWith("HTTP/1.1 101") && end > 0;
        buffer_.remove(0, end + 4);
    }
    ~FeedClient() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    bool ok() const { return ok_; }

    // Reads frames until one carries a revision above the one given; -1 when the feed ends.
    qint64 wait_past(qint64 revision) {
        for (;;) {
            const QByteArray text = next_frame();
            if (text.isNull()) {
                return -1;
            }
            const qsizetype at = text.indexOf("\"revision\":");
            const qint64 seen = at < 0 ? -1 : text.mid(at + 11, 20).split(',').first().toLongLong();
            if (seen > revision) {
                return seen;
            }
        }
    }

private:
    bool fill() {
        char chunk[65536];
        const ssize_t n = ::recv(fd_, chunk, sizeof(chunk), 0);
        if (n <= 0) {
            return false;
        }
        buffer_.append(chunk, n);
        return true;
    }

    QByteArray next_frame() {
        for (;;) {
            if (buffer_.size() >= 2) {
                const auto length_code = static_cast<unsigned char>(buffer_[1]) & 0x7f;
                qsizetype head = 2;
                quint64 length = length_code;
                if (length_code == 126 && buffer_.size() >= 4) {
                    head = 4;
                    length = (quint64(quint8(buffer_[2])) << 8) | quint8(buffer_[3]);
                } else if (length_code == 127 && buffer_.size() >= 10) {
                    head = 10;
                    length = 0;
                    for (int i = 2; i < 10; ++i) {
                        length = (length << 8) | quint8(buffer_[i]);
                    }
                } else if (length_code >= 126) {
                    head = -1;
                }
                if (head > 0 && quint64(buffer_.size() - head) >= length) {
                    QByteArray payload = buffer_.mid(head, static_cast<qsizetype>(length));
                    buffer_.remove(0, head + static_cast<qsizetype>(length));
                    return payload;
                }
            }
            if (!fill()) {
                return {};
            }
        }
    }

    int fd_;
    bool ok_ = false;
    QByteArray buffer_;
};

struct Row {
    Row(const char* row_name, int count, std::function<bool()> sender,
        std::chrono::milliseconds gap = std::chrono::milliseconds(0), bool answered = true)
        : name(row_name), requests(count), send(std::move(sender)), spacing(gap),
          answers(answered) {}
    const char* name;
    int requests;
    std::function<bool()> send; // true when the program answered "done" (or took the key)
    std::chrono::milliseconds spacing;
    bool answers;
    std::vector<double> to_answer;
    std::vector<double> to_feed;
};

// Runs the rows one request at a time on a client thread while the main thread serves them.
bool run_rows(std::vector<Row>& rows, quint16 port, double& main_cpu_ms) {
    std::atomic<bool> failed{false};
    QThread* client = QThread::create([&] {
        // The handshake too waits for the main thread, so it is made from here.
        FeedClient feed(port);
        if (!feed.ok()) {
            std::fprintf(stderr, "the WebSocket did not open\n");
            failed = true;
            return;
        }
        qint64 revision = feed.wait_past(-1);
        for (Row& row : rows) {
            for (int i = 0; i < row.requests && !failed; ++i) {
                std::this_thread::sleep_for(row.spacing);
                const auto start = Clock::now();
                if (!row.send()) {
                    std::fprintf(stderr, "%s: request %d was not done\n", row.name, i);
                    failed = true;
                    break;
                }
                row.to_answer.push_back(ms_since(start));
                revision = feed.wait_past(revision);
                if (revision < 0) {
                    failed = true;
                    break;
                }
                row.to_feed.push_back(ms_since(start));
            }
        }
    });
    // A plain event loop: QTest's waits sleep between looks and would add to every figure.
    QEventLoop loop;
    QObject::connect(client, &QThread::finished, &loop, &QEventLoop::quit);
    const double cpu_before = thread_cpu_ms();
    client->start();
    loop.exec();
    main_cpu_ms = thread_cpu_ms() - cpu_before;
    client->wait();
    delete client;
    return !failed;
}

// A display of our own for the hotkey row; empty when Xvfb cannot be had.
QString start_xvfb(QProcess& xvfb) {
    xvfb.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"),
                                        QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    if (!xvfb.waitForStarted(5000)) {
        return {};
    }
    while (!xvfb.canReadLine() && xvfb.waitForReadyRead(10000)) {
    }
    const QString number = QString::fromLatin1(xvfb.readLine()).trimmed();
    return number.isEmpty() ? QString() : u':' + number;
}

void report(const Row& row) {
    if (row.to_feed.empty()) {
        return;
    }
    // A key has no answer: the X server takes it and that is all the typist learns.
    const QByteArray answer =
        row.answers
            ? QString::asprintf("answer median %6.3f ms  p99 %6.3f ms",
                                percentile(row.to_answer, 0.5), percentile(row.to_answer, 0.99))
                  .toLatin1()
            : QByteArray("no answer to wait for       ");
    std::printf("  %-8s %4zu requests   %s   WebSocket median %6.3f ms  p99 %6.3f ms\n", row.name,
                row.to_feed.size(), answer.constData(), percentile(row.to_feed, 0.5),
                percentile(row.to_feed, 0.99));
}

quint16 free_port() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof(address);
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    ::close(fd);
    return ntohs(address.sin_port);
}

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir folder;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(folder.path()));
    QProcess xvfb;
    const QString display = start_xvfb(xvfb);
    if (display.isEmpty()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    } else {
        qputenv("DISPLAY", display.toLatin1());
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    QApplication app(argc, argv);
    set_end_program_handler([] {});

    const QString settings_file = folder.filePath(QStringLiteral("settings.ini"));
    QFile settings_text(settings_file);
    if (!settings_text.open(QIODevice::WriteOnly) ||
        settings_text.write("[hotkeys]\nCtrl+Alt+1 = tally add 1 1\n") < 0) {
        return 1;
    }
    settings_text.close();
    HostSettings settings = default_host_settings();
    settings.site_url = QStringLiteral("http://127.0.0.1:1");
    settings.program_folder = folder.path();
    settings.config_home = folder.path();
    settings.is_online = [] { return 0; };
    settings.overlay_port = free_port();
    settings.settings_file = settings_file;
    AppState state(settings);
    CatalogueWindow* catalogue = start_program(state)->catalogue();
    catalogue->open_game(QStringLiteral("tally"));
    ControlServer* server = serve_control(catalogue->games(), catalogue);
    QEventLoop wait_for_server;
    QObject::connect(catalogue, &CatalogueWindow::overlay_started, &wait_for_server,
                     &QEventLoop::quit);
    if (!catalogue->overlay_start_tried()) {
        wait_for_server.exec();
    }
    if (server->path().isEmpty() || !catalogue->overlay_addresses().on()) {
        std::fprintf(stderr, "no control socket or no overlay server\n");
        return 1;
    }
    host::GlobalHotkeys hotkeys([catalogue](const QByteArray& request) {
        catalogue->games().run_json_later(request, [](const QByteArray&) {});
    });
    const bool keys =
        !display.isEmpty() &&
        hotkeys.grab(host::read_hotkeys(settings_file, catalogue->games().modules())) == 1;

    const QByteArray socket_path = QFile::encodeName(server->path());
    const quint16 port = static_cast<quint16>(settings.overlay_port.value_or(0));
    const QByteArray token = catalogue->control_token();

    std::vector<Row> rows;
    rows.emplace_back("ctl", 500, [&] {
        const int fd = connect_unix(socket_path);
        const QByteArray answer =
            fd < 0
                ? QByteArray()
                : send_and_read_all(fd, R"({"game":"tally","action":"add","player":1,"amount":"1"})"
                                        "\n");
        ::close(fd);
        return answer.startsWith(R"({"status":"done")");
    });
    // The API takes fifty requests a second; a stream deck sends far fewer.
    const QByteArray body = R"({"player":1,"amount":"1"})";
    const QByteArray post =
        "POST /api/control/tally/add HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(port) +
        "\r\nAuthorization: Bearer " + token +
        "\r\nContent-Type: application/json\r\nContent-Length: " + QByteArray::number(body.size()) +
        "\r\n\r\n" + body;
    rows.emplace_back(
        "HTTP", 200,
        [&] {
            const int fd = connect_tcp(port);
            const QByteArray answer = fd < 0 ? QByteArray() : send_and_read_all(fd, post);
            ::close(fd);
            return answer.startsWith("HTTP/1.1 200");
        },
        std::chrono::milliseconds(25));
    xcb_connection_t* typist =
        keys ? xcb_connect(display.toLatin1().constData(), nullptr) : nullptr;
    if (typist != nullptr) {
        const xcb_keycode_t control = host::keycode_of(typist, 0xffe3); // Control_L
        const xcb_keycode_t alt = host::keycode_of(typist, 0xffe9);     // Alt_L
        const xcb_keycode_t one = host::keycode_of(typist, '1');
        rows.emplace_back(
            "hotkey", 300,
            [typist, control, alt, one] {
                for (const xcb_keycode_t key : {control, alt, one}) {
                    xcb_test_fake_input(typist, XCB_KEY_PRESS, key, XCB_CURRENT_TIME, XCB_NONE, 0,
                                        0, 0);
                }
                for (const xcb_keycode_t key : {one, alt, control}) {
                    xcb_test_fake_input(typist, XCB_KEY_RELEASE, key, XCB_CURRENT_TIME, XCB_NONE, 0,
                                        0, 0);
                }
                xcb_flush(typist);
                return true;
            },
            std::chrono::milliseconds(0), false);
    }

    double main_cpu = 0;
    const bool ok = run_rows(rows, port, main_cpu);
    if (typist != nullptr) {
        xcb_disconnect(typist);
    }
    if (!ok) {
        return 1;
    }
    std::printf("control, one request after another, to the answer and to the overlays' "
                "WebSocket\n");
    for (const Row& row : rows) {
        report(row);
    }
    if (typist == nullptr) {
        std::printf("  hotkey   not measured: no Xvfb to type on\n");
    }
    std::printf("  main thread  %.3f ms processor time per request, all rows\n",
                main_cpu / static_cast<double>(std::max<size_t>(
                               1, rows[0].to_feed.size() + rows[1].to_feed.size() +
                                      (rows.size() > 2 ? rows[2].to_feed.size() : 0))));
    xvfb.terminate();
    xvfb.waitForFinished(5000);
    return 0;
}
