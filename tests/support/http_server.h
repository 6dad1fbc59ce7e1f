#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <condition_variable>
#include <mutex>
#include <thread>

class QTcpServer;

namespace glimmer::testing {

// A small HTTP/1.0 server on 127.0.0.1 and a free port, running on a thread of its own so
// that a test may block its main thread while the program downloads.
class HttpServer {
public:
    enum class Behaviour {
        answer,       // status line, headers and the whole body, then close
        never_answer, // accept the connection and say nothing
        drip,         // headers, then one body byte every 100 ms, for ever
    };

    struct Route {
        int status = 200;
        QByteArray body;
        QByteArray content_type = "text/html; charset=gbk";
        Behaviour behaviour = Behaviour::answer;
    };

    HttpServer();
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    void set_route(const QString& path, const Route& route);
    // "http://127.0.0.1:PORT"
    QString base_url() const;
    quint16 port() const;
    // Paths requested so far, in order.
    QStringList requests() const;

private:
    friend class HttpServerWorker;
    Route route_for(const QString& path);
    void record(const QString& path);

    // The server lives and dies on a thread of its own; the test's thread talks to it only
    // through the mutex below and the thread's start and join, all of which ThreadSanitizer
    // can follow (Qt's cross-thread event queue and QThread's wait it cannot).
    void serve();

    std::thread thread_;
    std::condition_variable listening_;
    bool stopping_ = false;
    quint16 port_ = 0;
    // std::mutex rather than QMutex, so that ThreadSanitizer sees the locking.
    mutable std::mutex mutex_;
    QHash<QString, Route> routes_;
    QStringList requests_;
};

} // namespace glimmer::testing
