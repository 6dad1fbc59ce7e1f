#include "games/minebox/minebox_round.h"
#include "tests/support/scripted_random.h"

#include <QSignalSpy>
#include <QTest>

#include <functional>

using namespace glimmer;
using glimmer::testing::ScriptedRandom;

namespace {

const QString starting_tally = QStringLiteral("空箱：0  踩雷：0");

// One action, answering with its refusal.
using Action = std::function<Outcome(MineBoxRound&)>;

enum class Reach { setup, playing, waiting, credited };

// A round of five boxes with the one mine in box 3 (position 2), brought to a stage.
struct Game {
    explicit Game(Reach reach = Reach::setup) : random({3}), round(tallies, random) {
        if (reach == Reach::setup) {
            return;
        }
        round.set_mine_count_text(QStringLiteral("1"));
        round.bury();
        if (reach == Reach::waiting || reach == Reach::credited) {
            round.dig(2);
        }
        if (reach == Reach::credited) {
            round.credit(player_two);
        }
    }

    MineBoxTallies tallies;
    ScriptedRandom random;
    MineBoxRound round;
};

bool same_view(const MineBoxView& a, const MineBoxView& b) {
    if (a.stage != b.stage || a.waiting_position != b.waiting_position || a.tallies != b.tallies ||
        a.boxes.size() != b.boxes.size()) {
        return false;
    }
    for (size_t i = 0; i < a.boxes.size(); ++i) {
        if (a.boxes[i].state != b.boxes[i].state || a.boxes[i].owner != b.boxes[i].owner ||
            a.boxes[i].has_mine != b.boxes[i].has_mine) {
            return false;
        }
    }
    return true;
}

} // namespace

Q_DECLARE_METATYPE(Action)
Q_DECLARE_METATYPE(MineBoxRefusal)
Q_DECLARE_METATYPE(Reach)

class TestMineBoxRound : public QObject {
    Q_OBJECT

private slots:
    void a_whole_game_runs_through_the_model();
    void a_new_round_sets_the_tallies_back_to_zero();
    void actions_the_stage_does_not_allow_are_refused_data();
    void actions_the_stage_does_not_allow_are_refused();
    void first_credit_replaces_the_starting_text_of_that_player_only();
    void the_board_hears_of_the_burial_before_and_after_it();
};

void TestMineBoxRound::a_whole_game_runs_through_the_model() {
    MineBoxTallies tallies;
    ScriptedRandom random({3});
    MineBoxRound round(tallies, random);
    QSignalSpy stages(&round, &MineBoxRound::stage_changed);
    QSignalSpy changed(&round, &MineBoxRound::state_changed);
    QSignalSpy boxes(&round, &MineBoxRound::box_changed);

    QCOMPARE(round.stage(), GameStage::setup);
    QCOMPARE(round.box_count_text(), QStringLiteral("5"));
    QCOMPARE(round.mine_count_text(), QStringLiteral("2"));
    QVERIFY(round.set_mine_count_text(QStringLiteral("1")).done());
    QVERIFY(round.bury().done());
    QCOMPARE(round.stage(), GameStage::playing);
    QCOMPARE(random.log, QStringList({"seed", "draw 1..5"}));
    QCOMPARE(round.board().boxes.size(), size_t(5));
    for (int p = 0; p < 5; ++p) {
        QCOMPARE(round.caption(p), QStringLiteral("%1号箱").arg(p + 1));
    }

    QVERIFY(round.dig(2).done());
    QCOMPARE(round.stage(), GameStage::waiting);
    QCOMPARE(round.waiting_position(), 2);
    QCOMPARE(round.view().waiting_position, 2);
    QCOMPARE(round.board().boxes[2].state, box_mine);
    // The picture changes at once; the caption waits for the player.
    QCOMPARE(round.caption(2), QStringLiteral("3号箱"));
    QVERIFY(round.credit(player_two).done());
    QCOMPARE(round.caption(2), QStringLiteral("属于玩家2"));
    QCOMPARE(round.tally_text_of(player_two), QStringLiteral("空箱：0 踩雷：1"));
    QCOMPARE(round.waiting_position(), -1);

    for (const int p : {0, 1, 3}) {
        QVERIFY(round.dig(p).done());
        QVERIFY(round.credit(player_one).done());
    }
    QCOMPARE(round.tally_text_of(player_one), QStringLiteral("空箱：3 踩雷：0"));
    QCOMPARE(tallies.player(player_one).empty_count, 3);
    QCOMPARE(tallies.player(player_two).mine_count, 1);

    const MineBoxView shown = round.view();
    QCOMPARE(shown.stage, GameStage::playing);
    QCOMPARE(shown.tallies[0], QStringLiteral("空箱：3 踩雷：0"));
    QCOMPARE(shown.tallies[1], QStringLiteral("空箱：0 踩雷：1"));
    QCOMPARE(shown.boxes[4].state, box_closed);
    QCOMPARE(shown.boxes[3].owner, player_one);
    // One burial, four digs, four credits: each moves the stage and changes the view once.
    QCOMPARE(stages.count(), 9);
    QCOMPARE(changed.count(), 9);
    QCOMPARE(boxes.count(), 8);
    QCOMPARE(boxes.last().at(0).toInt(), 3);
}

void TestMineBoxRound::a_new_round_sets_the_tallies_back_to_zero() {
    MineBoxTallies tallies;
    tallies.player(player_one) = {3, 1};
    tallies.player(player_two) = {0, 2};
    ScriptedRandom random;
    MineBoxRound round(tallies, random);
    QCOMPARE(tallies.player(player_one).empty_count, 0);
    QCOMPARE(tallies.player(player_one).mine_count, 0);
    QCOMPARE(tallies.player(player_two).mine_count, 0);
    QCOMPARE(round.tally_text_of(player_one), starting_tally);
    QCOMPARE(round.tally_text_of(player_two), starting_tally);
    QVERIFY(round.board().boxes.empty());
}

void TestMineBoxRound::actions_the_stage_does_not_allow_are_refused_data() {
    QTest::addColumn<Reach>("reach");
    QTest::addColumn<Action>("action");
    QTest::addColumn<MineBoxRefusal>("refusal");
    const auto counts = [](const char* boxes, const char* mines) {
        return Action([boxes, mines](MineBoxRound& r) {
            r.set_box_count_text(QString::fromLatin1(boxes));
            r.set_mine_count_text(QString::fromLatin1(mines));
            return r.bury();
        });
    };
    const auto dig = [](int position) {
        return Action([position](MineBoxRound& r) { return r.dig(position); });
    };
    const auto credit = [](int player) {
        return Action([player](MineBoxRound& r) { return r.credit(player); });
    };
    const Action bury = [](MineBoxRound& r) { return r.bury(); };
    const Action box_count = [](MineBoxRound& r) {
        return r.set_box_count_text(QStringLiteral("9"));
    };
    const Action mine_count = [](MineBoxRound& r) {
        return r.set_mine_count_text(QStringLiteral("1"));
    };
    using R = MineBoxRefusal;
    QTest::newRow("box count emptied") << Reach::setup << counts("", "2") << R::box_count_missing;
    QTest::newRow("mine count emptied") << Reach::setup << counts("5", "") << R::mine_count_missing;
    QTest::newRow("3 mines in 3 boxes") << Reach::setup << counts("3", "3") << R::too_many_mines;
    QTest::newRow("7 mines in 5 boxes") << Reach::setup << counts("5", "7") << R::too_many_mines;
    QTest::newRow("words") << Reach::setup << counts("lots", "1") << R::too_many_mines;
    QTest::newRow("beyond the largest board")
        << Reach::setup << counts("100001", "1") << R::too_many_boxes;
    QTest::newRow("dig before the burial") << Reach::setup << dig(0) << R::no_board_yet;
    QTest::newRow("credit before the burial")
        << Reach::setup << credit(player_one) << R::nothing_to_credit;
    QTest::newRow("second burial") << Reach::playing << bury << R::not_in_setup;
    QTest::newRow("box count after the burial") << Reach::playing << box_count << R::not_in_setup;
    QTest::newRow("mine count after the burial") << Reach::playing << mine_count << R::not_in_setup;
    QTest::newRow("dig with nothing selected") << Reach::playing << dig(-1) << R::no_box_selected;
    QTest::newRow("dig past the last box") << Reach::playing << dig(5) << R::no_such_box;
    QTest::newRow("credit with nothing opened")
        << Reach::playing << credit(player_two) << R::nothing_to_credit;
    QTest::newRow("second dig while waiting") << Reach::waiting << dig(0) << R::owner_pending;
    QTest::newRow("same dig while waiting") << Reach::waiting << dig(2) << R::owner_pending;
    QTest::newRow("credit to a third player") << Reach::waiting << credit(3) << R::unknown_player;
    QTest::newRow("burial while waiting") << Reach::waiting << bury << R::not_in_setup;
    QTest::newRow("dig an opened box") << Reach::credited << dig(2) << R::box_already_open;
    QTest::newRow("credit twice") << Reach::credited << credit(player_one) << R::nothing_to_credit;
}

void TestMineBoxRound::actions_the_stage_does_not_allow_are_refused() {
    QFETCH(Reach, reach);
    QFETCH(Action, action);
    QFETCH(MineBoxRefusal, refusal);
    Game game(reach);
    const MineBoxView before = game.round.view();
    const QStringList log = game.random.log;
    const PendingDig pending = game.tallies.pending;
    QSignalSpy changed(&game.round, &MineBoxRound::state_changed);
    QSignalSpy boxes(&game.round, &MineBoxRound::box_changed);

    QCOMPARE(action(game.round).reason, refusal_text(refusal));
    QVERIFY(!refusal_text(refusal).isEmpty());

    QVERIFY(same_view(game.round.view(), before));
    QCOMPARE(game.random.log, log);
    QCOMPARE(game.tallies.pending.position, pending.position);
    QCOMPARE(game.tallies.player(player_one).empty_count, 0);
    QCOMPARE(game.tallies.player(player_two).mine_count, reach == Reach::credited ? 1 : 0);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(boxes.count(), 0);
}

void TestMineBoxRound::first_credit_replaces_the_starting_text_of_that_player_only() {
    Game game(Reach::waiting);
    QSignalSpy tallies(&game.round, &MineBoxRound::tally_changed);
    QVERIFY(game.round.credit(player_two).done());
    QCOMPARE(tallies.count(), 1);
    QCOMPARE(tallies.at(0).at(0).toInt(), player_two);
    QCOMPARE(tallies.at(0).at(1).toString(), QStringLiteral("空箱：0 踩雷：1"));
    QCOMPARE(game.round.tally_text_of(player_one), starting_tally);
    QCOMPARE(game.round.view().tallies[0], starting_tally);
}

void TestMineBoxRound::the_board_hears_of_the_burial_before_and_after_it() {
    Game game;
    // What a list over the board would count at each signal.
    QList<size_t> seen;
    connect(&game.round, &MineBoxRound::board_about_to_be_built, this,
            [&] { seen.append(game.round.board().boxes.size()); });
    connect(&game.round, &MineBoxRound::board_built, this,
            [&] { seen.append(game.round.board().boxes.size()); });
    QVERIFY(game.round.set_mine_count_text(QStringLiteral("9")).done());
    QVERIFY(!game.round.bury().done());
    QVERIFY(seen.isEmpty());
    QVERIFY(game.round.set_mine_count_text(QStringLiteral("2")).done());
    QVERIFY(game.round.bury().done());
    QCOMPARE(seen, (QList<size_t>{0, 5}));
}

QTEST_GUILESS_MAIN(TestMineBoxRound)
#include "tst_minebox_round.moc"
