// The overlay server, loaded on first use by OverlayServer (see modules.h): a small HTTP
// front door on 127.0.0.1 that answers GET for the overlay pages and the state, and speaks
// just enough WebSocket on /ws to push each new state to the pages.
//
// The front door reads each request head itself rather than through QHttpServer, because
// every check has to happen before a WebSocket handshake is answered: the Host header (DNS
// rebinding), the Origin of an upgrade and the size of the head. QHttpServer in Qt 6.4 hands
// an upgrade to its own socket server before any handler sees it. The WebSocket side is our
// own too: QWebSocket answers pings by itself into an unbounded buffer, so a peer that pings
// and never reads would grow the program without limit.

#include "runtime/overlay/control_endpoint.h"
#include "runtime/overlay/http_head.h"
#include "runtime/overlay/websocket_frames.h"
#include "runtime/overlay_server_interface.h"

#include <QElapsedTimer>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>

#include <sys/resource.h>
#include <sys/socket.h>

namespace {

using namespace glimmer::overlay;

// A request head must be complete within this; a silent or trickling connection is closed,
// so it holds its slot only briefly.
constexpr qint64 head_timeout_ms = 2500;
// After an error reply or a close frame the peer gets this long to read and hang up.
constexpr qint64 linger_ms = 2000;
constexpr qsizetype max_pending_requests = 128;
constexpr qsizetype max_clients = 1000;
// Descriptors kept back for the program's own files, pictures and helper processes.
constexpr qint64 reserved_descriptors = 256;
// A page that stops reading is dropped once this much of what it was sent (states, pongs)
// still waits in the program beyond what the system's socket buffer already took, so memory
// stays bounded.
constexpr qint64 max_unsent_bytes = 256 * 1024;
// Pages send nothing that matters; larger frames or messages end the connection.
constexpr quint64 max_frame_bytes = 4096;
constexpr quint64 max_message_bytes = 4096;
// Room for one whole frame of the largest size, header included.
constexpr qint64 client_read_buffer = 2 * max_frame_bytes + 16;
// Control requests with the right token allowed in any one second: enough for a stream deck
// hammered by hand.
constexpr qsizetype max_control_per_second = 50;
// Refused ones (an Origin, no token or a wrong one) have a budget of their own, so that a web
// page looping fetch() costs the genuine requests nothing; past it they are dropped unanswered,
// which also keeps guessing a token as slow as ever.
constexpr qsizetype max_refused_per_second = 50;

class OverlayHttpServer : public QObject, public glimmer::OverlayServerInterface {
    Q_OBJECT
    Q_INTERFACES(glimmer::OverlayServerInterface)
public:
    explicit OverlayHttpServer(QObject* parent) : QObject(parent) {
        clock_.start();
        connect(&listener_, &QTcpServer::newConnection, this, &OverlayHttpServer::accept);
        // Out of descriptors for a moment: the listener pauses itself for good, so it is
        // asked to go on once some may be free again.
        connect(&listener_, &QTcpServer::acceptError, this, [this] {
            qCWarning(log_server) << "accepting paused:" << listener_.errorString();
            QTimer::singleShot(250, this, [this] { listener_.resumeAccepting(); });
        });
        sweep_.setInterval(250);
        connect(&sweep_, &QTimer::timeout, this, &OverlayHttpServer::close_overdue);
    }

    ~OverlayHttpServer() override {
        // The sockets are the listener's children and outlive this object's other members
        // for a moment; nothing they say then may reach it.
        for (QObject* child : listener_.findChildren<QObject*>()) {
            QObject::disconnect(child, nullptr, this, nullptr);
        }
    }

    bool listen(int port) override {
        if (port <= 0 || port > 65535) {
            return false;
        }
        if (!listener_.listen(QHostAddress::LocalHost, static_cast<quint16>(port))) {
            qCWarning(log_server) << "cannot listen on 127.0.0.1 port" << port << ":"
                                  << listener_.errorString();
            return false;
        }
        port_ = port;
        size_for_descriptor_limit();
        return true;
    }

    int port() const override { return port_; }
    int client_count() const override { return static_cast<int>(clients_.size()); }

    void set_pages(const QHash<QByteArray, QByteArray>& pages) override { pages_ = pages; }

    void set_control(const QByteArray& token, ControlHandler handler) override {
        control_token_ = token;
        control_handler_ = std::move(handler);
    }

    void publish(const QByteArray& state) override {
        state_ = state;
        state_frame_ = frame(op_text, state);
        // Sending may drop a client, which changes the set.
        const QList<QTcpSocket*> clients = clients_.keys();
        for (QTcpSocket* socket : clients) {
            send(socket, state_frame_);
        }
    }

private:
    // A connection that is not (or no longer) a WebSocket client: its head is still
    // coming, or it is closing after a reply.
    struct Waiting {
        QTcpSocket* socket = nullptr;
        qint64 deadline = 0;
        bool closing = false;
    };

    struct Client {
        bool in_message = false;   // a fragmented message has begun
        quint64 message_bytes = 0; // of it so far
    };

    // Connections of both kinds stay well below the soft descriptor limit, with room kept
    // for the program's own files; some slots always stay for plain requests, so that
    // WebSocket clients cannot shut out /api/state or a page's reload.
    void size_for_descriptor_limit() {
        qint64 soft = 1 << 20;
        struct rlimit limit {};
        if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
            soft = static_cast<qint64>(limit.rlim_cur);
        }
        const qint64 budget =
            soft > 2 * reserved_descriptors ? soft - reserved_descriptors : soft / 2;
        const qint64 total = std::min<qint64>(budget, max_pending_requests + max_clients);
        pending_cap_ = std::max<qint64>(1, std::min<qint64>(max_pending_requests, total / 4));
        client_cap_ = std::max<qint64>(0, total - pending_cap_);
    }

    void accept() {
        while (QTcpSocket* socket = listener_.nextPendingConnection()) {
            // The socket reads no more than a head's worth ahead of us.
            socket->setReadBufferSize(max_head_bytes + 1);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readable(socket); });
            connect(socket, &QTcpSocket::bytesWritten, this, [this, socket] { written(socket); });
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] { gone(socket); });
            wait_on(socket, head_timeout_ms, false);
            // A head that came with the connection is answered now, before later arrivals
            // can push this one out of its slot.
            socket->waitForReadyRead(0);
        }
    }

    // Takes a slot for a connection; when all are taken, one that was already answered and
    // only lingers gives up its slot first, else the one waiting longest, so neither a flood
    // of refused requests nor a trickle of slow connections can keep a genuine request out.
    void wait_on(QTcpSocket* socket, qint64 timeout_ms, bool closing) {
        if (waiting_.size() >= pending_cap_) {
            const auto answered = std::find_if(waiting_.cbegin(), waiting_.cend(),
                                               [](const Waiting& entry) { return entry.closing; });
            discard(answered != waiting_.cend() ? answered->socket : waiting_.front().socket);
        }
        waiting_.append({socket, clock_.elapsed() + timeout_ms, closing});
        if (!sweep_.isActive()) {
            sweep_.start();
        }
    }

    qsizetype waiting_index(QTcpSocket* socket) const {
        for (qsizetype i = 0; i < waiting_.size(); ++i) {
            if (waiting_[i].socket == socket) {
                return i;
            }
        }
        return -1;
    }

    void close_overdue() {
        const qint64 now = clock_.elapsed();
        QList<QTcpSocket*> overdue;
        for (const Waiting& entry : std::as_const(waiting_)) {
            if (entry.deadline <= now) {
                overdue << entry.socket;
            }
        }
        for (QTcpSocket* socket : overdue) {
            discard(socket);
        }
        if (waiting_.isEmpty()) {
            sweep_.stop();
        }
    }

    // Ends a connection at once, whatever it was.
    void discard(QTcpSocket* socket) {
        forget(socket);
        socket->abort();
    }

    void forget(QTcpSocket* socket) {
        const qsizetype at = waiting_index(socket);
        if (at >= 0) {
            waiting_.removeAt(at);
        }
        clients_.remove(socket);
        bodies_.remove(socket);
        socket->disconnect(this);
        socket->deleteLater();
    }

    void gone(QTcpSocket* socket) { forget(socket); }

    void readable(QTcpSocket* socket) {
        if (clients_.contains(socket)) {
            read_frames(socket);
            return;
        }
        const qsizetype at = waiting_index(socket);
        if (at < 0) {
            return;
        }
        if (waiting_[at].closing) {
            // Whatever the peer still sends after our reply is read and dropped, so that
            // closing never meets unread data (which would reset the connection).
            socket->readAll();
            return;
        }
        if (bodies_.contains(socket)) {
            finish_control(socket);
            return;
        }
        read_head(socket);
    }

    void written(QTcpSocket* socket) {
        const qsizetype at = waiting_index(socket);
        if (at >= 0 && waiting_[at].closing && socket->bytesToWrite() == 0) {
            half_close(socket);
        }
    }

    // Our side is done: the peer reads all it was sent and then sees the end of it; the
    // connection goes once the peer hangs up too, or when the linger runs out.
    static void half_close(QTcpSocket* socket) {
        ::shutdown(static_cast<int>(socket->socketDescriptor()), SHUT_WR);
    }

    void close_after_writing(QTcpSocket* socket) {
        clients_.remove(socket);
        const qsizetype at = waiting_index(socket);
        if (at >= 0) {
            waiting_.removeAt(at);
        }
        wait_on(socket, linger_ms, true);
        if (socket->bytesToWrite() == 0) {
            half_close(socket);
        }
        socket->readAll();
    }

    void answer(QTcpSocket* socket, const Response& response) {
        socket->write(response_bytes(response));
        close_after_writing(socket);
    }

    void read_head(QTcpSocket* socket) {
        const QByteArray seen = socket->peek(max_head_bytes + 1);
        const qsizetype length = head_length(seen.left(max_head_bytes));
        if (length < 0) {
            if (seen.size() > max_head_bytes) {
                answer(socket, text_response(431));
            }
            return;
        }
        RequestHead head;
        if (!parse_head(seen.left(length), head)) {
            answer(socket, text_response(400));
            return;
        }
        if (head.path.startsWith("/api/control/")) {
            control(socket, head, length);
            return;
        }
        if (head.method != "GET") {
            Response refused = text_response(405);
            refused.headers.emplaceBack("Allow", "GET");
            answer(socket, refused);
            return;
        }
        if (head.duplicate_host || !host_allowed(head.headers.value("host"), port_)) {
            answer(socket, text_response(421));
            return;
        }
        if (head.path == "/ws") {
            upgrade(socket, head, length);
            return;
        }
        answer(socket, route(head.path));
    }

    void upgrade(QTcpSocket* socket, const RequestHead& head, qsizetype head_bytes) {
        const bool upgrade = has_token(head.headers.value("connection"), "upgrade") &&
                             has_token(head.headers.value("upgrade"), "websocket");
        if (!upgrade || head.headers.value("sec-websocket-version") != "13") {
            Response refused = text_response(426);
            refused.headers.emplaceBack("Upgrade", "websocket");
            refused.headers.emplaceBack("Sec-WebSocket-Version", "13");
            answer(socket, refused);
            return;
        }
        if (head.duplicate_origin || !origin_allowed(head.headers.value("origin"), port_)) {
            answer(socket, text_response(403));
            return;
        }
        const QByteArray key = head.headers.value("sec-websocket-key");
        if (!valid_key(key)) {
            answer(socket, text_response(400));
            return;
        }
        if (clients_.size() >= client_cap_) {
            answer(socket, text_response(503));
            return;
        }
        socket->skip(head_bytes);
        waiting_.removeAt(waiting_index(socket));
        clients_.insert(socket, Client{});
        socket->setReadBufferSize(client_read_buffer);
        socket->write("HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\n"
                      "Connection: Upgrade\r\nSec-WebSocket-Accept: " +
                      accept_key(key) + "\r\n\r\n");
        if (send(socket, state_frame_) && socket->bytesAvailable() > 0) {
            read_frames(socket);
        }
    }

    // Every check that needs no body, once per request; the body is then awaited.
    void control(QTcpSocket* socket, const RequestHead& head, qsizetype head_bytes) {
        const ControlCheck check = check_control_head(head, control_token_, port_);
        if (check.stranger && !refused_budget_.take(clock_.elapsed())) {
            if (!refused_budget_told_) {
                refused_budget_told_ = true;
                qCWarning(log_server) << "refused control requests past their budget are"
                                         " dropped unanswered (a web page sending them?)";
            }
            discard(socket);
            return;
        }
        if (check.refusal != 0) {
            Response refused = text_response(check.refusal);
            if (check.refusal == 405) {
                refused.headers.emplaceBack("Allow", "POST");
            } else if (check.refusal == 401) {
                refused.headers.emplaceBack("WWW-Authenticate", "Bearer");
            }
            answer(socket, refused);
            return;
        }
        if (!genuine_budget_.take(clock_.elapsed())) {
            answer(socket, text_response(429));
            return;
        }
        socket->setReadBufferSize(head_bytes + check.body_bytes + 1);
        bodies_.insert(socket, {head_bytes, check.body_bytes, check.game, check.action});
        finish_control(socket);
    }

    void finish_control(QTcpSocket* socket) {
        const ControlRequest request = bodies_.value(socket);
        if (socket->bytesAvailable() < request.head_bytes + request.body_bytes) {
            return;
        }
        bodies_.remove(socket);
        const QByteArray bytes = socket->read(request.head_bytes + request.body_bytes);
        std::optional<QJsonObject> body = control_body(bytes.mid(request.head_bytes));
        if (!body) {
            answer(socket, text_response(400));
            return;
        }
        body->insert(QStringLiteral("game"), QString::fromUtf8(request.game));
        body->insert(QStringLiteral("action"), QString::fromUtf8(request.action));
        const qsizetype at = waiting_index(socket);
        if (at >= 0) {
            waiting_.removeAt(at);
        }
        const QPointer<QTcpSocket> alive(socket);
        const ControlReply reply =
            control_handler_ ? control_handler_(*body) : ControlReply{404, {}};
        if (!alive || socket->state() != QAbstractSocket::ConnectedState) {
            return; // the peer left meanwhile and the socket is already forgotten
        }
        Response response;
        response.status = reply.status;
        response.content_type = "application/json; charset=utf-8";
        response.body = reply.json;
        answer(socket, response);
    }

    Response route(const QByteArray& path) const {
        if (path == "/" || path == "/overlay") {
            Response moved = text_response(302);
            moved.headers.emplaceBack("Location", "/overlay/");
            return moved;
        }
        if (path == "/api/state") {
            Response state;
            state.content_type = "application/json; charset=utf-8";
            state.body = state_;
            return state;
        }
        const QByteArray name = path == "/overlay/" ? QByteArray("index") : path.mid(9);
        if (!path.startsWith("/overlay/") || !pages_.contains(name) || name.isEmpty()) {
            return text_response(404);
        }
        Response page;
        page.content_type = "text/html; charset=utf-8";
        page.body = pages_.value(name);
        const QByteArray port = QByteArray::number(port_);
        // Nothing from anywhere but this server; the pages' own script and style are inline.
        // Only the server's own list page may frame the overlays, for its previews.
        page.headers.emplaceBack(
            "Content-Security-Policy",
            "default-src 'none'; style-src 'unsafe-inline'; script-src 'unsafe-inline'; "
            "connect-src 'self' ws://127.0.0.1:" +
                port + " ws://localhost:" + port +
                "; img-src data:; frame-src 'self'; frame-ancestors 'self'; base-uri 'none'; "
                "form-action 'none'");
        page.headers.emplaceBack("X-Frame-Options", "SAMEORIGIN");
        return page;
    }

    // Every write to a page goes through here: a page whose unread bytes would pass the
    // bound is dropped at once. The first write always goes, whatever its size.
    bool send(QTcpSocket* socket, const QByteArray& bytes) {
        const qint64 unsent = socket->bytesToWrite();
        if (unsent > 0 && unsent + bytes.size() > max_unsent_bytes) {
            discard(socket);
            return false;
        }
        socket->write(bytes);
        return true;
    }

    void fail(QTcpSocket* socket, quint16 code) {
        socket->write(close_frame(code));
        close_after_writing(socket);
    }

    void read_frames(QTcpSocket* socket) {
        while (clients_.contains(socket)) {
            const QByteArray seen = socket->peek(client_read_buffer);
            const FrameRead read = read_frame(seen, max_frame_bytes);
            if (read.status == FrameRead::Status::incomplete) {
                return;
            }
            if (read.status == FrameRead::Status::fault) {
                fail(socket, read.close_code);
                return;
            }
            socket->skip(read.wire_bytes);
            if (!take_frame(socket, read.fin, read.opcode,
                            static_cast<quint64>(read.payload.size()), read.payload)) {
                return;
            }
        }
    }

    // False once the client is gone or closing.
    bool take_frame(QTcpSocket* socket, bool fin, quint8 opcode, quint64 length,
                    const QByteArray& payload) {
        Client& client = clients_[socket];
        switch (opcode) {
        case op_text:
        case op_binary:
        case op_continuation:
            // What a page says is not used; only its size is kept in check.
            if ((opcode == op_continuation) != client.in_message) {
                fail(socket, close_protocol_error);
                return false;
            }
            client.message_bytes = (client.in_message ? client.message_bytes : 0) + length;
            if (client.message_bytes > max_message_bytes) {
                fail(socket, close_too_big);
                return false;
            }
            client.in_message = !fin;
            return true;
        case op_ping:
            return send(socket, frame(op_pong, payload));
        case op_pong:
            return true;
        default:
            // A close: answered with the same code, then the connection ends.
            socket->write(frame(op_close, payload.left(2)));
            close_after_writing(socket);
            return false;
        }
    }

    QTcpServer listener_;
    QTimer sweep_;
    QElapsedTimer clock_;
    QHash<QByteArray, QByteArray> pages_;
    QByteArray state_ = "{}";
    QByteArray state_frame_ = frame(op_text, "{}");
    QHash<QTcpSocket*, Client> clients_;
    QList<Waiting> waiting_; // oldest first
    struct ControlRequest {
        qsizetype head_bytes = 0;
        qint64 body_bytes = 0;
        QByteArray game;
        QByteArray action;
    };
    QHash<QTcpSocket*, ControlRequest> bodies_; // let through, the body still coming
    QByteArray control_token_;
    ControlHandler control_handler_;
    SlidingBudget genuine_budget_{max_control_per_second};
    SlidingBudget refused_budget_{max_refused_per_second};
    bool refused_budget_told_ = false;
    qsizetype pending_cap_ = max_pending_requests;
    qsizetype client_cap_ = max_clients;
    int port_ = 0;
};

} // namespace

extern "C" Q_DECL_EXPORT QObject* glimmer_create_overlay_server(QObject* parent) {
    return new OverlayHttpServer(parent);
}

#include "overlay_module.moc"
