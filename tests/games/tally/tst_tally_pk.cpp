#include "games/tally/tally_pk.h"
#include "games/tally/tally_rules.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace glimmer;

namespace {

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
    void actions_play_the_pk_or_are_refused_data();
    void actions_play_the_pk_or_are_refused();
    void the_overlay_view_follows_every_change();
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
            refused << (outcome.quiet ? QString() : QStringLiteral("!")) + outcome.refusal;
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
    QVERIFY(!journal.exists());
}

QTEST_GUILESS_MAIN(TallyPkTest)
#include "tst_tally_pk.moc"
