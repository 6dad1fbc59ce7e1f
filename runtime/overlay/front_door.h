#pragma once

// The connections of the program's small HTTP servers (the overlays on 127.0.0.1, the phone
// remote on the local network): every socket holds a slot while its head, its body or its
// goodbye is still coming, and loses it when it overruns its time; WebSocket clients are
// bounded in number and in what waits to be sent to them. What a request means is the
// server's own (read_head); this class only moves the bytes.
//
// It reads each request head itself rather than through QHttpServer, because every check has
// to happen before a WebSocket handshake is answered: the Host header (DNS rebinding), the
// Origin of an upgrade and the size of the head. QHttpServer in Qt 6.4 hands an upgrade to its
// own socket server before any handler sees it. The WebSocket side is our own too: QWebSocket
// answers pings by itself into an unbounded buffer, so a peer that pings and never reads would
// grow the program without limit.

#include "runtime/overlay/http_head.h"

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QTcpServer>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QHostAddress;
class QTcpSocket;

namespace glimmer::overlay {

// 0 for a well-formed WebSocket upgrade (version 13, a valid key); else the status to refuse it
// with: 426 for no upgrade or another version, 400 for a bad key.
int upgrade_refusal(const RequestHead& head);
// The refusal as sent: a 426 says which upgrade is spoken here.
Response upgrade_response(int status);

class FrontDoor : public QObject {
    Q_OBJECT
public:
    explicit FrontDoor(QObject* parent);
    ~FrontDoor() override;

    int client_count_now() const { return static_cast<int>(clients_.size()); }

protected:
    // Listens on one more address; false when the port cannot be had there.
    bool listen_on(const QHostAddress& address, int port);
    // Stops listening and ends every connection.
    void close_all();
    bool listening() const { return !listeners_.empty(); }

    // A new request head may be read from the socket (peek; nothing taken yet).
    virtual void read_head(QTcpSocket* socket) = 0;

    // The request head waiting on the socket and its length, once it has all come; none while
    // it is still coming, or when it was too large (431) or no head at all (400), which are
    // answered here.
    std::optional<std::pair<RequestHead, qsizetype>> take_head(QTcpSocket* socket);
    // Answers and closes once the answer is read.
    void answer(QTcpSocket* socket, const Response& response);
    // Ends a connection at once, whatever it was.
    void discard(QTcpSocket* socket);
    // Waits for a body of body_bytes after a head of head_bytes, within the head's time, then
    // calls take with the body; the connection waits in its slot meanwhile.
    void await_body(QTcpSocket* socket, qsizetype head_bytes, qint64 body_bytes,
                    std::function<void(QTcpSocket*, QByteArray)> take);
    // Answers a WebSocket upgrade whose head has been checked, and sends it first; the client
    // is known by tag. False when the client cap is reached (answered with 503).
    bool accept_websocket(QTcpSocket* socket, const RequestHead& head, qsizetype head_bytes,
                          const QByteArray& tag, const QByteArray& first);
    // Every write to a client goes through here: one whose unread bytes would pass the bound
    // is dropped at once. The first write always goes, whatever its size.
    bool send(QTcpSocket* socket, const QByteArray& bytes);
    // To every client, or those of one tag.
    void send_to_clients(const QByteArray& bytes, const QByteArray& tag = {});
    void drop_clients(const QByteArray& tag);
    qint64 now() const { return clock_.elapsed(); }
    // A connection no longer waits in its slot (it is being answered by the program).
    void leave_waiting(QTcpSocket* socket);

private:
    struct Waiting {
        QTcpSocket* socket = nullptr;
        qint64 deadline = 0;
        bool closing = false;
    };
    struct Client {
        QByteArray tag;
        bool in_message = false;   // a fragmented message has begun
        quint64 message_bytes = 0; // of it so far
    };
    struct Body {
        qsizetype head_bytes = 0;
        qint64 body_bytes = 0;
        std::function<void(QTcpSocket*, QByteArray)> take;
    };

    void size_for_descriptor_limit();
    void accept(QTcpServer* listener);
    void wait_on(QTcpSocket* socket, qint64 timeout_ms, bool closing);
    qsizetype waiting_index(QTcpSocket* socket) const;
    void close_overdue();
    void forget(QTcpSocket* socket);
    void readable(QTcpSocket* socket);
    void written(QTcpSocket* socket);
    void close_after_writing(QTcpSocket* socket);
    void finish_body(QTcpSocket* socket);
    void fail(QTcpSocket* socket, quint16 code);
    void read_frames(QTcpSocket* socket);
    bool take_frame(QTcpSocket* socket, bool fin, quint8 opcode, quint64 length,
                    const QByteArray& payload);

    std::vector<std::unique_ptr<QTcpServer>> listeners_;
    QTimer sweep_;
    QElapsedTimer clock_;
    QHash<QTcpSocket*, Client> clients_;
    QList<Waiting> waiting_;          // oldest first
    QHash<QTcpSocket*, Body> bodies_; // let through, the body still coming
    qsizetype pending_cap_ = 0;
    qsizetype client_cap_ = 0;
};

} // namespace glimmer::overlay
