#include "runtime/settings_file.h"

#include <QDir>
#include <QFileInfo>

#include <unistd.h>

namespace glimmer {

namespace {

bool key_line(const QByteArray& line, const QByteArray& key) {
    const qsizetype equals = line.indexOf('=');
    return equals > 0 && line.left(equals).trimmed().compare(key, Qt::CaseInsensitive) == 0;
}

bool section_line(const QByteArray& line, const QByteArray& section) {
    const QByteArray trimmed = line.trimmed();
    const qsizetype close = trimmed.indexOf(']');
    return trimmed.startsWith('[') && close > 0 &&
           trimmed.mid(1, close - 1).trimmed().compare(section, Qt::CaseInsensitive) == 0;
}

} // namespace

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
    QDir().mkpath(QFileInfo(path_).absolutePath());
    const QByteArray content = with_setting(file_.bytes(), section, key, value);
    if (!write_private_file(path_, content, error)) {
        return false;
    }
    file_ = IniFile(path_);
    return true;
}

QByteArray with_setting(const QByteArray& content, const QString& section, const QString& key,
                        const QString& value) {
    const QByteArray section_name = section.toUtf8();
    const QByteArray key_name = key.toUtf8();
    const QByteArray setting = key_name + '=' + value.toUtf8();
    QList<QByteArray> lines = content.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) {
        lines.removeLast();
    }
    qsizetype section_end = -1;
    bool inside = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        if (line.startsWith('[')) {
            if (inside) {
                break; // only the first block of a section counts, as when reading
            }
            inside = section_end < 0 && section_line(line, section_name);
            section_end = inside ? i + 1 : section_end;
            continue;
        }
        if (!inside) {
            continue;
        }
        if (key_line(line, key_name)) {
            lines[i] = setting;
            return lines.join('\n') + '\n';
        }
        if (!line.isEmpty()) {
            section_end = i + 1;
        }
    }
    if (section_end < 0) {
        if (!lines.isEmpty()) {
            lines << QByteArray();
        }
        lines << '[' + section_name + ']' << setting;
    } else {
        lines.insert(section_end, setting);
    }
    return lines.join('\n') + '\n';
}

} // namespace glimmer
