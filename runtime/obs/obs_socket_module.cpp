// The WebSocket client behind WebSocketClientInterface, in a module of its own so that the
// network stack is mapped only when the program first talks to a streaming program.

#include "runtime/obs/web_socket_client_interface.h"

#include <QObject>
#include <QWebSocket>

namespace glimmer {
namespace {

class WebSocketClient : public QObject, public WebSocketClientInterface {
    Q_OBJECT
    Q_INTERFACES(glimmer::WebSocketClientInterface)
public:
    explicit WebSocketClient(QObject* parent) : QObject(parent) {}

    void set_events(Events events) override { events_ = std::move(events); }

    void open(const QUrl& url) override {
        close();
        socket_ = new QWebSocket(QString(), QWebSocketProtocol::VersionLatest, this);
        // A peer that floods us is read no faster than the loop runs; a message past this
        // size is not one the protocol ever sends.
        socket_->setMaxAllowedIncomingMessageSize(16 << 20);
        connect(socket_, &QWebSocket::connected, this, [this] {
            if (events_.opened) {
                events_.opened();
            }
        });
        connect(socket_, &QWebSocket::textMessageReceived, this, [this](const QString& text) {
            if (events_.text) {
                events_.text(text);
            }
        });
        connect(socket_, &QWebSocket::disconnected, this, [this, socket = socket_] {
            if (socket != socket_) {
                return;
            }
            const int code = socket_->closeCode();
            const QString reason =
                !socket_->closeReason().isEmpty() ? socket_->closeReason() : socket_->errorString();
            socket_->deleteLater();
            socket_ = nullptr;
            if (events_.closed) {
                events_.closed(code, reason);
            }
        });
        socket_->open(url);
    }

    void close() override {
        if (socket_ == nullptr) {
            return;
        }
        QWebSocket* socket = socket_;
        socket_ = nullptr;
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }

    void send(const QString& text) override {
        if (socket_ != nullptr) {
            socket_->sendTextMessage(text);
        }
    }

private:
    Events events_;
    QWebSocket* socket_ = nullptr;
};

} // namespace
} // namespace glimmer

extern "C" Q_DECL_EXPORT QObject* glimmer_create_web_socket_client(QObject* parent) {
    return new glimmer::WebSocketClient(parent);
}

#include "obs_socket_module.moc"
