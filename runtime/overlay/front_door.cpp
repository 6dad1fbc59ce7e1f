#include "runtime/overlay/front_door.h"

#include "runtime/overlay/websocket_frames.h"

#include <QHostAddress>
#include <QTcpSocket>

#include <algorithm>

#include <sys/resource.h>
#include <sys/socket.h>

namespace glimmer::overlay {

namespace {

// A request head must be complete within this; a silent or trickling connection is closed,
// so it holds its slot only briefly.
constexpr qint64 head_timeout_ms = 2500;
// After an error reply or a close frame the peer gets this long to read and hang up.
constexpr qint64 linger_ms = 2000;
constexpr qsizetype max_pending_requests = 128;
constexpr qsizetype max_clients = 1000;
// Descriptors kept back for the program's own files, pictures and helper processes.
constexpr qint64 reserved_descriptors = 256;
// A client that stops reading is dropped once this much of what it was sent (states, pongs)
// still waits in the program beyond what the system's socket buffer already took, so memory
// stays bounded.
constexpr qint64 max_unsent_bytes = 256 * 1024;
// Clients send nothing that matters; larger frames or messages end the connection.
constexpr quint64 max_frame_bytes = 4096;
constexpr quint64 max_message_bytes = 4096;
// Room for one whole frame of the largest size, header included.
constexpr qint64 client_read_buffer = 2 * max_frame_bytes + 16;

// Our side is done: the peer reads all it was sent and then sees the end of it; the
// connection goes once the peer hangs up too, or when the linger runs out.
void half_close(QTcpSocket* socket) {
    ::shutdown(static_cast<int>(socket->socketDescriptor()), SHUT_WR);
}

} // namespace

int upgrade_refusal(const RequestHead& head) {
    const bool upgrade = has_token(head.headers.value("connection"), "upgrade") &&
                         has_token(head.headers.value("upgrade"), "websocket");
    if (!upgrade || head.headers.value("sec-websocket-version") != "13") {
        return 426;
    }
    return valid_key(head.headers.value("sec-websocket-key")) ? 0 : 400;
}

Response upgrade_response(int status) {
    Response refused = text_response(status);
    if (status == 426) {
        refused.headers.emplaceBack("Upgrade", "websocket");
        refused.headers.emplaceBack("Sec-WebSocket-Version", "13");
    }
    return refused;
}

FrontDoor::FrontDoor(QObject* parent) : QObject(parent) {
    clock_.start();
    sweep_.setInterval(250);
    connect(&sweep_, &QTimer::timeout, this, &FrontDoor::close_overdue);
    size_for_descriptor_limit();
}

FrontDoor::~FrontDoor() {
    // The sockets are the listeners' children and outlive this object's other members for a
    // moment; nothing they say then may reach it.
    for (const auto& listener : listeners_) {
        for (QObject* child : listener->findChildren<QObject*>()) {
            QObject::disconnect(child, nullptr, this, nullptr);
        }
    }
}

bool FrontDoor::listen_on(const QHostAddress& address, int port) {
    if (port <= 0 || port > 65535) {
        return false;
    }
    auto listener = std::make_unique<QTcpServer>();
    if (!listener->listen(address, static_cast<quint16>(port))) {
        qCWarning(log_server) << "cannot listen on" << address.toString() << "port" << port << ":"
                              << listener->errorString();
        return false;
    }
    QTcpServer* raw = listener.get();
    connect(raw, &QTcpServer::newConnection, this, [this, raw] { accept(raw); });
    // Out of descriptors for a moment: the listener pauses itself for good, so it is asked
    // to go on once some may be free again.
    connect(raw, &QTcpServer::acceptError, this, [raw] {
        qCWarning(log_server) << "accepting paused:" << raw->errorString();
        QTimer::singleShot(250, raw, [raw] { raw->resumeAccepting(); });
    });
    listeners_.push_back(std::move(listener));
    return true;
}

void FrontDoor::close_all() {
    for (QTcpSocket* socket : clients_.keys()) {
        discard(socket);
    }
    while (!waiting_.isEmpty()) {
        discard(waiting_.front().socket);
    }
    for (const auto& listener : listeners_) {
        listener->close();
        for (QTcpSocket* socket : listener->findChildren<QTcpSocket*>()) {
            socket->disconnect(this);
            socket->abort();
        }
    }
    listeners_.clear();
}

// Connections of both kinds stay well below the soft descriptor limit, with room kept for the
// program's own files; some slots always stay for plain requests, so that WebSocket clients
// cannot shut out a plain request or a page's reload.
void FrontDoor::size_for_descriptor_limit() {
    qint64 soft = 1 << 20;
    struct rlimit limit {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
        soft = static_cast<qint64>(limit.rlim_cur);
    }
    const qint64 budget = soft > 2 * reserved_descriptors ? soft - reserved_descriptors : soft / 2;
    const qint64 total = std::min<qint64>(budget, max_pending_requests + max_clients);
    pending_cap_ = std::max<qint64>(1, std::min<qint64>(max_pending_requests, total / 4));
    client_cap_ = std::max<qint64>(0, total - pending_cap_);
}

void FrontDoor::accept(QTcpServer* listener) {
    while (QTcpSocket* socket = listener->nextPendingConnection()) {
        // The socket reads no more than a head's worth ahead of us.
        socket->setReadBufferSize(max_head_bytes + 1);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readable(socket); });
        connect(socket, &QTcpSocket::bytesWritten, this, [this, socket] { written(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] { forget(socket); });
        wait_on(socket, head_timeout_ms, false);
        // A head that came with the connection is answered now, before later arrivals can
        // push this one out of its slot.
        socket->waitForReadyRead(0);
    }
}

// Takes a slot for a connection; when all are taken, one that was already answered and only
// lingers gives up its slot first, else the one waiting longest, so neither a flood of refused
// requests nor a trickle of slow connections can keep a genuine request out.
void FrontDoor::wait_on(QTcpSocket* socket, qint64 timeout_ms, bool closing) {
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

qsizetype FrontDoor::waiting_index(QTcpSocket* socket) const {
    for (qsizetype i = 0; i < waiting_.size(); ++i) {
        if (waiting_[i].socket == socket) {
            return i;
        }
    }
    return -1;
}

void FrontDoor::leave_waiting(QTcpSocket* socket) {
    const qsizetype at = waiting_index(socket);
    if (at >= 0) {
        waiting_.removeAt(at);
    }
}

void FrontDoor::close_overdue() {
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

void FrontDoor::discard(QTcpSocket* socket) {
    forget(socket);
    socket->abort();
}

void FrontDoor::forget(QTcpSocket* socket) {
    leave_waiting(socket);
    clients_.remove(socket);
    bodies_.remove(socket);
    socket->disconnect(this);
    socket->deleteLater();
}

void FrontDoor::readable(QTcpSocket* socket) {
    if (clients_.contains(socket)) {
        read_frames(socket);
        return;
    }
    const qsizetype at = waiting_index(socket);
    if (at < 0) {
        return;
    }
    if (waiting_[at].closing) {
        // Whatever the peer still sends after our reply is read and dropped, so that closing
        // never meets unread data (which would reset the connection).
        socket->readAll();
        return;
    }
    if (bodies_.contains(socket)) {
        finish_body(socket);
        return;
    }
    read_head(socket);
}

void FrontDoor::written(QTcpSocket* socket) {
    const qsizetype at = waiting_index(socket);
    if (at >= 0 && waiting_[at].closing && socket->bytesToWrite() == 0) {
        half_close(socket);
    }
}

void FrontDoor::close_after_writing(QTcpSocket* socket) {
    clients_.remove(socket);
    leave_waiting(socket);
    wait_on(socket, linger_ms, true);
    if (socket->bytesToWrite() == 0) {
        half_close(socket);
    }
    socket->readAll();
}

std::optional<std::pair<RequestHead, qsizetype>> FrontDoor::take_head(QTcpSocket* socket) {
    const QByteArray seen = socket->peek(max_head_bytes + 1);
    const qsizetype length = head_length(seen.left(max_head_bytes));
    if (length < 0) {
        if (seen.size() > max_head_bytes) {
            answer(socket, text_response(431));
        }
        return std::nullopt;
    }
    RequestHead head;
    if (!parse_head(seen.left(length), head)) {
        answer(socket, text_response(400));
        return std::nullopt;
    }
    return std::make_pair(head, length);
}

void FrontDoor::answer(QTcpSocket* socket, const Response& response) {
    socket->write(response_bytes(response));
    close_after_writing(socket);
}

void FrontDoor::await_body(QTcpSocket* socket, qsizetype head_bytes, qint64 body_bytes,
                           std::function<void(QTcpSocket*, QByteArray)> take) {
    socket->setReadBufferSize(head_bytes + body_bytes + 1);
    bodies_.insert(socket, {head_bytes, body_bytes, std::move(take)});
    finish_body(socket);
}

void FrontDoor::finish_body(QTcpSocket* socket) {
    const Body body = bodies_.value(socket);
    if (socket->bytesAvailable() < body.head_bytes + body.body_bytes) {
        return;
    }
    bodies_.remove(socket);
    const QByteArray bytes = socket->read(body.head_bytes + body.body_bytes);
    leave_waiting(socket);
    body.take(socket, bytes.mid(body.head_bytes));
}

bool FrontDoor::accept_websocket(QTcpSocket* socket, const RequestHead& head, qsizetype head_bytes,
                                 const QByteArray& tag, const QByteArray& first) {
    if (clients_.size() >= client_cap_) {
        answer(socket, text_response(503));
        return false;
    }
    socket->skip(head_bytes);
    leave_waiting(socket);
    clients_.insert(socket, Client{tag});
    socket->setReadBufferSize(client_read_buffer);
    socket->write("HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\n"
                  "Connection: Upgrade\r\nSec-WebSocket-Accept: " +
                  accept_key(head.headers.value("sec-websocket-key")) + "\r\n\r\n");
    if (send(socket, first) && socket->bytesAvailable() > 0) {
        read_frames(socket);
    }
    return true;
}

bool FrontDoor::send(QTcpSocket* socket, const QByteArray& bytes) {
    const qint64 unsent = socket->bytesToWrite();
    if (unsent > 0 && unsent + bytes.size() > max_unsent_bytes) {
        discard(socket);
        return false;
    }
    socket->write(bytes);
    return true;
}

void FrontDoor::send_to_clients(const QByteArray& bytes, const QByteArray& tag) {
    // Sending may drop a client, which changes the set.
    const QList<QTcpSocket*> sockets = clients_.keys();
    for (QTcpSocket* socket : sockets) {
        const auto found = clients_.constFind(socket);
        if (found != clients_.cend() && (tag.isEmpty() || found->tag == tag)) {
            send(socket, bytes);
        }
    }
}

void FrontDoor::drop_clients(const QByteArray& tag) {
    for (QTcpSocket* socket : clients_.keys()) {
        if (tag.isEmpty() || clients_.value(socket).tag == tag) {
            fail(socket, close_going_away);
        }
    }
}

void FrontDoor::fail(QTcpSocket* socket, quint16 code) {
    socket->write(close_frame(code));
    close_after_writing(socket);
}

void FrontDoor::read_frames(QTcpSocket* socket) {
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
        if (!take_frame(socket, read.fin, read.opcode, static_cast<quint64>(read.payload.size()),
                        read.payload)) {
            return;
        }
    }
}

// False once the client is gone or closing.
bool FrontDoor::take_frame(QTcpSocket* socket, bool fin, quint8 opcode, quint64 length,
                           const QByteArray& payload) {
    Client& client = clients_[socket];
    switch (opcode) {
    case op_text:
    case op_binary:
    case op_continuation:
        // What a client says is not used; only its size is kept in check.
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

} // namespace glimmer::overlay
