#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>

namespace glimmer {

// The overlay server: the overlay pages, GET /api/state and live state on the WebSocket
// /ws, on 127.0.0.1 only. Its network stack is a module loaded by listen() (see modules.h),
// so nothing of it is mapped before the program asks for it.
class OverlayServer : public QObject {
    Q_OBJECT
public:
    explicit OverlayServer(QObject* parent = nullptr);

    // False when the module cannot be had or the port cannot be listened on (taken, or not
    // a port); the program then runs on without overlays.
    bool listen(int port);
    bool listening() const;

    // The newest state, handed out on /api/state and pushed to every connected page.
    void publish(const QByteArray& state_json);

    // Connected pages, for benchmarks and tests.
    int client_count() const;

private:
    QPointer<QObject> server_;
    bool listening_ = false;
};

} // namespace glimmer
