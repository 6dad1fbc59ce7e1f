// Times the overlays' live updates as a host's change makes them: the quantity is typed into
// the tally window and Enter pressed; the window's state goes through the overlay feed to the
// server, and out to every connected page. The pages are WebSocket clients on a thread of
// their own, as browsers are processes of their own, and note when each state arrives.
//
// Figures: the latency from the key press to arrival at each page (median and 99th
// percentile over all pages and changes), the main thread's time inside the key press, and
// the main thread's processor time per change (including the writes to every page).

#include "bench/bench_figures.h"
#include "games/tally/tally_config.h"
#include "games/tally/tally_window.h"
#include "runtime/overlay_server.h"
#include "shell/app_state.h"
#include "shell/game_host.h"

#include <QApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <QThread>
#include <QWebSocket>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <ctime>
#include <memory>
#include <mutex>
#include <vector>

using namespace glimmer;
using namespace glimmer::bench;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int changes = 200;
constexpr double target_p99_ms = 20.0;

// The pages: clients on their own thread, noting the arrival time of each revision.
class Pages : public QObject {
public:
    std::atomic<int> connected{0};
    std::atomic<qint64> arrivals_of_newest{0};
    std::atomic<qint64> awaited_revision{-1};
    std::mutex mutex;
    std::vector<Clock::time_point> arrivals; // of the awaited revision

    void open(int port, int count) {
        for (int i = 0; i < count; ++i) {
            auto* socket = new QWebSocket(QString(), QWebSocketProtocol::VersionLatest, this);
            connect(socket, &QWebSocket::connected, this, [this] { ++connected; });
            connect(socket, &QWebSocket::textMessageReceived, this, [this](const QString& text) {
                const auto now = Clock::now();
                const qint64 revision =
                    QJsonDocument::fromJson(text.toUtf8()).object()["revision"].toInteger();
                if (revision == awaited_revision.load()) {
                    std::lock_guard lock(mutex);
                    arrivals.push_back(now);
                    ++arrivals_of_newest;
                }
            });
            socket->open(QUrl(QStringLiteral("ws://127.0.0.1:%1/ws").arg(port)));
        }
    }
};

int free_port() {
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

bool run(int client_count, QTextStream& out) {
    QTemporaryDir folder;
    GameHost games(built_in_games(), GameEnvironment{folder.path(), QStringLiteral("http://x")});
    games.open(QStringLiteral("tally"));
    QWidget* window = games.window(QStringLiteral("tally"));
    (void)QTest::qWaitForWindowExposed(window);
    OverlayServer server;
    const int port = free_port();
    if (!server.listen(port)) {
        out << "the overlay server could not listen\n";
        return false;
    }
    QObject::connect(&games, &GameHost::state_changed, &server, &OverlayServer::publish);
    server.publish(games.state_json());

    QThread thread;
    Pages pages;
    pages.moveToThread(&thread);
    thread.start();
    QMetaObject::invokeMethod(&pages, [&] { pages.open(port, client_count); });
    if (!QTest::qWaitFor(
            [&] {
                return pages.connected == client_count && server.client_count() == client_count;
            },
            30000)) {
        out << "pages did not connect\n";
        thread.quit();
        thread.wait();
        return false;
    }

    auto* quantity = window->findChild<QLineEdit*>(QStringLiteral("amount_edit"));
    std::vector<double> latencies;
    std::vector<double> handler_ms;
    std::vector<double> cpu_ms;
    for (int i = 0; i < changes; ++i) {
        quantity->setText(QStringLiteral("1"));
        pages.arrivals_of_newest = 0;
        {
            std::lock_guard lock(pages.mutex);
            pages.arrivals.clear();
        }
        pages.awaited_revision = static_cast<qint64>(games.revision() + 1);
        const double cpu_before = thread_cpu_ms();
        const auto pressed = Clock::now();
        QTest::keyClick(quantity, Qt::Key_Return);
        const auto returned = Clock::now();
        if (!QTest::qWaitFor([&] { return pages.arrivals_of_newest == client_count; }, 10000)) {
            out << "a change did not reach every page\n";
            break;
        }
        cpu_ms.push_back(thread_cpu_ms() - cpu_before);
        handler_ms.push_back(std::chrono::duration<double, std::milli>(returned - pressed).count());
        std::lock_guard lock(pages.mutex);
        for (const auto& arrived : pages.arrivals) {
            latencies.push_back(
                std::chrono::duration<double, std::milli>(arrived - pressed).count());
        }
    }
    QMetaObject::invokeMethod(
        &pages, [&] { qDeleteAll(pages.findChildren<QWebSocket*>()); },
        Qt::BlockingQueuedConnection);
    thread.quit();
    thread.wait();

    const double p99 = percentile(latencies, 0.99);
    out << QStringLiteral("%1 pages: latency median %2 ms, p99 %3 ms (target p99 < %4 ms: %5); "
                          "main thread per change: in the key press median %6 ms, "
                          "processor time median %7 ms, p99 %8 ms\n")
               .arg(client_count, 3)
               .arg(percentile(latencies, 0.5), 0, 'f', 2)
               .arg(p99, 0, 'f', 2)
               .arg(target_p99_ms, 0, 'f', 0)
               .arg(p99 < target_p99_ms ? QStringLiteral("met") : QStringLiteral("MISSED"))
               .arg(percentile(handler_ms, 0.5), 0, 'f', 3)
               .arg(percentile(cpu_ms, 0.5), 0, 'f', 3)
               .arg(percentile(cpu_ms, 0.99), 0, 'f', 3);
    out.flush();
    return latencies.size() == static_cast<size_t>(changes * client_count);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QTextStream out(stdout);
    out << "overlay latency, " << changes << " changes of the tally window per run\n";
    bool ok = true;
    for (const int clients : {1, 10, 100, 200}) {
        ok = run(clients, out) && ok;
    }
    return ok ? 0 : 1;
}
