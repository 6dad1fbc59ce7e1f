#include "games/tally/tally_journal.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace glimmer {

namespace {

const QString time_format = QStringLiteral("yyyy-MM-ddTHH:mm:ss");

// A journal this large is not one this program wrote in a PK; only its start is read.
constexpr qint64 max_journal_read = 64LL * 1024 * 1024;

bool parse_line(const QByteArray& line, JournalEvent& event) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(line, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        return false;
    }
    const QJsonObject object = document.object();
    const QString op = object.value(QStringLiteral("op")).toString();
    if (op == QStringLiteral("undo")) {
        event.kind = JournalEvent::Kind::undo;
        return true;
    }
    if (op == QStringLiteral("redo")) {
        event.kind = JournalEvent::Kind::redo;
        return true;
    }
    if (op != QStringLiteral("add")) {
        return false;
    }
    const QJsonValue player = object.value(QStringLiteral("player"));
    const QJsonValue amount = object.value(QStringLiteral("amount"));
    const QJsonValue name = object.value(QStringLiteral("name"));
    event.kind = JournalEvent::Kind::addition;
    event.time =
        QDateTime::fromString(object.value(QStringLiteral("time")).toString(), time_format);
    event.player = player.toInt();
    event.amount = amount.toString();
    event.name = name.toString();
    return (event.player == 1 || event.player == 2) && amount.isString() && name.isString() &&
           event.time.isValid();
}

bool write_at(int fd, const QByteArray& bytes, qint64 offset) {
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::pwrite(fd, data, static_cast<size_t>(left), offset);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += written;
        left -= written;
        offset += written;
    }
    return true;
}

QByteArray read_all(int fd) {
    QByteArray bytes;
    char buffer[65536];
    while (bytes.size() < max_journal_read) {
        const ssize_t got = ::pread(fd, buffer, sizeof buffer, bytes.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        bytes.append(buffer, got);
    }
    return bytes;
}

// Opens and locks the file, or -1 when another program holds it. A journal that a closing
// program removed between our open and our lock is not the one at the path any more; then
// try again with whatever the path now names.
int open_locked(const QString& path, bool create) {
    const QByteArray name = QFile::encodeName(path);
    for (int attempt = 0; attempt < 3; ++attempt) {
        const int fd = ::open(name.constData(), O_RDWR | O_CLOEXEC | (create ? O_CREAT : 0), 0644);
        if (fd < 0) {
            return -1;
        }
        int locked;
        do {
            locked = ::flock(fd, LOCK_EX | LOCK_NB);
        } while (locked < 0 && errno == EINTR);
        if (locked < 0) {
            ::close(fd);
            return -1;
        }
        struct stat held {};
        struct stat named {};
        if (::fstat(fd, &held) == 0 && ::stat(name.constData(), &named) == 0 &&
            held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
            return fd;
        }
        ::close(fd);
    }
    return -1;
}

} // namespace

QString journal_path(const QString& folder, int slot) {
    const QString base = slot <= 1 ? QStringLiteral("Quorvane.journal")
                                   : QStringLiteral("Quorvane-%1.journal").arg(slot);
    return QDir(folder).filePath(base);
}

QByteArray journal_line(const JournalEvent& event) {
    QJsonObject object;
    switch (event.kind) {
    case JournalEvent::Kind::undo:
        object.insert(QStringLiteral("op"), QStringLiteral("undo"));
        break;
    case JournalEvent::Kind::redo:
        object.insert(QStringLiteral("op"), QStringLiteral("redo"));
        break;
    case JournalEvent::Kind::addition:
        object.insert(QStringLiteral("op"), QStringLiteral("add"));
        object.insert(QStringLiteral("time"), event.time.toString(time_format));
        object.insert(QStringLiteral("player"), event.player);
        object.insert(QStringLiteral("name"), event.name);
        object.insert(QStringLiteral("amount"), event.amount);
        break;
    }
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

bool JournalContents::has_additions() const {
    for (const JournalEvent& event : events) {
        if (event.kind == JournalEvent::Kind::addition) {
            return true;
        }
    }
    return false;
}

JournalContents read_journal(const QByteArray& bytes) {
    JournalContents contents;
    qsizetype start = 0;
    while (start < bytes.size()) {
        const qsizetype end = bytes.indexOf('\n', start);
        if (end < 0) {
            break; // torn: the crash came before the line was whole
        }
        JournalEvent event;
        if (!parse_line(bytes.mid(start, end - start), event)) {
            break;
        }
        contents.events.append(event);
        start = end + 1;
        contents.whole_bytes = start;
    }
    return contents;
}

TallyBoard replay_journal(const QList<JournalEvent>& events, TallyHistory& history) {
    TallyBoard board;
    for (const JournalEvent& event : events) {
        switch (event.kind) {
        case JournalEvent::Kind::addition:
            board = history.add(board, event.time, event.player, event.name, event.amount).after;
            break;
        case JournalEvent::Kind::undo:
            if (const TallyBoard* undone = history.undo()) {
                board = *undone;
            }
            break;
        case JournalEvent::Kind::redo:
            if (const TallyBoard* redone = history.redo()) {
                board = *redone;
            }
            break;
        }
    }
    return board;
}

TallyJournal::~TallyJournal() {
    close();
}

bool TallyJournal::open(const QString& folder, bool take_leftover) {
    close();
    if (!QDir().mkpath(folder)) {
        return false;
    }
    // A journal left with a PK in it comes first; otherwise the first free one. Journals
    // beyond the first are made only when the ones before are all held.
    int chosen_fd = -1;
    int chosen_slot = 0;
    JournalContents chosen_contents;
    for (int slot = 1; slot <= journal_slots; ++slot) {
        const QString path = journal_path(folder, slot);
        const bool create = slot == 1 || (chosen_fd < 0 && !QFile::exists(path));
        if (!create && !QFile::exists(path)) {
            continue;
        }
        const int fd = open_locked(path, create);
        if (fd < 0) {
            continue;
        }
        JournalContents contents = read_journal(read_all(fd));
        if (!take_leftover && contents.has_additions()) {
            ::close(fd); // another program's PK, for its next opening to find
            continue;
        }
        if (chosen_fd < 0 || (contents.has_additions() && !chosen_contents.has_additions())) {
            if (chosen_fd >= 0) {
                ::close(chosen_fd);
            }
            chosen_fd = fd;
            chosen_slot = slot;
            chosen_contents = contents;
        } else {
            if (slot > 1 && contents.events.isEmpty()) {
                ::unlink(QFile::encodeName(path).constData()); // a spare nobody needs now
            }
            ::close(fd);
        }
        if (chosen_contents.has_additions()) {
            break;
        }
    }
    if (chosen_fd < 0) {
        return false;
    }
    fd_ = chosen_fd;
    path_ = journal_path(folder, chosen_slot);
    leftover_ = chosen_contents;
    // A journal made just now must itself survive a power cut, not only its lines.
    const int directory =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directory >= 0) {
        ::fsync(directory);
        ::close(directory);
    }
    // Appends go after the whole entries; what a journal without a PK holds is nobody's.
    size_ = leftover_.whole_bytes;
    return leftover_.has_additions() || drop_leftover();
}

bool TallyJournal::truncate_to(qint64 size) {
    if (fd_ < 0) {
        return false;
    }
    if (::ftruncate(fd_, size) != 0 || ::fdatasync(fd_) != 0) {
        abandon();
        return false;
    }
    size_ = size;
    return true;
}

bool TallyJournal::keep_leftover() {
    return truncate_to(leftover_.whole_bytes);
}

bool TallyJournal::drop_leftover() {
    leftover_ = {};
    return truncate_to(0);
}

bool TallyJournal::append(const JournalEvent& event) {
    if (fd_ < 0) {
        return false;
    }
    const QByteArray line = journal_line(event);
    if (!write_at(fd_, line, size_) || ::fdatasync(fd_) != 0) {
        abandon();
        return false;
    }
    size_ += line.size();
    return true;
}

void TallyJournal::abandon() {
    if (fd_ < 0) {
        return;
    }
    ::unlink(QFile::encodeName(path_).constData());
    ::close(fd_);
    fd_ = -1;
}

void TallyJournal::close() {
    // Removed while still locked, so no other program takes it up half-gone.
    abandon();
    leftover_ = {};
}

} // namespace glimmer
