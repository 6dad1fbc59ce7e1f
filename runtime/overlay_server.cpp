#include "overlay_server.h"

#include "modules.h"

#include <QMetaObject>

namespace glimmer {

OverlayServer::OverlayServer(QObject* parent) : QObject(parent) {}

bool OverlayServer::listen(int port) {
    if (listening_ || port <= 0) {
        return listening_;
    }
    if (!server_) {
        using Create = QObject* (*)(QObject*);
        const auto create = reinterpret_cast<Create>(
            module_symbol("glimmer_overlay", "glimmer_create_overlay_server"));
        if (create == nullptr) {
            return false;
        }
        server_ = create(this);
        if (!server_) {
            return false;
        }
    }
    // The server's class lives in the module, so calls go by name.
    bool ok = false;
    QMetaObject::invokeMethod(server_, "listen", Q_RETURN_ARG(bool, ok), Q_ARG(int, port));
    listening_ = ok;
    return ok;
}

bool OverlayServer::listening() const {
    return listening_;
}

void OverlayServer::publish(const QByteArray& state_json) {
    if (server_) {
        QMetaObject::invokeMethod(server_, "publish", Q_ARG(QByteArray, state_json));
    }
}

int OverlayServer::client_count() const {
    int count = 0;
    if (server_) {
        QMetaObject::invokeMethod(server_, "client_count", Q_RETURN_ARG(int, count));
    }
    return count;
}

} // namespace glimmer
