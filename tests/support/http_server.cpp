#include "http_server.h"

#include <QEventLoop>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace glimmer::testing {

class HttpServerWorker : public QObject {
public:
    HttpServerWorker(HttpServer& owner, QTcpSocket* socket) : owner_(owner), socket_(socket) {
        setParent(socket);
        QObject::connect(socket, &QTcpSocket::readyRead, this, [this] { read_request(); });
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }

private:
    void read_request() {
        buffer_ += socket_->readAll();
        if (answered_ || !buffer_.contains("\r\n\r\n")) {
            return;
        }
        answered_ = true;
        const QList<QByteArray> first_line = buffer_.left(buffer_.indexOf("\r\n")).split(' ');
        const QString path = first_line.size() > 1 ? QString::fromLatin1(first_line[1]) : QString();
        owner_.record(path);
        const HttpServer::Route route = owner_.route_for(path);
        if (route.behaviour == HttpServer::Behaviour::never_answer) {
            return;
        }
        QByteArray head = "HTTP/1.0 " + QByteArray::number(route.status) + " Status\r\n";
        head += "Content-Type: " + route.content_type + "\r\n";
        if (route.behaviour == HttpServer::Behaviour::answer) {
            head += "Content-Length: " + QByteArray::number(route.body.size()) + "\r\n";
        }
        head += "Connection: close\r\n\r\n";
        socket_->write(head);
        if (route.behaviour == HttpServer::Behaviour::answer) {
            socket_->write(route.body);
            socket_->disconnectFromHost();
            return;
        }
        auto* drip = new QTimer(this);
        QObject::connect(drip, &QTimer::timeout, this, [this] { socket_->write("x"); });
        drip->start(100);
    }

    HttpServer& owner_;
    QTcpSocket* socket_;
    QByteArray buffer_;
    bool answered_ = false;
};

void HttpServer::serve() {
    QEventLoop loop;
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    QObject::connect(&server, &QTcpServer::newConnection, &server, [&] {
        while (QTcpSocket* socket = server.nextPendingConnection()) {
            new HttpServerWorker(*this, socket);
        }
    });
    // Polls for the stop request instead of being told through Qt's event queue.
    QTimer stop_check;
    QObject::connect(&stop_check, &QTimer::timeout, &stop_check, [&] {
        std::lock_guard lock(mutex_);
        if (stopping_) {
            loop.quit();
        }
    });
    stop_check.start(20);
    {
        std::lock_guard lock(mutex_);
        port_ = server.serverPort();
    }
    listening_.notify_all();
    loop.exec(); // connections still open (a silent route) go with the server
}

HttpServer::HttpServer() {
    thread_ = std::thread([this] { serve(); });
    std::unique_lock lock(mutex_);
    listening_.wait(lock, [this] { return port_ != 0; });
}

HttpServer::~HttpServer() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    thread_.join();
}

void HttpServer::set_route(const QString& path, const Route& route) {
    std::lock_guard lock(mutex_);
    routes_.insert(path, route);
}

quint16 HttpServer::port() const {
    std::lock_guard lock(mutex_);
    return port_;
}

QString HttpServer::base_url() const {
    return QStringLiteral("http://127.0.0.1:%1").arg(port());
}

QStringList HttpServer::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

HttpServer::Route HttpServer::route_for(const QString& path) {
    std::lock_guard lock(mutex_);
    const auto it = routes_.constFind(path);
    if (it != routes_.constEnd()) {
        return *it;
    }
    Route missing;
    missing.status = 404;
    missing.body = "<html><body>not here</body></html>";
    return missing;
}

void HttpServer::record(const QString& path) {
    std::lock_guard lock(mutex_);
    requests_.append(path);
}

} // namespace glimmer::testing
