#include "control_server.h"

#include "game_host.h"
#include "runtime/control_limits.h"
#include "runtime/outcome.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace glimmer {

namespace {

Q_LOGGING_CATEGORY(log_control, "glimmer.control", QtWarningMsg)

// A request is one short line; anything longer is not ours (ctl checks the same bound).
constexpr auto longest_request = static_cast<qsizetype>(longest_control_request);
// A connection that says nothing is dropped rather than kept open.
constexpr int request_wait_ms = 5000;

// Our own folder, 0700, made when missing; never a link or anyone else's.
bool own_private_folder(const QByteArray& path) {
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST) {
        return false;
    }
    struct stat status {};
    if (::lstat(path.constData(), &status) != 0 || !S_ISDIR(status.st_mode) ||
        status.st_uid != ::geteuid()) {
        return false;
    }
    return (status.st_mode & 0777) == 0700 || ::chmod(path.constData(), 0700) == 0;
}

bool socket_address(const QString& path, sockaddr_un* address) {
    const QByteArray name = QFile::encodeName(path);
    if (name.isEmpty() || name.size() >= static_cast<qsizetype>(sizeof(address->sun_path))) {
        return false;
    }
    address->sun_family = AF_UNIX;
    std::memcpy(address->sun_path, name.constData(), static_cast<size_t>(name.size()));
    return true;
}

// Whether a program answers on the socket: a socket left by a crash refuses the connection.
bool socket_answers(const QString& path) {
    sockaddr_un address{};
    if (!socket_address(path, &address)) {
        return false;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    const bool answers =
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    ::close(fd);
    return answers;
}

// Answers are short; the peer waits for them, and one that stops reading is given up on.
void send_whole(int connection, const QByteArray& data) {
    qsizetype sent = 0;
    int stalls = 0;
    while (sent < data.size()) {
        const ssize_t n = ::send(connection, data.constData() + sent,
                                 static_cast<size_t>(data.size() - sent), MSG_NOSIGNAL);
        if (n > 0) {
            sent += n;
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && ++stalls < 100) {
            pollfd writable{connection, POLLOUT, 0};
            ::poll(&writable, 1, 20);
            continue;
        }
        return;
    }
}

} // namespace

QString control_folder() {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    const QByteArray folder = !runtime.isEmpty()
                                  ? runtime + "/glimmerhall"
                                  : "/tmp/glimmerhall-" + QByteArray::number(::geteuid());
    return own_private_folder(folder) ? QFile::decodeName(folder) : QString();
}

QString control_socket_path() {
    const QString folder = control_folder();
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/control");
}

bool peer_is_same_user(int socket_descriptor) {
    ucred peer{};
    socklen_t size = sizeof(peer);
    return ::getsockopt(socket_descriptor, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 &&
           size == sizeof(peer) && peer.uid == ::geteuid();
}

ControlServer::ControlServer(Handler handler, QObject* parent)
    : QObject(parent), handler_(std::move(handler)) {}

ControlServer::~ControlServer() {
    for (auto it = connections_.begin(); it != connections_.end(); ++it) {
        ::close(it.key());
    }
    if (listener_ >= 0) {
        ::close(listener_);
    }
}

bool ControlServer::listen(const QString& path) {
    sockaddr_un address{};
    if (listener_ >= 0 || !socket_address(path, &address)) {
        return false;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    const auto* named = reinterpret_cast<const sockaddr*>(&address);
    bool bound = ::bind(fd, named, sizeof(address)) == 0;
    if (!bound && errno == EADDRINUSE && !socket_answers(path)) {
        // Left by a program that was killed: nobody listens, so it is ours to replace.
        ::unlink(address.sun_path);
        bound = ::bind(fd, named, sizeof(address)) == 0;
    }
    if (!bound || ::chmod(address.sun_path, 0600) != 0 || ::listen(fd, 16) != 0) {
        qCWarning(log_control) << "cannot listen on" << path << std::strerror(errno);
        ::close(fd);
        return false;
    }
    listener_ = fd;
    path_ = path;
    listening_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(listening_, &QSocketNotifier::activated, this, &ControlServer::accept);
    return true;
}

void ControlServer::accept() {
    for (;;) {
        const int connection = ::accept4(listener_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (connection < 0) {
            if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
                // Out of descriptors: the waiting connection would wake the loop again at
                // once, for ever; listening pauses until some are likely free.
                listening_->setEnabled(false);
                QTimer::singleShot(250, this, [this] { listening_->setEnabled(true); });
            }
            return;
        }
        if (connections_.size() >= max_connections) {
            const auto oldest = std::min_element(
                connections_.cbegin(), connections_.cend(),
                [](const Connection& a, const Connection& b) { return a.serial < b.serial; });
            drop(oldest.key());
        }
        auto* notifier = new QSocketNotifier(connection, QSocketNotifier::Read, this);
        const quint64 serial = ++next_serial_;
        // Another user's request is still read before the refusal: closing on unread data
        // would reset the connection, and the refusal would never be seen.
        connections_.insert(connection, {notifier, {}, !peer_is_same_user(connection), serial});
        connect(notifier, &QSocketNotifier::activated, this,
                [this, connection] { read_request(connection); });
        // A connection that says nothing is dropped rather than kept open. The timer goes with
        // the notifier, and checks the serial: the descriptor's number may be another's by then.
        QTimer::singleShot(request_wait_ms, notifier, [this, connection, serial] {
            if (connections_.contains(connection) && connections_[connection].serial == serial) {
                drop(connection);
            }
        });
    }
}

void ControlServer::read_request(int connection) {
    auto found = connections_.find(connection);
    if (found == connections_.end()) {
        return;
    }
    char buffer[1024];
    for (;;) {
        const ssize_t n = ::recv(connection, buffer, sizeof(buffer), 0);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            break;
        }
        if (n <= 0) {
            drop(connection); // gone before a whole line came
            return;
        }
        found->received.append(buffer, n);
        if (found->received.contains('\n') || found->received.size() > longest_request) {
            break;
        }
    }
    const qsizetype end = found->received.indexOf('\n');
    if (end < 0 || end > longest_request) {
        if (found->received.size() > longest_request) {
            answer(connection,
                   outcome_json(Outcome::bad_request(
                       QStringLiteral("命令太长（最多 %1 字节）").arg(longest_request))));
        }
        return;
    }
    const QByteArray request = found->received.left(end).trimmed();
    found->notifier->setEnabled(false);
    const quint64 serial = found->serial;
    if (found->stranger) {
        answer(connection, outcome_json(Outcome::refused(QStringLiteral("只接受同一用户的命令"))));
        return;
    }
    // Only to the connection that asked: should it have gone meanwhile, its number may be
    // another's already, and the server itself may be gone.
    handler_(request,
             [server = QPointer<ControlServer>(this), connection, serial](const QByteArray& reply) {
                 if (server.isNull()) {
                     return;
                 }
                 const auto asked = server->connections_.find(connection);
                 if (asked != server->connections_.end() && asked->serial == serial) {
                     server->answer(connection, reply);
                 }
             });
}

void ControlServer::answer(int connection, const QByteArray& reply) {
    send_whole(connection, reply + '\n');
    drop(connection);
}

void ControlServer::drop(int connection) {
    const auto found = connections_.find(connection);
    if (found == connections_.end()) {
        return;
    }
    found->notifier->setEnabled(false);
    found->notifier->deleteLater();
    connections_.erase(found);
    ::close(connection);
}

ControlServer* serve_control(GameHost& games, QObject* parent) {
    auto* server = new ControlServer(
        [&games](const QByteArray& request, const ControlServer::Answer& answer) {
            games.run_json_later(request, answer);
        },
        parent);
    if (!server->listen(control_socket_path())) {
        qCWarning(log_control) << "no control socket: another program has it or no folder";
    }
    return server;
}

} // namespace glimmer
