#pragma once

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QObject>

#include <functional>
#include <utility>

namespace glimmer {

class OverlayServerInterface;

// A file from the program's resources, whole; empty when there is none.
QByteArray resource(const QString& path);

// A page from the resources with the shared style and script put in place of their markers,
// so each page is served whole, with nothing else to fetch.
QByteArray assemble_overlay_page(const QString& resource_path);

// The overlay server: the overlay pages, GET /api/state and live state on the WebSocket
// /ws, on 127.0.0.1 only. Its network stack is a module loaded by listen() (see modules.h),
// so nothing of it is mapped before the program asks for it.
// Where this program's overlay server answers, "http://127.0.0.1:17610", for addresses a host
// hands to viewers; empty while none listens.
QString overlay_origin();

class OverlayServer : public QObject {
    Q_OBJECT
public:
    explicit OverlayServer(QObject* parent = nullptr);
    ~OverlayServer() override;

    // False when the module cannot be had or the port cannot be listened on (taken, or not
    // a port); the program then runs on without overlays.
    bool listen(int port);
    bool listening() const;

    // The pages under /overlay/ by name, "index" for the list of them.
    void set_pages(const QHash<QByteArray, QByteArray>& pages);

    // The newest state, handed out on /api/state and pushed to every connected page.
    void publish(const QByteArray& state_json);

    // Hands POST /api/control requests that carry the token to handler (see
    // OverlayServerInterface); a later call replaces the token.
    // The handler gets the request's JSON object, "game" and "action" set from the path, and
    // gives the HTTP status and the JSON answer.
    using ControlHandler = std::function<std::pair<int, QByteArray>(const QJsonObject& request)>;
    void set_control(const QByteArray& token, ControlHandler handler);

    // Connected pages, for benchmarks and tests.
    int client_count() const;

private:
    void pass_control();

    // The module's object, a child of this one.
    OverlayServerInterface* server_ = nullptr;
    QHash<QByteArray, QByteArray> pages_;
    QByteArray control_token_;
    ControlHandler control_handler_;
    bool listening_ = false;
};

} // namespace glimmer
