#pragma once

#include <QByteArray>
#include <QHash>
#include <QStringList>
#include <QtPlugin>

#include <functional>

namespace glimmer {

// What the program asks of the phone remote's server, which lives in the overlay module (see
// overlay_server_interface.h) beside the overlays' and shares its handling of connections. The
// server moves bytes and keeps its limits (slots, sizes, times, a budget for refused
// requests); what a request may do is the program's to say (shell/remote_gate).
class RemoteServerInterface {
public:
    virtual ~RemoteServerInterface() = default;

    // Listens on port at every address of this machine's network interfaces that lies in a
    // private range (10/8, 172.16/12, 192.168/16, fc00::/7), never on one that routes off a
    // private network nor on loopback; the addresses listened on, none when none could be had.
    virtual QStringList listen(int port) = 0;
    // Stops listening and closes every connection at once.
    virtual void close() = 0;

    struct Request {
        QByteArray method;
        QByteArray path;                       // without the query
        QByteArray query;                      // after "?", as sent
        QHash<QByteArray, QByteArray> headers; // names in lower case
        QByteArray body;                       // POST only, at most max_body bytes
        bool upgrade = false;                  // a well-formed WebSocket upgrade to path
    };
    struct Reply {
        int status = 200; // 101 accepts an upgrade
        QByteArray content_type;
        QByteArray body;
        QList<std::pair<QByteArray, QByteArray>> headers;
        // Refused for who asked rather than for what (no key, a bad signature, a page from
        // elsewhere): such refusals share a budget of their own, past which they are dropped
        // unanswered, so that they cost the genuine requests nothing.
        bool stranger = false;
        QByteArray client; // an accepted upgrade's client, for drop_clients
    };
    using Handler = std::function<Reply(const Request& request)>;
    virtual void set_handler(Handler handler) = 0;
    static constexpr qint64 max_body = 4096;

    // The newest state for every connected page.
    virtual void publish(const QByteArray& state_json) = 0;
    // Closes the WebSocket connections of one client (a removed device); all when empty.
    virtual void drop_clients(const QByteArray& client) = 0;
    virtual int client_count() const = 0;
};

} // namespace glimmer

#define GLIMMER_REMOTE_SERVER_IID "org.glimmerhall.RemoteServer/1"
Q_DECLARE_INTERFACE(glimmer::RemoteServerInterface, GLIMMER_REMOTE_SERVER_IID)
