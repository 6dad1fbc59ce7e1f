#include "games/tally/tally_history.h"
#include "games/tally/tally_journal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace glimmer;

namespace {

// "99:198 flag2 相差：99": totals, where the flag stands (or "hidden"), difference line.
QString board_text(const TallyBoard& board) {
    const QString flag = !board.markers_shown    ? QStringLiteral("hidden")
                         : board.flag_beside_one ? QStringLiteral("flag1")
                                                 : QStringLiteral("flag2");
    return board.total_one + ':' + board.total_two + ' ' + flag + ' ' + board.difference;
}

const QDateTime when = QDateTime(QDate(2026, 12, 8), QTime(20, 15, 7));

// Runs "1+99 2+198 u r" (player+amount, undo, redo) and returns the events it made.
QList<JournalEvent> run_script(const QString& script, TallyHistory& history, TallyBoard& board) {
    QList<JournalEvent> events;
    for (const QString& step : script.split(' ', Qt::SkipEmptyParts)) {
        if (step == QStringLiteral("u") || step == QStringLiteral("r")) {
            const bool undo = step == QStringLiteral("u");
            if (const TallyBoard* next = undo ? history.undo() : history.redo()) {
                board = *next;
                events.append(
                    {undo ? JournalEvent::Kind::undo : JournalEvent::Kind::redo, {}, 1, {}, {}});
            }
            continue;
        }
        const int player = step.section('+', 0, 0).toInt();
        const QString amount = step.section('+', 1);
        const QString name = player == 1 ? QStringLiteral("阿一") : QStringLiteral("阿二");
        board = history.add(board, when, player, name, amount).after;
        events.append({JournalEvent::Kind::addition, when, player, name, amount});
    }
    return events;
}

} // namespace

class TallyHistoryTest : public QObject {
    Q_OBJECT
private slots:
    void undo_and_redo_restore_whole_boards_data();
    void undo_and_redo_restore_whole_boards();
    void a_new_addition_drops_the_redo_history_but_keeps_the_record();
    void the_chart_steps_over_the_additions_in_force_data();
    void the_chart_steps_over_the_additions_in_force();
    void replaying_the_journal_gives_the_same_pk();
    void the_journal_keeps_who_added_from_outside();
    void record_cells_never_start_a_formula_data();
    void record_cells_never_start_a_formula();
    void torn_or_damaged_journals_keep_their_whole_entries_data();
    void torn_or_damaged_journals_keep_their_whole_entries();
    void what_stands_under_a_journal_name_is_left_alone_data();
    void what_stands_under_a_journal_name_is_left_alone();
    void a_damaged_journal_is_put_aside_whole();
    void a_second_program_gets_a_journal_of_its_own();
};

void TallyHistoryTest::undo_and_redo_restore_whole_boards_data() {
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("board");

    QTest::newRow("undo all gives the opening board") << "1+5 2+5 2+1 u u u"
                                                      << "0:0 flag1 相差：0";
    QTest::newRow("tie keeps the last difference") << "1+10 2+10"
                                                   << "10:10 hidden 相差：10";
    QTest::newRow("undo a tie shows markers again") << "1+10 2+10 u"
                                                    << "10:0 flag1 相差：10";
    QTest::newRow("redo a tie hides them again") << "1+10 2+10 u r"
                                                 << "10:10 hidden 相差：10";
    QTest::newRow("undo a leader change") << "2+99 2+99 1+297 u"
                                          << "0:198 flag2 相差：198";
    QTest::newRow("redo a leader change") << "2+99 2+99 1+297 u r"
                                          << "297:198 flag1 相差：99";
    QTest::newRow("undo back into a tie") << "1+7 2+7 2+3 u"
                                          << "7:7 hidden 相差：7";
    QTest::newRow("tie after a lead keeps the old gap") << "2+9999 1+9999 u u 1+1 2+1"
                                                        << "1:1 hidden 相差：1";
}

void TallyHistoryTest::undo_and_redo_restore_whole_boards() {
    QFETCH(QString, script);
    QFETCH(QString, board);
    TallyHistory history;
    TallyBoard shown;
    run_script(script, history, shown);
    QCOMPARE(board_text(shown), board);
}

void TallyHistoryTest::a_new_addition_drops_the_redo_history_but_keeps_the_record() {
    TallyHistory history;
    TallyBoard board;
    run_script("1+5 1+6 u u 2+3 r", history, board);
    QCOMPARE(board_text(board), QStringLiteral("0:3 flag2 相差：3"));
    QVERIFY(!history.can_redo());
    QCOMPARE(history.record().size(), 3);
    QCOMPARE(record_row(history.record()[0]),
             QStringList({"2026-12-08 20:15:07", "阿一", "5", "5", "0", "已撤销", ""}));
    QVERIFY(history.record()[1].undone);
    QCOMPARE(record_row(history.record()[2]),
             QStringList({"2026-12-08 20:15:07", "阿二", "3", "0", "3", "", ""}));
    // Only the addition in force can be undone now.
    QVERIFY(history.undo() != nullptr);
    QVERIFY(history.undo() == nullptr);
}

void TallyHistoryTest::the_chart_steps_over_the_additions_in_force_data() {
    QTest::addColumn<QString>("script");
    QTest::addColumn<int>("end");     // seconds after the start; -1 for none
    QTest::addColumn<QString>("one"); // second@total, each point of player one's steps
    QTest::addColumn<QString>("two");
    QTest::newRow("steps, held to the end") << "1+5 2+3 1+2" << 9 << "0@0 0@5 1@5 1@5 2@5 2@7 9@7"
                                            << "0@0 0@0 1@0 1@3 2@3 2@3 9@3";
    // The 9999 was never on the board for long: the chart must not peak on it.
    QTest::newRow("undone left out") << "1+9999 u 1+5" << -1 << "2@0 2@5"
                                     << "2@0 2@0";
    QTest::newRow("nothing in force") << "1+5 u" << 9 << ""
                                      << "";
}

void TallyHistoryTest::the_chart_steps_over_the_additions_in_force() {
    QFETCH(QString, script);
    QFETCH(int, end);
    TallyHistory history;
    TallyBoard board;
    const QStringList steps = script.split(u' ');
    for (qsizetype i = 0; i < steps.size(); ++i) {
        if (steps[i] == u"u") {
            board = *history.undo();
            continue;
        }
        const int player = steps[i].section(u'+', 0, 0).toInt();
        board = history.add(board, when.addSecs(i), player, {}, steps[i].section(u'+', 1)).after;
    }
    const TotalSteps chart =
        total_steps(history.record(), end < 0 ? QDateTime() : when.addSecs(end));
    const auto text = [](const QList<QPointF>& points) {
        QStringList words;
        for (const QPointF& point : points) {
            words << QStringLiteral("%1@%2")
                         .arg((qint64(point.x()) - when.toMSecsSinceEpoch()) / 1000)
                         .arg(point.y());
        }
        return words.join(u' ');
    };
    QTEST(text(chart.one), "one");
    QTEST(text(chart.two), "two");
}

void TallyHistoryTest::replaying_the_journal_gives_the_same_pk() {
    TallyHistory live;
    TallyBoard board;
    const QList<JournalEvent> events =
        run_script("2+99 1+9,9 1+\"x\" u 2+1 1+99 u r 2+-1", live, board);
    QByteArray bytes;
    for (const JournalEvent& event : events) {
        bytes += journal_line(event);
    }
    const JournalContents read = read_journal(bytes);
    QCOMPARE(read.events.size(), events.size());
    QCOMPARE(read.whole_bytes, bytes.size());

    TallyHistory replayed;
    QCOMPARE(board_text(replay_journal(read.events, replayed)), board_text(board));
    QCOMPARE(record_csv(replayed), record_csv(live));
}

void TallyHistoryTest::the_journal_keeps_who_added_from_outside() {
    const QDateTime when(QDate(2026, 12, 9), QTime(20, 0));
    const QByteArray phone = journal_line(
        {JournalEvent::Kind::addition, when, 1, "阿一", "5", {}, QStringLiteral("手机：小王")});
    const QByteArray host = journal_line({JournalEvent::Kind::addition, when, 2, "阿二", "3"});
    // The host's own additions are written as before, so older journals and keys stay as they were.
    QVERIFY(!host.contains("source"));
    TallyHistory replayed;
    replay_journal(read_journal(phone + host).events, replayed);
    QCOMPARE(replayed.record()[0].source, QStringLiteral("手机：小王"));
    QVERIFY(replayed.record()[1].source.isEmpty());
    QCOMPARE(record_row(replayed.record()[0]).last(), QStringLiteral("手机：小王"));
}

void TallyHistoryTest::record_cells_never_start_a_formula_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QByteArray>("row_start"); // the row as written, up to the totals
    QTest::newRow("plain") << "阿一"
                           << "99" << QByteArray("阿一,99,");
    QTest::newRow("formula name") << R"(=HYPERLINK("http://x","y"))"
                                  << "5"
                                  << QByteArray(R"csv("'=HYPERLINK(""http://x"",""y"")",5,)csv");
    QTest::newRow("plus, minus, at") << "+a"
                                     << "-1x" << QByteArray("'+a,'-1x,");
    QTest::newRow("at") << "@SUM(A1)"
                        << "1" << QByteArray("'@SUM(A1),1,");
    QTest::newRow("tab and carriage return") << "\tx"
                                             << "\r1" << QByteArray("'\tx,\"'\r1\",");
    QTest::newRow("signed numbers stay numbers") << "-"
                                                 << "-5.5e3" << QByteArray("'-,-5.5e3,");
    QTest::newRow("plus number") << "x"
                                 << "+12" << QByteArray("x,+12,");
}

void TallyHistoryTest::record_cells_never_start_a_formula() {
    QFETCH(QString, name);
    QFETCH(QString, amount);
    QFETCH(QByteArray, row_start);
    TallyHistory history;
    history.add({}, when, 1, name, amount);
    const QByteArray csv = record_csv(history);
    const QByteArray row = csv.mid(csv.indexOf("\r\n") + 2);
    QCOMPARE(row.left(20), QByteArray("2026-12-08 20:15:07,"));
    QCOMPARE(row.mid(20, row_start.size()), row_start);
}

void TallyHistoryTest::torn_or_damaged_journals_keep_their_whole_entries_data() {
    const QByteArray add =
        R"({"op":"add","time":"2026-12-08T20:15:07","player":2,"name":"n","amount":"9"})";
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("events");
    QTest::addColumn<int>("unreadable");
    QTest::addColumn<bool>("damaged");

    QTest::newRow("empty") << QByteArray() << 0 << 0 << false;
    QTest::newRow("whole") << add + "\n" + add + "\n" << 2 << 0 << false;
    QTest::newRow("torn last line") << add + "\n" + add.left(20) << 1 << 0 << false;
    QTest::newRow("last line whole but unended") << add + "\n" + add << 1 << 0 << false;
    QTest::newRow("a damaged line costs only itself")
        << add + "\n" + "\x01\xff{garbage\n" + add + "\n"
        << 2 << 1 << true;
    QTest::newRow("unknown step") << add + "\n{\"op\":\"erase\"}\n" << 1 << 1 << true;
    QTest::newRow("bad time") << QByteArray(add).replace("20:15", "25:15") + "\n" << 0 << 1 << true;
    QTest::newRow("zero bytes after a power cut")
        << add + "\n" + QByteArray(300, '\0') << 1 << 0 << true;
    QTest::newRow("not a journal at all") << QByteArray("PK notes, no line end") << 0 << 0 << true;
}

void TallyHistoryTest::torn_or_damaged_journals_keep_their_whole_entries() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, events);
    QFETCH(int, unreadable);
    QFETCH(bool, damaged);
    const JournalContents read = read_journal(bytes);
    QCOMPARE(read.events.size(), events);
    QCOMPARE(read.unreadable, unreadable);
    QCOMPARE(read.damaged(), damaged);
    QCOMPARE(read.whole_bytes, bytes.lastIndexOf('\n') + 1);
    for (const JournalEvent& event : read.events) {
        QCOMPARE(event.amount, QStringLiteral("9"));
        QCOMPARE(event.player, 2);
        QCOMPARE(event.time, when);
    }
}

void TallyHistoryTest::what_stands_under_a_journal_name_is_left_alone_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("link to a file") << "link";
    QTest::newRow("dangling link") << "dangling";
    QTest::newRow("fifo") << "fifo";
    QTest::newRow("folder") << "folder";
}

void TallyHistoryTest::what_stands_under_a_journal_name_is_left_alone() {
    QFETCH(QString, kind);
    QTemporaryDir dir;
    const QString name = journal_path(dir.path(), 1);
    const QString target = dir.filePath("precious.txt");
    const QByteArray precious = "the host's own file\n";
    QFile file(target);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(precious) == precious.size());
    file.close();
    if (kind == "link") {
        QVERIFY(QFile::link(target, name));
    } else if (kind == "dangling") {
        QVERIFY(QFile::link(dir.filePath("nowhere"), name));
    } else if (kind == "fifo") {
        QCOMPARE(::mkfifo(QFile::encodeName(name).constData(), 0600), 0);
    } else {
        QVERIFY(QDir().mkdir(name));
    }
    const QFileInfo before(name);
    {
        TallyJournal journal;
        QVERIFY(journal.open(dir.path()));
        QCOMPARE(journal.path(), journal_path(dir.path(), 2));
        QVERIFY(journal.append({JournalEvent::Kind::addition, when, 1, "a", "9"}));
        QVERIFY(journal.protecting());
    }
    const QFileInfo after(name);
    QCOMPARE(after.isSymLink(), before.isSymLink());
    QCOMPARE(after.isDir(), before.isDir());
    QCOMPARE(after.exists() || after.isSymLink(), true);
    QVERIFY(!QFile::exists(dir.filePath("nowhere")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), precious);
}

void TallyHistoryTest::a_damaged_journal_is_put_aside_whole() {
    QTemporaryDir dir;
    const QByteArray add = journal_line({JournalEvent::Kind::addition, when, 1, "a", "9"});
    const QByteArray damaged = add + "garbage\n" + add + add;
    QFile left(journal_path(dir.path(), 1));
    QVERIFY(left.open(QIODevice::WriteOnly) && left.write(damaged) == damaged.size());
    left.close();

    TallyJournal journal;
    QVERIFY(journal.open(dir.path()));
    QCOMPARE(journal.leftover().events.size(), 3);
    QCOMPARE(journal.leftover().unreadable, 1);
    QFile aside(journal.set_aside_path());
    QVERIFY(aside.open(QIODevice::ReadOnly));
    QCOMPARE(aside.readAll(), damaged);
    QVERIFY(journal.keep_leftover());
    QVERIFY(journal.append({JournalEvent::Kind::undo, {}, 1, {}, {}}));
    QCOMPARE(journal.path(), left.fileName());
    QVERIFY(left.open(QIODevice::ReadOnly));
    const JournalContents now = read_journal(left.readAll());
    QCOMPARE(now.events.size(), 4);
    QVERIFY(!now.damaged());
    journal.close();
    QVERIFY(!left.exists());
    QVERIFY(aside.exists()); // only what the program wrote goes when the PK ends
}

void TallyHistoryTest::a_second_program_gets_a_journal_of_its_own() {
    QTemporaryDir dir;
    const JournalEvent add{JournalEvent::Kind::addition, when, 1, "a", "9"};
    TallyJournal first;
    QVERIFY(first.open(dir.path()));
    QVERIFY(first.append(add));

    // The first program is still running its PK: the second must neither offer it nor touch it.
    TallyJournal second;
    QVERIFY(second.open(dir.path()));
    QVERIFY(second.path() != first.path());
    QVERIFY(!second.leftover().has_additions());
    QVERIFY(second.append(add) && second.append(add));

    first.close();
    QVERIFY(!QFile::exists(journal_path(dir.path(), 1)));
    QFile file(second.path());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(read_journal(file.readAll()).events.size(), 2);
    file.close();

    // A PK left behind by a dead program is kept for an opening that offers it, not taken
    // over by a window that only needs somewhere to write.
    QFile left(journal_path(dir.path(), 1));
    QVERIFY(left.open(QIODevice::WriteOnly));
    left.write(journal_line(add));
    left.close();
    TallyJournal third;
    QVERIFY(third.open(dir.path(), false));
    QVERIFY(third.path() != left.fileName() && third.path() != second.path());
    QVERIFY(third.append(add));
    QCOMPARE(QFileInfo(left.fileName()).size(), journal_line(add).size());
    TallyJournal fourth;
    QVERIFY(fourth.open(dir.path()));
    QCOMPARE(fourth.path(), left.fileName());
    QVERIFY(fourth.leftover().has_additions());
}

QTEST_GUILESS_MAIN(TallyHistoryTest)
#include "tst_tally_history.moc"
