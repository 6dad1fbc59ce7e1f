#include "games/tally/tally_archive.h"

#include "games/tally/tally_config.h"
#include "runtime/files.h"
#include "runtime/logging.h"
#include "runtime/text.h"
#include "runtime/translation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace glimmer {

namespace {

const QString time_format = QStringLiteral("yyyy-MM-ddTHH:mm:ss");

// The same text as toString(time_format), written by hand: the format is parsed afresh on
// every call, which an hour-long PK pays thousands of times in one save.
QString time_text(const QDateTime& time) {
    const QDate date = time.date();
    const QTime clock = time.time();
    return QString::asprintf("%04d-%02d-%02dT%02d:%02d:%02d", date.year(), date.month(), date.day(),
                             clock.hour(), clock.minute(), clock.second());
}

// Each step takes the file from version i to i + 1; a released step is never changed, only
// followed by new ones.
const QList<QStringList> migrations{
    {
        QStringLiteral("CREATE TABLE pk (id INTEGER PRIMARY KEY, key TEXT NOT NULL UNIQUE, "
                       "started TEXT NOT NULL, ended TEXT NOT NULL, name_one TEXT NOT NULL, "
                       "name_two TEXT NOT NULL, total_one TEXT NOT NULL, "
                       "total_two TEXT NOT NULL, winner INTEGER NOT NULL)"),
        QStringLiteral("CREATE INDEX pk_started ON pk (started)"),
        QStringLiteral("CREATE TABLE addition (pk INTEGER NOT NULL REFERENCES pk (id), "
                       "seq INTEGER NOT NULL, time TEXT NOT NULL, player INTEGER NOT NULL, "
                       "name TEXT NOT NULL, amount TEXT NOT NULL, total_one TEXT NOT NULL, "
                       "total_two TEXT NOT NULL, undone INTEGER NOT NULL, "
                       "PRIMARY KEY (pk, seq))"),
    },
    {
        // Who added it from outside the window, such as a paired phone.
        QStringLiteral("ALTER TABLE addition ADD COLUMN source TEXT NOT NULL DEFAULT ''"),
    },
};

std::atomic<int> connection_serial{0};

// SQLite's primary result code behind a Qt SQL error (its extended codes carry it in the low
// byte); 0 when there is none.
int sqlite_code(const QSqlError& error) {
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    return ok ? code & 0xff : 0;
}

bool is_busy(int code) {
    return code == SQLITE_BUSY || code == SQLITE_LOCKED;
}

// What no waiting mends: the file holds no database, or a damaged one.
bool is_damage(int code) {
    return code == SQLITE_CORRUPT || code == SQLITE_NOTADB;
}

// Empty when every addition is in; else SQLite's reason, and its code in *code.
QString insert_additions(const QSqlDatabase& db, qint64 id, const QList<TallyAddition>& additions,
                         int* code) {
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0 ||
        *static_cast<sqlite3* const*>(handle.constData()) == nullptr) {
        return QStringLiteral("数据库驱动不是 SQLite");
    }
    sqlite3* connection = *static_cast<sqlite3* const*>(handle.constData());
    sqlite3_stmt* statement = nullptr;
    const char* sql = "INSERT INTO addition (pk, seq, time, player, name, amount, total_one, "
                      "total_two, undone, source) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";
    int result = sqlite3_prepare_v2(connection, sql, -1, &statement, nullptr);
    const auto bind_text = [&statement](int column, const QString& text) {
        return sqlite3_bind_text16(statement, column, text.utf16(),
                                   static_cast<int>(text.size() * 2), SQLITE_TRANSIENT);
    };
    for (qsizetype i = 0; result == SQLITE_OK && i < additions.size(); ++i) {
        const TallyAddition& addition = additions[i];
        result = sqlite3_bind_int64(statement, 1, id);
        result = result == SQLITE_OK ? sqlite3_bind_int64(statement, 2, i) : result;
        result = result == SQLITE_OK ? bind_text(3, time_text(addition.time)) : result;
        result = result == SQLITE_OK ? sqlite3_bind_int(statement, 4, addition.player) : result;
        result = result == SQLITE_OK ? bind_text(5, addition.name) : result;
        result = result == SQLITE_OK ? bind_text(6, addition.amount) : result;
        result = result == SQLITE_OK ? bind_text(7, addition.after.total_one) : result;
        result = result == SQLITE_OK ? bind_text(8, addition.after.total_two) : result;
        result =
            result == SQLITE_OK ? sqlite3_bind_int(statement, 9, addition.undone ? 1 : 0) : result;
        result = result == SQLITE_OK ? bind_text(10, addition.source) : result;
        if (result == SQLITE_OK) {
            result =
                sqlite3_step(statement) == SQLITE_DONE ? SQLITE_OK : sqlite3_errcode(connection);
        }
        sqlite3_reset(statement);
    }
    *code = result == SQLITE_OK ? 0 : result & 0xff;
    const QString error =
        result == SQLITE_OK
            ? QString()
            : QString::fromUtf16(static_cast<const char16_t*>(sqlite3_errmsg16(connection)));
    sqlite3_finalize(statement);
    return error;
}

int winner_code(Leader leader) {
    return leader == Leader::player_one ? 1 : leader == Leader::player_two ? 2 : 0;
}

Leader winner_of(int code) {
    return code == 1 ? Leader::player_one : code == 2 ? Leader::player_two : Leader::none;
}

QString last_name(const TallyHistory& history, int player, const QString& fallback) {
    const auto& record = history.record();
    for (auto it = record.crbegin(); it != record.crend(); ++it) {
        if (it->player == player) {
            return it->name;
        }
    }
    return fallback;
}

} // namespace

ArchivedPk archived_pk(const TallyHistory& history, const TallyBoard& board,
                       const QString& fallback_one, const QString& fallback_two,
                       const QDateTime& ended) {
    ArchivedPk pk;
    if (!history.record().isEmpty()) {
        pk.started = history.record().first().time;
    }
    pk.ended = ended;
    pk.name_one = last_name(history, 1, fallback_one);
    pk.name_two = last_name(history, 2, fallback_two);
    pk.total_one = board.total_one;
    pk.total_two = board.total_two;
    pk.winner = compare_totals(board.total_one, board.total_two).leader;
    pk.additions = history.record();
    return pk;
}

DaySummary day_summary(const QList<ArchivedPk>& pks) {
    DaySummary summary;
    summary.pks = static_cast<int>(pks.size());
    QMap<QString, int> wins;
    double added = 0;
    for (const ArchivedPk& pk : pks) {
        if (pk.winner == Leader::none) {
            ++summary.ties;
        } else {
            ++wins[pk.winner == Leader::player_one ? pk.name_one : pk.name_two];
        }
        added += to_number(pk.total_one) + to_number(pk.total_two);
    }
    for (auto it = wins.cbegin(); it != wins.cend(); ++it) {
        summary.wins.append({it.key(), it.value()});
    }
    std::stable_sort(summary.wins.begin(), summary.wins.end(),
                     [](const auto& a, const auto& b) { return a.second > b.second; });
    summary.total_added = to_text(added);
    return summary;
}

QString day_summary_text(const DaySummary& summary) {
    QStringList wins;
    for (const auto& [name, count] : summary.wins) {
        wins << translated("TallyHistoryWindow", "%1 %2 胜").arg(name).arg(count);
    }
    if (summary.ties > 0) {
        wins << translated("TallyHistoryWindow", "平局 %1").arg(summary.ties);
    }
    return translated("TallyHistoryWindow", "共 %1 场PK；%2；加分合计 %3")
        .arg(summary.pks)
        .arg(wins.isEmpty() ? translated("TallyHistoryWindow", "无胜负")
                            : wins.join(translated("TallyHistoryWindow", "，")),
             summary.total_added);
}

QList<QStringList> archive_rows(TallyArchive& archive, const QList<ArchivedPk>& pks) {
    QList<QStringList> rows{QStringList{QStringLiteral("PK开始"), QStringLiteral("玩家一名字"),
                                        QStringLiteral("玩家二名字")} +
                            record_headings()};
    for (const ArchivedPk& pk : pks) {
        const QStringList head{pk.started.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                               pk.name_one, pk.name_two};
        for (const TallyAddition& addition : archive.additions(pk.id)) {
            rows.append(head + record_row(addition));
        }
    }
    return rows;
}

QString tally_archive_path(const QString& config_home) {
    return tally_config_folder(config_home) + QStringLiteral("history.sqlite");
}

TallyArchive::TallyArchive(QString path, int busy_wait_ms)
    : path_(std::move(path)), busy_wait_ms_(busy_wait_ms),
      connection_(QStringLiteral("tally_archive_%1").arg(++connection_serial)) {}

TallyArchive::~TallyArchive() {
    drop_connection();
}

void TallyArchive::drop_connection() {
    open_ = false;
    if (!QSqlDatabase::contains(connection_)) {
        return;
    }
    QSqlDatabase::database(connection_, false).close();
    QSqlDatabase::removeDatabase(connection_);
}

bool TallyArchive::fail(const QString& what, int sqlite_code) {
    busy_ = is_busy(sqlite_code);
    problem_ = busy_ ? QStringLiteral("历史文件正被其他程序占用：") + path_ : what;
    qCWarning(log_history) << what;
    return false;
}

QString TallyArchive::take_notice() {
    QString notice;
    notice.swap(notice_);
    return notice;
}

// Renamed, never deleted: whatever the file holds stays for whoever wants it. Its WAL and
// shared-memory files go with it, as they belong to it.
bool TallyArchive::set_aside(const QString& why) {
    drop_connection();
    const QString aside = move_aside(path_, {QStringLiteral("-wal"), QStringLiteral("-shm")});
    if (aside.isEmpty()) {
        return fail(QStringLiteral("无法把损坏的历史文件移开：%1\r\n%2")
                        .arg(path_, QString::fromLocal8Bit(std::strerror(errno))));
    }
    notice_ = QStringLiteral("PK历史文件%1，已原样另存为：\r\n%2\r\n并新建了一个历史文件，"
                             "之后的PK照常保存。")
                  .arg(why, aside);
    return true;
}

bool TallyArchive::open() {
    // A file moved or replaced under an open connection would take rows nobody ever sees
    // again; the name is what counts, so a new file under it is opened afresh.
    struct stat named {};
    if (open_ && ::stat(QFile::encodeName(path_).constData(), &named) == 0 &&
        named.st_dev == opened_device_ && named.st_ino == opened_inode_) {
        return true;
    }
    drop_connection();
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE"))) {
        return fail(QStringLiteral("缺少 SQLite 数据库驱动（libqt6sql6-sqlite）"));
    }
    if (!QDir().mkpath(QFileInfo(path_).absolutePath())) {
        return fail(QStringLiteral("无法建立文件夹：") + QFileInfo(path_).absolutePath());
    }
    busy_ = false;
    for (int attempt = 0; attempt < 2; ++attempt) {
        // Made here rather than by SQLite, so that it is the host's alone from the start; its
        // WAL and shared-memory files take the same mode from it.
        const int made = ::open(QFile::encodeName(path_).constData(),
                                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (made >= 0) {
            ::close(made);
        }
        // SQLite follows links; a link, a folder or a device under the name is not ours.
        struct stat info {};
        if (::lstat(QFile::encodeName(path_).constData(), &info) == 0 && !S_ISREG(info.st_mode)) {
            if (!set_aside(QStringLiteral("不是普通文件"))) {
                return false;
            }
            continue;
        }
        switch (connect_file()) {
        case Opening::ok:
            open_ = true;
            if (!migrate()) {
                drop_connection();
                return false;
            }
            // Only once the file is known to be ours: the mode is written into it. Readers
            // (the history window) then never wait for a PK being kept.
            QSqlQuery(QSqlDatabase::database(connection_, false))
                .exec(QStringLiteral("PRAGMA journal_mode=WAL"));
            if (struct stat opened{}; ::stat(QFile::encodeName(path_).constData(), &opened) == 0) {
                opened_device_ = opened.st_dev;
                opened_inode_ = opened.st_ino;
            }
            return true;
        case Opening::damaged:
            drop_connection();
            if (!set_aside(QStringLiteral("已损坏"))) {
                return false;
            }
            continue;
        case Opening::busy:
            drop_connection();
            return false;
        case Opening::failed:
            drop_connection();
            return false;
        }
    }
    return fail(QStringLiteral("无法建立新的历史文件：") + path_);
}

// Every handle on the connection is gone when this returns, so it can be dropped.
TallyArchive::Opening TallyArchive::connect_file() {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
    db.setDatabaseName(path_);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busy_wait_ms_));
    if (!db.open()) {
        const int code = sqlite_code(db.lastError());
        fail(QStringLiteral("无法打开历史文件：%1\r\n%2").arg(path_, db.lastError().text()), code);
        return is_damage(code) ? Opening::damaged : busy_ ? Opening::busy : Opening::failed;
    }
    QSqlQuery query(db);
    // SQLite reads the file only now: a file that is no database fails here, and one that
    // another program holds locked answers busy.
    if (!query.exec(QStringLiteral("PRAGMA quick_check"))) {
        const int code = sqlite_code(query.lastError());
        fail(QStringLiteral("无法读取历史文件：%1\r\n%2").arg(path_, query.lastError().text()),
             code);
        return is_damage(code) ? Opening::damaged : busy_ ? Opening::busy : Opening::failed;
    }
    const bool whole = query.next() && query.value(0).toString() == QStringLiteral("ok");
    return whole ? Opening::ok : Opening::damaged;
}

bool TallyArchive::migrate() {
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next()) {
        return fail(query.lastError().text(), sqlite_code(query.lastError()));
    }
    const int version = query.value(0).toInt();
    query.finish();
    if (version > migrations.size()) {
        // A newer program's file: left as it is rather than guessed at.
        return fail(QStringLiteral("历史文件来自更新版本的程序，这一版无法写入：") + path_);
    }
    for (int step = version; step < migrations.size(); ++step) {
        if (!db.transaction()) {
            return fail(db.lastError().text(), sqlite_code(db.lastError()));
        }
        QStringList statements = migrations[step];
        statements << QStringLiteral("PRAGMA user_version = %1").arg(step + 1);
        for (const QString& statement : statements) {
            if (!query.exec(statement)) {
                const QSqlError error = query.lastError();
                db.rollback();
                return fail(error.text(), sqlite_code(error));
            }
        }
        if (!db.commit()) {
            const QSqlError error = db.lastError();
            db.rollback();
            return fail(error.text(), sqlite_code(error));
        }
    }
    return true;
}

bool TallyArchive::save(const ArchivedPk& pk, const QString& key) {
    if (!open()) {
        return false;
    }
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    // IMMEDIATE: the write lock is taken at the start, where a busy file is waited for, and
    // never half-way through the rows.
    QSqlQuery begin(db);
    if (!begin.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
        return fail(begin.lastError().text(), sqlite_code(begin.lastError()));
    }
    QSqlQuery query(db);
    const auto run = [&query] { return query.exec(); };
    bool ok = query.prepare(QStringLiteral(
                  "DELETE FROM addition WHERE pk IN (SELECT id FROM pk WHERE key = ?)")) &&
              (query.addBindValue(key), run()) &&
              query.prepare(QStringLiteral("DELETE FROM pk WHERE key = ?")) &&
              (query.addBindValue(key), run()) &&
              query.prepare(QStringLiteral(
                  "INSERT INTO pk (key, started, ended, name_one, name_two, total_one, "
                  "total_two, winner) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"));
    if (ok) {
        for (const QVariant& value :
             {QVariant(key), QVariant(pk.started.toString(time_format)),
              QVariant(pk.ended.toString(time_format)), QVariant(pk.name_one),
              QVariant(pk.name_two), QVariant(pk.total_one), QVariant(pk.total_two),
              QVariant(winner_code(pk.winner))}) {
            query.addBindValue(value);
        }
        ok = run();
    }
    const qint64 id = ok ? query.lastInsertId().toLongLong() : 0;
    // The additions go through SQLite's own prepared statement, on the connection Qt holds
    // and inside its transaction: Qt's driver looks every bound value up again on each run,
    // a cost an hour-long PK, kept in the one save the host waits for, pays thousands of times.
    const auto give_up = [&](const QString& error, int code) {
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        return fail(QStringLiteral("PK没有存入历史：") + error, code);
    };
    if (ok) {
        int code = 0;
        const QString error = insert_additions(db, id, pk.additions, &code);
        if (!error.isEmpty()) {
            return give_up(error, code);
        }
    }
    if (!ok) {
        return give_up(query.lastError().text(), sqlite_code(query.lastError()));
    }
    QSqlQuery commit(db);
    if (!commit.exec(QStringLiteral("COMMIT"))) {
        return give_up(commit.lastError().text(), sqlite_code(commit.lastError()));
    }
    busy_ = false;
    return true;
}

QList<ArchivedPk> TallyArchive::list(const ArchiveFilter& filter) {
    QList<ArchivedPk> found;
    if (!open()) {
        return found;
    }
    QSqlQuery query(QSqlDatabase::database(connection_, false));
    QString sql = QStringLiteral("SELECT id, started, ended, name_one, name_two, total_one, "
                                 "total_two, winner FROM pk WHERE 1");
    QVariantList values;
    if (filter.from.isValid()) {
        sql += QStringLiteral(" AND started >= ?");
        values << filter.from.toString(Qt::ISODate);
    }
    if (filter.to.isValid()) {
        sql += QStringLiteral(" AND started < ?");
        values << filter.to.addDays(1).toString(Qt::ISODate);
    }
    if (!filter.name.isEmpty()) {
        sql += QStringLiteral(" AND (name_one = ? OR name_two = ?)");
        values << filter.name << filter.name;
    }
    sql += QStringLiteral(" ORDER BY started DESC, id DESC");
    if (!query.prepare(sql)) {
        fail(query.lastError().text());
        return found;
    }
    for (const QVariant& value : values) {
        query.addBindValue(value);
    }
    if (!query.exec()) {
        fail(query.lastError().text());
        return found;
    }
    while (query.next()) {
        ArchivedPk pk;
        pk.id = query.value(0).toLongLong();
        pk.started = QDateTime::fromString(query.value(1).toString(), time_format);
        pk.ended = QDateTime::fromString(query.value(2).toString(), time_format);
        pk.name_one = query.value(3).toString();
        pk.name_two = query.value(4).toString();
        pk.total_one = query.value(5).toString();
        pk.total_two = query.value(6).toString();
        pk.winner = winner_of(query.value(7).toInt());
        found.append(pk);
    }
    return found;
}

QList<TallyAddition> TallyArchive::additions(qint64 id) {
    QList<TallyAddition> found;
    if (!open()) {
        return found;
    }
    QSqlQuery query(QSqlDatabase::database(connection_, false));
    query.prepare(QStringLiteral("SELECT time, player, name, amount, total_one, total_two, "
                                 "undone, source FROM addition WHERE pk = ? ORDER BY seq"));
    query.addBindValue(id);
    if (!query.exec()) {
        fail(query.lastError().text());
        return found;
    }
    while (query.next()) {
        TallyAddition addition;
        addition.time = QDateTime::fromString(query.value(0).toString(), time_format);
        addition.player = query.value(1).toInt();
        addition.name = query.value(2).toString();
        addition.amount = query.value(3).toString();
        addition.after.total_one = query.value(4).toString();
        addition.after.total_two = query.value(5).toString();
        addition.undone = query.value(6).toInt() != 0;
        addition.source = query.value(7).toString();
        found.append(addition);
    }
    return found;
}

} // namespace glimmer
