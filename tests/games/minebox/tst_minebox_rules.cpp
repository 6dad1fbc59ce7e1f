#include "games/minebox/mine_board.h"
#include "runtime/committed_random.h"
#include "tests/support/scripted_random.h"

#include <QTest>

#include <algorithm>
#include <map>
#include <utility>

using namespace glimmer;
using glimmer::testing::RecordingRandom;
using glimmer::testing::ScriptedRandom;

namespace {

int mine_count(const MineBoard& board) {
    return static_cast<int>(std::count_if(board.boxes.begin(), board.boxes.end(),
                                          [](const MineBox& box) { return box.has_mine == 1; }));
}

// Five boxes in play with a mine in box 3 (position 2) only.
MineBoard board_with_mine_in_box_3() {
    ScriptedRandom random({3});
    MineBoard board;
    bury_mines(board, QStringLiteral("5"), QStringLiteral("1"), random);
    return board;
}

// The plain burial: an array of the candidates, the k-th one cut out of it.
std::vector<int> reference_mines(int boxes, const QList<int>& draws) {
    QList<int> candidates;
    for (int i = 1; i <= boxes; ++i) {
        candidates.append(i);
    }
    std::vector<int> has_mine(static_cast<size_t>(boxes), 0);
    for (const int k : draws) {
        has_mine[static_cast<size_t>(candidates[k - 1] - 1)] = 1;
        candidates.removeAt(k - 1);
    }
    return has_mine;
}

} // namespace

class TestMineBoxRules : public QObject {
    Q_OBJECT

private slots:
    void texts_are_exact_data();
    void texts_are_exact();
    void bury_refuses_bad_counts_data();
    void bury_refuses_bad_counts();
    void bury_builds_numbered_closed_boxes_data();
    void bury_builds_numbered_closed_boxes();
    void bury_reseeds_before_every_draw();
    void bury_picks_the_same_boxes_as_the_plain_burial_data();
    void bury_picks_the_same_boxes_as_the_plain_burial();
    void bury_keeps_every_mine_when_a_draw_strays();
    void bury_happens_once_per_game();
    void every_pair_of_two_mines_in_five_boxes_is_equally_likely();
    void dig_opens_the_box_and_credit_names_the_owner_data();
    void dig_opens_the_box_and_credit_names_the_owner();
    void digs_that_change_nothing_data();
    void digs_that_change_nothing();
    void credit_needs_a_waiting_dig_and_a_known_player();
    void same_player_collects_three_empty_boxes_and_a_mine();
    void zero_mines_credit_only_empty_boxes();
    void empty_board_ends_setup_with_nothing_to_dig();
};

void TestMineBoxRules::texts_are_exact_data() {
    QTest::addColumn<QString>("actual");
    QTest::addColumn<QString>("expected");
    QTest::newRow("box 1") << box_caption(1) << QStringLiteral("1号箱");
    QTest::newRow("box 12") << box_caption(12) << QStringLiteral("12号箱");
    QTest::newRow("box 100000") << box_caption(100000) << QStringLiteral("100000号箱");
    QTest::newRow("owner 1") << owner_caption(player_one) << QStringLiteral("属于玩家1");
    QTest::newRow("owner 2") << owner_caption(player_two) << QStringLiteral("属于玩家2");
    QTest::newRow("tally 3 1") << tally_text(3, 1) << QStringLiteral("空箱：3 踩雷：1");
    QTest::newRow("tally 0 0") << tally_text(0, 0) << QStringLiteral("空箱：0 踩雷：0");
    QTest::newRow("tally 12 0") << tally_text(12, 0) << QStringLiteral("空箱：12 踩雷：0");
}

void TestMineBoxRules::texts_are_exact() {
    QFETCH(QString, actual);
    QFETCH(QString, expected);
    QCOMPARE(actual, expected);
}

void TestMineBoxRules::bury_refuses_bad_counts_data() {
    QTest::addColumn<QString>("boxes");
    QTest::addColumn<QString>("mines");
    QTest::newRow("box field empty") << QString() << QStringLiteral("2");
    QTest::newRow("mine field empty") << QStringLiteral("5") << QString();
    QTest::newRow("both empty") << QString() << QString();
    QTest::newRow("5 boxes 5 mines") << QStringLiteral("5") << QStringLiteral("5");
    QTest::newRow("5 boxes 7 mines") << QStringLiteral("5") << QStringLiteral("7");
    QTest::newRow("3 boxes 3 mines") << QStringLiteral("3") << QStringLiteral("3");
    QTest::newRow("blank box field reads 0") << QStringLiteral(" ") << QStringLiteral("0");
    QTest::newRow("words read 0") << QStringLiteral("many") << QStringLiteral("few");
    QTest::newRow("negative boxes") << QStringLiteral("-3") << QStringLiteral("-3");
    QTest::newRow("above the cap") << QStringLiteral("100001") << QStringLiteral("2");
    QTest::newRow("far above the cap") << QStringLiteral("99999999999") << QStringLiteral("1");
}

void TestMineBoxRules::bury_refuses_bad_counts() {
    QFETCH(QString, boxes);
    QFETCH(QString, mines);
    ScriptedRandom random;
    MineBoard board;
    QVERIFY(!bury_mines(board, boxes, mines, random));
    QVERIFY(board.boxes.empty());
    QCOMPARE(board.stage, GameStage::setup);
    QVERIFY(random.log.isEmpty());
}

void TestMineBoxRules::bury_builds_numbered_closed_boxes_data() {
    QTest::addColumn<QString>("box_text");
    QTest::addColumn<QString>("mine_text");
    QTest::addColumn<int>("boxes");
    QTest::addColumn<int>("mines");
    QTest::newRow("starting 5 and 2") << "5"
                                      << "2" << 5 << 2;
    QTest::newRow("5 and 4") << "5"
                             << "4" << 5 << 4;
    QTest::newRow("no mines") << "5"
                              << "0" << 5 << 0;
    QTest::newRow("negative mines") << "5"
                                    << "-2" << 5 << 0;
    QTest::newRow("one box") << "1"
                             << "0" << 1 << 0;
    QTest::newRow("leading blanks and trailing words") << " 12 boxes"
                                                       << "3x" << 12 << 3;
    QTest::newRow("the cap itself") << "100000"
                                    << "99999" << 100000 << 99999;
}

void TestMineBoxRules::bury_builds_numbered_closed_boxes() {
    QFETCH(QString, box_text);
    QFETCH(QString, mine_text);
    QFETCH(int, boxes);
    QFETCH(int, mines);
    RecordingRandom random(7);
    MineBoard board;
    QVERIFY(bury_mines(board, box_text, mine_text, random));
    QCOMPARE(board.stage, GameStage::playing);
    QCOMPARE(static_cast<int>(board.boxes.size()), boxes);
    QCOMPARE(mine_count(board), mines);
    for (int p = 0; p < boxes; ++p) {
        const MineBox& box = board.boxes[static_cast<size_t>(p)];
        QCOMPARE(box.state, box_closed);
        QCOMPARE(box.owner, 0);
        QVERIFY(box.has_mine == 0 || box.has_mine == 1);
    }
    QCOMPARE(caption_at(board, 0), QStringLiteral("1号箱"));
    QCOMPARE(caption_at(board, boxes - 1), box_caption(boxes));
}

void TestMineBoxRules::bury_reseeds_before_every_draw() {
    ScriptedRandom random({2, 4, 1});
    MineBoard board;
    QVERIFY(bury_mines(board, QStringLiteral("6"), QStringLiteral("3"), random));
    const QStringList expected{"seed", "draw 1..6", "seed", "draw 1..5", "seed", "draw 1..4"};
    QCOMPARE(random.log, expected);
    // Draws 2, 4, 1 out of 1..6: box 2, then 5 (of 1 3 4 5 6), then 1.
    std::vector<int> has_mine;
    for (const MineBox& box : board.boxes) {
        has_mine.push_back(box.has_mine);
    }
    QCOMPARE(has_mine, (std::vector<int>{1, 1, 0, 0, 1, 0}));
}

void TestMineBoxRules::bury_picks_the_same_boxes_as_the_plain_burial_data() {
    QTest::addColumn<int>("boxes");
    QTest::addColumn<int>("mines");
    QTest::addColumn<unsigned>("seed");
    QTest::newRow("5 and 2") << 5 << 2 << 1u;
    QTest::newRow("all but one of 16") << 16 << 15 << 2u;
    QTest::newRow("half of 1000") << 1000 << 500 << 3u;
    QTest::newRow("all but one of 4097") << 4097 << 4096 << 4u;
    QTest::newRow("a few in 20000") << 20000 << 37 << 5u;
    QTest::newRow("most of 20000") << 20000 << 19000 << 6u;
}

void TestMineBoxRules::bury_picks_the_same_boxes_as_the_plain_burial() {
    QFETCH(int, boxes);
    QFETCH(int, mines);
    QFETCH(unsigned, seed);
    RecordingRandom random(seed);
    MineBoard board;
    QVERIFY(bury_mines(board, QString::number(boxes), QString::number(mines), random));
    QCOMPARE(random.reseeds, mines);
    QCOMPARE(random.draws.size(), mines);

    const std::vector<int> expected = reference_mines(boxes, random.draws);
    std::vector<int> actual;
    for (const MineBox& box : board.boxes) {
        actual.push_back(box.has_mine);
    }
    QCOMPARE(actual, expected);
}

void TestMineBoxRules::bury_keeps_every_mine_when_a_draw_strays() {
    ScriptedRandom random({0, 99, -5, 1000000});
    MineBoard board;
    QVERIFY(bury_mines(board, QStringLiteral("6"), QStringLiteral("4"), random));
    QCOMPARE(mine_count(board), 4);
}

void TestMineBoxRules::bury_happens_once_per_game() {
    RecordingRandom random(11);
    MineBoard board;
    QVERIFY(bury_mines(board, QStringLiteral("5"), QStringLiteral("2"), random));
    PendingDig pending;
    QVERIFY(dig_box(board, pending, 0));
    const std::vector<MineBox> before = board.boxes;
    QVERIFY(!bury_mines(board, QStringLiteral("9"), QStringLiteral("1"), random));
    QCOMPARE(board.boxes.size(), before.size());
    QCOMPARE(board.boxes[0].state, before[0].state);
    QCOMPARE(board.stage, GameStage::waiting);
}

void TestMineBoxRules::every_pair_of_two_mines_in_five_boxes_is_equally_likely() {
    // The program's own source, a committed stream, drawn exactly as the burial draws.
    CommittedRandom random(DrawRecord::fresh(QStringLiteral("minebox"), 1));
    constexpr int trials = 30000;
    std::map<std::pair<int, int>, int> seen;
    for (int t = 0; t < trials; ++t) {
        MineBoard board;
        QVERIFY(bury_mines(board, QStringLiteral("5"), QStringLiteral("2"), random));
        std::vector<int> positions;
        for (int p = 0; p < 5; ++p) {
            if (board.boxes[static_cast<size_t>(p)].has_mine == 1) {
                positions.push_back(p);
            }
        }
        QCOMPARE(positions.size(), size_t{2});
        ++seen[{positions[0], positions[1]}];
    }
    QCOMPARE(seen.size(), size_t{10});
    const double expected = trials / 10.0;
    double chi_square = 0;
    for (const auto& [pair, count] : seen) {
        chi_square += (count - expected) * (count - expected) / expected;
    }
    // 9 degrees of freedom; a fair burial exceeds 45 about once in a million runs.
    QVERIFY2(chi_square < 45.0, qPrintable(QStringLiteral("chi-square %1").arg(chi_square)));
}

void TestMineBoxRules::dig_opens_the_box_and_credit_names_the_owner_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("player");
    QTest::addColumn<int>("state");
    QTest::newRow("mine to player 2") << 2 << player_two << int(box_mine);
    QTest::newRow("mine to player 1") << 2 << player_one << int(box_mine);
    QTest::newRow("empty to player 2") << 4 << player_two << int(box_empty);
    QTest::newRow("empty to player 1") << 0 << player_one << int(box_empty);
}

void TestMineBoxRules::dig_opens_the_box_and_credit_names_the_owner() {
    QFETCH(int, position);
    QFETCH(int, player);
    QFETCH(int, state);
    MineBoard board = board_with_mine_in_box_3();
    MineBoxTallies tallies;
    const bool mine = state == box_mine;

    QVERIFY(dig_box(board, tallies.pending, position));
    QCOMPARE(board.stage, GameStage::waiting);
    QCOMPARE(int(board.boxes[static_cast<size_t>(position)].state), state);
    // The picture changes at once; the caption waits for the credit.
    QCOMPARE(caption_at(board, position), box_caption(position + 1));
    QCOMPARE(tallies.pending.position, position);
    QCOMPARE(tallies.pending.mine_increment, mine ? 1 : 0);
    QCOMPARE(tallies.pending.empty_increment, mine ? 0 : 1);

    QCOMPARE(assign_owner(board, tallies, player), position);
    QCOMPARE(board.stage, GameStage::playing);
    QCOMPARE(caption_at(board, position), owner_caption(player));
    QCOMPARE(int(board.boxes[static_cast<size_t>(position)].state), state);
    const PlayerTally& credited = tallies.player(player);
    const PlayerTally& other = tallies.player(player == player_one ? player_two : player_one);
    QCOMPARE(credited.mine_count, mine ? 1 : 0);
    QCOMPARE(credited.empty_count, mine ? 0 : 1);
    QCOMPARE(other.mine_count, 0);
    QCOMPARE(other.empty_count, 0);
}

void TestMineBoxRules::digs_that_change_nothing_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<bool>("open_box_2_first");
    QTest::addColumn<bool>("leave_it_waiting");
    QTest::newRow("nothing selected") << -1 << false << false;
    QTest::newRow("off the board") << 5 << false << false;
    QTest::newRow("far off the board") << (1 << 30) << false << false;
    QTest::newRow("opened box") << 1 << true << false;
    QTest::newRow("while a dig waits") << 3 << true << true;
}

void TestMineBoxRules::digs_that_change_nothing() {
    QFETCH(int, position);
    QFETCH(bool, open_box_2_first);
    QFETCH(bool, leave_it_waiting);
    MineBoard board = board_with_mine_in_box_3();
    MineBoxTallies tallies;
    if (open_box_2_first) {
        QVERIFY(dig_box(board, tallies.pending, 1));
        if (!leave_it_waiting) {
            QCOMPARE(assign_owner(board, tallies, player_one), 1);
        }
    }
    const MineBoard before = board;
    const MineBoxTallies tallies_before = tallies;

    QVERIFY(!dig_box(board, tallies.pending, position));
    QCOMPARE(board.stage, before.stage);
    for (size_t p = 0; p < board.boxes.size(); ++p) {
        QCOMPARE(board.boxes[p].state, before.boxes[p].state);
        QCOMPARE(board.boxes[p].owner, before.boxes[p].owner);
    }
    QCOMPARE(tallies.pending.position, tallies_before.pending.position);
    QCOMPARE(tallies.pending.empty_increment, tallies_before.pending.empty_increment);
    QCOMPARE(tallies.player(player_one).empty_count, tallies_before.player(player_one).empty_count);
}

void TestMineBoxRules::credit_needs_a_waiting_dig_and_a_known_player() {
    MineBoard board = board_with_mine_in_box_3();
    MineBoxTallies tallies;
    QCOMPARE(assign_owner(board, tallies, player_one), -1);
    QVERIFY(dig_box(board, tallies.pending, 2));
    QCOMPARE(assign_owner(board, tallies, 3), -1);
    QCOMPARE(assign_owner(board, tallies, 0), -1);
    QCOMPARE(board.stage, GameStage::waiting);
    QCOMPARE(assign_owner(board, tallies, player_two), 2);
    // The wait is over: a second credit must not count the same box again.
    QCOMPARE(assign_owner(board, tallies, player_two), -1);
    QCOMPARE(tallies.player(player_two).mine_count, 1);
    QCOMPARE(tallies.player(player_one).mine_count, 0);
}

void TestMineBoxRules::same_player_collects_three_empty_boxes_and_a_mine() {
    MineBoard board = board_with_mine_in_box_3();
    MineBoxTallies tallies;
    for (const int position : {0, 2, 4, 1}) {
        QVERIFY(dig_box(board, tallies.pending, position));
        QCOMPARE(assign_owner(board, tallies, player_one), position);
    }
    const PlayerTally& one = tallies.player(player_one);
    QCOMPARE(tally_text(one.empty_count, one.mine_count), QStringLiteral("空箱：3 踩雷：1"));
    QCOMPARE(tallies.player(player_two).empty_count, 0);

    // The last box, then every further dig is ignored and nobody is declared anything.
    QVERIFY(dig_box(board, tallies.pending, 3));
    QCOMPARE(assign_owner(board, tallies, player_two), 3);
    for (int position = 0; position < 5; ++position) {
        QVERIFY(!dig_box(board, tallies.pending, position));
    }
    QCOMPARE(board.stage, GameStage::playing);
}

void TestMineBoxRules::zero_mines_credit_only_empty_boxes() {
    RecordingRandom random(3);
    MineBoard board;
    MineBoxTallies tallies;
    QVERIFY(bury_mines(board, QStringLiteral("5"), QStringLiteral("0"), random));
    QVERIFY(random.draws.isEmpty());
    for (int position = 0; position < 5; ++position) {
        QVERIFY(dig_box(board, tallies.pending, position));
        QCOMPARE(tallies.pending.empty_increment, 1);
        QCOMPARE(board.boxes[static_cast<size_t>(position)].state, box_empty);
        assign_owner(board, tallies, position % 2 == 0 ? player_one : player_two);
    }
    QCOMPARE(tallies.player(player_one).empty_count, 3);
    QCOMPARE(tallies.player(player_two).empty_count, 2);
    QCOMPARE(tallies.player(player_one).mine_count + tallies.player(player_two).mine_count, 0);
}

void TestMineBoxRules::empty_board_ends_setup_with_nothing_to_dig() {
    ScriptedRandom random;
    MineBoard board;
    MineBoxTallies tallies;
    QVERIFY(bury_mines(board, QStringLiteral("0"), QStringLiteral("-1"), random));
    QVERIFY(random.log.isEmpty());
    QVERIFY(board.boxes.empty());
    QCOMPARE(board.stage, GameStage::playing);
    QVERIFY(!dig_box(board, tallies.pending, 0));
    QVERIFY(!bury_mines(board, QStringLiteral("5"), QStringLiteral("2"), random));
    QVERIFY(board.boxes.empty());
}

QTEST_APPLESS_MAIN(TestMineBoxRules)
#include "tst_minebox_rules.moc"
