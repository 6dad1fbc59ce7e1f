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

#include "runtime/overlay_server_interface.h"

#include <QCryptographicHash>
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

// Sizes beyond any browser's request for these pages; larger heads are refused.
constexpr qsizetype max_head_bytes = 8 * 1024;
constexpr int max_header_lines = 64;
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
// A control request's body is a small JSON object.
constexpr qint64 max_control_body = 4096;
// Control requests with the right token allowed in any one second: enough for a stream deck
// hammered by hand.
constexpr qsizetype max_control_per_second = 50;
// Refused ones (an Origin, no token or a wrong one) have a budget of their own, so that a web
// page looping fetch() costs the genuine requests nothing; past it they are dropped unanswered,
// which also keeps guessing a token as slow as ever.
constexpr qsizetype max_refused_per_second = 50;

struct Response {
    int status = 200;
    QByteArray content_type;
    QByteArray body;
    QList<std::pair<QByteArray, QByteArray>> headers;
};

QByteArray reason_phrase(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 302:
        return "Found";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 409:
        return "Conflict";
    case 413:
        return "Content Too Large";
    case 421:
        return "Misdirected Request";
    case 426:
        return "Upgrade Required";
    case 429:
        return "Too Many Requests";
    case 431:
        return "Request Header Fields Too Large";
    case 503:
        return "Service Unavailable";
    default:
        return "Error";
    }
}

Response text_response(int status) {
    Response response;
    response.status = status;
    response.content_type = "text/plain; charset=utf-8";
    response.body = QByteArray::number(status) + ' ' + reason_phrase(status) + '\n';
    return response;
}

// The length of the head up to and including its empty line, or -1 while it is incomplete.
// A bare LF ends a line as well as CRLF does.
qsizetype head_length(const QByteArray& seen) {
    qsizetype from = 0;
    for (;;) {
        const qsizetype lf = seen.indexOf('\n', from);
        if (lf < 0) {
            return -1;
        }
        const qsizetype length = lf - from;
        if (from > 0 && (length == 0 || (length == 1 && seen[from] == '\r'))) {
            return lf + 1;
        }
        from = lf + 1;
    }
}

struct RequestHead {
    QByteArray method;
    QByteArray path;
    QHash<QByteArray, QByteArray> headers; // names in lower case
    bool duplicate_host = false;
    bool duplicate_origin = false;
};

// False for anything that is not a well-formed HTTP/1.x request head.
bool parse_head(const QByteArray& head, RequestHead& out) {
    QList<QByteArray> lines = head.split('\n');
    while (!lines.isEmpty() && (lines.last().isEmpty() || lines.last() == "\r")) {
        lines.removeLast();
    }
    if (lines.isEmpty() || lines.size() > max_header_lines + 1) {
        return false;
    }
    const QList<QByteArray> request_line = lines[0].trimmed().split(' ');
    if (request_line.size() != 3 || !request_line[2].startsWith("HTTP/1.") ||
        !request_line[1].startsWith('/')) {
        return false;
    }
    out.method = request_line[0];
    out.path = request_line[1];
    const qsizetype query = out.path.indexOf('?');
    if (query >= 0) {
        out.path.truncate(query);
    }
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].endsWith('\r') ? lines[i].chopped(1) : lines[i];
        if (line.isEmpty()) {
            continue;
        }
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0) {
            return false;
        }
        const QByteArray name = line.left(colon).trimmed().toLower();
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (out.headers.contains(name)) {
            out.duplicate_host = out.duplicate_host || name == "host";
            out.duplicate_origin = out.duplicate_origin || name == "origin";
        }
        out.headers.insert(name, value);
    }
    return true;
}

bool has_token(const QByteArray& value, const QByteArray& token) {
    for (const QByteArray& part : value.split(',')) {
        if (part.trimmed().compare(token, Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}

// "258EAFA5-..." is the fixed GUID every WebSocket server appends to the client's key.
QByteArray accept_key(const QByteArray& key) {
    return QCryptographicHash::hash(key + "258EAFA5-E914-47DA-95CA-C5AB0DC85B11",
                                    QCryptographicHash::Sha1)
        .toBase64();
}

bool valid_key(const QByteArray& key) {
    const auto decoded =
        QByteArray::fromBase64Encoding(key, QByteArray::AbortOnBase64DecodingErrors);
    return decoded && decoded.decoded.size() == 16;
}

enum Opcode : quint8 {
    op_continuation = 0x0,
    op_text = 0x1,
    op_binary = 0x2,
    op_close = 0x8,
    op_ping = 0x9,
    op_pong = 0xA
};

// A whole, unfragmented frame as a server sends it: unmasked.
QByteArray frame(quint8 opcode, const QByteArray& payload) {
    QByteArray out;
    const auto length = static_cast<quint64>(payload.size());
    out.reserve(payload.size() + 10);
    out.append(static_cast<char>(0x80 | opcode));
    if (length < 126) {
        out.append(static_cast<char>(length));
    } else if (length <= 0xFFFF) {
        out.append(static_cast<char>(126));
        out.append(static_cast<char>(length >> 8));
        out.append(static_cast<char>(length & 0xFF));
    } else {
        out.append(static_cast<char>(127));
        for (int shift = 56; shift >= 0; shift -= 8) {
            out.append(static_cast<char>((length >> shift) & 0xFF));
        }
    }
    out.append(payload);
    return out;
}

QByteArray close_frame(quint16 code) {
    QByteArray payload;
    payload.append(static_cast<char>(code >> 8));
    payload.append(static_cast<char>(code & 0xFF));
    return frame(op_close, payload);
}

// Equal or not, in time that does not tell how much of a guess was right.
bool same_token(const QByteArray& given, const QByteArray& expected) {
    if (expected.isEmpty() || given.size() != expected.size()) {
        return false; // the length of a token is no secret
    }
    unsigned char difference = 0;
    for (qsizetype i = 0; i < given.size(); ++i) {
        difference |= static_cast<unsigned char>(given[i] ^ expected[i]);
    }
    return difference == 0;
}

// A Content-Length: digits only; -1 for anything else.
qint64 content_length(const QByteArray& value) {
    if (value.isEmpty() || value.size() > 12) {
        return -1;
    }
    qint64 length = 0;
    for (const char c : value) {
        if (c < '0' || c > '9') {
            return -1;
        }
        length = length * 10 + (c - '0');
    }
    return length;
}

constexpr quint16 close_protocol_error = 1002;
constexpr quint16 close_too_big = 1009;

class OverlayHttpServer : public QObject, public glimmer::OverlayServerInterface {
    Q_OBJECT
    Q_INTERFACES(glimmer::OverlayServerInterface)
public:
    explicit OverlayHttpServer(QObject* parent) : QObject(parent) {
        clock_.start();
        connect(&listener_, &QTcpServer::newConnection, this, &OverlayHttpServer::accept);
        // Out of descriptors for a moment: the listener pauses itself for good, so it is
        // asked to go on once some may be free again.
        connect(&listener_, &QTcpServer::acceptError, this,
                [this] { QTimer::singleShot(250, this, [this] { listener_.resumeAccepting(); }); });
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

    bool host_allowed(const QByteArray& host) const {
        const QByteArray suffix = ':' + QByteArray::number(port_);
        return host == "127.0.0.1" + suffix ||
               host.compare("localhost" + suffix, Qt::CaseInsensitive) == 0;
    }

    bool origin_allowed(const QByteArray& origin) const {
        if (origin.isEmpty()) {
            return true;
        }
        const QByteArray suffix = ':' + QByteArray::number(port_);
        return origin == "http://127.0.0.1" + suffix ||
               origin.compare("http://localhost" + suffix, Qt::CaseInsensitive) == 0;
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
        QByteArray out = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' +
                         reason_phrase(response.status) + "\r\n";
        out += "Content-Type: " + response.content_type + "\r\n";
        out += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
        out += "Cache-Control: no-store\r\nX-Content-Type-Options: nosniff\r\n"
               "Connection: close\r\n";
        for (const auto& [name, value] : response.headers) {
            out += name + ": " + value + "\r\n";
        }
        out += "\r\n";
        out += response.body;
        socket->write(out);
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
        if (head.duplicate_host || !host_allowed(head.headers.value("host"))) {
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
        if (head.duplicate_origin || !origin_allowed(head.headers.value("origin"))) {
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
        if (head.method != "POST") {
            Response refused = text_response(405);
            refused.headers.emplaceBack("Allow", "POST");
            answer(socket, refused);
            return;
        }
        // A web page's request always carries its Origin; the control API is for programs.
        // Every refusal is settled before the genuine budget is touched.
        const QByteArray authorization = head.headers.value("authorization");
        const bool misdirected = head.duplicate_host || !host_allowed(head.headers.value("host"));
        const bool from_a_page = head.headers.contains("origin");
        const bool unauthorised = !authorization.startsWith("Bearer ") ||
                                  !same_token(authorization.mid(7).trimmed(), control_token_);
        if (misdirected || from_a_page || unauthorised) {
            if (!take_slot(refused_times_, max_refused_per_second)) {
                discard(socket);
                return;
            }
            Response refused = text_response(misdirected ? 421 : from_a_page ? 403 : 401);
            if (!misdirected && !from_a_page) {
                refused.headers.emplaceBack("WWW-Authenticate", "Bearer");
            }
            answer(socket, refused);
            return;
        }
        if (!take_slot(control_times_, max_control_per_second)) {
            answer(socket, text_response(429));
            return;
        }
        if (head.headers.contains("transfer-encoding")) {
            answer(socket, text_response(400));
            return;
        }
        const qint64 body = head.headers.contains("content-length")
                                ? content_length(head.headers.value("content-length"))
                                : 0;
        if (body < 0) {
            answer(socket, text_response(400));
            return;
        }
        if (body > max_control_body) {
            answer(socket, text_response(413));
            return;
        }
        const QList<QByteArray> words = head.path.mid(13).split('/');
        if (words.size() != 2 || words[0].isEmpty() || words[1].isEmpty()) {
            answer(socket, text_response(404));
            return;
        }
        socket->setReadBufferSize(head_bytes + body + 1);
        bodies_.insert(socket, {head_bytes, body, words[0], words[1]});
        finish_control(socket);
    }

    // Sliding over the last second.
    bool take_slot(QList<qint64>& times, qsizetype per_second) {
        const qint64 now = clock_.elapsed();
        while (!times.isEmpty() && times.front() <= now - 1000) {
            times.removeFirst();
        }
        if (times.size() >= per_second) {
            return false;
        }
        times.append(now);
        return true;
    }

    void finish_control(QTcpSocket* socket) {
        const ControlRequest request = bodies_.value(socket);
        if (socket->bytesAvailable() < request.head_bytes + request.body_bytes) {
            return;
        }
        bodies_.remove(socket);
        const QByteArray bytes = socket->read(request.head_bytes + request.body_bytes);
        const QByteArray body = bytes.mid(request.head_bytes).trimmed();
        if (!body.isEmpty() && !body.startsWith('{')) {
            answer(socket, text_response(400));
            return;
        }
        // The answer may take a nested event loop (a game window opening); the connection
        // must not time out under it, and may be gone after it.
        const qsizetype at = waiting_index(socket);
        if (at >= 0) {
            waiting_.removeAt(at);
        }
        const QPointer<QTcpSocket> alive(socket);
        const ControlReply reply = control_handler_
                                       ? control_handler_(request.game, request.action,
                                                          body.isEmpty() ? QByteArray("{}") : body)
                                       : ControlReply{404, {}};
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
            const QByteArray header = socket->peek(14);
            if (header.size() < 2) {
                return;
            }
            const auto first = static_cast<quint8>(header[0]);
            const auto second = static_cast<quint8>(header[1]);
            const bool fin = (first & 0x80) != 0;
            const quint8 opcode = first & 0x0F;
            // Every frame from a client is masked; an unmasked one, reserved bits or an
            // unknown opcode end the connection.
            if ((first & 0x70) != 0 || (second & 0x80) == 0 ||
                (opcode > op_binary && opcode < op_close) || opcode > op_pong) {
                fail(socket, close_protocol_error);
                return;
            }
            quint64 length = second & 0x7F;
            qsizetype at = 2;
            if (length >= 126) {
                at = length == 126 ? 4 : 10;
                if (header.size() < at) {
                    return;
                }
                length = 0;
                for (qsizetype i = 2; i < at; ++i) {
                    length = (length << 8) | static_cast<quint8>(header[i]);
                }
            }
            const bool control = (opcode & 0x8) != 0;
            if (control && (!fin || length > 125)) {
                fail(socket, close_protocol_error);
                return;
            }
            if (length > max_frame_bytes) {
                fail(socket, close_too_big);
                return;
            }
            const qint64 whole = at + 4 + static_cast<qint64>(length);
            if (socket->bytesAvailable() < whole) {
                return;
            }
            const QByteArray bytes = socket->read(whole);
            QByteArray payload = bytes.mid(at + 4);
            for (qsizetype i = 0; i < payload.size(); ++i) {
                payload[i] = static_cast<char>(payload[i] ^ bytes[at + i % 4]);
            }
            if (!take_frame(socket, fin, opcode, length, payload)) {
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
    QList<qint64> control_times_;
    QList<qint64> refused_times_;
    qsizetype pending_cap_ = max_pending_requests;
    qsizetype client_cap_ = max_clients;
    int port_ = 0;
};

} // namespace

extern "C" Q_DECL_EXPORT QObject* glimmer_create_overlay_server(QObject* parent) {
    return new OverlayHttpServer(parent);
}

#include "overlay_module.moc"
