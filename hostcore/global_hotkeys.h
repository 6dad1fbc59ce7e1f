#pragma once

#include "runtime/game_module.h"

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

// A line of [hotkeys] in settings.ini, "Ctrl+Alt+1 = <game> <action> <arguments>": the key, as X
// knows it, and the ctl request it sends.
struct Hotkey {
    std::uint32_t keysym = 0;
    std::uint16_t modifiers = 0; // X modifier masks
    QByteArray request;
    // The command's words as written, as ctl takes them, and the key, "Ctrl+Alt+1".
    QString command;
    QString key_text;
};

// The usable lines of the section, in order; lines that name no key or no ctl command are
// left out, each with a reason in ignored (when given), and so is everything past the first
// max_hotkey_lines lines. A file without the section gets the default keys; an empty
// section means no keys at all.
inline constexpr qsizetype max_hotkey_lines = 200;
QList<Hotkey> read_hotkeys(const QString& settings_file, const GameModules& games,
                           QStringList* ignored = nullptr);

// The keys a host has before writing any: those the games offer (runtime/game_module.h).
// OBS binds no keys of its own out of the box, and the games' stay clear of the desktops'
// usual Ctrl+Alt keys (T, L, D, Delete, arrows, F1 to F12).
QList<Hotkey> default_hotkeys(const GameModules& games);

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
