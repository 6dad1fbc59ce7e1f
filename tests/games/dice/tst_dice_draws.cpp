#include "games/dice/dice_turn.h"
#include "games/dice/turn_rules.h"
#include "runtime/committed_random.h"
#include "tests/support/scripted_random.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QSet>
#include <QTest>

#include <array>

using glimmer::testing::ScriptedRandom;

using namespace glimmer;

namespace {

QByteArray seed_of(const char* hex) {
    return QByteArray::fromHex(hex);
}

// A settled turn of the program's kind, its throws made by hand.
void play_turn(DiceTurn& turn, const QString& count) {
    QVERIFY(turn.open_count_frame().done());
    QVERIFY(turn.set_throw_count(count).done());
    QVERIFY(turn.start_shaking().done());
    while (turn.phase() == DicePhase::shaking) {
        QVERIFY(turn.throw_once().done());
    }
    QVERIFY(turn.reveal().done());
}

} // namespace

class TestDiceDraws : public QObject {
    Q_OBJECT

private slots:
    void replayed_turns_match_the_known_answers_data();
    void replayed_turns_match_the_known_answers();
    void the_15_face_draws_are_the_15_pairs_higher_to_the_winner();
    void outcomes_and_faces_are_uniform_over_100000_turns();
    void commitment_comes_before_the_throws_and_the_seed_after_the_reveal();
    void phrase_is_taken_until_the_shaking_starts();
    void revealed_turn_replays_to_what_was_settled_data();
    void revealed_turn_replays_to_what_was_settled();
    void restarting_replays_the_stream_from_its_start();
    void a_turn_left_during_the_shaking_never_reuses_its_seed();
};

void TestDiceDraws::replayed_turns_match_the_known_answers_data() {
    QTest::addColumn<QByteArray>("seed");
    QTest::addColumn<QString>("phrase");
    QTest::addColumn<int>("round");
    QTest::addColumn<int>("throws");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<int>("dragon");
    QTest::addColumn<int>("tiger");
    const QByteArray counting = seed_of("000102030405060708090a0b0c0d0e0f"
                                        "101112131415161718191a1b1c1d1e1f");
    const QByteArray ones = QByteArray(32, char(0xff));
    const QByteArray hashed = seed_of("de16ac92a09f2d7bb37821738726113e"
                                      "baf9918d00506e076c9e3ecf4a37b0fc");
    QTest::newRow("counting, one throw") << counting << "" << 1 << 1 << 2 << 3 << 5;
    QTest::newRow("counting, 188 throws") << counting << "" << 7 << 188 << 2 << 1 << 4;
    QTest::newRow("counting, chinese phrase") << counting << "主播加油" << 1 << 1 << 1 << 4 << 3;
    QTest::newRow("counting, bars in phrase") << counting << "a|b 1+1=2" << 7 << 188 << 2 << 3 << 6;
    QTest::newRow("ones, 188 throws") << ones << "" << 7 << 188 << 1 << 6 << 1;
    QTest::newRow("ones, chinese phrase") << ones << "主播加油" << 1 << 1 << 1 << 2 << 1;
    QTest::newRow("hashed") << hashed << "a|b 1+1=2" << 1 << 1 << 1 << 6 << 2;
}

void TestDiceDraws::replayed_turns_match_the_known_answers() {
    QFETCH(QByteArray, seed);
    QFETCH(QString, phrase);
    QFETCH(int, round);
    QFETCH(int, throws);
    QFETCH(int, outcome);
    QFETCH(int, dragon);
    QFETCH(int, tiger);
    const DrawRecord draw{QStringLiteral("dice"), static_cast<std::uint32_t>(round), seed, phrase};
    const ThrowResult result = replay_turn(draw, throws);
    QCOMPARE(result.outcome, outcome);
    QCOMPARE(result.faces.dragon, dragon);
    QCOMPARE(result.faces.tiger, tiger);
}

void TestDiceDraws::the_15_face_draws_are_the_15_pairs_higher_to_the_winner() {
    QSet<QPair<int, int>> pairs;
    for (int k = 1; k <= 15; ++k) {
        for (const int outcome : {left_wins_outcome, right_wins_outcome}) {
            ScriptedRandom random({k});
            const DiceFaces faces = draw_faces(outcome, random);
            QCOMPARE(random.log, QStringList{"draw 1..15"});
            QVERIFY(faces.dragon >= 1 && faces.dragon <= 6 && faces.tiger >= 1 && faces.tiger <= 6);
            QCOMPARE(faces.dragon > faces.tiger, outcome == left_wins_outcome);
            QVERIFY(faces.dragon != faces.tiger);
            pairs.insert({faces.dragon, faces.tiger});
        }
    }
    QCOMPARE(pairs.size(), 30);
}

void TestDiceDraws::outcomes_and_faces_are_uniform_over_100000_turns() {
    // Seeds that are all different and the same on every run, so the test never flickers.
    constexpr int turns = 100000;
    std::array<int, 36> faces{};
    int left_wins = 0;
    DrawRecord draw{QStringLiteral("dice"), 0, {}, QStringLiteral("chat")};
    for (int i = 0; i < turns; ++i) {
        draw.round = static_cast<std::uint32_t>(i + 1);
        draw.seed = QCryptographicHash::hash(QByteArray::number(i), QCryptographicHash::Sha256);
        const ThrowResult result = replay_turn(draw, 1);
        left_wins += result.outcome == left_wins_outcome;
        QVERIFY((result.faces.dragon > result.faces.tiger) == (result.outcome == 1));
        ++faces[static_cast<size_t>((result.faces.dragon - 1) * 6 + result.faces.tiger - 1)];
    }
    const double half = turns / 2.0;
    const double chi_outcome = 2 * (left_wins - half) * (left_wins - half) / half;
    double chi_faces = 0;
    const double expected = turns / 30.0;
    for (int d = 1; d <= 6; ++d) {
        for (int t = 1; t <= 6; ++t) {
            const int seen = faces[static_cast<size_t>((d - 1) * 6 + t - 1)];
            if (d == t) {
                QCOMPARE(seen, 0);
            } else {
                chi_faces += (seen - expected) * (seen - expected) / expected;
            }
        }
    }
    // Critical values at p = 0.0001: 15.14 for one degree of freedom, about 65 for 29.
    QVERIFY2(chi_outcome < 15.14, qPrintable(QString::number(chi_outcome)));
    QVERIFY2(chi_faces < 65.0, qPrintable(QString::number(chi_faces)));
}

void TestDiceDraws::commitment_comes_before_the_throws_and_the_seed_after_the_reveal() {
    DiceState state;
    DiceTurn turn(state);
    turn.set_timer_driven(false);
    QVERIFY(!turn.last_reveal());
    QCOMPARE(turn.commitment().size(), 32);
    QCOMPARE(turn.draw_round(), 1u);
    const QByteArray committed = turn.commitment();
    const QJsonObject before = dice_overlay_state(turn.view());
    QCOMPARE(before["draw"]["commitment"].toString(), hex_text(committed));
    QCOMPARE(before["draw"]["round"].toInt(), 1);
    QVERIFY(before["draw"]["phrase_open"].toBool());
    QVERIFY(before["revealed"].isNull());

    QVERIFY(turn.set_phrase(QStringLiteral("弹幕第一句")).done());
    play_turn(turn, QStringLiteral("3"));
    QVERIFY(turn.last_reveal());
    const DiceReveal& reveal = *turn.last_reveal();
    QCOMPARE(draw_commitment(reveal.draw.seed), committed);
    QCOMPARE(reveal.draw.phrase, QStringLiteral("弹幕第一句"));
    QCOMPARE(reveal.draw.round, 1u);
    QCOMPARE(reveal.throws, 3);
    // Before the reveal the seed was nowhere in what the overlays get.
    QVERIFY(!QJsonDocument(before).toJson().contains(reveal.draw.seed.toHex()));

    const QJsonObject after = dice_overlay_state(turn.view());
    QCOMPARE(after["revealed"]["seed"].toString(), hex_text(reveal.draw.seed));
    QCOMPARE(after["revealed"]["commitment"].toString(), hex_text(committed));
    QCOMPARE(after["revealed"]["phrase"].toString(), QStringLiteral("弹幕第一句"));
    QCOMPARE(after["revealed"]["winner"].toString(),
             turn.badge_side() == Side::left ? QStringLiteral("left") : QStringLiteral("right"));
    QVERIFY(after["revealed"]["verify"].toString().startsWith(
        QStringLiteral("/overlay/verify?game=dice&round=1&seed=")));
    // The next turn has a fresh seed of its own, committed at once, with no phrase yet.
    QCOMPARE(turn.draw_round(), 2u);
    QVERIFY(turn.commitment() != committed);
    QVERIFY(turn.phrase().isEmpty());
    QCOMPARE(after["draw"]["commitment"].toString(), hex_text(turn.commitment()));
    QCOMPARE(after["draw"]["round"].toInt(), 2);
}

void TestDiceDraws::phrase_is_taken_until_the_shaking_starts() {
    DiceState state;
    DiceTurn turn(state);
    turn.set_timer_driven(false);
    QVERIFY(turn.set_phrase(QStringLiteral("one")).done());
    QVERIFY(turn.open_count_frame().done());
    QVERIFY(turn.set_phrase(QStringLiteral("two")).done());
    QVERIFY(turn.set_throw_count(QStringLiteral("2")).done());
    QVERIFY(turn.start_shaking().done());
    QCOMPARE(turn.set_phrase(QStringLiteral("three")).reason,
             refusal_text(DiceRefusal::phrase_locked));
    QVERIFY(turn.throw_once().done());
    QCOMPARE(turn.set_phrase(QStringLiteral("four")).reason,
             refusal_text(DiceRefusal::phrase_locked));
    QVERIFY(turn.throw_once().done());
    QCOMPARE(turn.phase(), DicePhase::revealing);
    QCOMPARE(turn.set_phrase(QStringLiteral("five")).reason,
             refusal_text(DiceRefusal::phrase_locked));
    QVERIFY(!refusal_text(DiceRefusal::phrase_locked).isEmpty());
    QCOMPARE(turn.phrase(), QStringLiteral("two"));
    const QJsonObject shaken = dice_overlay_state(turn.view());
    QVERIFY(!shaken["draw"]["phrase_open"].toBool());
    QVERIFY(turn.reveal().done());
    QCOMPARE(turn.last_reveal()->draw.phrase, QStringLiteral("two"));
    // The next turn takes a phrase again.
    QVERIFY(turn.set_phrase(QStringLiteral("six")).done());
}

void TestDiceDraws::revealed_turn_replays_to_what_was_settled_data() {
    QTest::addColumn<QString>("count");
    QTest::addColumn<QString>("phrase");
    QTest::newRow("one throw") << "1"
                               << "";
    QTest::newRow("188 throws, a phrase") << "188"
                                          << "老铁 666";
    QTest::newRow("1000 throws") << "1000"
                                 << "x";
}

void TestDiceDraws::revealed_turn_replays_to_what_was_settled() {
    QFETCH(QString, count);
    QFETCH(QString, phrase);
    DiceState state;
    DiceTurn turn(state);
    turn.set_timer_driven(false);
    for (int i = 0; i < 5; ++i) {
        QVERIFY(turn.set_phrase(phrase).done());
        const std::uint32_t wins_before = state.left_wins;
        play_turn(turn, count);
        const DiceReveal& reveal = *turn.last_reveal();
        const ThrowResult replayed = replay_turn(reveal.draw, reveal.throws);
        QCOMPARE(replayed.outcome, reveal.outcome);
        QCOMPARE(replayed.faces.dragon, reveal.faces.dragon);
        QCOMPARE(replayed.faces.tiger, reveal.faces.tiger);
        QCOMPARE(state.left_wins - wins_before, reveal.outcome == left_wins_outcome ? 1u : 0u);
        QCOMPARE(reveal.throws, count.toInt());
    }
}

void TestDiceDraws::restarting_replays_the_stream_from_its_start() {
    DiceState state;
    DiceTurn turn(state);
    turn.set_timer_driven(false);
    QVERIFY(turn.open_count_frame().done());
    QVERIFY(turn.set_throw_count(QStringLiteral("9")).done());
    QVERIFY(turn.start_shaking().done());
    for (int i = 0; i < 5; ++i) {
        QVERIFY(turn.throw_once().done());
    }
    // Started again with another count: the outcome is that count's, from the same seed.
    QVERIFY(turn.set_throw_count(QStringLiteral("4")).done());
    QVERIFY(turn.start_shaking().done());
    while (turn.phase() == DicePhase::shaking) {
        QVERIFY(turn.throw_once().done());
    }
    QVERIFY(turn.reveal().done());
    const DiceReveal& reveal = *turn.last_reveal();
    QCOMPARE(reveal.throws, 4);
    QCOMPARE(replay_turn(reveal.draw, 4).outcome, reveal.outcome);
}

void TestDiceDraws::a_turn_left_during_the_shaking_never_reuses_its_seed() {
    DiceState state;
    DiceTurn turn(state);
    turn.set_timer_driven(false);
    const QByteArray first = turn.commitment();
    turn.abandon(); // nothing drawn yet: the seed stays
    QCOMPARE(turn.commitment(), first);
    QVERIFY(turn.open_count_frame().done());
    QVERIFY(turn.start_shaking().done());
    QVERIFY(turn.throw_once().done());
    turn.abandon();
    QVERIFY(turn.commitment() != first);
    QCOMPARE(turn.draw_round(), 2u);
    // A window opened later goes on counting the rounds of the run.
    DiceTurn later(state);
    QCOMPARE(later.draw_round(), 3u);
}

QTEST_GUILESS_MAIN(TestDiceDraws)
#include "tst_dice_draws.moc"
