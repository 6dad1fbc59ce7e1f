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
            *error = QStringLiteral("%1 不是 GBK 或 UTF-8 文字，程序不改写它").arg(path_);
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

std::optional<QByteArray> with_setting(const IniFile& file, const QString& section,
                                       const QString& key, const QString& value) {
    if (!file.lines_match_bytes()) {
        return std::nullopt;
    }
    // The lines are found as value() finds them, so that what is set is what is read back;
    // only the bytes of the one line set change.
    const IniFile::KeyPlace place = file.key_place(section, key);
    const auto encoded = [&](const QString& text) {
        return file.encoding() == IniFile::Encoding::utf8 ? text.toUtf8() : to_gbk(text);
    };
    const QByteArray setting = encoded(key + u'=' + value);
    QList<QByteArray> lines = file.bytes().split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) {
        lines.removeLast();
    }
    // New lines end as the file's first line does, CR LF or LF.
    const QByteArray end = !lines.isEmpty() && lines.first().endsWith('\r') ? "\r" : "";
    if (place.key_line >= 0) {
        lines[place.key_line] = setting + (lines[place.key_line].endsWith('\r') ? "\r" : "");
    } else if (place.section_end >= 0) {
        lines.insert(place.section_end, setting + end);
    } else {
        if (!lines.isEmpty()) {
            lines << end;
        }
        lines << encoded(u'[' + section + u']') + end << setting + end;
    }
    return lines.join('\n') + '\n';
}

} // namespace glimmer
