#pragma once

#include "games/tally/tally_history.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

namespace glimmer {

// One step of a PK as the journal keeps it. Boards are not stored: replaying the steps from
// the opening board gives them back exactly, the tie rule included.
struct JournalEvent {
    enum class Kind { addition, undo, redo };
    Kind kind = Kind::addition;
    QDateTime time; // additions only
    int player = 1;
    QString name;
    QString amount;
};

// One JSON object on one line, ended by "\n"; a line without its "\n" was torn by a crash.
QByteArray journal_line(const JournalEvent& event);

struct JournalContents {
    QList<JournalEvent> events;
    qint64 whole_bytes = 0; // length of the part that holds these events
    bool has_additions() const;
};

// The events up to the first line that is torn or damaged; nothing after it is trusted.
JournalContents read_journal(const QByteArray& bytes);

// Rebuilds a PK's history from its journal; returns the board it ended on.
TallyBoard replay_journal(const QList<JournalEvent>& events, TallyHistory& history);

// The journal of the PK in an open tally window, kept in the configuration folder so a PK
// survives a crash or a power cut. Each program holds a lock (flock) on the journal it
// writes; a second program running at the same time takes the next free journal, and the
// kernel drops the locks of a program that dies, so its journal is found by the next one.
class TallyJournal {
public:
    TallyJournal() = default;
    TallyJournal(const TallyJournal&) = delete;
    TallyJournal& operator=(const TallyJournal&) = delete;
    ~TallyJournal();

    // Takes a journal in the folder (creating the folder), preferring one left behind by a
    // program that ended without closing its PK; with take_leftover false, only a journal
    // without one. False when none can be opened and locked: the PK then goes on without.
    bool open(const QString& folder, bool take_leftover = true);
    bool is_open() const { return fd_ >= 0; }
    QString path() const { return path_; }

    // What the journal held when it was opened.
    const JournalContents& leftover() const { return leftover_; }
    // Carry on from the leftover (a torn tail is cut off first), or start the PK afresh.
    bool keep_leftover();
    bool drop_leftover();

    // Appends one line and waits until it is on the disk. A failed write closes and removes
    // the journal, so that a crash never brings back a PK that is missing a step.
    bool append(const JournalEvent& event);

    // The PK ended normally: the journal is removed and its lock released.
    void close();

private:
    bool truncate_to(qint64 size);
    void abandon();

    int fd_ = -1;
    QString path_;
    qint64 size_ = 0;
    JournalContents leftover_;
};

// Base name of the journals in the configuration folder, beside the configuration file.
inline constexpr int journal_slots = 8;
QString journal_path(const QString& folder, int slot); // slot 1 .. journal_slots

} // namespace glimmer
