#include "overlay_server.h"

#include "logging.h"
#include "modules.h"
#include "overlay_server_interface.h"
#include "translation.h"

#include <QFile>

namespace glimmer {

QByteArray resource(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray assemble_overlay_page(const QString& resource_path) {
    QByteArray page = resource(resource_path);
    page.replace("/*OVERLAY_CSS*/", resource(QStringLiteral(":/overlay/overlay.css")));
    page.replace("/*OVERLAY_JS*/", resource(QStringLiteral(":/overlay/overlay.js")));
    return page;
}

namespace {

// One server a program; set and read on the main thread.
QString listening_origin;

} // namespace

QString overlay_origin() {
    return listening_origin;
}

OverlayServer::OverlayServer(QObject* parent) : QObject(parent) {}

OverlayServer::~OverlayServer() {
    if (listening_) {
        listening_origin.clear();
    }
}

bool OverlayServer::listen(int port) {
    if (listening_ || port <= 0) {
        return listening_;
    }
    if (server_ == nullptr) {
        server_ = module_object<OverlayServerInterface>("glimmer_overlay",
                                                        "glimmer_create_overlay_server", this);
        if (server_ == nullptr) {
            qCWarning(log_overlay).noquote()
                << translated("overlay", "the overlay module cannot be loaded");
            return false;
        }
        server_->set_pages(pages_);
        pass_control();
    }
    listening_ = server_->listen(port);
    if (listening_) {
        listening_origin = QStringLiteral("http://127.0.0.1:") + QString::number(port);
    } else {
        qCWarning(log_overlay).noquote()
            << translated("overlay", "port %1 is taken or not available; no overlays").arg(port);
    }
    return listening_;
}

bool OverlayServer::listening() const {
    return listening_;
}

void OverlayServer::set_pages(const QHash<QByteArray, QByteArray>& pages) {
    pages_ = pages;
    if (server_ != nullptr) {
        server_->set_pages(pages_);
    }
}

void OverlayServer::publish(const QByteArray& state_json) {
    if (server_ != nullptr) {
        server_->publish(state_json);
    }
}

void OverlayServer::set_control(const QByteArray& token, ControlHandler handler) {
    control_token_ = token;
    control_handler_ = std::move(handler);
    pass_control();
}

void OverlayServer::pass_control() {
    if (server_ == nullptr) {
        return;
    }
    auto handler = control_handler_;
    server_->set_control(
        control_token_,
        [handler](const QJsonObject& request) -> OverlayServerInterface::ControlReply {
            if (!handler) {
                return {404, R"({"status":"not_found"})"};
            }
            const auto [status, json] = handler(request);
            return {status, json};
        });
}

int OverlayServer::client_count() const {
    return server_ != nullptr ? server_->client_count() : 0;
}

} // namespace glimmer
