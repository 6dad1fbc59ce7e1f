#pragma once

#include <QString>
#include <QUrl>
#include <QtPlugin>

#include <functional>

namespace glimmer {

// A WebSocket client from the module glimmer_obs_socket (Qt WebSockets, and with it the network
// stack, loaded only once the program talks to a streaming program). Reached through
// qobject_cast, as the overlay server is.
class WebSocketClientInterface {
public:
    virtual ~WebSocketClientInterface() = default;
    struct Events {
        std::function<void()> opened;
        // The connection ended or could not be made; the peer's close code (1006 when there was
        // none) and its reason or the socket's error.
        std::function<void(int close_code, const QString& reason)> closed;
        std::function<void(const QString& text)> text;
    };
    virtual void set_events(Events events) = 0;
    // Starts connecting; events tell how it goes. Any earlier connection is dropped silently.
    virtual void open(const QUrl& url) = 0;
    // Ends the connection at once, silently.
    virtual void close() = 0;
    virtual void send(const QString& text) = 0;
};

} // namespace glimmer

#define GLIMMER_WEB_SOCKET_CLIENT_IID "org.glimmerhall.WebSocketClient/1"
Q_DECLARE_INTERFACE(glimmer::WebSocketClientInterface, GLIMMER_WEB_SOCKET_CLIENT_IID)
