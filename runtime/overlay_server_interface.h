#pragma once

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QtPlugin>

#include <functional>

namespace glimmer {

// What the program asks of the overlay server module. The module's object implements it and
// the program reaches it through qobject_cast, so a misspelt call fails to build rather than
// failing quietly at run time.
class OverlayServerInterface {
public:
    virtual ~OverlayServerInterface() = default;
    // On 127.0.0.1 only; false when the port cannot be had.
    virtual bool listen(int port) = 0;
    virtual int port() const = 0;
    // The pages under /overlay/, by name ("" for the index); whole, nothing else to fetch.
    virtual void set_pages(const QHash<QByteArray, QByteArray>& pages) = 0;
    // The newest state for /api/state and for every connected page.
    virtual void publish(const QByteArray& state_json) = 0;
    virtual int client_count() const = 0;

    // What POST /api/control/<game>/<action> does once the server has let it through (the
    // token, no Origin, the size, the rate) and read its body: the request is the body's
    // object ({} when empty) with "game" and "action" set from the path.
    struct ControlReply {
        int status = 200; // 200 done, 409 refused, 400 bad request, 404 no such command
        QByteArray json;
    };
    using ControlHandler = std::function<ControlReply(const QJsonObject& request)>;
    // Without a token every control request is refused.
    virtual void set_control(const QByteArray& token, ControlHandler handler) = 0;
};

} // namespace glimmer

#define GLIMMER_OVERLAY_SERVER_IID "org.glimmerhall.OverlayServer/3"
Q_DECLARE_INTERFACE(glimmer::OverlayServerInterface, GLIMMER_OVERLAY_SERVER_IID)
