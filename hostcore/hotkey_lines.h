#pragma once

#include "runtime/game_module.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>

namespace glimmer::host {

// The global keys as settings.ini's [hotkeys] section lists them, one "key = ctl command" a
// line, and as the games offer them. Reading needs no display: the keys are X keysyms and
// modifier masks, grabbed (or asked of the desktop's portal) elsewhere.

// X's modifier masks, as a key names them.
inline constexpr std::uint16_t modifier_shift = 1;
inline constexpr std::uint16_t modifier_control = 4;
inline constexpr std::uint16_t modifier_alt = 8;    // Mod1
inline constexpr std::uint16_t modifier_super = 64; // Mod4

// A line of [hotkeys], "Ctrl+Alt+1 = <game> <action> <arguments>": the key, as X knows it, and
// the ctl request it sends.
struct Hotkey {
    std::uint32_t keysym = 0;
    std::uint16_t modifiers = 0; // the masks above
    QByteArray request;
    // The command's words as written, as ctl takes them, and the key, "Ctrl+Alt+1".
    QString command;
    QString key_text;
};

// At most this many lines of the section are read.
inline constexpr qsizetype max_hotkey_lines = 200;

// The usable lines, in order; lines that name no key or no ctl command (an amount that is no
// plain number included) are left out, each with a reason in ignored (when given).
QList<Hotkey> read_hotkey_lines(const QStringList& lines, const GameModules& games,
                                QStringList* ignored = nullptr);

// The section's keys: a file without the section gets the default keys; an empty section
// means no keys at all; everything past its first max_hotkey_lines lines is left out, and a
// file that cannot be read (a FIFO, a link) gives the defaults, with the reason in ignored.
QList<Hotkey> read_hotkeys(const QString& settings_file, const GameModules& games,
                           QStringList* ignored = nullptr);

// The keys a host has before writing any: those the games offer (runtime/game_module.h).
// OBS binds no keys of its own out of the box, and the games' stay clear of the desktops'
// usual Ctrl+Alt keys (T, L, D, Delete, arrows, F1 to F12).
QList<Hotkey> default_hotkeys(const GameModules& games);

} // namespace glimmer::host
