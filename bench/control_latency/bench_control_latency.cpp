// Times commands from outside as a stream deck sends them: a client on a thread of its own (a
// process of its own in real use) connects to the control socket, sends "tally add 1 1" and
// waits for the answer, one request after another. The program side is the real one: the
// catalogue, the tally window with its journal, the overlay feed.
//
// Figures: the round trip per request (median and 99th percentile) and the main thread's
// processor time per request.

#include "runtime/windows.h"
#include "shell/app_state.h"
#include "shell/catalogue_window.h"
#include "shell/control_server.h"
#include "shell/startup_window.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace glimmer;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int requests = 500;

double thread_cpu_ms() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

double percentile(std::vector<double> values, double p) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const auto at = static_cast<size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(at, values.size() - 1)];
}

// One request as ctl makes it; false when no answer "done" came.
bool round_trip(const QByteArray& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0 ||
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        if (fd >= 0) {
            ::close(fd);
        }
        return false;
    }
    const char request[] = R"({"game":"tally","action":"add","player":1,"amount":"1"})"
                           "\n";
    bool sent = ::send(fd, request, sizeof(request) - 1, MSG_NOSIGNAL) ==
                static_cast<ssize_t>(sizeof(request) - 1);
    QByteArray answer;
    char buffer[512];
    ssize_t n = 0;
    while (sent && (n = ::recv(fd, buffer, sizeof(buffer), 0)) > 0) {
        answer.append(buffer, n);
    }
    ::close(fd);
    return answer.startsWith(R"({"status":"done")");
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir folder;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(folder.path()));
    QApplication app(argc, argv);
    set_end_program_handler([] {});

    HostSettings settings = default_host_settings();
    settings.site_url = QStringLiteral("http://127.0.0.1:1");
    settings.program_folder = folder.path();
    settings.config_home = folder.path();
    settings.is_online = [] { return 0; };
    settings.overlay_port = 0;
    settings.settings_file.clear();
    AppState state(settings);
    CatalogueWindow* catalogue = start_program(state)->catalogue();
    catalogue->open_game(QStringLiteral("tally"));
    ControlServer* server = serve_control(*catalogue);
    if (server->path().isEmpty()) {
        std::fprintf(stderr, "no control socket\n");
        return 1;
    }

    const QByteArray path = QFile::encodeName(server->path());
    std::vector<double> latencies;
    std::atomic<bool> failed{false};
    std::atomic<bool> finished{false};
    QThread* client = QThread::create([&] {
        for (int i = 0; i < requests && !failed; ++i) {
            const auto start = Clock::now();
            if (!round_trip(path)) {
                failed = true;
            }
            latencies.push_back(
                std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        }
        finished = true;
    });
    // A plain event loop: QTest's waits sleep between looks and would add to every figure.
    QEventLoop loop;
    QObject::connect(client, &QThread::finished, &loop, &QEventLoop::quit);
    const double cpu_before = thread_cpu_ms();
    client->start();
    loop.exec();
    if (!finished || failed) {
        std::fprintf(stderr, "the requests did not all come back done\n");
        return 1;
    }
    const double cpu = thread_cpu_ms() - cpu_before;
    client->wait();
    delete client;

    std::printf("control socket, %d requests of tally add, one after another\n", requests);
    std::printf("  round trip   median %.3f ms   p99 %.3f ms\n", percentile(latencies, 0.5),
                percentile(latencies, 0.99));
    std::printf("  main thread  %.3f ms processor time per request\n", cpu / requests);
    return 0;
}
