#pragma once

#include "games/tally/tally_history.h"
#include "games/tally/tally_rules.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>

namespace glimmer {

class TallyArchive;

// One finished PK as the history keeps it.
struct ArchivedPk {
    qint64 id = 0;     // given by the history
    QDateTime started; // the first addition: a PK without one is never kept
    QDateTime ended;
    QString name_one;
    QString name_two;
    QString total_one;
    QString total_two;
    Leader winner = Leader::none;
    // Every addition in order, undone ones marked; only time, player, name, amount, undone
    // and the board after it are kept.
    QList<TallyAddition> additions;
};

// A PK from its additions: started at the first, the names each player last played under
// (else the fallback names), totals and winner from the final board.
ArchivedPk archived_pk(const TallyHistory& history, const TallyBoard& board,
                       const QString& fallback_one, const QString& fallback_two,
                       const QDateTime& ended);

// Which PKs a listing gives: started within the dates (either may be null, for open ends)
// and, with a name, those where either player went by exactly that name.
struct ArchiveFilter {
    QDate from;
    QDate to;
    QString name;
};

// What one day's PKs came to: how many, the wins of each name (most first, then by name), the
// ties, and everything added (the final totals summed).
struct DaySummary {
    int pks = 0;
    QList<QPair<QString, int>> wins;
    int ties = 0;
    QString total_added = QStringLiteral("0");
};
DaySummary day_summary(const QList<ArchivedPk>& pks);
// As the history window shows it.
QString day_summary_text(const DaySummary& summary);

// The rows of a CSV export: headings, then every addition of each PK with the PK's start
// and names before it.
QList<QStringList> archive_rows(TallyArchive& archive, const QList<ArchivedPk>& pks);

// history.sqlite beside the configuration file.
QString tally_archive_path(const QString& config_home);

// The history of finished PKs in an SQLite file, one transaction per PK, in WAL mode so a
// reader never waits for a writer. The file carries its layout version in user_version and is
// brought up to date when opened. A file that is damaged (quick_check fails, or SQLite finds
// no database in it) or is not a regular file at all is renamed aside, whole, under a name with
// the time, and a new one is made; notice() then says so for the host. A file another program
// holds locked is busy, not damaged: it is waited for up to busy_wait_ms, then left alone.
class TallyArchive {
public:
    explicit TallyArchive(QString path, int busy_wait_ms = 200);
    TallyArchive(const TallyArchive&) = delete;
    TallyArchive& operator=(const TallyArchive&) = delete;
    ~TallyArchive();

    QString path() const { return path_; }

    // Opens the file (making, checking and bringing it up to date as needed) ahead of the
    // first save, so the host does not wait for that at the end of a PK. False as save() is.
    bool prepare() { return open(); }

    // Keeps the PK under key; one already kept under the same key (the same PK, restored
    // after its journal outlived the saving) is replaced, so a PK is never kept twice.
    // False when it could not be kept; problem() says why.
    bool save(const ArchivedPk& pk, const QString& key);

    // Newest first, without their additions.
    QList<ArchivedPk> list(const ArchiveFilter& filter = {});
    QList<TallyAddition> additions(qint64 id);

    QString problem() const { return problem_; }
    // Whether the last failure was another program holding the file: worth trying again later.
    bool busy() const { return busy_; }
    // What the host should hear of once (a damaged file moved aside); cleared by reading.
    QString take_notice();

private:
    enum class Opening { ok, damaged, busy, failed };
    bool open();
    Opening connect_file();
    bool migrate();
    bool set_aside(const QString& why);
    void drop_connection();
    bool fail(const QString& what, int sqlite_code = 0);

    QString path_;
    int busy_wait_ms_;
    bool busy_ = false;
    QString connection_;
    bool open_ = false;
    // The file the connection has open, to tell when another took its name.
    unsigned long long opened_device_ = 0;
    unsigned long long opened_inode_ = 0;
    QString problem_;
    QString notice_;
};

} // namespace glimmer
