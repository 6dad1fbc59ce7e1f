#include "games/tally/tally_journal.h"

#include "games/tally/tally_rules.h"
#include "runtime/files.h"
#include "runtime/logging.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimeZone>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace glimmer {

namespace {

const QString time_format = QStringLiteral("yyyy-MM-ddTHH:mm:ss");

// A journal past this is not one a PK could have written (ten times a week of additions at
// one a second); what lies beyond is counted, not read, and the file is put aside whole.
constexpr qint64 max_journal_read = 512LL * 1024 * 1024;
// The longest line the program writes is far below this; a longer tail is not a torn line.
constexpr qint64 max_torn_line = 64 * 1024;

int two_digits(const char* at) {
    return (at[0] >= '0' && at[0] <= '9' && at[1] >= '0' && at[1] <= '9')
               ? (at[0] - '0') * 10 + (at[1] - '0')
               : -1;
}

// "yyyy-MM-ddTHH:mm:ss" read by hand: QDateTime::fromString with a format costs tens of
// microseconds, which a long journal pays once a line.
QDateTime parse_time(const QString& text) {
    if (text.size() != 19) {
        return {};
    }
    const QByteArray latin = text.toLatin1();
    const char* s = latin.constData();
    if (s[4] != '-' || s[7] != '-' || s[10] != 'T' || s[13] != ':' || s[16] != ':') {
        return {};
    }
    const int century = two_digits(s);
    const int year = two_digits(s + 2);
    const int month = two_digits(s + 5);
    const int day = two_digits(s + 8);
    const int hour = two_digits(s + 11);
    const int minute = two_digits(s + 14);
    const int second = two_digits(s + 17);
    if (century < 0 || year < 0 || month < 0 || day < 0 || hour < 0 || minute < 0 || second < 0) {
        return {};
    }
    const QDate date(century * 100 + year, month, day);
    const QTime time(hour, minute, second);
    if (!date.isValid() || !time.isValid()) {
        return {};
    }
    // In the system's zone, looked up once: a plain local-time QDateTime asks the C library,
    // which checks the zone file on the disk for every conversion.
    static const QTimeZone zone = QTimeZone::systemTimeZone();
    return QDateTime(date, time, zone);
}

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
    if (op == QStringLiteral("end")) {
        const QJsonValue names = object.value(QStringLiteral("names"));
        event.kind = JournalEvent::Kind::end;
        event.time = parse_time(object.value(QStringLiteral("time")).toString());
        event.name = names[0].toString();
        event.name_two = names[1].toString();
        return event.time.isValid() && names[0].isString() && names[1].isString();
    }
    if (op != QStringLiteral("add")) {
        return false;
    }
    const QJsonValue player = object.value(QStringLiteral("player"));
    const QJsonValue amount = object.value(QStringLiteral("amount"));
    const QJsonValue name = object.value(QStringLiteral("name"));
    event.kind = JournalEvent::Kind::addition;
    event.time = parse_time(object.value(QStringLiteral("time")).toString());
    event.player = player.toInt();
    event.amount = amount.toString();
    event.name = name.toString();
    // Journals from before it have none; one of another kind is left out, not the line.
    event.source = object.value(QStringLiteral("source")).toString().left(40);
    return (event.player == 1 || event.player == 2) && amount.isString() && name.isString() &&
           event.time.isValid();
}

// What a crash can leave after the last whole line: the start of one of our lines.
bool is_torn_line(QByteArrayView tail) {
    if (tail.size() > max_torn_line || tail.contains('\0')) {
        return false;
    }
    const QByteArrayView start("{\"");
    return start.startsWith(tail) || tail.startsWith(start);
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
        if (written == 0) {
            errno = ENOSPC;
            return false;
        }
        data += written;
        left -= written;
        offset += written;
    }
    return true;
}

// The file's bytes up to the read bound; *lines_beyond counts the lines past it.
QByteArray read_all(int fd, int* lines_beyond) {
    struct stat info {};
    QByteArray bytes;
    if (::fstat(fd, &info) == 0 && info.st_size > 0) {
        bytes.reserve(static_cast<qsizetype>(std::min<qint64>(info.st_size, max_journal_read)));
    }
    char buffer[65536];
    *lines_beyond = 0;
    qint64 offset = 0;
    for (;;) {
        const ssize_t got = ::pread(fd, buffer, sizeof buffer, offset);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        offset += got;
        if (bytes.size() < max_journal_read) {
            bytes.append(buffer, got);
        } else {
            *lines_beyond += static_cast<int>(std::count(buffer, buffer + got, '\n'));
        }
    }
    return bytes;
}

bool same_file(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Whether the path still names the file behind fd, without following a link put there since.
bool path_names(const QString& path, int fd) {
    struct stat held {};
    struct stat named {};
    return ::fstat(fd, &held) == 0 && ::lstat(QFile::encodeName(path).constData(), &named) == 0 &&
           same_file(held, named);
}

enum class Opened { locked, busy, not_a_journal };

// Opens and locks the regular file at path. A link, FIFO, device or folder there is never
// opened through and never touched. A journal that a closing program removed between our
// open and our lock is not the one at the path any more; then try again with whatever the
// path now names.
Opened open_locked(const QString& path, bool create, int* fd_out) {
    const QByteArray name = QFile::encodeName(path);
    for (int attempt = 0; attempt < 3; ++attempt) {
        // O_NONBLOCK: opening a FIFO must not wait for a writer.
        const int fd =
            ::open(name.constData(),
                   O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | (create ? O_CREAT : 0), 0600);
        if (fd < 0) {
            return errno == ENOENT ? Opened::busy : Opened::not_a_journal;
        }
        struct stat held {};
        if (::fstat(fd, &held) != 0 || !S_ISREG(held.st_mode)) {
            ::close(fd);
            return Opened::not_a_journal;
        }
        int locked;
        do {
            locked = ::flock(fd, LOCK_EX | LOCK_NB);
        } while (locked < 0 && errno == EINTR);
        if (locked < 0) {
            ::close(fd);
            return Opened::busy;
        }
        if (path_names(path, fd)) {
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
            *fd_out = fd;
            return Opened::locked;
        }
        ::close(fd);
    }
    return Opened::busy;
}

// Whether anything, a dangling link included, stands under the name.
bool name_taken(const QString& path) {
    struct stat named {};
    return ::lstat(QFile::encodeName(path).constData(), &named) == 0;
}

void sync_folder(const QString& folder) {
    const int directory =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directory >= 0) {
        ::fsync(directory);
        ::close(directory);
    }
}

QString reason_text(int error) {
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("磁盘已满");
    case EROFS:
        return QStringLiteral("磁盘只读");
    case EACCES:
    case EPERM:
        return QStringLiteral("没有写入权限");
    case EIO:
        return QStringLiteral("磁盘读写出错");
    case ENOTDIR:
        return QStringLiteral("配置文件夹的位置上是一个文件");
    case EBUSY:
        return QStringLiteral("没有可用的记录文件");
    default:
        return QString::fromLocal8Bit(std::strerror(error));
    }
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
    case JournalEvent::Kind::end:
        object.insert(QStringLiteral("op"), QStringLiteral("end"));
        object.insert(QStringLiteral("time"), event.time.toString(time_format));
        object.insert(QStringLiteral("names"), QJsonArray{event.name, event.name_two});
        break;
    case JournalEvent::Kind::addition:
        object.insert(QStringLiteral("op"), QStringLiteral("add"));
        object.insert(QStringLiteral("time"), event.time.toString(time_format));
        object.insert(QStringLiteral("player"), event.player);
        object.insert(QStringLiteral("name"), event.name);
        object.insert(QStringLiteral("amount"), event.amount);
        if (!event.source.isEmpty()) {
            object.insert(QStringLiteral("source"), event.source);
        }
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
            break;
        }
        JournalEvent event;
        if (parse_line(bytes.mid(start, end - start), event)) {
            if (event.kind == JournalEvent::Kind::end) {
                contents.end = event;
            } else {
                contents.events.append(event);
            }
        } else {
            ++contents.unreadable;
        }
        start = end + 1;
    }
    contents.whole_bytes = start;
    contents.tail_bytes = bytes.size() - start;
    contents.tail_is_torn_line = is_torn_line(QByteArrayView(bytes).sliced(start));
    return contents;
}

TallyBoard replay_journal(const QList<JournalEvent>& events, TallyHistory& history) {
    TallyBoard board;
    for (const JournalEvent& event : events) {
        switch (event.kind) {
        case JournalEvent::Kind::addition:
            // The window refuses these, so they were never written by it.
            if (addition_fits(board.total_one, board.total_two, event.player, event.amount)) {
                board = history
                            .add(board, event.time, event.player, event.name, event.amount,
                                 event.source)
                            .after;
            }
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
        case JournalEvent::Kind::end:
            break;
        }
    }
    return board;
}

HeldJournal::HeldJournal(HeldJournal&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)) {}

HeldJournal& HeldJournal::operator=(HeldJournal&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = std::exchange(other.fd_, -1);
        path_ = std::move(other.path_);
    }
    return *this;
}

HeldJournal::~HeldJournal() {
    if (fd_ >= 0) {
        ::close(fd_); // the lock goes with it; the file stays
    }
}

void HeldJournal::remove() {
    if (fd_ < 0) {
        return;
    }
    if (path_names(path_, fd_)) {
        ::unlink(QFile::encodeName(path_).constData());
        sync_folder(QFileInfo(path_).absolutePath());
    }
    ::close(fd_);
    fd_ = -1;
}

namespace {

// Whether the journal at path carries an end mark, read without taking its lock: a journal
// a window is about to read or write must never find itself held by the keeper's look.
bool ends_with_an_end_mark(const QString& path) {
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    struct stat held {};
    QByteArray tail;
    if (::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && held.st_size > 0) {
        // The end mark is the last line, and far shorter than this.
        constexpr qint64 tail_bytes = 4096;
        const qint64 from = std::max<qint64>(0, held.st_size - tail_bytes);
        tail.resize(static_cast<qsizetype>(held.st_size - from));
        const ssize_t got = ::pread(fd, tail.data(), static_cast<size_t>(tail.size()), from);
        tail.resize(std::max<ssize_t>(got, 0));
    }
    ::close(fd);
    const qsizetype last = tail.lastIndexOf('\n', tail.size() - 2);
    JournalEvent event;
    return tail.endsWith('\n') && parse_line(tail.mid(last + 1).chopped(1), event) &&
           event.kind == JournalEvent::Kind::end;
}

} // namespace

std::optional<EndedJournal> take_ended_journal(const QString& folder) {
    for (int slot = 1; slot <= journal_slots; ++slot) {
        const QString path = journal_path(folder, slot);
        int fd = -1;
        if (!ends_with_an_end_mark(path) || open_locked(path, false, &fd) != Opened::locked) {
            continue;
        }
        int lines_beyond = 0;
        JournalContents contents = read_journal(read_all(fd, &lines_beyond));
        if (contents.end && lines_beyond == 0) {
            return EndedJournal{HeldJournal(fd, path), std::move(contents)};
        }
        ::close(fd);
    }
    return std::nullopt;
}

TallyJournal::~TallyJournal() {
    close();
}

bool TallyJournal::open(const QString& folder, bool take_leftover) {
    if (fd_ >= 0) {
        close();
    }
    folder_ = folder;
    leftover_ = {};
    set_aside_path_.clear();
    if (!QDir().mkpath(folder)) {
        fail(QFileInfo(QDir::cleanPath(folder)).exists() ? ENOTDIR : EACCES);
        return false;
    }
    // A journal left with a PK in it comes first; otherwise the first free one. Journals
    // beyond the first are made only when the ones before are all held or are not ours.
    int chosen_fd = -1;
    int chosen_slot = 0;
    JournalContents chosen_contents;
    for (int slot = 1; slot <= journal_slots; ++slot) {
        const QString path = journal_path(folder, slot);
        const bool exists = name_taken(path);
        const bool create = !exists && (slot == 1 || chosen_fd < 0);
        if (!exists && !create) {
            continue;
        }
        int fd = -1;
        if (open_locked(path, create, &fd) != Opened::locked) {
            continue;
        }
        int lines_beyond = 0;
        JournalContents contents = read_journal(read_all(fd, &lines_beyond));
        contents.unreadable += lines_beyond;
        if (lines_beyond > 0) {
            contents.tail_is_torn_line = false;
            contents.tail_bytes = std::max<qint64>(contents.tail_bytes, 1);
        }
        if (contents.end || (!take_leftover && contents.has_additions())) {
            // An ended PK waits for the history, not for a window; another program's PK for
            // its next opening.
            ::close(fd);
            continue;
        }
        if (chosen_fd < 0 || (contents.has_additions() && !chosen_contents.has_additions())) {
            if (chosen_fd >= 0) {
                ::close(chosen_fd);
            }
            chosen_fd = fd;
            chosen_slot = slot;
            chosen_contents = std::move(contents);
        } else {
            struct stat held {};
            if (slot > 1 && ::fstat(fd, &held) == 0 && held.st_size == 0) {
                ::unlink(QFile::encodeName(path).constData()); // an empty spare nobody needs
            }
            ::close(fd);
        }
        if (chosen_contents.has_additions()) {
            break;
        }
    }
    if (chosen_fd < 0) {
        fail(EBUSY);
        return false;
    }
    fd_ = chosen_fd;
    path_ = journal_path(folder, chosen_slot);
    leftover_ = std::move(chosen_contents);
    size_ = leftover_.whole_bytes;
    if (leftover_.damaged() && !start_fresh(folder, chosen_slot)) {
        return false;
    }
    // A journal made just now must itself survive a power cut, not only its lines.
    sync_folder(folder);
    // What a journal without a PK holds is ours to drop: nothing unreadable is left in it.
    return leftover_.has_additions() || drop_leftover();
}

// The damaged journal keeps its name's lock only while it is renamed aside; its readable
// steps then go into a new journal under the same name.
bool TallyJournal::start_fresh(const QString& folder, int slot) {
    const QString path = journal_path(folder, slot);
    set_aside_path_ = path_names(path, fd_) ? move_aside(path) : QString();
    ::close(fd_);
    fd_ = -1;
    if (set_aside_path_.isEmpty()) {
        qCWarning(log_journal) << "a damaged journal could not be put aside:" << path;
        fail(errno != 0 ? errno : EIO);
        return false;
    }
    qCWarning(log_journal) << "put a damaged journal aside as" << set_aside_path_ << "with"
                           << leftover_.unreadable << "unreadable lines";
    int fd = -1;
    const QByteArray name = QFile::encodeName(path);
    fd = ::open(name.constData(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_CREAT | O_EXCL, 0600);
    if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (fd >= 0) {
            ::close(fd);
        }
        fail(error);
        return false;
    }
    fd_ = fd;
    size_ = 0;
    pending_.clear();
    for (const JournalEvent& event : leftover_.events) {
        pending_ += journal_line(event);
    }
    waiting_steps_ = static_cast<int>(leftover_.events.size());
    leftover_.whole_bytes = 0;
    flush(); // on failure the steps wait in memory, and the PK still opens
    return true;
}

bool TallyJournal::truncate_to(qint64 size) {
    if (fd_ < 0) {
        return false;
    }
    if (::ftruncate(fd_, size) != 0 || ::fdatasync(fd_) != 0) {
        fail(errno);
        return false;
    }
    size_ = size;
    return true;
}

bool TallyJournal::keep_leftover() {
    if (fd_ < 0) {
        return false;
    }
    // Only a torn line of ours can stand after the whole ones now.
    return truncate_to(size_) && flush();
}

bool TallyJournal::drop_leftover() {
    leftover_ = {};
    pending_.clear();
    waiting_steps_ = 0;
    return truncate_to(0);
}

bool TallyJournal::append(const JournalEvent& event) {
    pending_ += journal_line(event);
    ++waiting_steps_;
    if (fd_ < 0 && !folder_.isEmpty() && !open(folder_, false)) {
        return false;
    }
    return flush();
}

bool TallyJournal::flush() {
    if (pending_.isEmpty()) {
        return true;
    }
    if (fd_ < 0) {
        return false;
    }
    if (!write_at(fd_, pending_, size_) || ::fdatasync(fd_) != 0) {
        const int error = errno;
        // Whatever part of the lines did reach the file is not a step yet; a later write
        // starts at the same place. Cutting it is only cleanliness, so a failure is fine.
        (void)::ftruncate(fd_, size_);
        fail(error);
        return false;
    }
    if (!problem_.isEmpty()) {
        qCWarning(log_journal) << "journal writes again; wrote" << waiting_steps_
                               << "waiting steps to" << path_;
    }
    size_ += pending_.size();
    pending_.clear();
    waiting_steps_ = 0;
    problem_.clear();
    return true;
}

void TallyJournal::fail(int error) {
    const QString reason = reason_text(error);
    if (problem_.isEmpty()) {
        qCWarning(log_journal) << "journal not written:" << reason
                               << (path_.isEmpty() ? folder_ : path_);
    }
    problem_ = reason;
}

void TallyJournal::release() {
    if (fd_ < 0) {
        return;
    }
    // Removed while still locked, so no other program takes it up half-gone; and only while
    // the name still stands for the file this program wrote.
    if (path_names(path_, fd_)) {
        ::unlink(QFile::encodeName(path_).constData());
    }
    ::close(fd_);
    fd_ = -1;
}

HeldJournal TallyJournal::hand_over() {
    if (fd_ < 0) {
        return {};
    }
    HeldJournal held(std::exchange(fd_, -1), path_);
    close();
    return held;
}

void TallyJournal::let_go() {
    if (fd_ >= 0) {
        ::close(fd_); // the lock goes with the descriptor
        fd_ = -1;
    }
    close();
}

void TallyJournal::close() {
    release();
    leftover_ = {};
    pending_.clear();
    waiting_steps_ = 0;
    problem_.clear();
    set_aside_path_.clear();
}

} // namespace glimmer
