#pragma once

#include "hostcore/hotkey_lines.h"

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>

struct xcb_connection_t;

namespace glimmer::host {

// The first keycode of the X server's keyboard that gives the keysym, unshifted or shifted;
// 0 when none does.
std::uint8_t keycode_of(xcb_connection_t* connection, std::uint32_t keysym);

// The keys grabbed on the X server, so that they act wherever the focus is. X11 only: under
// Wayland nothing may grab keys, and the desktop's own shortcuts run ctl instead.
class GlobalHotkeys : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    using Run = std::function<void(const QByteArray& request)>;

    GlobalHotkeys(Run run, QObject* parent = nullptr);
    ~GlobalHotkeys() override;

    // Grabs each key; gives how many could be had (another program may hold one).
    int grab(const QList<Hotkey>& hotkeys);
    // The keys grab() could not have, as "<key> = <command>".
    const QStringList& held_elsewhere() const { return held_elsewhere_; }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override;

private:
    struct Grabbed {
        std::uint8_t keycode;
        std::uint16_t modifiers;
        QByteArray request;
    };

    Run run_;
    QList<Grabbed> grabbed_;
    QStringList held_elsewhere_;
};

} // namespace glimmer::host
