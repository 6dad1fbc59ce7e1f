#include "windows.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>
#include <QPointer>
#include <QWidget>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace glimmer {

namespace {

xcb_atom_t intern_atom(xcb_connection_t* connection, const char* name) {
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    if (reply == nullptr) {
        return XCB_ATOM_NONE;
    }
    const xcb_atom_t atom = reply->atom;
    std::free(reply);
    return atom;
}

// Qt drops a window manager's close request for a window that a modal box blocks. For the
// window whose close ends the program that is wrong: the host must be able to end it at once
// whatever box is open. The request is caught on its way in and turned into a close().
class CloseRequestFilter : public QAbstractNativeEventFilter {
public:
    CloseRequestFilter(QWidget* window, xcb_atom_t protocols, xcb_atom_t delete_window)
        : window_(window), protocols_(protocols), delete_window_(delete_window) {}

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (type != "xcb_generic_event_t" || !window_ ||
            QGuiApplication::modalWindow() == nullptr) {
            return false; // unblocked windows take Qt's own path to their closeEvent
        }
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7f) != XCB_CLIENT_MESSAGE) {
            return false;
        }
        const auto* client = reinterpret_cast<const xcb_client_message_event_t*>(event);
        if (client->format != 32 || client->type != protocols_ ||
            client->data.data32[0] != delete_window_ ||
            client->window != static_cast<xcb_window_t>(window_->winId())) {
            return false;
        }
        window_->close();
        return true;
    }

private:
    QPointer<QWidget> window_;
    xcb_atom_t protocols_;
    xcb_atom_t delete_window_;
};

} // namespace

void close_even_under_modal_boxes(QWidget* window) {
    if (qGuiApp == nullptr || window == nullptr ||
        QGuiApplication::platformName() != QLatin1String("xcb")) {
        return; // other platforms deliver no close request we could catch here
    }
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 != nullptr ? x11->connection() : nullptr;
    if (connection == nullptr) {
        return;
    }
    const xcb_atom_t protocols = intern_atom(connection, "WM_PROTOCOLS");
    const xcb_atom_t delete_window = intern_atom(connection, "WM_DELETE_WINDOW");
    if (protocols == XCB_ATOM_NONE || delete_window == XCB_ATOM_NONE) {
        return;
    }
    auto* filter = new CloseRequestFilter(window, protocols, delete_window);
    qGuiApp->installNativeEventFilter(filter);
    QObject::connect(window, &QObject::destroyed, qGuiApp, [filter] {
        qGuiApp->removeNativeEventFilter(filter);
        delete filter;
    });
}

} // namespace glimmer
