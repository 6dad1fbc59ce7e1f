#include "games/tally/tally_history.h"
#include "games/tally/tally_journal.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

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
    void replaying_the_journal_gives_the_same_pk();
    void torn_or_damaged_journals_keep_their_whole_entries_data();
    void torn_or_damaged_journals_keep_their_whole_entries();
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
             QStringList({"2026-12-08 20:15:07", "阿一", "5", "5", "0", "已撤销"}));
    QVERIFY(history.record()[1].undone);
    QCOMPARE(record_row(history.record()[2]),
             QStringList({"2026-12-08 20:15:07", "阿二", "3", "0", "3", ""}));
    // Only the addition in force can be undone now.
    QVERIFY(history.undo() != nullptr);
    QVERIFY(history.undo() == nullptr);
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

void TallyHistoryTest::torn_or_damaged_journals_keep_their_whole_entries_data() {
    const QByteArray add =
        R"({"op":"add","time":"2026-12-08T20:15:07","player":2,"name":"n","amount":"9"})";
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("events");
    QTest::addColumn<int>("whole_bytes");

    QTest::newRow("empty") << QByteArray() << 0 << 0;
    QTest::newRow("whole") << add + "\n" + add + "\n" << 2 << int(2 * add.size() + 2);
    QTest::newRow("torn last line") << add + "\n" + add.left(20) << 1 << int(add.size() + 1);
    QTest::newRow("last line whole but unended") << add + "\n" + add << 1 << int(add.size() + 1);
    QTest::newRow("damaged line stops the reading")
        << add + "\n" + "\x01\xff{garbage\n" + add + "\n"
        << 1 << int(add.size() + 1);
    QTest::newRow("unknown step") << add + "\n{\"op\":\"erase\"}\n" << 1 << int(add.size() + 1);
    QTest::newRow("zero bytes after a power cut")
        << add + "\n" + QByteArray(300, '\0') << 1 << int(add.size() + 1);
}

void TallyHistoryTest::torn_or_damaged_journals_keep_their_whole_entries() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, events);
    QFETCH(int, whole_bytes);
    const JournalContents read = read_journal(bytes);
    QCOMPARE(read.events.size(), events);
    QCOMPARE(read.whole_bytes, whole_bytes);
    if (events > 0) {
        QCOMPARE(read.events[0].amount, QStringLiteral("9"));
        QCOMPARE(read.events[0].player, 2);
    }
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
