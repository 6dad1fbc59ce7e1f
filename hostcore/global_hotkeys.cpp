#include "hostcore/global_hotkeys.h"

#include "hostcore/control_words.h"

#include "runtime/logging.h"
#include "runtime/outside_numbers.h"
#include "runtime/settings_file.h"
#include <QCoreApplication>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>

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

// "Ctrl+Alt+1", "Super+F5": modifiers, then one letter, digit, Space or function key.
bool parse_key(const QString& text, Hotkey& key) {
    const QStringList pieces = text.split(u'+');
    for (qsizetype i = 0; i + 1 < pieces.size(); ++i) {
        const QString name = pieces[i].trimmed().toLower();
        if (name == u"ctrl" || name == u"control") {
            key.modifiers |= XCB_MOD_MASK_CONTROL;
        } else if (name == u"alt") {
            key.modifiers |= XCB_MOD_MASK_1;
        } else if (name == u"shift") {
            key.modifiers |= XCB_MOD_MASK_SHIFT;
        } else if (name == u"super" || name == u"meta" || name == u"win") {
            key.modifiers |= XCB_MOD_MASK_4;
        } else {
            return false;
        }
    }
    const QString last = pieces.last().trimmed().toLower();
    if (last == u"space") {
        key.keysym = 0x20;
        return true;
    }
    if (last.size() == 1 &&
        ((last[0] >= u'a' && last[0] <= u'z') || (last[0] >= u'0' && last[0] <= u'9'))) {
        key.keysym = last[0].unicode(); // Latin-1 keysyms are the characters themselves
        return true;
    }
    bool ok = false;
    const int function = last.startsWith(u'f') ? last.mid(1).toInt(&ok) : 0;
    if (ok && function >= 1 && function <= 24) {
        key.keysym = 0xffbe + static_cast<std::uint32_t>(function - 1); // XK_F1 onwards
        return true;
    }
    return false;
}

xcb_connection_t* x_connection() {
    auto* x11 =
        qApp != nullptr ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 != nullptr ? x11->connection() : nullptr;
}

xcb_window_t root_window(xcb_connection_t* connection) {
    const xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    return screens.rem > 0 ? screens.data->root : 0;
}

// The key and ctl command of one line; false when either is not one.
bool read_hotkey_line(const QString& key_text, const QString& command, const GameModules& games,
                      Hotkey& key) {
    if (!parse_key(key_text, key)) {
        return false;
    }
    std::vector<std::string> words;
    const QStringList given = command.split(u' ', Qt::SkipEmptyParts);
    for (const QString& word : given) {
        words.push_back(word.toStdString());
    }
    const ControlRequest parsed = parse_control_words(words, games);
    if (parsed.request.isEmpty()) {
        return false;
    }
    // A key that could only ever be refused is no key: its amount is a plain number or none.
    const QJsonValue amount =
        QJsonDocument::fromJson(parsed.request).object().value(QStringLiteral("amount"));
    if (amount.isString()) {
        const std::optional<double> value = read_decimal(amount.toString().toStdString());
        if (!value || *value == 0) {
            return false;
        }
    }
    key.request = parsed.request;
    key.command = given.join(u' ');
    key.key_text = key_text.trimmed();
    return true;
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

QList<Hotkey> default_hotkeys(const GameModules& games) {
    QList<Hotkey> hotkeys;
    for (const std::unique_ptr<GameModule>& game : games) {
        for (const DefaultKey& line : game->default_keys()) {
            Hotkey key;
            if (read_hotkey_line(line.key, line.command, games, key)) {
                hotkeys << key;
            }
        }
    }
    return hotkeys;
}

QList<Hotkey> read_hotkeys(const QString& settings_file, const GameModules& games,
                           QStringList* ignored) {
    const SettingsFile file(settings_file);
    if (!file.usable() && ignored != nullptr) {
        *ignored << file.problem() + QStringLiteral("，全局快捷键按默认设置");
    }
    qsizetype left_out = 0;
    const std::optional<QStringList> lines =
        file.section_lines(QStringLiteral("hotkeys"), max_hotkey_lines, &left_out);
    if (!lines) {
        return default_hotkeys(games);
    }
    if (left_out > 0 && ignored != nullptr) {
        *ignored << QStringLiteral("[hotkeys] 只读取前 %1 行，其余 %2 行没有读取")
                        .arg(max_hotkey_lines)
                        .arg(left_out);
    }
    QList<Hotkey> hotkeys;
    for (const QString& line : *lines) {
        if (line.startsWith(u'#')) {
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        Hotkey key;
        if (equals <= 0 || !parse_key(line.left(equals), key)) {
            if (ignored != nullptr) {
                *ignored << QStringLiteral("[hotkeys] %1: not a key").arg(line.left(60));
            }
            continue;
        }
        if (!read_hotkey_line(line.left(equals), line.mid(equals + 1), games, key)) {
            if (ignored != nullptr) {
                *ignored << QStringLiteral("[hotkeys] %1: not a ctl command").arg(line.left(60));
            }
            continue;
        }
        hotkeys << key;
    }
    return hotkeys;
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
