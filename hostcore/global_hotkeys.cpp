#include "hostcore/global_hotkeys.h"

#include "runtime/logging.h"
#include <QCoreApplication>
#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdlib>

namespace glimmer::host {

namespace {

// The modifiers a hotkey may name; Num Lock (Mod2) and Caps Lock are ignored, so a key works
// whichever of them is on.
constexpr std::uint16_t named_modifiers =
    XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4;
constexpr std::uint16_t lock_variants[] = {0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2,
                                           XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2};

xcb_connection_t* x_connection() {
    auto* x11 =
        qApp != nullptr ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 != nullptr ? x11->connection() : nullptr;
}

xcb_window_t root_window(xcb_connection_t* connection) {
    const xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    return screens.rem > 0 ? screens.data->root : 0;
}

} // namespace

// The first keycode that gives the keysym, unshifted or shifted; 0 when none does.
std::uint8_t keycode_of(xcb_connection_t* connection, std::uint32_t keysym) {
    const xcb_setup_t* setup = xcb_get_setup(connection);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    xcb_get_keyboard_mapping_reply_t* mapping = xcb_get_keyboard_mapping_reply(
        connection,
        xcb_get_keyboard_mapping(connection, setup->min_keycode, static_cast<std::uint8_t>(count)),
        nullptr);
    if (mapping == nullptr) {
        return 0;
    }
    const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(mapping);
    const int per_code = mapping->keysyms_per_keycode;
    std::uint8_t found = 0;
    for (int code = 0; code < count && found == 0; ++code) {
        for (int column = 0; column < per_code && column < 2; ++column) {
            if (keysyms[code * per_code + column] == keysym) {
                found = static_cast<std::uint8_t>(setup->min_keycode + code);
                break;
            }
        }
    }
    std::free(mapping);
    return found;
}

GlobalHotkeys::GlobalHotkeys(Run run, QObject* parent) : QObject(parent), run_(std::move(run)) {
    QCoreApplication::instance()->installNativeEventFilter(this);
}

GlobalHotkeys::~GlobalHotkeys() {
    QCoreApplication::instance()->removeNativeEventFilter(this);
    xcb_connection_t* connection = x_connection();
    if (connection == nullptr) {
        return;
    }
    const xcb_window_t root = root_window(connection);
    for (const Grabbed& key : grabbed_) {
        for (const std::uint16_t locks : lock_variants) {
            xcb_ungrab_key(connection, key.keycode, root, key.modifiers | locks);
        }
    }
    xcb_flush(connection);
}

int GlobalHotkeys::grab(const QList<Hotkey>& hotkeys) {
    xcb_connection_t* connection = x_connection();
    if (connection == nullptr) {
        return 0;
    }
    const xcb_window_t root = root_window(connection);
    for (const Hotkey& key : hotkeys) {
        const std::uint8_t keycode = keycode_of(connection, key.keysym);
        if (keycode == 0) {
            qCWarning(log_hotkeys) << "no key on this keyboard gives keysym" << key.keysym;
            continue;
        }
        bool taken = false;
        for (const std::uint16_t locks : lock_variants) {
            xcb_generic_error_t* error = xcb_request_check(
                connection,
                xcb_grab_key_checked(connection, 1, root, key.modifiers | locks, keycode,
                                     XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
            taken = taken || error != nullptr;
            std::free(error);
        }
        if (taken) {
            // Another program holds it; ours would only ever fire half the time.
            qCWarning(log_hotkeys) << "a hotkey is held by another program:" << key.key_text;
            held_elsewhere_ << key.key_text + QStringLiteral(" = ") + key.command;
            for (const std::uint16_t locks : lock_variants) {
                xcb_ungrab_key(connection, keycode, root, key.modifiers | locks);
            }
            continue;
        }
        grabbed_.append({keycode, key.modifiers, key.request});
    }
    xcb_flush(connection);
    return static_cast<int>(grabbed_.size());
}

bool GlobalHotkeys::nativeEventFilter(const QByteArray& type, void* message, qintptr*) {
    if (type != "xcb_generic_event_t") {
        return false;
    }
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_KEY_PRESS) {
        return false;
    }
    const auto* press = static_cast<const xcb_key_press_event_t*>(message);
    for (const Grabbed& key : std::as_const(grabbed_)) {
        if (press->detail == key.keycode && (press->state & named_modifiers) == key.modifiers) {
            run_(key.request);
            return true;
        }
    }
    return false;
}

} // namespace glimmer::host
