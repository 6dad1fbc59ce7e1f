#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QPointF>
#include <QString>

namespace glimmer {

// What the scoreboard shows of a PK: the totals, the two markers and the difference line.
// A tie hides the markers and keeps the last difference, so the board depends on the path
// taken, not only on the totals; undo therefore restores whole boards.
struct TallyBoard {
    QString total_one = QStringLiteral("0");
    QString total_two = QStringLiteral("0");
    bool markers_shown = true;
    bool flag_beside_one = true; // the face stands beside the other total
    QString difference = QStringLiteral("相差：0");

    bool operator==(const TallyBoard&) const = default;
};

// The addition rule of the scoreboard: amount goes to player one's total or player two's,
// then the leader gets the flag and the gap is shown; a tie hides both markers and changes
// nothing else.
TallyBoard add_to_board(const TallyBoard& before, bool player_one, const QString& amount);

struct TallyAddition {
    QDateTime time; // local time, whole seconds
    int player = 1; // 1 or 2
    QString name;   // the player's name as shown when the amount was added
    QString amount; // as typed or as the preset row reads
    QString source; // who added it from outside the window ("手机：小王"); empty for the host
    TallyBoard before;
    TallyBoard after;
    bool undone = false;
};

// Every addition of one PK in order, and which of them are in force. Undo takes back the
// latest addition in force; redo puts back the latest one undone. A new addition forgets
// what could be redone, but the record keeps those additions, marked undone.
class TallyHistory {
public:
    const QList<TallyAddition>& record() const { return record_; }
    bool can_undo() const { return !done_.isEmpty(); }
    bool can_redo() const { return !redo_.isEmpty(); }
    // What undo and redo would take back or put back; null when nothing.
    const TallyAddition* next_undo() const { return can_undo() ? &record_[done_.last()] : nullptr; }
    const TallyAddition* next_redo() const { return can_redo() ? &record_[redo_.last()] : nullptr; }

    const TallyAddition& add(const TallyBoard& before, const QDateTime& time, int player,
                             const QString& name, const QString& amount,
                             const QString& source = {});
    // The board to show afterwards; nullptr when there is nothing to undo or redo.
    const TallyBoard* undo();
    const TallyBoard* redo();

private:
    QList<TallyAddition> record_;
    QList<qsizetype> done_; // indexes into record_, oldest first
    QList<qsizetype> redo_; // the next one to redo last
};

// The record for a spreadsheet: UTF-8 with a byte-order mark so that spreadsheet programs
// read the Chinese right, comma-separated, quoted where needed, CR LF line ends.
QByteArray record_csv(const TallyHistory& history);
// Any table in that form, with the same guards: a cell that a spreadsheet would run as a
// formula is kept as text.
QByteArray csv_table(const QList<QStringList>& rows);

// Each player's total over a PK, for a chart: x is the time in ms since the epoch. A total
// changes only at an addition, so the points make steps; undone additions are left out, as
// the totals never held them. The last totals last until end, when it is later.
struct TotalSteps {
    QList<QPointF> one;
    QList<QPointF> two;
};
TotalSteps total_steps(const QList<TallyAddition>& additions, const QDateTime& end);

// Column headings of the record, the window's and the file's.
QStringList record_headings();
// One row of the record as text, in the order of the headings.
QStringList record_row(const TallyAddition& addition);

} // namespace glimmer
