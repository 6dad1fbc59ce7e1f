// The overlay server and the phone remote's server, loaded on first use by OverlayServer and
// RemoteLink (see modules.h): small HTTP front doors (front_door.h). The overlays' answers GET
// for the pages and the state on 127.0.0.1, with a WebSocket on /ws that pushes each new state,
// and takes POST /api/control with the token; the remote's listens on the local network and
// leaves what each request may do to the program.

#include "runtime/overlay/control_endpoint.h"
#include "runtime/overlay/front_door.h"
#include "runtime/overlay/http_head.h"
#include "runtime/overlay/websocket_frames.h"
#include "runtime/overlay_server_interface.h"
#include "runtime/remote_server_interface.h"

#include <QHostAddress>
#include <QNetworkInterface>
#include <QPointer>
#include <QTcpSocket>

namespace {

using namespace glimmer::overlay;

// Control requests with the right token allowed in any one second: enough for a stream deck
// hammered by hand.
constexpr qsizetype max_control_per_second = 50;
// Refused ones (an Origin, no token or a wrong one) have a budget of their own, so that a web
// page looping fetch() costs the genuine requests nothing; past it they are dropped unanswered,
// which also keeps guessing a token as slow as ever.
constexpr qsizetype max_refused_per_second = 50;

class OverlayHttpServer : public FrontDoor, public glimmer::OverlayServerInterface {
    Q_OBJECT
    Q_INTERFACES(glimmer::OverlayServerInterface)
public:
    explicit OverlayHttpServer(QObject* parent) : FrontDoor(parent) {}

    bool listen(int port) override {
        if (!listen_on(QHostAddress::LocalHost, port)) {
            return false;
        }
        port_ = port;
        return true;
    }

    int port() const override { return port_; }
    int client_count() const override { return client_count_now(); }

    void set_pages(const QHash<QByteArray, QByteArray>& pages) override { pages_ = pages; }

    void set_control(const QByteArray& token, ControlHandler handler) override {
        control_token_ = token;
        control_handler_ = std::move(handler);
    }

    void publish(const QByteArray& state) override {
        state_ = state;
        state_frame_ = frame(op_text, state);
        send_to_clients(state_frame_);
    }

private:
    void read_head(QTcpSocket* socket) override {
        const auto taken = take_head(socket);
        if (!taken) {
            return;
        }
        const auto& [head, length] = *taken;
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
        if (const int refusal = upgrade_refusal(head)) {
            answer(socket, upgrade_response(refusal));
            return;
        }
        if (head.duplicate_origin || !origin_allowed(head.headers.value("origin"), port_)) {
            answer(socket, text_response(403));
            return;
        }
        accept_websocket(socket, head, head_bytes, {}, state_frame_);
    }

    // Every check that needs no body, once per request; the body is then awaited.
    void control(QTcpSocket* socket, const RequestHead& head, qsizetype head_bytes) {
        const ControlCheck check = check_control_head(head, control_token_, port_);
        if (check.stranger && !refused_budget_.take(now())) {
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
        if (!genuine_budget_.take(now())) {
            answer(socket, text_response(429));
            return;
        }
        await_body(socket, head_bytes, check.body_bytes,
                   [this, game = check.game, action = check.action](QTcpSocket* asked,
                                                                    const QByteArray& bytes) {
                       finish_control(asked, bytes, game, action);
                   });
    }

    void finish_control(QTcpSocket* socket, const QByteArray& bytes, const QByteArray& game,
                        const QByteArray& action) {
        std::optional<QJsonObject> body = control_body(bytes);
        if (!body) {
            answer(socket, text_response(400));
            return;
        }
        body->insert(QStringLiteral("game"), QString::fromUtf8(game));
        body->insert(QStringLiteral("action"), QString::fromUtf8(action));
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

    QHash<QByteArray, QByteArray> pages_;
    QByteArray state_ = "{}";
    QByteArray state_frame_ = frame(op_text, "{}");
    QByteArray control_token_;
    ControlHandler control_handler_;
    SlidingBudget genuine_budget_{max_control_per_second};
    SlidingBudget refused_budget_{max_refused_per_second};
    bool refused_budget_told_ = false;
    int port_ = 0;
};

// Whether an address may carry the phone remote: one of the private ranges, never loopback
// and never one that routes beyond a private network.
bool private_address(const QHostAddress& address) {
    if (address.isLoopback() || address.isLinkLocal()) {
        return false;
    }
    return address.isInSubnet(QHostAddress(QStringLiteral("10.0.0.0")), 8) ||
           address.isInSubnet(QHostAddress(QStringLiteral("172.16.0.0")), 12) ||
           address.isInSubnet(QHostAddress(QStringLiteral("192.168.0.0")), 16) ||
           address.isInSubnet(QHostAddress(QStringLiteral("fc00::")), 7);
}

class RemoteHttpServer : public FrontDoor, public glimmer::RemoteServerInterface {
    Q_OBJECT
    Q_INTERFACES(glimmer::RemoteServerInterface)
public:
    explicit RemoteHttpServer(QObject* parent) : FrontDoor(parent) {}

    QStringList listen(int port) override {
        close();
        QStringList listening;
        for (const QHostAddress& address : QNetworkInterface::allAddresses()) {
            if (private_address(address) && listen_on(address, port)) {
                listening << address.toString();
            }
        }
        return listening;
    }

    void close() override { close_all(); }

    void set_handler(Handler handler) override { handler_ = std::move(handler); }

    void publish(const QByteArray& state) override {
        state_frame_ = frame(op_text, state);
        send_to_clients(state_frame_);
    }

    void drop_clients(const QByteArray& client) override { FrontDoor::drop_clients(client); }

    int client_count() const override { return client_count_now(); }

private:
    void read_head(QTcpSocket* socket) override {
        const auto taken = take_head(socket);
        if (!taken) {
            return;
        }
        const auto& [head, length] = *taken;
        Request request{head.method, head.path, head.query, head.headers, {}, false};
        if (head.duplicate_host || head.duplicate_origin) {
            refuse_stranger(socket, 400);
            return;
        }
        if (head.path == "/ws" && head.method == "GET") {
            if (const int refusal = upgrade_refusal(head)) {
                answer(socket, upgrade_response(refusal));
                return;
            }
            request.upgrade = true;
            const Reply reply = handle(request);
            if (reply.status != 101) {
                finish(socket, reply);
                return;
            }
            accept_websocket(socket, head, length, reply.client, state_frame_);
            return;
        }
        if (head.method != "POST") {
            finish(socket, handle(request));
            return;
        }
        const qint64 size = content_length(head.headers.value("content-length"));
        if (size < 0 || head.headers.contains("transfer-encoding")) {
            answer(socket, text_response(411));
            return;
        }
        if (size > max_body) {
            answer(socket, text_response(413));
            return;
        }
        await_body(socket, length, size,
                   [this, request](QTcpSocket* asked, const QByteArray& body) mutable {
                       request.body = body;
                       const QPointer<QTcpSocket> alive(asked);
                       const Reply reply = handle(request);
                       if (alive && asked->state() == QAbstractSocket::ConnectedState) {
                           finish(asked, reply);
                       }
                   });
    }

    Reply handle(const Request& request) const {
        return handler_ ? handler_(request) : Reply{503, {}, {}, {}, false, {}};
    }

    void refuse_stranger(QTcpSocket* socket, int status) {
        Reply reply;
        reply.status = status;
        reply.stranger = true;
        finish(socket, reply);
    }

    void finish(QTcpSocket* socket, const Reply& reply) {
        if (reply.stranger && !refused_budget_.take(now())) {
            discard(socket);
            return;
        }
        Response response = reply.body.isEmpty()
                                ? text_response(reply.status)
                                : Response{reply.status, reply.content_type, reply.body, {}};
        response.headers += reply.headers;
        answer(socket, response);
    }

    Handler handler_;
    QByteArray state_frame_ = frame(op_text, "{}");
    SlidingBudget refused_budget_{max_refused_per_second};
};

} // namespace

extern "C" Q_DECL_EXPORT QObject* glimmer_create_overlay_server(QObject* parent) {
    return new OverlayHttpServer(parent);
}

extern "C" Q_DECL_EXPORT QObject* glimmer_create_remote_server(QObject* parent) {
    return new RemoteHttpServer(parent);
}

#include "overlay_module.moc"
