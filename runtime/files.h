#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace glimmer {

// Folder of the running executable, without a trailing separator.
QString program_folder();

// The folder the program keeps its configuration under: the program's own folder when it may
// write there (a portable copy, the build tree), else ${XDG_CONFIG_HOME:-~/.config}/glimmerhall,
// as for a copy installed for every user. A folder under /usr counts as read-only, so root
// running the installed package writes nothing there either. No trailing separator.
QString config_home(const QString& program_folder);

// A profile file read once, so that several lookups cost one read and one decode. Lookups
// in a GBK file: section and key names match exactly except that ASCII letters ignore case;
// blanks around keys and values are trimmed; ";" starts a comment line; the first occurrence
// of a section or key wins; anything missing gives the default. Only a regular file is
// opened, never through a link, and never in a way that can wait (a FIFO or a device would
// hold the window for ever), and only one of at most max_bytes; anything else reads as a
// missing file, with the reason kept.
class IniFile {
public:
    enum class Status { ok, missing, not_a_file, too_large, unreadable };
    // GBK is the file's form. Hand-edited files are often saved as UTF-8: one that is valid
    // UTF-8 and holds more than ASCII is read as UTF-8 (a byte-order mark dropped); one with a
    // UTF-16 byte-order mark is read as UTF-16; one that is none of these (zero bytes, say) is
    // read as GBK as well as it goes.
    enum class Encoding { gbk, utf8, utf16, neither };

    static constexpr qint64 default_max_bytes = 1024 * 1024;

    explicit IniFile(const QString& path, qint64 max_bytes = default_max_bytes);
    // The bytes as if read from a file, decoded by the same rules.
    static IniFile from_bytes(const QByteArray& bytes);

    Status status() const { return status_; }
    Encoding encoding() const { return encoding_; }
    // The system's words for a file that could not be read; empty otherwise.
    const QString& error() const { return error_; }
    // The whole text as decoded (a byte-order mark dropped); empty unless the file was read.
    const QString& text() const { return content_; }
    QString value(const QString& section, const QString& key,
                  const QString& fallback = QString()) const;
    // The lines of the section's first block in order, blanks trimmed, without empty lines and
    // ";" comments; at most max_lines, the number of lines left out in *left_out when given.
    // None when the file has no such section.
    std::optional<QStringList> section_lines(const QString& section, qsizetype max_lines,
                                             qsizetype* left_out = nullptr) const;

    // Where value() finds the key: its line, counting the file's lines from 0, or -1; and the
    // line after the section's last setting, or -1 when there is no such section.
    struct KeyPlace {
        qsizetype key_line = -1;
        qsizetype section_end = -1;
    };
    KeyPlace key_place(const QString& section, const QString& key) const;
    // Whether the text has a line for each line of the bytes, as GBK and UTF-8 always give:
    // then a line of the bytes may be replaced knowing what it read as.
    bool lines_match_bytes() const;

    // The file's bytes as read; empty unless status() is ok.
    const QByteArray& bytes() const { return bytes_; }
    // What fstat said of the file that was read: its permission bits and owner.
    unsigned permissions() const { return permissions_; }
    unsigned owner() const { return owner_; }
    // Whether group or others may read or write it.
    bool readable_by_others() const { return (permissions_ & 077) != 0; }

private:
    IniFile() = default;
    void decode(const QByteArray& bytes);

    Status status_ = Status::missing;
    Encoding encoding_ = Encoding::gbk;
    QString error_;
    QString content_;
    QByteArray bytes_;
    unsigned permissions_ = 0;
    unsigned owner_ = 0;
};

// Takes group and others' access away from the file at path, which must be a regular file
// this user owns; never through a link. False, with the reason in error, otherwise.
bool make_private(const QString& path, QString* error = nullptr);

// Moves a file the program cannot use (damaged, unreadable, or not a regular file) out of the
// way, whole, to "<path>.<why>-<time>" (with "-2", "-3" ... when that is taken), never
// replacing anything; the companions, files named path + suffix (a database's "-wal"), follow
// it under the new name. The new path, or empty when the file could not be moved (errno says
// why).
QString move_aside(const QString& path, const QStringList& companion_suffixes = {},
                   const QString& why = QStringLiteral("damaged"));

// Writes bytes as the whole new content of path, readable by this user alone (0600): into a
// fresh file beside it that then takes its name, so a failed write leaves the old content,
// and a link under the name is replaced, never followed. With error given, a failure puts
// the system's reason there.
bool write_private_file(const QString& path, const QByteArray& bytes, QString* error = nullptr);

// Makes the folder and any missing parents; with error given, a failure puts the system's
// reason there.
bool make_folder(const QString& path, QString* error = nullptr);
// Replaces the whole content, or leaves the old content untouched when the write fails:
// the bytes go to a temporary file beside it that is renamed over the old one.
// With error given, a failure puts the system's reason there.
bool write_file(const QString& path, const QByteArray& bytes, QString* error = nullptr);

} // namespace glimmer
