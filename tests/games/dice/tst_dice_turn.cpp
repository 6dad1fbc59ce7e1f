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

    DiceState state;
    ScriptedRandom random;
    DiceTurn turn;
};

// One action, answering with its refusal.
using Action = std::function<Outcome(DiceTurn&)>;

} // namespace

Q_DECLARE_METATYPE(Action)
Q_DECLARE_METATYPE(DiceRefusal)

class TestDiceTurn : public QObject {
    Q_OBJECT

private slots:
    void a_whole_turn_runs_through_the_model();
    void actions_the_phase_does_not_allow_are_refused_data();
    void actions_the_phase_does_not_allow_are_refused();
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
    QVERIFY(table.turn.open_count_frame().done());
    QCOMPARE(table.turn.view().phase, DicePhase::counting);
    QVERIFY(table.turn.set_throw_count(QStringLiteral("3")).done());
    QVERIFY(table.turn.start_shaking().done());
    QCOMPARE(table.turn.phase(), DicePhase::shaking);
    QCOMPARE(changed.count(), 2);
    QVERIFY(table.turn.throw_once().done());
    QVERIFY(table.turn.throw_once().done());
    // The throws show nothing, so they change no view.
    QCOMPARE(changed.count(), 2);
    QCOMPARE(table.turn.phase(), DicePhase::shaking);
    QVERIFY(table.turn.throw_once().done());
    QCOMPARE(table.turn.phase(), DicePhase::revealing);
    QCOMPARE(throws.count(), 3);
    QCOMPARE(throws.last().at(0).toInt(), 3);
    QCOMPARE(table.random.log,
             QStringList({"seed", "draw 1..2", "seed", "draw 1..2", "seed", "draw 1..2"}));

    QVERIFY(table.turn.reveal().done());
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
    // The next turn takes the badge down as it begins.
    QVERIFY(table.turn.open_count_frame().done());
    QCOMPARE(table.turn.badge_side(), Side::none);
    QCOMPARE(table.turn.left_words(), QStringList{"胜利"});
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
        QVERIFY(table.turn.open_count_frame().done());
        QVERIFY(table.turn.set_throw_count(QStringLiteral("2")).done());
    }
    if (reach == DicePhase::shaking || reach == DicePhase::revealing) {
        QVERIFY(table.turn.start_shaking().done());
        QVERIFY(table.turn.throw_once().done());
    }
    if (reach == DicePhase::revealing) {
        QVERIFY(table.turn.throw_once().done());
    }
    QCOMPARE(table.turn.phase(), reach);

    const DiceView before = table.turn.view();
    const int throws = table.turn.throws_made();
    const QString count = table.turn.throw_count();
    const QStringList log = table.random.log;
    QSignalSpy changed(&table.turn, &DiceTurn::state_changed);

    QCOMPARE(action(table.turn).reason, refusal_text(refusal));
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
