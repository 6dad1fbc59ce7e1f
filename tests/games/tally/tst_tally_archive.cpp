#include "games/tally/tally_archive.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using namespace glimmer;

namespace {

QByteArray file_bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A PK of three additions, the second one undone.
ArchivedPk sample_pk() {
    TallyHistory history;
    const QDateTime start(QDate(2026, 3, 1), QTime(20, 0));
    TallyBoard board = history.add({}, start, 1, QStringLiteral("甲"), QStringLiteral("10")).after;
    board =
        history.add(board, start.addSecs(5), 2, QStringLiteral("乙"), QStringLiteral("99")).after;
    board = *history.undo();
    board = history
                .add(board, start.addSecs(9), 2, QStringLiteral("乙"), QStringLiteral("4"),
                     QStringLiteral("手机：小王"))
                .after;
    return archived_pk(history, board, QStringLiteral("一"), QStringLiteral("二"),
                       start.addSecs(60));
}

// Writes a history file as another version of the program left it; false if a statement
// failed.
bool write_database(const QString& path, std::initializer_list<const char*> statements) {
    bool written = true;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("written"));
        db.setDatabaseName(path);
        written = db.open();
        QSqlQuery query(db);
        for (const char* statement : statements) {
            written = written && query.exec(QString::fromUtf8(statement));
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("written"));
    return written;
}

} // namespace

class TallyArchiveTest : public QObject {
    Q_OBJECT
private slots:
    void a_pk_is_kept_whole_and_once_per_key();
    void a_file_that_is_no_database_of_ours_is_moved_aside_data();
    void a_file_that_is_no_database_of_ours_is_moved_aside();
    void a_file_of_the_first_version_gains_the_source();
    void a_newer_programs_file_is_left_alone();
    void listing_filters_by_date_and_name();
};

void TallyArchiveTest::a_pk_is_kept_whole_and_once_per_key() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("history.sqlite"));
    {
        TallyArchive archive(path);
        QVERIFY(archive.save(sample_pk(), QStringLiteral("k1")));
        QVERIFY(archive.save(sample_pk(), QStringLiteral("k1")));
        QVERIFY(archive.take_notice().isEmpty());
    }
    TallyArchive archive(path); // as the next program run finds it
    const QList<ArchivedPk> kept = archive.list();
    QCOMPARE(kept.size(), 1);
    QCOMPARE(kept[0].name_one, QStringLiteral("甲"));
    QCOMPARE(kept[0].name_two, QStringLiteral("乙"));
    QCOMPARE(kept[0].total_one + ':' + kept[0].total_two, QStringLiteral("10:4"));
    QCOMPARE(kept[0].winner, Leader::player_one);
    QCOMPARE(kept[0].started, QDateTime(QDate(2026, 3, 1), QTime(20, 0)));
    QCOMPARE(kept[0].ended, QDateTime(QDate(2026, 3, 1), QTime(20, 1)));
    QStringList steps;
    for (const TallyAddition& a : archive.additions(kept[0].id)) {
        steps << QStringLiteral("%1 %2 %3 %4:%5%6")
                         .arg(a.time.toString(QStringLiteral("ss")), QString::number(a.player),
                              a.amount, a.after.total_one, a.after.total_two,
                              a.undone ? QStringLiteral(" undone") : QString()) +
                     (a.source.isEmpty() ? QString() : u' ' + a.source);
    }
    QCOMPARE(steps,
             QStringList({"00 1 10 10:0", "05 2 99 10:99 undone", "09 2 4 10:4 手机：小王"}));

    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("peek"));
    db.setDatabaseName(path);
    QVERIFY(db.open());
    {
        QSqlQuery query(db);
        QVERIFY(query.exec(QStringLiteral("PRAGMA user_version")) && query.next());
        QCOMPARE(query.value(0).toInt(), 2);
        QVERIFY(query.exec(QStringLiteral("PRAGMA journal_mode")) && query.next());
        QCOMPARE(query.value(0).toString(), QStringLiteral("wal"));
    }
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("peek"));
}

void TallyArchiveTest::a_file_that_is_no_database_of_ours_is_moved_aside_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("link");
    QTest::newRow("text") << QByteArray("not a database at all\n") << false;
    QByteArray torn("SQLite format 3");
    torn.append('\0');
    torn.append(QByteArray(4000, '\x7f'));
    QTest::newRow("torn database") << torn << false;
    QTest::newRow("link to someone's file") << QByteArray("theirs") << true;
}

void TallyArchiveTest::a_file_that_is_no_database_of_ours_is_moved_aside() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, link);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("history.sqlite"));
    const QString target = link ? dir.filePath(QStringLiteral("theirs.txt")) : path;
    QFile file(target);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    if (link) {
        QVERIFY(QFile::link(target, path));
    }
    TallyArchive archive(path);
    QVERIFY(archive.save(sample_pk(), QStringLiteral("k")));
    QCOMPARE(archive.list().size(), 1);
    const QStringList aside = QDir(dir.path())
                                  .entryList({QStringLiteral("history.sqlite.damaged-*")},
                                             QDir::Files | QDir::System | QDir::Hidden);
    QCOMPARE(aside.size(), 1);
    // Kept whole, and a link still leads to the untouched file it named.
    QCOMPARE(file_bytes(dir.filePath(aside[0])), bytes);
    if (link) {
        QCOMPARE(file_bytes(target), bytes);
    }
    const QString notice = archive.take_notice();
    QVERIFY2(notice.contains(dir.filePath(aside[0])), qPrintable(notice));
    QVERIFY(archive.take_notice().isEmpty()); // told once
}

void TallyArchiveTest::a_file_of_the_first_version_gains_the_source() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("history.sqlite"));
    // As the program wrote it before additions had a source.
    QVERIFY(write_database(
        path, {"CREATE TABLE pk (id INTEGER PRIMARY KEY, key TEXT NOT NULL UNIQUE, started TEXT "
               "NOT NULL, ended TEXT NOT NULL, name_one TEXT NOT NULL, name_two TEXT NOT NULL, "
               "total_one TEXT NOT NULL, total_two TEXT NOT NULL, winner INTEGER NOT NULL)",
               "CREATE INDEX pk_started ON pk (started)",
               "CREATE TABLE addition (pk INTEGER NOT NULL REFERENCES pk (id), seq INTEGER NOT "
               "NULL, time TEXT NOT NULL, player INTEGER NOT NULL, name TEXT NOT NULL, amount "
               "TEXT NOT NULL, total_one TEXT NOT NULL, total_two TEXT NOT NULL, undone INTEGER "
               "NOT NULL, PRIMARY KEY (pk, seq))",
               "INSERT INTO pk VALUES (1, 'old', '2026-01-01T20:00:00', '2026-01-01T20:01:00', "
               "'甲', '乙', '5', '0', 1)",
               "INSERT INTO addition VALUES (1, 0, '2026-01-01T20:00:00', 1, '甲', '5', '5', '0', "
               "0)",
               "PRAGMA user_version = 1"}));
    TallyArchive archive(path);
    const QList<ArchivedPk> kept = archive.list();
    QCOMPARE(kept.size(), 1);
    const QList<TallyAddition> additions = archive.additions(kept[0].id);
    QCOMPARE(additions.size(), 1);
    QCOMPARE(additions[0].amount, QStringLiteral("5"));
    QVERIFY(additions[0].source.isEmpty());
    QVERIFY(archive.save(sample_pk(), QStringLiteral("new")));
    QCOMPARE(archive.list().size(), 2);
}

void TallyArchiveTest::a_newer_programs_file_is_left_alone() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("history.sqlite"));
    QVERIFY(write_database(path, {"PRAGMA user_version = 99"}));
    const QByteArray before = file_bytes(path);
    TallyArchive archive(path);
    QVERIFY(!archive.save(sample_pk(), QStringLiteral("k")));
    QVERIFY(!archive.problem().isEmpty());
    QCOMPARE(file_bytes(path), before);
    QCOMPARE(QDir(dir.path())
                 .entryList({QStringLiteral("*damaged*")}, QDir::AllEntries | QDir::System)
                 .size(),
             0);
}

void TallyArchiveTest::listing_filters_by_date_and_name() {
    QTemporaryDir dir;
    TallyArchive archive(dir.filePath(QStringLiteral("history.sqlite")));
    ArchivedPk pk = sample_pk();
    QVERIFY(archive.save(pk, QStringLiteral("a"))); // 2026-03-01, 甲 and 乙
    pk.started = pk.started.addDays(1);
    pk.name_two = QStringLiteral("丙");
    QVERIFY(archive.save(pk, QStringLiteral("b"))); // 2026-03-02, 甲 and 丙
    const auto count = [&](ArchiveFilter filter) { return archive.list(filter).size(); };
    QCOMPARE(count({}), 2);
    QCOMPARE(count({QDate(2026, 3, 2), {}, {}}), 1);
    QCOMPARE(count({{}, QDate(2026, 3, 1), {}}), 1);
    QCOMPARE(count({QDate(2026, 3, 1), QDate(2026, 3, 2), QStringLiteral("乙")}), 1);
    QCOMPARE(count({{}, {}, QStringLiteral("甲")}), 2);
    QCOMPARE(count({{}, {}, QStringLiteral("甲 ")}), 0);             // names match exactly
    QCOMPARE(archive.list().first().name_two, QStringLiteral("丙")); // newest first
}

QTEST_GUILESS_MAIN(TallyArchiveTest)
#include "tst_tally_archive.moc"
