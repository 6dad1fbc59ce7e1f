#include "games/dice/dice_turn.h"
#include "tests/support/scripted_random.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <functional>

using glimmer::testing::ScriptedRandom;

using namespace glimmer;

namespace {

const QString zero_tally = QStringLiteral("胜利：0  失败：0");

// A turn ticked by hand: its timer never runs unless a test turns it on.
struct Table {
    explicit Table(QList<int> draws = {1}) : random(std::move(draws)), turn(state, random) {
        turn.set_timer_driven(false);
    }

    // Ticks until the reveal waits; false if the shaking never ends.
    bool finish_shaking() {
        for (int tick = 0; tick < 100000 && turn.phase() == DicePhase::shaking; ++tick) {
            turn.throw_once();
        }
        return turn.phase() == DicePhase::revealing;
    }

    bool play(const QString& count) {
        return !turn.open_count_frame() && !turn.set_throw_count(count) && !turn.start_shaking() &&
               finish_shaking() && !turn.reveal();
    }

    DiceState state;
    ScriptedRandom random;
    DiceTurn turn;
};

// One action, answering with its refusal.
using Action = std::function<std::optional<DiceRefusal>(DiceTurn&)>;

} // namespace

Q_DECLARE_METATYPE(Action)
Q_DECLARE_METATYPE(DiceRefusal)
Q_DECLARE_METATYPE(Side)

class TestDiceTurn : public QObject {
    Q_OBJECT

private slots:
    void a_whole_turn_runs_through_the_model();
    void actions_the_phase_does_not_allow_are_refused_data();
    void actions_the_phase_does_not_allow_are_refused();
    void starting_replaces_empty_and_too_large_counts_data();
    void starting_replaces_empty_and_too_large_counts();
    void starting_again_restarts_the_throws();
    void count_lowered_during_the_shaking_ends_it_at_the_next_throw();
    void reveal_credits_the_last_throw_data();
    void reveal_credits_the_last_throw();
    void words_collect_in_turn_order();
    void a_new_turn_shows_zero_tallies_until_its_first_reveal();
    void next_step_follows_the_phase();
    void the_timer_makes_the_throws();
    void abandoning_stops_the_timer_and_the_turn();
};

void TestDiceTurn::a_whole_turn_runs_through_the_model() {
    Table table({2, 2, 1});
    QSignalSpy phases(&table.turn, &DiceTurn::phase_changed);
    QSignalSpy throws(&table.turn, &DiceTurn::thrown);
    QSignalSpy settled(&table.turn, &DiceTurn::turn_settled);
    QSignalSpy changed(&table.turn, &DiceTurn::state_changed);

    QCOMPARE(table.turn.phase(), DicePhase::waiting);
    QCOMPARE(table.turn.view().left_tally, zero_tally);
    QVERIFY(!table.turn.open_count_frame());
    QCOMPARE(table.turn.view().phase, DicePhase::counting);
    QVERIFY(!table.turn.set_throw_count(QStringLiteral("3")));
    QVERIFY(!table.turn.start_shaking());
    QCOMPARE(table.turn.phase(), DicePhase::shaking);
    QCOMPARE(changed.count(), 2);
    QVERIFY(!table.turn.throw_once());
    QVERIFY(!table.turn.throw_once());
    // The throws show nothing, so they change no view.
    QCOMPARE(changed.count(), 2);
    QCOMPARE(table.turn.phase(), DicePhase::shaking);
    QVERIFY(!table.turn.throw_once());
    QCOMPARE(table.turn.phase(), DicePhase::revealing);
    QCOMPARE(throws.count(), 3);
    QCOMPARE(throws.last().at(0).toInt(), 3);
    QCOMPARE(table.random.log,
             QStringList({"seed", "draw 1..2", "seed", "draw 1..2", "seed", "draw 1..2"}));

    QVERIFY(!table.turn.reveal());
    QCOMPARE(table.turn.phase(), DicePhase::waiting);
    const DiceView shown = table.turn.view();
    QCOMPARE(shown.last_winner, Side::left);
    QCOMPARE(shown.left_tally, QStringLiteral("胜利：1  失败：0"));
    QCOMPARE(shown.right_tally, QStringLiteral("胜利：0  失败：1"));
    QCOMPARE(settled.count(), 1);
    QCOMPARE(settled.at(0).at(1).toString(), QStringLiteral("胜利"));
    QCOMPARE(settled.at(0).at(2).toString(), QStringLiteral("失败"));
    QCOMPARE(table.state.left_wins, 1u);
    QCOMPARE(table.state.right_losses, 1u);
    QCOMPARE(phases.count(), 4);
    QCOMPARE(phases.last().at(0).value<DicePhase>(), DicePhase::waiting);
}

void TestDiceTurn::actions_the_phase_does_not_allow_are_refused_data() {
    QTest::addColumn<int>("phase");
    QTest::addColumn<Action>("action");
    QTest::addColumn<DiceRefusal>("refusal");
    const Action open = [](DiceTurn& t) { return t.open_count_frame(); };
    const Action count = [](DiceTurn& t) { return t.set_throw_count(QStringLiteral("9")); };
    const Action start = [](DiceTurn& t) { return t.start_shaking(); };
    const Action throw_once = [](DiceTurn& t) { return t.throw_once(); };
    const Action reveal = [](DiceTurn& t) { return t.reveal(); };
    const Action space = [](DiceTurn& t) { return t.next_step(); };
    const auto row = [](const char* name, DicePhase phase, const Action& action,
                        DiceRefusal refusal) {
        QTest::newRow(name) << int(phase) << action << refusal;
    };
    row("open while counting", DicePhase::counting, open, DiceRefusal::turn_under_way);
    row("open while shaking", DicePhase::shaking, open, DiceRefusal::turn_under_way);
    row("open before the reveal", DicePhase::revealing, open, DiceRefusal::turn_under_way);
    row("count while waiting", DicePhase::waiting, count, DiceRefusal::count_frame_shut);
    row("count before the reveal", DicePhase::revealing, count, DiceRefusal::count_frame_shut);
    row("start while waiting", DicePhase::waiting, start, DiceRefusal::count_frame_shut);
    row("start before the reveal", DicePhase::revealing, start, DiceRefusal::count_frame_shut);
    row("throw while waiting", DicePhase::waiting, throw_once, DiceRefusal::not_shaking);
    row("throw while counting", DicePhase::counting, throw_once, DiceRefusal::not_shaking);
    row("throw after the last", DicePhase::revealing, throw_once, DiceRefusal::not_shaking);
    row("reveal while waiting", DicePhase::waiting, reveal, DiceRefusal::throws_not_done);
    row("reveal while counting", DicePhase::counting, reveal, DiceRefusal::throws_not_done);
    row("reveal while shaking", DicePhase::shaking, reveal, DiceRefusal::throws_not_done);
    row("space while shaking", DicePhase::shaking, space, DiceRefusal::still_shaking);
}

void TestDiceTurn::actions_the_phase_does_not_allow_are_refused() {
    QFETCH(int, phase);
    QFETCH(Action, action);
    QFETCH(DiceRefusal, refusal);
    Table table;
    // Brings the turn to the phase: a count of 2 with one throw made still shakes.
    const auto reach = static_cast<DicePhase>(phase);
    if (reach != DicePhase::waiting) {
        QVERIFY(!table.turn.open_count_frame());
        QVERIFY(!table.turn.set_throw_count(QStringLiteral("2")));
    }
    if (reach == DicePhase::shaking || reach == DicePhase::revealing) {
        QVERIFY(!table.turn.start_shaking());
        QVERIFY(!table.turn.throw_once());
    }
    if (reach == DicePhase::revealing) {
        QVERIFY(!table.turn.throw_once());
    }
    QCOMPARE(table.turn.phase(), reach);

    const DiceView before = table.turn.view();
    const int throws = table.turn.throws_made();
    const QString count = table.turn.throw_count();
    const QStringList log = table.random.log;
    QSignalSpy changed(&table.turn, &DiceTurn::state_changed);

    QCOMPARE(action(table.turn), std::optional<DiceRefusal>(refusal));
    QVERIFY(!refusal_text(refusal).isEmpty());

    const DiceView after = table.turn.view();
    QCOMPARE(after.phase, before.phase);
    QCOMPARE(after.last_winner, before.last_winner);
    QCOMPARE(after.left_tally, before.left_tally);
    QCOMPARE(table.turn.throws_made(), throws);
    QCOMPARE(table.turn.throw_count(), count);
    QCOMPARE(table.random.log, log);
    QCOMPARE(table.state.left_wins + table.state.left_losses, 0u);
    QCOMPARE(changed.count(), 0);
}

void TestDiceTurn::starting_replaces_empty_and_too_large_counts_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("used");
    QTest::addColumn<int>("throws");
    QTest::newRow("empty") << QString() << QStringLiteral("1") << 1;
    QTest::newRow("1000 kept") << QStringLiteral("1000") << QStringLiteral("1000") << 1000;
    QTest::newRow("1001") << QStringLiteral("1001") << QStringLiteral("188") << 188;
    QTest::newRow("zero ends after one throw") << QStringLiteral("0") << QStringLiteral("0") << 1;
}

void TestDiceTurn::starting_replaces_empty_and_too_large_counts() {
    QFETCH(QString, typed);
    QFETCH(QString, used);
    QFETCH(int, throws);
    Table table;
    QSignalSpy replaced(&table.turn, &DiceTurn::throw_count_changed);
    QVERIFY(!table.turn.open_count_frame());
    QVERIFY(!table.turn.set_throw_count(typed));
    QVERIFY(!table.turn.start_shaking());
    QCOMPARE(table.turn.throw_count(), used);
    // Only a replaced count goes back to the box.
    QCOMPARE(replaced.count(), typed == used ? 0 : 1);
    if (typed != used) {
        QCOMPARE(replaced.at(0).at(0).toString(), used);
    }
    QVERIFY(table.finish_shaking());
    QCOMPARE(table.turn.throws_made(), throws);
    QCOMPARE(table.random.log.count(QStringLiteral("seed")), throws);
}

void TestDiceTurn::starting_again_restarts_the_throws() {
    Table table({1, 1, 1, 2});
    QVERIFY(!table.turn.open_count_frame());
    QVERIFY(!table.turn.set_throw_count(QStringLiteral("4")));
    QVERIFY(!table.turn.start_shaking());
    for (int i = 0; i < 3; ++i) {
        table.turn.throw_once();
    }
    QCOMPARE(table.turn.throws_made(), 3);
    QVERIFY(!table.turn.start_shaking());
    QCOMPARE(table.turn.throws_made(), 0);
    QCOMPARE(table.turn.phase(), DicePhase::shaking);
    QVERIFY(table.finish_shaking());
    QCOMPARE(table.turn.throws_made(), 4);
    QCOMPARE(table.random.log.count(QStringLiteral("seed")), 7);
    // The script repeats its last draw, 2: the outcome is the last throw's.
    QVERIFY(!table.turn.reveal());
    QCOMPARE(table.turn.badge_side(), Side::right);
}

void TestDiceTurn::count_lowered_during_the_shaking_ends_it_at_the_next_throw() {
    Table table;
    QVERIFY(!table.turn.open_count_frame());
    QVERIFY(!table.turn.set_throw_count(QStringLiteral("900")));
    QVERIFY(!table.turn.start_shaking());
    for (int i = 0; i < 30; ++i) {
        table.turn.throw_once();
    }
    QVERIFY(!table.turn.set_throw_count(QStringLiteral("5")));
    QCOMPARE(table.turn.phase(), DicePhase::shaking);
    QVERIFY(!table.turn.throw_once());
    QCOMPARE(table.turn.phase(), DicePhase::revealing);
    QCOMPARE(table.turn.throws_made(), 31);
}

void TestDiceTurn::reveal_credits_the_last_throw_data() {
    QTest::addColumn<int>("outcome");
    QTest::addColumn<Side>("winner");
    QTest::addColumn<QString>("left_word");
    QTest::addColumn<QString>("right_word");
    QTest::newRow("left wins") << 1 << Side::left << QStringLiteral("胜利")
                               << QStringLiteral("失败");
    QTest::newRow("right wins") << 2 << Side::right << QStringLiteral("失败")
                                << QStringLiteral("胜利");
}

void TestDiceTurn::reveal_credits_the_last_throw() {
    QFETCH(int, outcome);
    QFETCH(Side, winner);
    QFETCH(QString, left_word);
    QFETCH(QString, right_word);
    // Every throw but the third and last lands on the other side.
    Table table({3 - outcome, 3 - outcome, outcome});
    QVERIFY(table.play(QStringLiteral("3")));
    QCOMPARE(table.turn.badge_side(), winner);
    QCOMPARE(table.turn.view().last_winner, winner);
    QCOMPARE(table.turn.left_words(), QStringList{left_word});
    QCOMPARE(table.turn.right_words(), QStringList{right_word});
    const bool left_won = winner == Side::left;
    QCOMPARE(table.turn.left_tally(),
             left_won ? QStringLiteral("胜利：1  失败：0") : QStringLiteral("胜利：0  失败：1"));
    QCOMPARE(table.turn.right_tally(),
             left_won ? QStringLiteral("胜利：0  失败：1") : QStringLiteral("胜利：1  失败：0"));
}

void TestDiceTurn::words_collect_in_turn_order() {
    Table table({1, 2, 1});
    for (int turn = 0; turn < 3; ++turn) {
        QVERIFY(table.play(QStringLiteral("1")));
    }
    QCOMPARE(table.turn.left_words(), (QStringList{"胜利", "失败", "胜利"}));
    QCOMPARE(table.turn.right_words(), (QStringList{"失败", "胜利", "失败"}));
    QCOMPARE(table.turn.left_tally(), QStringLiteral("胜利：2  失败：1"));
    QCOMPARE(table.turn.right_tally(), QStringLiteral("胜利：1  失败：2"));
    // The next turn takes the badge down as it begins.
    QVERIFY(!table.turn.open_count_frame());
    QCOMPARE(table.turn.badge_side(), Side::none);
}

void TestDiceTurn::a_new_turn_shows_zero_tallies_until_its_first_reveal() {
    DiceState state;
    ScriptedRandom random({1});
    {
        DiceTurn earlier(state, random);
        earlier.set_timer_driven(false);
        for (int turn = 0; turn < 4; ++turn) {
            earlier.open_count_frame();
            earlier.start_shaking();
            earlier.throw_once();
            QVERIFY(!earlier.reveal());
        }
    }
    DiceTurn turn(state, random);
    turn.set_timer_driven(false);
    QCOMPARE(turn.left_tally(), zero_tally);
    QCOMPARE(turn.right_tally(), zero_tally);
    QVERIFY(turn.left_words().isEmpty());
    QCOMPARE(turn.phase(), DicePhase::waiting);
    QCOMPARE(turn.badge_side(), Side::none);
    turn.open_count_frame();
    turn.start_shaking();
    turn.throw_once();
    QVERIFY(!turn.reveal());
    QCOMPARE(turn.left_tally(), QStringLiteral("胜利：5  失败：0"));
    QCOMPARE(turn.right_tally(), QStringLiteral("胜利：0  失败：5"));
    QCOMPARE(turn.left_words(), QStringList{"胜利"});
}

void TestDiceTurn::next_step_follows_the_phase() {
    Table table;
    QVERIFY(!table.turn.next_step());
    QCOMPARE(table.turn.phase(), DicePhase::counting);
    QVERIFY(!table.turn.next_step());
    QCOMPARE(table.turn.phase(), DicePhase::shaking);
    QCOMPARE(table.turn.next_step(), std::optional<DiceRefusal>(DiceRefusal::still_shaking));
    QCOMPARE(table.turn.throws_made(), 0);
    QVERIFY(table.finish_shaking());
    QVERIFY(!table.turn.next_step());
    QCOMPARE(table.turn.phase(), DicePhase::waiting);
    QCOMPARE(table.turn.left_words().size() + table.turn.right_words().size(), 2);
}

void TestDiceTurn::the_timer_makes_the_throws() {
    DiceState state;
    ScriptedRandom random({2});
    DiceTurn turn(state, random);
    QVERIFY(turn.timer_driven());
    auto* timer = turn.findChild<QTimer*>(QStringLiteral("shake_timer"));
    QVERIFY(timer != nullptr);
    QVERIFY(!timer->isActive());
    QCOMPARE(timer->interval(), 0);
    turn.open_count_frame();
    turn.set_throw_count(QStringLiteral("40"));
    turn.start_shaking();
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 1);
    QCOMPARE(timer->timerType(), Qt::PreciseTimer);
    QSignalSpy phases(&turn, &DiceTurn::phase_changed);
    QVERIFY(phases.wait(20000));
    QCOMPARE(turn.phase(), DicePhase::revealing);
    QCOMPARE(turn.throws_made(), 40);
    QVERIFY(!timer->isActive());
    QCOMPARE(timer->interval(), 0);
}

void TestDiceTurn::abandoning_stops_the_timer_and_the_turn() {
    DiceState state;
    ScriptedRandom random({1});
    DiceTurn turn(state, random);
    auto* timer = turn.findChild<QTimer*>(QStringLiteral("shake_timer"));
    turn.open_count_frame();
    turn.set_throw_count(QStringLiteral("1000"));
    turn.start_shaking();
    QVERIFY(timer->isActive());
    turn.abandon();
    QVERIFY(!timer->isActive());
    QCOMPARE(turn.phase(), DicePhase::waiting);
    QCOMPARE(state.left_wins + state.left_losses, 0u);
}

QTEST_GUILESS_MAIN(TestDiceTurn)
#include "tst_dice_turn.moc"
