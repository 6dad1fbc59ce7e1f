#include "hostcore/hotkey_lines.h"

#include "hostcore/control_words.h"
#include "runtime/outside_numbers.h"
#include "runtime/settings_file.h"
#include "runtime/translation.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace glimmer::host {

namespace {

// "Ctrl+Alt+1", "Super+F5": modifiers, then one letter, digit, Space or function key.
bool parse_key(const QString& text, Hotkey& key) {
    const QStringList pieces = text.split(u'+');
    for (qsizetype i = 0; i + 1 < pieces.size(); ++i) {
        const QString name = pieces[i].trimmed().toLower();
        if (name == u"ctrl" || name == u"control") {
            key.modifiers |= modifier_control;
        } else if (name == u"alt") {
            key.modifiers |= modifier_alt;
        } else if (name == u"shift") {
            key.modifiers |= modifier_shift;
        } else if (name == u"super" || name == u"meta" || name == u"win") {
            key.modifiers |= modifier_super;
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

enum class LineFault { none, key, command };

// The key and ctl command of one line, or which of them is not one.
LineFault read_hotkey_line(const QString& key_text, const QString& command,
                           const GameModules& games, Hotkey& key) {
    if (!parse_key(key_text, key)) {
        return LineFault::key;
    }
    std::vector<std::string> words;
    const QStringList given = command.split(u' ', Qt::SkipEmptyParts);
    for (const QString& word : given) {
        words.push_back(word.toStdString());
    }
    const ControlRequest parsed = parse_control_words(words, games);
    if (parsed.request.isEmpty()) {
        return LineFault::command;
    }
    // A key that could only ever be refused is no key: its amount is a plain number or none.
    const QJsonValue amount =
        QJsonDocument::fromJson(parsed.request).object().value(QStringLiteral("amount"));
    if (amount.isString()) {
        const std::optional<double> value = read_decimal(amount.toString().toStdString());
        if (!value || *value == 0) {
            return LineFault::command;
        }
    }
    key.request = parsed.request;
    key.command = given.join(u' ');
    key.key_text = key_text.trimmed();
    return LineFault::none;
}

} // namespace

QList<Hotkey> default_hotkeys(const GameModules& games) {
    QList<Hotkey> hotkeys;
    for (const std::unique_ptr<GameModule>& game : games) {
        for (const DefaultKey& line : game->default_keys()) {
            Hotkey key;
            if (read_hotkey_line(line.key, line.command, games, key) == LineFault::none) {
                hotkeys << key;
            }
        }
    }
    return hotkeys;
}

QList<Hotkey> read_hotkey_lines(const QStringList& lines, const GameModules& games,
                                QStringList* ignored) {
    QList<Hotkey> hotkeys;
    for (const QString& line : lines) {
        if (line.startsWith(u'#')) {
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        Hotkey key;
        const LineFault fault =
            equals <= 0 ? LineFault::key
                        : read_hotkey_line(line.left(equals), line.mid(equals + 1), games, key);
        if (fault == LineFault::none) {
            hotkeys << key;
        } else if (ignored != nullptr) {
            *ignored << QStringLiteral("[hotkeys] %1: %2")
                            .arg(line.left(60), fault == LineFault::key
                                                    ? QStringLiteral("not a key")
                                                    : QStringLiteral("not a ctl command"));
        }
    }
    return hotkeys;
}

QList<Hotkey> read_hotkeys(const QString& settings_file, const GameModules& games,
                           QStringList* ignored) {
    const SettingsFile file(settings_file);
    if (!file.usable() && ignored != nullptr) {
        *ignored << file.problem() + translated("hotkeys", "，全局快捷键按默认设置");
    }
    qsizetype left_out = 0;
    const std::optional<QStringList> lines =
        file.section_lines(QStringLiteral("hotkeys"), max_hotkey_lines, &left_out);
    if (!lines) {
        return default_hotkeys(games);
    }
    if (left_out > 0 && ignored != nullptr) {
        *ignored << translated("hotkeys", "[hotkeys] 只读取前 %1 行，其余 %2 行没有读取")
                        .arg(max_hotkey_lines)
                        .arg(left_out);
    }
    return read_hotkey_lines(*lines, games, ignored);
}

} // namespace glimmer::host
