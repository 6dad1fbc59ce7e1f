#pragma once

#include "runtime/files.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace glimmer {

// The host's settings file, ${XDG_CONFIG_HOME:-~/.config}/glimmerhall/settings.ini: the one
// reader and writer of it, for every part of the program that keeps a setting there (the
// overlay port, the control token, the global keys). It is read once, never through a link
// and never in a way that can wait; a FIFO, a device, a link or a file over a mebibyte counts
// as unreadable, and the program goes on with its defaults. It is written whole, readable by
// this user alone, every line but the one set kept as it was.
class SettingsFile {
public:
    explicit SettingsFile(QString path);

    const QString& path() const { return path_; }
    // Read, or simply not there yet: either way its settings (or their defaults) hold.
    bool usable() const;
    // Why the file was passed over, for the host; empty when it was usable.
    QString problem() const;

    QString value(const QString& section, const QString& key,
                  const QString& fallback = QString()) const;
    std::optional<QStringList> section_lines(const QString& section, qsizetype max_lines,
                                             qsizetype* left_out = nullptr) const {
        return file_.section_lines(section, max_lines, left_out);
    }

    // Whether group or others may read it, and whether it is this user's.
    bool open_to_others() const;
    bool ours() const;

    // Sets one key, keeping every other line as written. Refused, with the reason, when the
    // file could not be read: the program writes over nothing it could not read.
    bool set_value(const QString& section, const QString& key, const QString& value,
                   QString* error = nullptr);

private:
    QString path_;
    IniFile file_;
};

// The file's bytes with the key set in the section (added, with the section when needed) and
// every other line kept byte for byte; none for a file whose lines cannot be set so (UTF-16),
// or whose other lines would then read otherwise (GBK and UTF-8 mixed, say).
std::optional<QByteArray> with_setting(const IniFile& file, const QString& section,
                                       const QString& key, const QString& value);

} // namespace glimmer
