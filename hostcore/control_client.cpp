#include "hostcore/control_client.h"

#include "hostcore/control_words.h"
#include "runtime/outcome.h"
#include "runtime/translation.h"
#include "shell/control_server.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace glimmer::host {

namespace {

// Long enough for a program busy drawing; a hung one must not hang the command too.
constexpr int answer_wait_ms = 10000;
constexpr std::size_t longest_answer = 1 << 20;

struct Exchange {
    bool reached = false;
    std::string problem; // why no answer came
    QByteArray answer;
};

Exchange exchange(const std::string& request) {
    Exchange result;
    const QString path = glimmer::control_socket_path();
    const QByteArray name = QFile::encodeName(path);
    sockaddr_un address{};
    if (path.isEmpty() || name.size() >= static_cast<qsizetype>(sizeof(address.sun_path))) {
        result.problem = "no control folder of this user's";
        return result;
    }
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, name.constData(), static_cast<size_t>(name.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0 ||
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        result.problem = std::strerror(errno);
        if (fd >= 0) {
            ::close(fd);
        }
        return result;
    }
    result.reached = true;
    const std::string line = request + "\n";
    std::size_t sent = 0;
    while (sent < line.size()) {
        const ssize_t n = ::send(fd, line.data() + sent, line.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        sent += static_cast<std::size_t>(n);
    }
    char buffer[4096];
    while (result.answer.size() < static_cast<qsizetype>(longest_answer)) {
        pollfd ready{fd, POLLIN, 0};
        const int polled = ::poll(&ready, 1, answer_wait_ms);
        if (polled < 0 && errno == EINTR) {
            continue;
        }
        if (polled <= 0) {
            result.problem = "the program did not answer";
            break;
        }
        const ssize_t n = ::recv(fd, buffer, sizeof(buffer), 0);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        result.answer.append(buffer, n);
    }
    ::close(fd);
    return result;
}

} // namespace

int send_control_request(const std::string& request) {
    const Exchange result = exchange(request);
    if (!result.reached) {
        std::fprintf(stderr, "glimmerhall: %s\n",
                     translated("ctl", "no program is running in this session (%1)")
                         .arg(QString::fromStdString(result.problem))
                         .toUtf8()
                         .constData());
        return control_no_program;
    }
    const OutcomeKind* kind = outcome_kind_named(
        QJsonDocument::fromJson(result.answer).object().value(QStringLiteral("status")).toString());
    if (kind == nullptr) {
        std::fprintf(stderr, "glimmerhall: %s\n",
                     translated("ctl", "no answer from the running program (%1)")
                         .arg(result.problem.empty() ? translated("ctl", "it closed the connection")
                                                     : QString::fromStdString(result.problem))
                         .toUtf8()
                         .constData());
        return control_no_program;
    }
    const Outcome answer = outcome_from_json(result.answer);
    if (answer.done()) {
        if (!answer.output.isEmpty()) {
            std::fwrite(answer.output.constData(), 1, static_cast<size_t>(answer.output.size()),
                        stdout);
            std::fputc('\n', stdout);
        }
        return std::fflush(stdout) == 0 ? control_done : control_refused;
    }
    std::fprintf(stderr, "glimmerhall: %s\n", answer.reason.toUtf8().constData());
    return kind->exit_status;
}

int run_control_words(const std::vector<std::string>& words, const GameModules& games) {
    const ControlRequest read = parse_control_words(words, games);
    if (read.help) {
        std::fputs(control_help_text(games).toUtf8().constData(), stdout);
        return std::fflush(stdout) == 0 ? control_done : control_refused;
    }
    if (!read.error.isEmpty()) {
        std::fprintf(stderr, "glimmerhall: %s\n%s", read.error.toUtf8().constData(),
                     control_usage_text().toUtf8().constData());
        std::fflush(stderr);
        return control_usage;
    }
    return send_control_request(read.request.toStdString());
}

int take_start_lock() {
    const QString folder = glimmer::control_folder();
    if (folder.isEmpty()) {
        return -1;
    }
    const int fd = ::open(QFile::encodeName(folder + QStringLiteral("/start.lock")).constData(),
                          O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        return -1;
    }
    // Bounded: a start that stalls before serving must not hold every later start for good.
    for (int tries = 0; tries < 200; ++tries) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            return fd;
        }
        ::poll(nullptr, 0, 50);
    }
    return fd;
}

bool raise_running_program() {
    const Exchange result = exchange(R"({"action":"raise"})");
    return result.reached &&
           QJsonDocument::fromJson(result.answer).object().value(QStringLiteral("status")) ==
               QStringLiteral("done");
}

} // namespace glimmer::host
