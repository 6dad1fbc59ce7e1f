#include "games/dice/turn_rules.h"
#include "runtime/committed_random.h"
#include "runtime/random.h"
#include "tests/support/scripted_random.h"

#include <QTest>

#include <array>

using glimmer::testing::ScriptedRandom;

using namespace glimmer;

namespace {

// Shakes until the rules say the last throw was made; -1 if it never ends within the limit.
int shake_to_end(DiceState& state, const QString& count, RandomSource& random, int limit = 100000) {
    for (int i = 0; i < limit; ++i) {
        if (throw_dice(state, count, random)) {
            return state.throws_made;
        }
    }
    return -1;
}

} // namespace

class TestDiceRules : public QObject {
    Q_OBJECT

private slots:
    void normalize_throw_count_replaces_empty_and_too_large_counts_data();
    void normalize_throw_count_replaces_empty_and_too_large_counts();
    void shaking_makes_exactly_count_throws_and_keeps_the_last_data();
    void shaking_makes_exactly_count_throws_and_keeps_the_last();
    void restarting_during_the_shaking_counts_from_zero();
    void unusable_or_changed_counts_end_the_shaking_data();
    void unusable_or_changed_counts_end_the_shaking();
    void settle_turn_credits_the_last_throw_data();
    void settle_turn_credits_the_last_throw();
    void tallies_mirror_each_other_after_many_turns();
    void win_loss_text_joins_with_full_width_colons_and_two_blanks_data();
    void win_loss_text_joins_with_full_width_colons_and_two_blanks();
    void reseeded_throws_back_to_back_are_fair();
};

void TestDiceRules::normalize_throw_count_replaces_empty_and_too_large_counts_data() {
    QTest::addColumn<QString>("count");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty") << ""
                           << "1";
    QTest::newRow("one") << "1"
                         << "1";
    QTest::newRow("largest kept") << "1000"
                                  << "1000";
    QTest::newRow("within tolerance") << "1000.00000005"
                                      << "1000.00000005";
    QTest::newRow("just above") << "1000.5"
                                << "188";
    QTest::newRow("1001") << "1001"
                          << "188";
    QTest::newRow("huge") << "99999999999999999999999"
                          << "188";
    QTest::newRow("leading blanks still read") << "  2000"
                                               << "188";
    QTest::newRow("not a number") << "abc"
                                  << "abc";
    QTest::newRow("zero") << "0"
                          << "0";
    QTest::newRow("negative") << "-5000"
                              << "-5000";
    QTest::newRow("blank is not empty") << " "
                                        << " ";
}

void TestDiceRules::normalize_throw_count_replaces_empty_and_too_large_counts() {
    QFETCH(QString, count);
    QFETCH(QString, expected);
    QCOMPARE(normalize_throw_count(count), expected);
}

void TestDiceRules::shaking_makes_exactly_count_throws_and_keeps_the_last_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("last_draw");
    QTest::newRow("one throw, left") << 1 << 1;
    QTest::newRow("two throws, right") << 2 << 2;
    QTest::newRow("188 throws, left") << 188 << 1;
    QTest::newRow("1000 throws, right") << 1000 << 2;
}

void TestDiceRules::shaking_makes_exactly_count_throws_and_keeps_the_last() {
    QFETCH(int, count);
    QFETCH(int, last_draw);
    // Every throw but the last lands on the other side, so a rule that kept an earlier throw
    // would show.
    QList<int> draws(count, 3 - last_draw);
    draws.back() = last_draw;
    ScriptedRandom random(draws);
    DiceState state;
    state.throws_made = 77;
    start_shaking(state);
    QCOMPARE(state.throws_made, 0);
    QCOMPARE(shake_to_end(state, QString::number(count), random), count);
    QCOMPARE(state.turn_outcome, last_draw);
    // A fresh seed before every single draw.
    QCOMPARE(random.log.size(), 2 * count);
    for (qsizetype i = 0; i < random.log.size(); i += 2) {
        QCOMPARE(random.log[i], QStringLiteral("seed"));
        QCOMPARE(random.log[i + 1], QStringLiteral("draw 1..2"));
    }
}

void TestDiceRules::restarting_during_the_shaking_counts_from_zero() {
    ScriptedRandom random({1, 1, 1, 1, 2, 2, 2, 1});
    DiceState state;
    start_shaking(state);
    for (int i = 0; i < 4; ++i) {
        QVERIFY(!throw_dice(state, QStringLiteral("5"), random));
    }
    start_shaking(state);
    QCOMPARE(shake_to_end(state, QStringLiteral("4"), random), 4);
    QCOMPARE(state.turn_outcome, 1);
    QCOMPARE(random.log.size(), 16);
}

void TestDiceRules::unusable_or_changed_counts_end_the_shaking_data() {
    QTest::addColumn<QString>("first_count");
    QTest::addColumn<int>("throws_before_change");
    QTest::addColumn<QString>("later_count");
    QTest::addColumn<int>("expected_throws");
    QTest::newRow("zero ends after one throw") << "0" << 0 << "0" << 1;
    QTest::newRow("negative ends after one throw") << "-3" << 0 << "-3" << 1;
    QTest::newRow("text ends after one throw") << "abc" << 0 << "abc" << 1;
    QTest::newRow("fraction read as whole") << "2.9" << 0 << "2.9" << 2;
    QTest::newRow("raised during shaking") << "5" << 3 << "8" << 8;
    QTest::newRow("lowered below throws made") << "10" << 5 << "3" << 6;
    QTest::newRow("lowered to throws made") << "10" << 5 << "5" << 6;
    QTest::newRow("emptied during shaking") << "10" << 2 << "" << 3;
}

void TestDiceRules::unusable_or_changed_counts_end_the_shaking() {
    QFETCH(QString, first_count);
    QFETCH(int, throws_before_change);
    QFETCH(QString, later_count);
    QFETCH(int, expected_throws);
    ScriptedRandom random;
    DiceState state;
    start_shaking(state);
    for (int i = 0; i < throws_before_change; ++i) {
        QVERIFY(!throw_dice(state, first_count, random));
    }
    QCOMPARE(shake_to_end(state, later_count, random), expected_throws);
}

void TestDiceRules::settle_turn_credits_the_last_throw_data() {
    QTest::addColumn<int>("outcome");
    QTest::addColumn<Side>("winner");
    QTest::addColumn<QString>("left_word");
    QTest::addColumn<QString>("right_word");
    QTest::addColumn<QString>("left_tally");
    QTest::addColumn<QString>("right_tally");
    QTest::newRow("left wins") << 1 << Side::left << "胜利"
                               << "失败"
                               << "胜利：5  失败：2"
                               << "胜利：2  失败：5";
    QTest::newRow("right wins") << 2 << Side::right << "失败"
                                << "胜利"
                                << "胜利：4  失败：3"
                                << "胜利：3  失败：4";
    QTest::newRow("before any throw") << 0 << Side::none << ""
                                      << ""
                                      << "胜利：4  失败：2"
                                      << "胜利：2  失败：4";
}

void TestDiceRules::settle_turn_credits_the_last_throw() {
    QFETCH(int, outcome);
    QFETCH(Side, winner);
    QFETCH(QString, left_word);
    QFETCH(QString, right_word);
    QFETCH(QString, left_tally);
    QFETCH(QString, right_tally);
    DiceState state;
    state.left_wins = state.right_losses = 4;
    state.left_losses = state.right_wins = 2;
    state.turn_outcome = outcome;
    const Settlement settled = settle_turn(state);
    QCOMPARE(settled.winner, winner);
    QCOMPARE(settled.left_word, left_word);
    QCOMPARE(settled.right_word, right_word);
    QCOMPARE(settled.left_tally, left_tally);
    QCOMPARE(settled.right_tally, right_tally);
    QCOMPARE(state.left_wins, state.right_losses);
    QCOMPARE(state.left_losses, state.right_wins);
    QCOMPARE(state.turn_outcome, outcome);
}

void TestDiceRules::tallies_mirror_each_other_after_many_turns() {
    // One draw per turn with a count of 1; the pattern has more left wins than right wins.
    QList<int> draws;
    for (int i = 0; i < 50; ++i) {
        draws.append(i % 3 == 0 ? 2 : 1);
    }
    ScriptedRandom random(draws);
    DiceState state;
    Settlement settled;
    for (int turn = 0; turn < draws.size(); ++turn) {
        start_shaking(state);
        QCOMPARE(shake_to_end(state, QStringLiteral("1"), random), 1);
        settled = settle_turn(state);
    }
    QCOMPARE(state.left_wins, 33u);
    QCOMPARE(state.left_losses, 17u);
    QCOMPARE(state.right_wins, state.left_losses);
    QCOMPARE(state.right_losses, state.left_wins);
    QCOMPARE(settled.left_tally, QStringLiteral("胜利：33  失败：17"));
    QCOMPARE(settled.right_tally, QStringLiteral("胜利：17  失败：33"));
}

void TestDiceRules::win_loss_text_joins_with_full_width_colons_and_two_blanks_data() {
    QTest::addColumn<uint>("wins");
    QTest::addColumn<uint>("losses");
    QTest::addColumn<QString>("text");
    // U+FF1A is the full-width colon; an ASCII colon or a single blank must not pass.
    QTest::newRow("none") << 0u << 0u << QStringLiteral("胜利\uFF1A0  失败\uFF1A0");
    QTest::newRow("3 and 12") << 3u << 12u << QStringLiteral("胜利\uFF1A3  失败\uFF1A12");
    QTest::newRow("no grouping") << 4294967295u << 1000000u
                                 << QStringLiteral("胜利\uFF1A4294967295  失败\uFF1A1000000");
}

void TestDiceRules::win_loss_text_joins_with_full_width_colons_and_two_blanks() {
    QFETCH(uint, wins);
    QFETCH(uint, losses);
    QFETCH(QString, text);
    QCOMPARE(win_loss_text(wins, losses), text);
}

void TestDiceRules::reseeded_throws_back_to_back_are_fair() {
    // The program's own source, a committed stream, drawn throw after throw as the turn
    // does: a stream that tied a throw to the one before would show as too many equal
    // neighbours.
    CommittedRandom random(DrawRecord::fresh(QStringLiteral("dice"), 1));
    DiceState state;
    start_shaking(state);
    constexpr int pairs = 20000;
    int ones = 0;
    std::array<int, 4> pair_counts{};
    for (int i = 0; i < pairs; ++i) {
        throw_dice(state, QStringLiteral("1000000"), random);
        const int first = state.turn_outcome;
        throw_dice(state, QStringLiteral("1000000"), random);
        const int second = state.turn_outcome;
        QVERIFY(first == 1 || first == 2);
        QVERIFY(second == 1 || second == 2);
        ones += (first == 1) + (second == 1);
        ++pair_counts[static_cast<size_t>((first - 1) * 2 + (second - 1))];
    }
    const double throws = 2.0 * pairs;
    const double twos = throws - ones;
    const double chi_outcomes = (ones - twos) * (ones - twos) / throws;
    double chi_pairs = 0;
    for (const int seen : pair_counts) {
        const double expected = pairs / 4.0;
        chi_pairs += (seen - expected) * (seen - expected) / expected;
    }
    // Critical values at p = 0.0001: 15.14 for one degree of freedom, 21.11 for three.
    QVERIFY2(chi_outcomes < 15.14, qPrintable(QString::number(chi_outcomes)));
    QVERIFY2(chi_pairs < 21.11, qPrintable(QString::number(chi_pairs)));
}

QTEST_GUILESS_MAIN(TestDiceRules)
#include "tst_dice_rules.moc"
