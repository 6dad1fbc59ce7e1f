#include "games/minebox/mine_board.h"
#include "games/minebox/minebox_round.h"
#include "runtime/committed_random.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTest>

#include <array>

using namespace glimmer;

namespace {

// Opens every box in order, crediting them by turns.
void open_every_box(MineBoxRound& round) {
    for (int position = 0; position < static_cast<int>(round.board().boxes.size()); ++position) {
        QVERIFY(round.dig(position).done());
        QVERIFY(round.credit(position % 2 == 0 ? player_one : player_two).done());
    }
}

} // namespace

class TestMineBoxDraws : public QObject {
    Q_OBJECT

private slots:
    void replayed_burials_match_the_known_answers_data();
    void replayed_burials_match_the_known_answers();
    void every_pair_is_equally_likely_over_100000_burials();
    void commitment_comes_before_the_burial_and_the_seed_after_the_round();
    void phrase_is_refused_after_the_burial();
    void leaving_a_buried_board_reveals_it_to_the_next_round();
    void leaving_before_the_burial_reveals_nothing();
    void revealed_burial_replays_to_the_board_that_was_played();
};

void TestMineBoxDraws::replayed_burials_match_the_known_answers_data() {
    QTest::addColumn<QByteArray>("seed");
    QTest::addColumn<QString>("phrase");
    QTest::addColumn<int>("round");
    QTest::addColumn<int>("boxes");
    QTest::addColumn<int>("mines");
    QTest::addColumn<QList<int>>("mine_boxes");
    const QByteArray counting = QByteArray::fromHex("000102030405060708090a0b0c0d0e0f"
                                                    "101112131415161718191a1b1c1d1e1f");
    const QByteArray ones = QByteArray(32, char(0xff));
    const QByteArray hashed = QByteArray::fromHex("de16ac92a09f2d7bb37821738726113e"
                                                  "baf9918d00506e076c9e3ecf4a37b0fc");
    QTest::newRow("counting, 5 and 2") << counting << "" << 1 << 5 << 2 << QList<int>{2, 5};
    QTest::newRow("counting, 30 and 7")
        << counting << "" << 3 << 30 << 7 << QList<int>{8, 12, 14, 15, 17, 20, 27};
    QTest::newRow("counting, chinese phrase")
        << counting << "主播加油" << 1 << 5 << 2 << QList<int>{1, 5};
    QTest::newRow("ones, bars in phrase")
        << ones << "a|b 1+1=2" << 3 << 30 << 7 << QList<int>{1, 2, 10, 11, 14, 22, 28};
    QTest::newRow("hashed, chinese phrase")
        << hashed << "主播加油" << 3 << 30 << 7 << QList<int>{1, 9, 13, 20, 21, 22, 25};
    QTest::newRow("no mines") << hashed << "" << 1 << 5 << 0 << QList<int>{};
    QTest::newRow("negative mines") << hashed << "" << 1 << 5 << -2 << QList<int>{};
}

void TestMineBoxDraws::replayed_burials_match_the_known_answers() {
    QFETCH(QByteArray, seed);
    QFETCH(QString, phrase);
    QFETCH(int, round);
    QFETCH(int, boxes);
    QFETCH(int, mines);
    QFETCH(QList<int>, mine_boxes);
    const DrawRecord draw{QStringLiteral("minebox"), static_cast<std::uint32_t>(round), seed,
                          phrase};
    const std::optional<std::vector<int>> placed = replay_burial(draw, boxes, mines);
    QVERIFY(placed);
    QCOMPARE(QList<int>(placed->begin(), placed->end()), mine_boxes);
}

void TestMineBoxDraws::every_pair_is_equally_likely_over_100000_burials() {
    // Seeds that are all different and the same on every run, so the test never flickers.
    constexpr int burials = 100000;
    std::array<int, 25> pairs{};
    DrawRecord draw{QStringLiteral("minebox"), 0, {}, QString()};
    for (int i = 0; i < burials; ++i) {
        draw.round = static_cast<std::uint32_t>(i + 1);
        draw.seed =
            QCryptographicHash::hash("mine" + QByteArray::number(i), QCryptographicHash::Sha256);
        const std::optional<std::vector<int>> placed = replay_burial(draw, 5, 2);
        QVERIFY(placed && placed->size() == 2 && placed->at(0) < placed->at(1));
        ++pairs[static_cast<size_t>((placed->at(0) - 1) * 5 + placed->at(1) - 1)];
    }
    double chi = 0;
    const double expected = burials / 10.0;
    for (int a = 1; a <= 5; ++a) {
        for (int b = a + 1; b <= 5; ++b) {
            const int seen = pairs[static_cast<size_t>((a - 1) * 5 + b - 1)];
            chi += (seen - expected) * (seen - expected) / expected;
        }
    }
    // The critical value at p = 0.0001 for nine degrees of freedom.
    QVERIFY2(chi < 33.72, qPrintable(QString::number(chi)));
}

void TestMineBoxDraws::commitment_comes_before_the_burial_and_the_seed_after_the_round() {
    MineBoxTallies tallies;
    MineBoxRound round(tallies);
    QCOMPARE(round.draw_round(), 1u);
    const QByteArray committed = round.commitment();
    QCOMPARE(committed.size(), 32);
    QVERIFY(!round.last_reveal());
    QVERIFY(round.set_phrase(QStringLiteral("第一句")).done());
    QVERIFY(round.bury().done());
    const QJsonObject playing = minebox_overlay_state(round.view());
    QCOMPARE(playing["draw"]["commitment"].toString(), hex_text(committed));
    QCOMPARE(playing["draw"]["phrase"].toString(), QStringLiteral("第一句"));
    QVERIFY(!playing["draw"]["phrase_open"].toBool());
    QVERIFY(playing["revealed"].isNull());

    QSignalSpy changed(&round, &MineBoxRound::state_changed);
    // Every box but the last opened: still nothing revealed.
    for (int position = 0; position < 4; ++position) {
        QVERIFY(round.dig(position).done());
        QVERIFY(round.credit(player_one).done());
        QVERIFY(!round.revealed());
    }
    QVERIFY(round.dig(4).done());
    QVERIFY(!round.revealed());
    QVERIFY(round.credit(player_two).done());
    QVERIFY(round.revealed());
    const MineBoxReveal& reveal = *round.last_reveal();
    QCOMPARE(draw_commitment(reveal.draw.seed), committed);
    QCOMPARE(reveal.draw.phrase, QStringLiteral("第一句"));
    QCOMPARE(reveal.boxes, 5);
    QCOMPARE(reveal.mines, 2);
    QVERIFY(!QJsonDocument(playing).toJson().contains(reveal.draw.seed.toHex()));

    const QJsonObject over = minebox_overlay_state(round.view());
    // The board's end, and its draw spent: no commitment left to show in place of the seed.
    QCOMPARE(over["stage"].toString(), QStringLiteral("finished"));
    QVERIFY(over["draw"].isNull());
    QCOMPARE(over["revealed"]["seed"].toString(), hex_text(reveal.draw.seed));
    QCOMPARE(over["revealed"]["commitment"].toString(), hex_text(committed));
    QCOMPARE(over["revealed"]["mine_boxes"].toArray().size(), 2);
    QVERIFY(over["revealed"]["verify"].toString().startsWith(
        QStringLiteral("/overlay/verify?game=minebox&round=1&seed=")));
}

void TestMineBoxDraws::phrase_is_refused_after_the_burial() {
    MineBoxTallies tallies;
    MineBoxRound round(tallies);
    QVERIFY(round.set_phrase(QStringLiteral("a")).done());
    QVERIFY(round.set_phrase(QStringLiteral("b")).done());
    QVERIFY(round.bury().done());
    QCOMPARE(round.set_phrase(QStringLiteral("c")).reason,
             refusal_text(MineBoxRefusal::phrase_locked));
    QVERIFY(!refusal_text(MineBoxRefusal::phrase_locked).isEmpty());
    QCOMPARE(round.phrase(), QStringLiteral("b"));
}

void TestMineBoxDraws::leaving_a_buried_board_reveals_it_to_the_next_round() {
    MineBoxTallies tallies;
    QByteArray first_commitment;
    {
        MineBoxRound round(tallies);
        first_commitment = round.commitment();
        QVERIFY(round.bury().done());
        QVERIFY(round.dig(0).done());
        round.leave();
        QVERIFY(round.revealed());
    }
    MineBoxRound next(tallies);
    // A fresh seed for the new board, and the last one out for all to check.
    QCOMPARE(next.draw_round(), 2u);
    QVERIFY(next.commitment() != first_commitment);
    QVERIFY(next.last_reveal());
    QCOMPARE(next.last_reveal()->draw.round, 1u);
    QCOMPARE(draw_commitment(next.last_reveal()->draw.seed), first_commitment);
    const QJsonObject shown = minebox_overlay_state(next.view());
    QCOMPARE(shown["revealed"]["round"].toInt(), 1);
    QCOMPARE(shown["draw"]["round"].toInt(), 2); // the new board's own commitment
    QCOMPARE(shown["stage"].toString(), QStringLiteral("setup"));
}

void TestMineBoxDraws::leaving_before_the_burial_reveals_nothing() {
    MineBoxTallies tallies;
    MineBoxRound round(tallies);
    round.leave();
    QVERIFY(!round.revealed());
    QVERIFY(!tallies.last_reveal);
}

void TestMineBoxDraws::revealed_burial_replays_to_the_board_that_was_played() {
    MineBoxTallies tallies;
    for (int game = 0; game < 5; ++game) {
        MineBoxRound round(tallies);
        QVERIFY(round.set_phrase(QStringLiteral("口令 %1").arg(game)).done());
        QVERIFY(round.set_box_count_text(QStringLiteral("12")).done());
        QVERIFY(round.set_mine_count_text(QStringLiteral("5")).done());
        QVERIFY(round.bury().done());
        std::vector<int> mines_seen;
        for (int position = 0; position < 12; ++position) {
            if (round.board().boxes[static_cast<size_t>(position)].has_mine == 1) {
                mines_seen.push_back(position + 1);
            }
        }
        open_every_box(round);
        const MineBoxReveal& reveal = *round.last_reveal();
        const QList<int> expected(mines_seen.begin(), mines_seen.end());
        QCOMPARE(QList<int>(reveal.mine_boxes.begin(), reveal.mine_boxes.end()), expected);
        const std::optional<std::vector<int>> replayed =
            replay_burial(reveal.draw, reveal.boxes, reveal.mines);
        QVERIFY(replayed);
        QCOMPARE(QList<int>(replayed->begin(), replayed->end()), expected);
    }
}

QTEST_GUILESS_MAIN(TestMineBoxDraws)
#include "tst_minebox_draws.moc"
