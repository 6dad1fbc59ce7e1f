#include "files.h"

#include "text.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <algorithm>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace glimmer {

namespace {

bool is_blank(QChar c) {
    return c == u' ' || c == u'\t';
}

QStringView trim_blanks(QStringView text) {
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && is_blank(text[start])) {
        ++start;
    }
    while (end > start && is_blank(text[end - 1])) {
        --end;
    }
    return text.mid(start, end - start);
}

// Profile files ignore the case of ASCII letters in names and nothing else, so that a
// Chinese section name is never folded by a locale's rules.
bool same_name(QStringView a, QStringView b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (qsizetype i = 0; i < a.size(); ++i) {
        char16_t x = a[i].unicode();
        char16_t y = b[i].unicode();
        if (x >= u'A' && x <= u'Z') {
            x = static_cast<char16_t>(x - u'A' + u'a');
        }
        if (y >= u'A' && y <= u'Z') {
            y = static_cast<char16_t>(y - u'A' + u'a');
        }
        if (x != y) {
            return false;
        }
    }
    return true;
}

} // namespace

QString program_folder() {
    QString folder;
    if (QCoreApplication::instance() != nullptr) {
        folder = QCoreApplication::applicationDirPath();
    } else {
        folder = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
        folder = QFileInfo(folder).absolutePath();
    }
    while (folder.size() > 1 && folder.endsWith(u'/')) {
        folder.chop(1);
    }
    return folder;
}

QString config_home(const QString& program_folder) {
    // /usr is the system's, read-only as far as programs go, even where root may write to it.
    const QString folder = QDir::cleanPath(program_folder);
    const bool system_folder = folder == u"/usr" || folder.startsWith(QStringLiteral("/usr/"));
    if (!system_folder && QFileInfo(folder).isWritable()) {
        return program_folder;
    }
    // A relative XDG_CONFIG_HOME is to be ignored, as the base directory rules say.
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!QDir::isAbsolutePath(base)) {
        base = QDir::homePath() + QStringLiteral("/.config");
    }
    return QDir::cleanPath(base + QStringLiteral("/glimmerhall"));
}

namespace {

// Calls take(line, index) for each line of the section's first block, blanks trimmed, without
// empty lines and ";" comments, until take returns false; index counts the file's lines from
// 0. The index of the section's heading line, or -1 when the file has no such section.
template <typename Take>
qsizetype walk_section(QStringView whole, const QString& section, Take take) {
    qsizetype heading = -1;
    qsizetype from = 0;
    for (qsizetype index = 0; from <= whole.size(); ++index) {
        qsizetype end = whole.indexOf(u'\n', from);
        if (end < 0) {
            end = whole.size();
        }
        QStringView line = whole.mid(from, end - from);
        from = end + 1;
        if (line.endsWith(u'\r')) {
            line.chop(1);
        }
        line = trim_blanks(line);
        if (line.isEmpty() || line.front() == u';') {
            continue;
        }
        if (line.front() == u'[') {
            if (heading >= 0) {
                return heading; // only the first block of a section counts
            }
            const qsizetype close = line.indexOf(u']');
            if (close >= 0 && same_name(trim_blanks(line.mid(1, close - 1)), section)) {
                heading = index;
            }
            continue;
        }
        if (heading >= 0 && !take(line, index)) {
            return heading;
        }
    }
    return heading;
}

QString lookup(QStringView whole, const QString& section, const QString& key,
               const QString& fallback) {
    QString found = fallback;
    walk_section(whole, section, [&](QStringView line, qsizetype) {
        const qsizetype equals = line.indexOf(u'=');
        if (equals >= 0 && same_name(trim_blanks(line.left(equals)), key)) {
            found = trim_blanks(line.mid(equals + 1)).toString();
            return false;
        }
        return true;
    });
    return found;
}

QString system_reason(int code) {
    return QString::fromLocal8Bit(std::strerror(code));
}

} // namespace

IniFile::IniFile(const QString& path, qint64 max_bytes) {
    // Non-blocking, so that opening a FIFO returns at once instead of waiting for a writer;
    // never through a link; what was opened is then checked, not what a name looked like a
    // moment before.
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        const int code = errno;
        status_ = code == ENOENT || code == ENOTDIR ? Status::missing
                  : code == ELOOP                   ? Status::not_a_file
                                                    : Status::unreadable;
        if (status_ == Status::unreadable) {
            error_ = system_reason(code);
        }
        return;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        status_ = Status::not_a_file;
        return;
    }
    permissions_ = info.st_mode & 07777;
    owner_ = info.st_uid;
    if (info.st_size > max_bytes) {
        ::close(fd);
        status_ = Status::too_large;
        return;
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        status_ = Status::unreadable;
        error_ = file.errorString();
        return;
    }
    // The file may have grown since fstat; never read past the cap.
    const QByteArray bytes = file.read(max_bytes + 1);
    if (bytes.size() > max_bytes) {
        status_ = Status::too_large;
        return;
    }
    decode(bytes);
}

IniFile IniFile::from_bytes(const QByteArray& bytes) {
    IniFile file;
    file.decode(bytes);
    return file;
}

void IniFile::decode(const QByteArray& bytes) {
    bytes_ = bytes;
    // Chinese in UTF-8 is mostly valid GBK byte for byte (as nonsense), while GBK Chinese is
    // almost never valid UTF-8; so valid UTF-8 beyond ASCII is taken as UTF-8.
    const QByteArray bom("\xEF\xBB\xBF");
    const bool utf8 = is_utf8(bytes);
    const bool beyond_ascii =
        std::any_of(bytes.cbegin(), bytes.cend(), [](char c) { return (c & 0x80) != 0; });
    // Windows' Notepad calls UTF-16 "Unicode"; its byte-order mark says which way round.
    const bool utf16_le = bytes.startsWith("\xFF\xFE");
    const bool utf16_be = bytes.startsWith("\xFE\xFF");
    if (utf16_le || utf16_be) {
        encoding_ = Encoding::utf16;
        QStringDecoder decoder(utf16_le ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
        content_ = decoder.decode(bytes.mid(2));
    } else if (utf8 && beyond_ascii) {
        encoding_ = Encoding::utf8;
        content_ = QString::fromUtf8(bytes.startsWith(bom) ? bytes.mid(bom.size()) : bytes);
    } else {
        // A zero byte is in no text of ours, whatever GBK makes of it.
        const bool text = !bytes.contains('\0') && (utf8 || is_gbk(bytes));
        encoding_ = text ? Encoding::gbk : Encoding::neither;
        content_ = from_gbk(bytes);
    }
    status_ = Status::ok;
}

QString IniFile::value(const QString& section, const QString& key, const QString& fallback) const {
    if (status_ != Status::ok) {
        return fallback;
    }
    return lookup(content_, section, key, fallback);
}

std::optional<QStringList> IniFile::section_lines(const QString& section, qsizetype max_lines,
                                                  qsizetype* left_out) const {
    if (left_out != nullptr) {
        *left_out = 0;
    }
    if (status_ != Status::ok) {
        return std::nullopt;
    }
    QStringList lines;
    qsizetype dropped = 0;
    const bool found = walk_section(content_, section, [&](QStringView line, qsizetype) {
                           if (lines.size() < max_lines) {
                               lines.append(line.toString());
                           } else {
                               ++dropped;
                           }
                           return true;
                       }) >= 0;
    if (left_out != nullptr) {
        *left_out = dropped;
    }
    return found ? std::optional<QStringList>(lines) : std::nullopt;
}

IniFile::KeyPlace IniFile::key_place(const QString& section, const QString& key) const {
    KeyPlace place;
    const qsizetype heading =
        walk_section(content_, section, [&](QStringView line, qsizetype index) {
            const qsizetype equals = line.indexOf(u'=');
            if (equals >= 0 && same_name(trim_blanks(line.left(equals)), key)) {
                place.key_line = index;
                return false;
            }
            place.section_end = index + 1;
            return true;
        });
    if (heading >= 0 && place.section_end < 0) {
        place.section_end = heading + 1;
    }
    return place;
}

bool IniFile::lines_match_bytes() const {
    return encoding_ != Encoding::utf16 && content_.count(u'\n') == bytes_.count('\n');
}

bool make_private(const QString& path, QString* error) {
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    struct stat info {};
    int code = 0;
    if (fd < 0) {
        code = errno;
    } else if (::fstat(fd, &info) != 0) {
        code = errno;
    } else if (!S_ISREG(info.st_mode)) {
        code = EINVAL;
    } else if (info.st_uid != ::geteuid()) {
        code = EPERM;
    } else if ((info.st_mode & 077) != 0 && ::fchmod(fd, info.st_mode & 0700) != 0) {
        code = errno;
    }
    if (fd >= 0) {
        ::close(fd);
    }
    if (code != 0 && error != nullptr) {
        *error = system_reason(code);
    }
    return code == 0;
}

QString move_aside(const QString& path, const QStringList& companion_suffixes, const QString& why) {
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QByteArray from = QFile::encodeName(path);
    QString moved;
    for (int n = 1; n <= 99 && moved.isEmpty(); ++n) {
        const QString aside =
            path + u'.' + why + u'-' + stamp + (n > 1 ? QStringLiteral("-%1").arg(n) : QString());
        const QByteArray to = QFile::encodeName(aside);
        if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) ==
            0) {
            moved = aside;
            break;
        }
        if (errno == EEXIST) {
            continue;
        }
        if (errno != EINVAL && errno != ENOSYS) {
            return {};
        }
        // A filesystem without the flag: a second name, then the first one goes.
        if (::link(from.constData(), to.constData()) == 0) {
            ::unlink(from.constData());
            moved = aside;
        } else if (errno != EEXIST) {
            return {};
        }
    }
    if (moved.isEmpty()) {
        return {}; // every name of this second taken: nothing moves, companions included
    }
    for (const QString& suffix : companion_suffixes) {
        ::renameat2(AT_FDCWD, QFile::encodeName(path + suffix).constData(), AT_FDCWD,
                    QFile::encodeName(moved + suffix).constData(), RENAME_NOREPLACE);
    }
    return moved;
}

bool write_private_file(const QString& path, const QByteArray& bytes, QString* error) {
    const QFileInfo info(path);
    QByteArray temporary = QFile::encodeName(info.absolutePath() + QStringLiteral("/.") +
                                             info.fileName() + QStringLiteral("-XXXXXX"));
    // mkostemp makes the file 0600 and never opens an existing one.
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        if (error != nullptr) {
            *error = system_reason(errno);
        }
        return false;
    }
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t n =
            ::write(fd, bytes.constData() + written, static_cast<size_t>(bytes.size() - written));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        written += n;
    }
    int code = written == bytes.size() ? 0 : (errno != 0 ? errno : EIO);
    if (code == 0 && ::fsync(fd) != 0) {
        code = errno;
    }
    ::close(fd);
    // rename replaces the name itself: a link there goes, and what it pointed at stays.
    if (code == 0 && ::rename(temporary.constData(), QFile::encodeName(path).constData()) != 0) {
        code = errno;
    }
    if (code != 0) {
        ::unlink(temporary.constData());
        if (error != nullptr) {
            *error = system_reason(code);
        }
        return false;
    }
    return true;
}

bool make_folder(const QString& path, QString* error) {
    errno = 0;
    if (QDir().mkpath(path)) {
        return true;
    }
    if (error != nullptr) {
        *error = system_reason(errno != 0 ? errno : EACCES);
    }
    return false;
}

bool write_file(const QString& path, const QByteArray& bytes, QString* error) {
    QSaveFile file(path);
    const bool written =
        file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
    if (!written) {
        if (error != nullptr) {
            *error = file.errorString();
        }
        file.cancelWriting();
    }
    return written;
}

} // namespace glimmer
