#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>

#include <functional>

class QSocketNotifier;

namespace glimmer {

class GameHost;

// The folder of the per-user control socket: $XDG_RUNTIME_DIR/glimmerhall, or
// /tmp/glimmerhall-<uid> without XDG_RUNTIME_DIR. Made mode 0700 when missing; empty when
// it cannot be had or belongs to another user, or is not a plain folder.
QString control_folder();
// The socket in it; empty when the folder cannot be had.
QString control_socket_path();

// Whether the peer of a connected local socket runs as this process's user.
bool peer_is_same_user(int socket_descriptor);

// The running program's end of "glimmerhall ctl" and of a second start: one JSON request per
// connection, one JSON answer, then the connection closes. Only this user's processes are
// served; anyone else is told so and dropped. A plain local socket watched by the event loop:
// QLocalServer would map the network library at start-up, which the program keeps for later.
class ControlServer : public QObject {
    Q_OBJECT
public:
    // Gives the answer to the request, at once or later (a request to OBS waits for OBS's
    // answer, never in a nested event loop); the connection waits for it meanwhile.
    using Answer = std::function<void(const QByteArray& reply)>;
    using Handler = std::function<void(const QByteArray& request, Answer answer)>;

    explicit ControlServer(Handler handler, QObject* parent = nullptr);
    ~ControlServer() override;

    // Takes the socket over, replacing one a crashed program left behind; false when another
    // program answers on it or it cannot be made.
    bool listen(const QString& path);
    QString path() const { return path_; }

    // At most this many connections wait for their request at once; a new one pushes out the
    // one that has waited longest, so idle connections cannot keep a command out.
    static constexpr int max_connections = 64;

private:
    void accept();
    void read_request(int connection);
    void answer(int connection, const QByteArray& reply);
    void drop(int connection);

    Handler handler_;
    QString path_;
    int listener_ = -1;
    QSocketNotifier* listening_ = nullptr;
    struct Connection {
        QSocketNotifier* notifier;
        QByteArray received;
        bool stranger;  // another user: refused whatever they ask
        quint64 serial; // which connection under this descriptor number
    };
    QHash<int, Connection> connections_;
    quint64 next_serial_ = 0;
};

// A control server over the games, the requests run by the host; it goes with parent.
ControlServer* serve_control(GameHost& games, QObject* parent);

} // namespace glimmer
