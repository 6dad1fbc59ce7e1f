#pragma once

#include "games/tally/tally_history.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

namespace glimmer {

// One step of a PK as the journal keeps it. Boards are not stored: replaying the steps from
// the opening board gives them back exactly, the tie rule included.
struct JournalEvent {
    // end: the PK ended and waits to go into the history; its time and both names are kept,
    // so that the journal alone gives the PK back as the history keeps it.
    enum class Kind { addition, undo, redo, end };
    Kind kind = Kind::addition;
    QDateTime time; // additions and the end
    int player = 1;
    QString name; // the end: player one's name
    QString amount;
    QString name_two = {}; // the end only
    QString source = {};   // additions: who added it from outside the window
};

// One JSON object on one line, ended by "\n"; a line without its "\n" was torn by a crash.
QByteArray journal_line(const JournalEvent& event);

struct JournalContents {
    QList<JournalEvent> events; // the end mark is not among them
    // The PK ended (the end mark was read): it is no leftover to offer, only one to keep.
    std::optional<JournalEvent> end;
    qint64 whole_bytes = 0; // up to the end of the last line ended by "\n"
    int unreadable = 0;     // lines ended by "\n" that are not steps of a PK; skipped
    // What follows the last "\n": the start of a line a crash tore off, or something else.
    qint64 tail_bytes = 0;
    bool tail_is_torn_line = true;
    bool has_additions() const;
    // Holds bytes that are not ours to drop: lines that could not be read, or a tail that
    // is not a torn line of ours.
    bool damaged() const { return unreadable > 0 || (tail_bytes > 0 && !tail_is_torn_line); }
};

// Every readable step, in order; unreadable lines are counted and skipped, so one bad line
// does not cost the steps after it.
JournalContents read_journal(const QByteArray& bytes);

// Rebuilds a PK's history from its journal; returns the board it ended on.
TallyBoard replay_journal(const QList<JournalEvent>& events, TallyHistory& history);

// A journal file held open and locked (flock), handed from the PK that wrote it to whoever
// keeps the PK in the history. Going out of scope unlocks it and leaves the file as it is,
// for the next keeper to find; remove() takes the file away once the PK is safe elsewhere.
class HeldJournal {
public:
    HeldJournal() = default;
    HeldJournal(int fd, QString path) : fd_(fd), path_(std::move(path)) {}
    HeldJournal(HeldJournal&& other) noexcept;
    HeldJournal& operator=(HeldJournal&& other) noexcept;
    ~HeldJournal();

    bool held() const { return fd_ >= 0; }
    const QString& path() const { return path_; }
    // Removes the file while the name still stands for it, then unlocks.
    void remove();

private:
    int fd_ = -1;
    QString path_;
};

// A journal of an ended PK that is still waiting to go into the history (which was busy or
// failed when the PK ended), locked for the caller, with what it holds.
struct EndedJournal {
    HeldJournal file;
    JournalContents contents;
};
// The next such journal in the folder that no other program holds, or none.
std::optional<EndedJournal> take_ended_journal(const QString& folder);

// The journal of the PK in an open tally window, kept in the configuration folder so a PK
// survives a crash or a power cut. Each program holds a lock (flock) on the journal it
// writes; a second program running at the same time takes the next free journal, and the
// kernel drops the locks of a program that dies, so its journal is found by the next one.
//
// Only regular files are journals: a link, a FIFO, a device or a folder under a journal's
// name is left alone and the next name is used. The program removes or cuts only what it
// wrote itself; a journal holding anything it cannot read is first renamed aside, whole,
// under a name with the time, and its readable steps go on in a fresh journal.
class TallyJournal {
public:
    TallyJournal() = default;
    TallyJournal(const TallyJournal&) = delete;
    TallyJournal& operator=(const TallyJournal&) = delete;
    ~TallyJournal();

    // Takes a journal in the folder (creating the folder), preferring one left behind by a
    // program that ended without closing its PK; with take_leftover false, only a journal
    // without one. False when none can be opened and locked: the PK then goes on, and the
    // steps wait in memory for a later append to open one.
    bool open(const QString& folder, bool take_leftover = true);
    bool is_open() const { return fd_ >= 0; }
    QString path() const { return path_; }

    // What the journal held when it was opened.
    const JournalContents& leftover() const { return leftover_; }
    // Where a damaged journal was put aside when it was opened; empty when it was whole.
    QString set_aside_path() const { return set_aside_path_; }
    // Carry on from the leftover, or start the PK afresh.
    bool keep_leftover();
    bool drop_leftover();

    // Appends one line after every line still waiting, and waits until they are all on the
    // disk. A failed write keeps the journal as it was and keeps the lines waiting; the next
    // append tries again, reopening a journal in the folder if none is open.
    bool append(const JournalEvent& event);

    // False from a failed write (or a journal that could not be opened) until a later
    // append has put everything on the disk.
    bool protecting() const { return pending_.isEmpty(); }
    // The system's reason for the last failure, for the host.
    QString problem() const { return problem_; }

    // The PK ended and its end mark is on the disk: the journal, still locked, goes to whoever
    // keeps the PK; this object holds none afterwards. Empty when no journal is open.
    HeldJournal hand_over();

    // The PK ended normally: the journal is removed and its lock released.
    void close();
    // The PK ended but could not be kept elsewhere: the journal stays on the disk, unlocked,
    // so the next opening offers it back.
    void let_go();

private:
    bool flush();
    bool truncate_to(qint64 size);
    bool start_fresh(const QString& folder, int first_slot);
    void fail(int error);
    void release();

    int fd_ = -1;
    QString folder_;
    QString path_;
    qint64 size_ = 0;
    JournalContents leftover_;
    QString set_aside_path_;
    QByteArray pending_;
    int waiting_steps_ = 0;
    QString problem_;
};

// Base name of the journals in the configuration folder, beside the configuration file.
inline constexpr int journal_slots = 8;
QString journal_path(const QString& folder, int slot); // slot 1 .. journal_slots

} // namespace glimmer
