#include "games/tally/tally_keeper.h"
#include "games/tally/tally_pk.h"
#include "games/tally/tally_rules.h"

#include <QDir>
#include <QJsonObject>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using namespace glimmer;

namespace {

// Looks for a leftover as the window does, beside it, and waits for the answer.
bool leftover_offered(TallyPk& pk) {
    pk.look_for_leftover();
    (void)QTest::qWaitFor([&pk] { return !pk.searching(); });
    return pk.asking();
}

// Everything handed to the history keeper so far is done.
void wait_for_the_keeper() {
    QVERIFY(TallyKeeper::instance().wait_until_idle(std::chrono::seconds(10)));
}

// "99:198 flag2 相差：99 p2": totals, flag (or "hidden"), difference line, selected player.
QString state_text(const TallyPk& pk) {
    const TallyBoard& board = pk.board();
    const QString flag = !board.markers_shown    ? QStringLiteral("hidden")
                         : board.flag_beside_one ? QStringLiteral("flag1")
                                                 : QStringLiteral("flag2");
    return board.total_one + ':' + board.total_two + ' ' + flag + ' ' + board.difference + " p" +
           QString::number(pk.selected_player());
}

} // namespace

class TallyPkTest : public QObject {
    Q_OBJECT
private slots:
    // Nothing the keeper was handed is still at work when a test's folder goes.
    void cleanup() { wait_for_the_keeper(); }
    void actions_play_the_pk_or_are_refused_data();
    void actions_play_the_pk_or_are_refused();
    void the_overlay_view_follows_every_change();
    void the_overlay_names_no_leader_on_level_totals_data();
    void the_overlay_names_no_leader_on_level_totals();
    void a_new_round_keeps_the_finished_pk_and_starts_at_zero();
    void a_pk_the_history_cannot_take_waits_in_its_journal_and_goes_in_later();
    void a_busy_history_is_waited_for_and_never_moved_aside_data();
    void a_busy_history_is_waited_for_and_never_moved_aside();
    void a_left_pk_the_host_declines_still_goes_into_the_history();
    void a_leftover_found_beside_the_window_is_asked_about_once_read();
};

void TallyPkTest::actions_play_the_pk_or_are_refused_data() {
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("state");
    QTest::addColumn<QStringList>("refusals"); // "!" marks one a window shows to the host
    // a<player>:<amount>, p<player>:<preset row>, u undo, r redo, s switch, c<player> select
    QTest::newRow("presets select their player") << "p2:2 p1:4"
                                                 << "9999:99 flag1 相差：9900 p1" << QStringList();
    QTest::newRow("typed amounts keep the selection")
        << "s a1:5 a1:0.5"
        << "5.5:0 flag1 相差：5.5 p2" << QStringList();
    QTest::newRow("a tie hides the markers, undo brings them back")
        << "a1:7 a2:7 u"
        << "7:0 flag1 相差：7 p1" << QStringList();
    QTest::newRow("redo after undo, and a new addition drops it")
        << "a2:3 u r u a1:1 r"
        << "1:0 flag1 相差：1 p1" << QStringList{"没有可以重做的加分"};
    QTest::newRow("nothing to undo")
        << "u r"
        << "0:0 flag1 相差：0 p1" << QStringList{"没有可以撤销的加分", "没有可以重做的加分"};
    QTest::newRow("empty and zero amounts")
        << "a1: a1:0 a2:00"
        << "0:0 hidden 相差：0 p1"
        << QStringList{"数量为空或为 0，没有计入", "数量为空或为 0，没有计入"};
    QTest::newRow("no such player or row")
        << "a3:5 p0:1 p1:5 p1:-1 c3"
        << "0:0 flag1 相差：0 p1"
        << QStringList{"!玩家只能是 1 或 2", "!玩家只能是 1 或 2", "玩家1没有第 6 个预设数量",
                       "玩家1没有第 0 个预设数量", "!玩家只能是 1 或 2"};
    const QString huge = added_total(QStringLiteral("0"), QStringLiteral("1e308"));
    QTest::newRow("past any number")
        << "a1:1e308 a1:1e308 p1:0" << huge + ":0 flag1 相差：" + huge + " p1"
        << QStringList{
               "!这次加分没有计入：加上 1e308 后总数会超出能计算的范围。\r\n总数保持不变。"};
    QTest::newRow("a gap past any number")
        << "a1:1e308 a2:-1e308" << huge + ":0 flag1 相差：" + huge + " p1"
        << QStringList{
               "!这次加分没有计入：加上 -1e308 后总数会超出能计算的范围。\r\n总数保持不变。"};
    // The record keeps what was added, never words that were not.
    QTest::newRow("words read as the number they give")
        << "a1:abc a2:12abc"
        << "0:12 flag2 相差：12 p1" << QStringList();
}

void TallyPkTest::actions_play_the_pk_or_are_refused() {
    QFETCH(QString, script);
    QFETCH(QString, state);
    QFETCH(QStringList, refusals);
    QTemporaryDir home;
    TallyConfig config;
    TallyPk pk(config, home.path(), QStringLiteral("http://x"));
    QStringList refused;
    for (const QString& step : script.split(' ')) {
        const int player = step.mid(1, 1).toInt();
        const QString rest = step.mid(3);
        Outcome outcome;
        switch (step[0].unicode()) {
        case 'a':
            outcome = pk.add_amount(player, rest);
            break;
        case 'p':
            outcome = pk.add_preset(player, rest.toInt());
            break;
        case 'u':
            outcome = pk.undo();
            break;
        case 'r':
            outcome = pk.redo();
            break;
        case 's':
            outcome = pk.switch_player();
            break;
        case 'c':
            outcome = pk.select_player(player);
            break;
        }
        if (!outcome.done()) {
            refused << (outcome.quiet ? QString() : QStringLiteral("!")) + outcome.reason;
        }
    }
    QCOMPARE(state_text(pk), state);
    QCOMPARE(refused, refusals);
}

void TallyPkTest::the_overlay_view_follows_every_change() {
    QTemporaryDir home;
    TallyConfig config;
    TallyPk pk(config, home.path(), QStringLiteral("http://x"));
    QSignalSpy changed(&pk, &TallyPk::state_changed);
    QVERIFY(pk.add_amount(2, QStringLiteral("12")).done());
    QVERIFY(!pk.redo().done());
    QCOMPARE(changed.count(), 1); // a refusal changes nothing
    TallyView view = pk.view();
    QCOMPARE(view.totals, (std::array<QString, 2>{"0", "12"}));
    QCOMPARE(view.leader, Leader::player_two);
    QCOMPARE(view.difference, QStringLiteral("12"));
    QVERIFY(pk.add_amount(1, QStringLiteral("12")).done());
    QCOMPARE(pk.view().leader, Leader::none);
    QVERIFY(pk.undo().done());
    QCOMPARE(changed.count(), 3);
    QCOMPARE(pk.view().leader, Leader::player_two);
    // Every step went to the journal, which goes when the PK ends.
    QFile journal(pk.journal().path());
    QVERIFY(journal.open(QIODevice::ReadOnly));
    QCOMPARE(read_journal(journal.readAll()).events.size(), 3);
    pk.end();
    wait_for_the_keeper();
    QVERIFY(!journal.exists());
}

void TallyPkTest::the_overlay_names_no_leader_on_level_totals_data() {
    QTest::addColumn<QString>("script"); // a<player>:<amount> adds, u undoes
    QTest::addColumn<QString>("leader");
    QTest::addColumn<QString>("difference"); // the gap there is, whatever the window keeps
    // The window's flag stands beside player one before anyone scores; viewers see nobody.
    QTest::newRow("at the start") << ""
                                  << "none"
                                  << "0";
    QTest::newRow("undone back to 0 : 0") << "a2:3 u"
                                          << "none"
                                          << "0";
    QTest::newRow("zero added") << "a1:00"
                                << "none"
                                << "0";
    QTest::newRow("a lead") << "a2:3"
                            << "two"
                            << "3";
    QTest::newRow("level again") << "a1:5 a2:5"
                                 << "none"
                                 << "0";
    QTest::newRow("level after a lead") << "a1:150 a2:100 a2:50"
                                        << "none"
                                        << "0";
    QTest::newRow("level within the margin") << "a1:0.1 a1:0.2 a2:0.3"
                                             << "none"
                                             << "0";
    QTest::newRow("the lead back by undo") << "a1:7 a2:7 u"
                                           << "one"
                                           << "7";
}

void TallyPkTest::the_overlay_names_no_leader_on_level_totals() {
    QFETCH(QString, script);
    QFETCH(QString, leader);
    QFETCH(QString, difference);
    QTemporaryDir home;
    TallyConfig config;
    TallyPk pk(config, home.path(), QStringLiteral("http://x"));
    for (const QString& step : script.split(' ', Qt::SkipEmptyParts)) {
        QVERIFY(step == "u" ? pk.undo().done()
                            : pk.add_amount(step.mid(1, 1).toInt(), step.mid(3)).done());
    }
    QCOMPARE(pk.state().value("leader").toString(), leader);
    QCOMPARE(pk.state().value("difference").toString(), difference);
}

void TallyPkTest::a_new_round_keeps_the_finished_pk_and_starts_at_zero() {
    QTemporaryDir home;
    TallyConfig config;
    TallyPk pk(config, home.path(), QStringLiteral("http://x"));
    QVERIFY(pk.new_round().done()); // nothing to keep yet
    QVERIFY(pk.add_amount(1, QStringLiteral("5")).done());
    QVERIFY(pk.add_preset(2, 1).done());
    const QString journal = pk.journal().path();
    QCOMPARE(QFile::permissions(journal),
             QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
    QVERIFY(pk.new_round().done());
    QCOMPARE(state_text(pk), QStringLiteral("0:0 flag1 相差：0 p1"));
    QVERIFY(!pk.has_additions());
    wait_for_the_keeper();
    QVERIFY(!QFile::exists(journal));
    QList<ArchivedPk> kept = pk.archive().list();
    QCOMPARE(kept.size(), 1);
    // The host's alone, like the journal it came from.
    QCOMPARE(QFile::permissions(pk.archive().path()),
             QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
    QCOMPARE(kept[0].total_one + ':' + kept[0].total_two, QStringLiteral("5:9"));
    QCOMPARE(kept[0].winner, Leader::player_two);
    QCOMPARE(kept[0].name_two, QStringLiteral("玩家2木有名字"));
    QCOMPARE(pk.archive().additions(kept[0].id).size(), 2);
    // The next round plays and is kept on its own when it ends.
    QVERIFY(pk.add_amount(2, QStringLiteral("1")).done());
    pk.end();
    wait_for_the_keeper();
    QCOMPARE(pk.archive().list().size(), 2);
}

void TallyPkTest::a_pk_the_history_cannot_take_waits_in_its_journal_and_goes_in_later() {
    QTemporaryDir home;
    TallyConfig config;
    QDir().mkpath(tally_config_folder(home.path()));
    const QString history = tally_archive_path(home.path());
    {
        // A file a newer program wrote: not damaged, only not ours to change.
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("newer"));
        db.setDatabaseName(history);
        QVERIFY(db.open());
        QSqlQuery(db).exec(QStringLiteral("PRAGMA user_version = 7"));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("newer"));
    QSignalSpy notices(&TallyKeeper::instance(), &TallyKeeper::notice);
    QString journal;
    {
        TallyPk pk(config, home.path(), QStringLiteral("http://x"));
        QVERIFY(pk.add_amount(1, QStringLiteral("5")).done());
        journal = pk.journal().path();
        // The round goes on at once; the finished PK waits in its journal.
        QVERIFY(pk.new_round().done());
        QVERIFY(pk.add_amount(2, QStringLiteral("3")).done());
        pk.end();
        wait_for_the_keeper();
    }
    QTRY_COMPARE(notices.count(), 1); // once for the trouble, not once per PK
    QVERIFY(notices[0][0].toString().contains(QStringLiteral("更新版本")));
    // Neither is offered to carry on: they ended, and only wait for the history.
    TallyPk next(config, home.path(), QStringLiteral("http://x"));
    QVERIFY(!leftover_offered(next));
    QVERIFY(QFile::exists(journal));
    // The history can take them again: both go in at the next try, and their journals go.
    QVERIFY(QFile::remove(history));
    TallyKeeper::instance().keep_ended_journals(history);
    wait_for_the_keeper();
    const QList<ArchivedPk> kept = next.archive().list();
    QCOMPARE(kept.size(), 2);
    QStringList scores{kept[0].total_one + ':' + kept[0].total_two,
                       kept[1].total_one + ':' + kept[1].total_two};
    scores.sort();
    QCOMPARE(scores, (QStringList{"0:3", "5:0"}));
    QCOMPARE(QDir(tally_config_folder(home.path()))
                 .entryList({QStringLiteral("*.journal")}, QDir::Files)
                 .size(),
             1); // the next PK's own, opened by the look above
}

void TallyPkTest::a_busy_history_is_waited_for_and_never_moved_aside_data() {
    QTest::addColumn<bool>("readers_too"); // the other program shuts out readers as well
    QTest::newRow("a writer holds it") << false;
    QTest::newRow("an exclusive lock on a fresh file") << true;
}

void TallyPkTest::a_busy_history_is_waited_for_and_never_moved_aside() {
    QFETCH(bool, readers_too);
    QTemporaryDir home;
    TallyConfig config;
    const QString history = tally_archive_path(home.path());
    QVERIFY(QDir().mkpath(tally_config_folder(home.path())));
    TallyKeeper::instance().set_busy_wait(50);
    if (!readers_too) {
        TallyPk first(config, home.path(), QStringLiteral("http://x"));
        QVERIFY(first.add_amount(1, QStringLiteral("1")).done());
        first.end();
        wait_for_the_keeper();
    }
    QSignalSpy notices(&TallyKeeper::instance(), &TallyKeeper::notice);
    QString journal;
    {
        // Another program, as the sqlite3 shell in a transaction of its own.
        QSqlDatabase other =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
        other.setDatabaseName(history);
        QVERIFY(other.open());
        QSqlQuery hold(other);
        if (readers_too) {
            QVERIFY(hold.exec(QStringLiteral("PRAGMA locking_mode=EXCLUSIVE")));
        }
        QVERIFY(hold.exec(QStringLiteral("BEGIN EXCLUSIVE")));
        QVERIFY(hold.exec(QStringLiteral("CREATE TABLE other_program (x)")));
        {
            TallyPk pk(config, home.path(), QStringLiteral("http://x"));
            QVERIFY(pk.add_amount(2, QStringLiteral("8")).done());
            journal = pk.journal().path();
            pk.end();
            wait_for_the_keeper();
        }
        QTRY_COMPARE(notices.count(), 1);
        QVERIFY(notices[0][0].toString().contains(QStringLiteral("占用")));
        QVERIFY(QFile::exists(journal));
        QVERIFY(QDir(tally_config_folder(home.path()))
                    .entryList({QStringLiteral("*.damaged-*")}, QDir::Files)
                    .isEmpty());
        QVERIFY(hold.exec(QStringLiteral("COMMIT")));
        hold.finish();
        other.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("other"));
    // The lock went; the next try (a PK's end, or the next start) keeps the waiting PK.
    TallyKeeper::instance().keep_ended_journals(history);
    wait_for_the_keeper();
    TallyArchive archive(history);
    QCOMPARE(archive.list().size(), readers_too ? 1 : 2);
    QVERIFY(!QFile::exists(journal));
    TallyKeeper::instance().set_busy_wait(TallyKeeper::default_busy_wait_ms);
}

void TallyPkTest::a_left_pk_the_host_declines_still_goes_into_the_history() {
    QTemporaryDir home;
    TallyConfig config;
    // As a killed program leaves its journal.
    QDir().mkpath(tally_config_folder(home.path()));
    QFile left(journal_path(tally_config_folder(home.path()), 1));
    QVERIFY(left.open(QIODevice::WriteOnly));
    left.write(journal_line({JournalEvent::Kind::addition, QDateTime::currentDateTime(), 2,
                             QStringLiteral("乙"), QStringLiteral("8")}));
    left.close();
    TallyPk pk(config, home.path(), QStringLiteral("http://x"));
    QVERIFY(leftover_offered(pk));
    pk.discard_leftover();
    wait_for_the_keeper();
    QCOMPARE(state_text(pk), QStringLiteral("0:0 flag1 相差：0 p1"));
    QCOMPARE(pk.archive().list().size(), 1);
    QCOMPARE(pk.archive().list()[0].total_two, QStringLiteral("8"));
    pk.end(); // no additions of its own: nothing more kept
    wait_for_the_keeper();
    QCOMPARE(pk.archive().list().size(), 1);
    QVERIFY(!left.exists());
}

void TallyPkTest::a_leftover_found_beside_the_window_is_asked_about_once_read() {
    QTemporaryDir home;
    TallyConfig config;
    QDir().mkpath(tally_config_folder(home.path()));
    QFile left(journal_path(tally_config_folder(home.path()), 1));
    QVERIFY(left.open(QIODevice::WriteOnly));
    left.write(journal_line({JournalEvent::Kind::addition, QDateTime::currentDateTime(), 1,
                             QStringLiteral("甲"), QStringLiteral("4")}));
    left.close();
    TallyPk pk(config, home.path(), QStringLiteral("http://x"));
    QSignalSpy found(&pk, &TallyPk::leftover_found);
    pk.look_for_leftover();
    // Nothing is played on top of a PK that may yet be carried on.
    QVERIFY(!pk.add_amount(1, QStringLiteral("1")).done());
    QTRY_COMPARE(found.count(), 1);
    QVERIFY(pk.asking());
    const Outcome refused = pk.add_amount(1, QStringLiteral("1"));
    QVERIFY(refused.reason.contains(QStringLiteral("对话框")));
    pk.restore_leftover();
    QVERIFY(pk.add_amount(1, QStringLiteral("1")).done());
    QCOMPARE(pk.board().total_one, QStringLiteral("5"));
}

QTEST_GUILESS_MAIN(TallyPkTest)
#include "tst_tally_pk.moc"
