#include "runtime/settings_file.h"

#include "runtime/text.h"

#include <QDir>
#include <QFileInfo>

#include <unistd.h>

namespace glimmer {

SettingsFile::SettingsFile(QString path) : path_(std::move(path)), file_(path_) {}

bool SettingsFile::usable() const {
    return file_.status() == IniFile::Status::ok || file_.status() == IniFile::Status::missing;
}

QString SettingsFile::problem() const {
    switch (file_.status()) {
    case IniFile::Status::ok:
    case IniFile::Status::missing:
        return {};
    case IniFile::Status::not_a_file:
        return QStringLiteral("%1 不是普通文件（链接、管道或设备），没有读取").arg(path_);
    case IniFile::Status::too_large:
        return QStringLiteral("%1 过大（超过 1 MiB），没有读取").arg(path_);
    case IniFile::Status::unreadable:
        return QStringLiteral("%1 无法读取（%2）").arg(path_, file_.error());
    }
    return {};
}

QString SettingsFile::value(const QString& section, const QString& key,
                            const QString& fallback) const {
    return file_.value(section, key, fallback);
}

bool SettingsFile::open_to_others() const {
    return file_.status() == IniFile::Status::ok && file_.readable_by_others();
}

bool SettingsFile::ours() const {
    return file_.status() == IniFile::Status::ok && file_.owner() == ::geteuid();
}

bool SettingsFile::set_value(const QString& section, const QString& key, const QString& value,
                             QString* error) {
    if (path_.isEmpty() || !usable()) {
        if (error != nullptr) {
            *error = path_.isEmpty() ? QStringLiteral("没有设置文件") : problem();
        }
        return false;
    }
    // Lines are set byte for byte, as GBK and UTF-8 keep them; in a UTF-16 file (or bytes
    // whose lines do not read one for one) that would garble the lines around the one set, so
    // such a file is left as the host saved it.
    const std::optional<QByteArray> content = with_setting(file_, section, key, value);
    if (!content) {
        if (error != nullptr) {
            *error = file_.lines_match_bytes()
                         ? QStringLiteral("改写 %1 会改变其中别的设置的读法（GBK 与 UTF-8 "
                                          "混用，或值在 GBK 里写不出），程序不改写它")
                               .arg(path_)
                         : QStringLiteral("%1 不是 GBK 或 UTF-8 文字，程序不改写它").arg(path_);
        }
        return false;
    }
    QDir().mkpath(QFileInfo(path_).absolutePath());
    if (!write_private_file(path_, *content, error)) {
        return false;
    }
    file_ = IniFile(path_);
    return true;
}

namespace {

// The lines with the key's line set, added after the section's last key, or added at the end
// with its section; once over the bytes and once over the text they read as, so that the two
// can be compared. New lines end as the file's first line does, CR LF or LF.
template <typename Text>
Text edited(const Text& whole, const IniFile::KeyPlace& place, const Text& setting,
            const Text& heading, const Text& cr) {
    const auto line_break = typename Text::value_type('\n');
    QList<Text> lines = whole.split(line_break);
    if (!lines.isEmpty() && lines.last().isEmpty()) {
        lines.removeLast();
    }
    const Text end = !lines.isEmpty() && lines.first().endsWith(cr) ? cr : Text();
    if (place.key_line >= 0) {
        lines[place.key_line] = setting + (lines[place.key_line].endsWith(cr) ? cr : Text());
    } else if (place.section_end >= 0) {
        lines.insert(place.section_end, setting + end);
    } else {
        if (!lines.isEmpty()) {
            lines << end;
        }
        lines << heading + end << setting + end;
    }
    return lines.join(line_break) + line_break;
}

} // namespace

std::optional<QByteArray> with_setting(const IniFile& file, const QString& section,
                                       const QString& key, const QString& value) {
    if (!file.lines_match_bytes()) {
        return std::nullopt;
    }
    // The lines are found as value() finds them, so that what is set is what is read back;
    // only the bytes of the one line set change.
    const IniFile::KeyPlace place = file.key_place(section, key);
    const QString setting = key + u'=' + value;
    const QString heading = u'[' + section + u']';
    // The text lacks a UTF-8 byte-order mark that the bytes keep as part of the first line.
    const bool mark = file.encoding() == IniFile::Encoding::utf8 &&
                      file.bytes().startsWith(QByteArrayView("\xEF\xBB\xBF"));
    const QString expected = edited(mark ? QChar(0xFEFF) + file.text() : file.text(), place,
                                    setting, heading, QStringLiteral("\r"))
                                 .mid(mark ? 1 : 0);
    // Which encoding a file reads as depends on all its bytes: a GBK file whose only bytes
    // that are not UTF-8 sit in the line replaced would turn into UTF-8 and read otherwise
    // everywhere, and a GBK value can happen to be UTF-8 in a file of plain ASCII. So the
    // result is read back, the file's own encoding tried first; a file that no encoding
    // keeps as it read is left alone rather than changed under the host. Bytes that are no
    // text to begin with (a zero byte, GBK cut short) are only kept byte for byte.
    const bool utf8_first = file.encoding() == IniFile::Encoding::utf8;
    for (const bool utf8 : {utf8_first, !utf8_first}) {
        const auto encoded = [utf8](const QString& text) {
            return utf8 ? text.toUtf8() : to_gbk(text);
        };
        QByteArray content =
            edited(file.bytes(), place, encoded(setting), encoded(heading), QByteArray("\r"));
        if (file.encoding() == IniFile::Encoding::neither ||
            IniFile::from_bytes(content).text() == expected) {
            return content;
        }
    }
    return std::nullopt;
}

} // namespace glimmer
