// The overlay server, loaded on first use by OverlayServer (see modules.h): a small HTTP
// front door on 127.0.0.1 that answers GET for the overlay pages and the state, and hands
// WebSocket upgrades on /ws to a QWebSocketServer.
//
// The front door reads each request head itself rather than through QHttpServer, because
// every check has to happen before a WebSocket handshake is answered: the Host header (DNS
// rebinding), the Origin of an upgrade and the size of the head. QHttpServer in Qt 6.4 hands
// an upgrade to its own socket server before any handler sees it.

#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QWebSocket>
#include <QWebSocketCorsAuthenticator>
#include <QWebSocketServer>

#include <vector>

namespace {

// Sizes beyond any browser's request for these pages; larger heads are refused.
constexpr qsizetype max_head_bytes = 8 * 1024;
constexpr int max_header_lines = 64;
// A request head must be complete within this; a silent connection is closed.
constexpr int head_timeout_ms = 10000;
constexpr int max_pending_requests = 128;
constexpr int max_clients = 1000;
// A page that stops reading is dropped once this much of what it was sent is still waiting
// in the program (beyond what the system's socket buffer already took), so memory stays
// bounded: at most this plus one state per client.
constexpr qint64 max_unsent_bytes = 256 * 1024;

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
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 421:
        return "Misdirected Request";
    case 426:
        return "Upgrade Required";
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

QByteArray page_resource(const QString& name) {
    QFile file(QStringLiteral(":/overlay/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A page with the shared style and script put in place of their markers, so each page is
// served whole, with nothing else to fetch.
QByteArray assembled_page(const QString& name) {
    QByteArray page = page_resource(name);
    page.replace("/*OVERLAY_CSS*/", page_resource(QStringLiteral("overlay.css")));
    page.replace("/*OVERLAY_JS*/", page_resource(QStringLiteral("overlay.js")));
    return page;
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
    const QList<QByteArray> lines = head.split('\n');
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

class OverlayHttpServer : public QObject {
    Q_OBJECT
public:
    explicit OverlayHttpServer(QObject* parent)
        : QObject(parent),
          sockets_(QStringLiteral("glimmerhall"), QWebSocketServer::NonSecureMode) {
        connect(&listener_, &QTcpServer::newConnection, this, &OverlayHttpServer::accept);
        connect(&sockets_, &QWebSocketServer::newConnection, this,
                &OverlayHttpServer::accept_client);
        // An upgrade from a page of any other site is answered with 403 before the
        // handshake; the front door has let only our own origins through, and this is the
        // socket server's own check of the same.
        connect(&sockets_, &QWebSocketServer::originAuthenticationRequired, this,
                [this](QWebSocketCorsAuthenticator* check) {
                    check->setAllowed(origin_allowed(check->origin().toUtf8()));
                });
    }

    ~OverlayHttpServer() override {
        // The sockets outlive this object's members for a moment; nothing they say then may
        // reach it.
        for (QObject* root : {static_cast<QObject*>(this), static_cast<QObject*>(&listener_),
                              static_cast<QObject*>(&sockets_)}) {
            for (QObject* child : root->findChildren<QObject*>()) {
                QObject::disconnect(child, nullptr, this, nullptr);
            }
        }
        for (const Client& client : clients_) {
            if (client.socket) {
                QObject::disconnect(client.socket, nullptr, this, nullptr);
                delete client.socket.data();
            }
        }
    }

    Q_INVOKABLE bool listen(int port) {
        if (port <= 0 || port > 65535) {
            return false;
        }
        if (!listener_.listen(QHostAddress::LocalHost, static_cast<quint16>(port))) {
            return false;
        }
        port_ = port;
        pages_.clear();
        for (const char* name : {"index", "tally", "dice", "minebox"}) {
            pages_.insert(QByteArray(name),
                          assembled_page(QString::fromLatin1(name) + QStringLiteral(".html")));
        }
        return true;
    }

    Q_INVOKABLE int port() const { return port_; }
    Q_INVOKABLE int client_count() const { return static_cast<int>(clients_.size()); }

    // The newest state for /api/state and for every connected page.
    Q_INVOKABLE void publish(const QByteArray& state) {
        state_ = state;
        state_text_ = QString::fromUtf8(state);
        // Sending may drop a client, which changes the list.
        const std::vector<Client> clients = clients_;
        for (const Client& client : clients) {
            send_state(client);
        }
    }

private:
    struct Client {
        QPointer<QWebSocket> socket;
        QPointer<QTcpSocket> stream;
    };

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
            if (pending_requests_ >= max_pending_requests) {
                socket->abort();
                socket->deleteLater();
                continue;
            }
            ++pending_requests_;
            // The socket reads no more than a head's worth ahead of us.
            socket->setReadBufferSize(max_head_bytes + 1);
            auto* deadline = new QTimer(socket);
            deadline->setSingleShot(true);
            connect(deadline, &QTimer::timeout, socket, [this, socket] { finish(socket); });
            deadline->start(head_timeout_ms);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read_head(socket); });
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] { finish(socket); });
        }
    }

    // Ends a connection that has not become a WebSocket.
    void finish(QTcpSocket* socket) {
        if (socket->property("glimmer_done").toBool()) {
            return;
        }
        socket->setProperty("glimmer_done", true);
        --pending_requests_;
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
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
        socket->setProperty("glimmer_done", true);
        --pending_requests_;
        socket->disconnect(this);
        socket->write(out);
        // Closes once everything is written; the socket deletes itself after.
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        socket->disconnectFromHost();
    }

    void read_head(QTcpSocket* socket) {
        const QByteArray seen = socket->peek(max_head_bytes + 1);
        const qsizetype end = seen.indexOf("\r\n\r\n");
        if (end < 0) {
            if (seen.size() > max_head_bytes) {
                answer(socket, text_response(431));
            }
            return;
        }
        RequestHead head;
        if (!parse_head(seen.left(end), head)) {
            answer(socket, text_response(400));
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
            const bool upgrade = has_token(head.headers.value("connection"), "upgrade") &&
                                 has_token(head.headers.value("upgrade"), "websocket");
            if (!upgrade) {
                Response refused = text_response(426);
                refused.headers.emplaceBack("Upgrade", "websocket");
                answer(socket, refused);
                return;
            }
            if (head.duplicate_origin || !origin_allowed(head.headers.value("origin"))) {
                answer(socket, text_response(403));
                return;
            }
            if (clients_.size() >= static_cast<size_t>(max_clients)) {
                answer(socket, text_response(503));
                return;
            }
            hand_over(socket);
            return;
        }
        answer(socket, route(head.path));
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
        page.headers.emplaceBack(
            "Content-Security-Policy",
            "default-src 'none'; style-src 'unsafe-inline'; script-src 'unsafe-inline'; "
            "connect-src 'self' ws://127.0.0.1:" +
                port + " ws://localhost:" + port +
                "; img-src data:; base-uri 'none'; form-action 'none'");
        page.headers.emplaceBack("X-Frame-Options", "DENY");
        return page;
    }

    void hand_over(QTcpSocket* socket) {
        socket->setProperty("glimmer_done", true);
        --pending_requests_;
        socket->disconnect(this);
        qDeleteAll(socket->findChildren<QTimer*>(Qt::FindDirectChildrenOnly));
        socket->setReadBufferSize(0);
        // The socket server makes a QWebSocket of its own over this socket once the
        // handshake is done; the peer's port (unique on loopback) pairs the two again.
        handed_over_.removeIf([](const auto& entry) { return entry.value().isNull(); });
        handed_over_.insert(socket->peerPort(), socket);
        sockets_.handleConnection(socket);
        // The handshake is already waiting in the socket's buffer.
        emit socket->readyRead();
    }

    void accept_client() {
        while (QWebSocket* socket = sockets_.nextPendingConnection()) {
            // Pages send nothing that matters; a flood of frames is not buffered.
            socket->setMaxAllowedIncomingFrameSize(4096);
            socket->setMaxAllowedIncomingMessageSize(4096);
            Client client{socket, handed_over_.take(socket->peerPort())};
            connect(socket, &QWebSocket::disconnected, this, [this, socket] { drop(socket); });
            clients_.push_back(client);
            send_state(client);
        }
    }

    void send_state(const Client& client) {
        if (!client.socket) {
            return;
        }
        if (client.stream && client.stream->bytesToWrite() > max_unsent_bytes) {
            // This page stopped reading; what it would be sent would only pile up.
            client.socket->abort();
            drop(client.socket);
            return;
        }
        client.socket->sendTextMessage(state_text_);
    }

    void drop(QWebSocket* socket) {
        for (auto it = clients_.begin(); it != clients_.end(); ++it) {
            if (it->socket == socket) {
                clients_.erase(it);
                socket->deleteLater();
                return;
            }
        }
    }

    QTcpServer listener_;
    QWebSocketServer sockets_;
    QHash<QByteArray, QByteArray> pages_;
    QByteArray state_ = "{}";
    QString state_text_ = QStringLiteral("{}");
    std::vector<Client> clients_;
    QHash<quint16, QPointer<QTcpSocket>> handed_over_;
    int port_ = 0;
    int pending_requests_ = 0;
};

} // namespace

extern "C" Q_DECL_EXPORT QObject* glimmer_create_overlay_server(QObject* parent) {
    return new OverlayHttpServer(parent);
}

#include "overlay_module.moc"
