#include "mine_board.h"

#include "candidate_list.h"
#include "runtime/random.h"
#include "runtime/text.h"

#include <algorithm>

namespace glimmer {

QString box_caption(int number) {
    return to_text(number) + QStringLiteral("号箱");
}

QString owner_caption(int player) {
    return player == player_two ? QStringLiteral("属于玩家2") : QStringLiteral("属于玩家1");
}

QString tally_text(qint32 empty_count, qint32 mine_count) {
    return QStringLiteral("空箱：") + to_text(empty_count) + QStringLiteral(" 踩雷：") +
           to_text(mine_count);
}

QString caption_at(const MineBoard& board, int position) {
    if (position < 0 || position >= static_cast<int>(board.boxes.size())) {
        return QString();
    }
    const int owner = board.boxes[static_cast<size_t>(position)].owner;
    return owner == 0 ? box_caption(position + 1) : owner_caption(owner);
}

void reset_tallies(MineBoxTallies& tallies) {
    tallies.players = {};
}

std::optional<MineBoxRefusal> check_burial(const MineBoard& board, const QString& box_text,
                                           const QString& mine_text) {
    if (board.stage != GameStage::setup) {
        return MineBoxRefusal::not_in_setup;
    }
    // Only the empty text counts as missing; a blank goes on to the conversion.
    if (box_text.isEmpty()) {
        return MineBoxRefusal::box_count_missing;
    }
    if (mine_text.isEmpty()) {
        return MineBoxRefusal::mine_count_missing;
    }
    const int boxes = to_int(box_text);
    if (to_int(mine_text) >= boxes) {
        return MineBoxRefusal::too_many_mines;
    }
    if (boxes > max_boxes) {
        return MineBoxRefusal::too_many_boxes;
    }
    return std::nullopt;
}

std::optional<MineBoxRefusal> check_dig(const MineBoard& board, int position) {
    if (board.stage == GameStage::setup) {
        return MineBoxRefusal::no_board_yet;
    }
    if (board.stage == GameStage::waiting) {
        return MineBoxRefusal::owner_pending;
    }
    if (position < 0) {
        return MineBoxRefusal::no_box_selected;
    }
    if (position >= static_cast<int>(board.boxes.size())) {
        return MineBoxRefusal::no_such_box;
    }
    if (board.boxes[static_cast<size_t>(position)].state != box_closed) {
        return MineBoxRefusal::box_already_open;
    }
    return std::nullopt;
}

std::optional<MineBoxRefusal> check_credit(const MineBoard& board, const PendingDig& pending,
                                           int player) {
    if (board.stage != GameStage::waiting || pending.position < 0 ||
        pending.position >= static_cast<int>(board.boxes.size())) {
        return MineBoxRefusal::nothing_to_credit;
    }
    if (player != player_one && player != player_two) {
        return MineBoxRefusal::unknown_player;
    }
    return std::nullopt;
}

bool bury_mines(MineBoard& board, const QString& box_text, const QString& mine_text,
                RandomSource& random) {
    if (check_burial(board, box_text, mine_text)) {
        return false;
    }
    const int boxes = to_int(box_text);
    const int mines = to_int(mine_text);

    board.boxes.assign(static_cast<size_t>(std::max(boxes, 0)), MineBox{});
    CandidateList candidates(boxes);
    for (int j = 1; j <= mines; ++j) {
        // A reseed before every single draw (a committed source's seed fixed them all).
        random.seed_random();
        const int remaining = candidates.remaining();
        // A source that strays outside the bounds must not lose a mine.
        const int k = std::clamp(random.random_int(1, remaining), 1, remaining);
        const int number = candidates.take(k);
        board.boxes[static_cast<size_t>(number - 1)].has_mine = 1;
    }
    board.stage = GameStage::playing;
    return true;
}

std::vector<int> mine_box_numbers(const MineBoard& board) {
    std::vector<int> numbers;
    for (size_t i = 0; i < board.boxes.size(); ++i) {
        if (board.boxes[i].has_mine == 1) {
            numbers.push_back(static_cast<int>(i) + 1);
        }
    }
    return numbers;
}

std::optional<std::vector<int>> replay_burial(const DrawRecord& record, int boxes, int mines) {
    MineBoard board;
    CommittedRandom stream(record);
    if (!bury_mines(board, QString::number(boxes), QString::number(mines), stream)) {
        return std::nullopt;
    }
    return mine_box_numbers(board);
}

bool dig_box(MineBoard& board, PendingDig& pending, int position) {
    if (check_dig(board, position)) {
        return false;
    }
    MineBox& box = board.boxes[static_cast<size_t>(position)];
    const bool mine = box.has_mine == 1;
    box.state = mine ? box_mine : box_empty;
    pending.empty_increment = mine ? 0 : 1;
    pending.mine_increment = mine ? 1 : 0;
    pending.position = position;
    board.stage = GameStage::waiting;
    return true;
}

int assign_owner(MineBoard& board, MineBoxTallies& tallies, int player) {
    if (check_credit(board, tallies.pending, player)) {
        return -1;
    }
    const int position = tallies.pending.position;
    PlayerTally& tally = tallies.player(player);
    tally.empty_count += tallies.pending.empty_increment;
    tally.mine_count += tallies.pending.mine_increment;
    board.boxes[static_cast<size_t>(position)].owner = player;
    board.stage = GameStage::playing;
    return position;
}

} // namespace glimmer
