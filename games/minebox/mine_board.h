#pragma once

#include "runtime/committed_random.h"

#include <QString>

#include <array>
#include <optional>
#include <vector>

namespace glimmer {

class RandomSource;

// A box's state number is also the index of its picture on the board.
enum BoxState : int { box_closed = 0, box_empty = 1, box_mine = 2 };

inline constexpr int player_one = 1;
inline constexpr int player_two = 2;

// Larger boards are refused like any other bad count: silently, nothing changes.
inline constexpr int max_boxes = 100000;

struct MineBox {
    int has_mine = 0;
    BoxState state = box_closed;
    int owner = 0; // 0 until a player is credited with the box, then player_one or player_two
};

enum class GameStage {
    setup,   // no board yet; only a burial can happen
    playing, // boxes can be opened
    waiting, // one opened box waits to be credited to a player
};

// One game: the box at position p has the number p + 1.
struct MineBoard {
    std::vector<MineBox> boxes;
    GameStage stage = GameStage::setup;
};

// The box just opened, waiting to be credited. Exactly one increment is 1.
struct PendingDig {
    int position = 0;
    int empty_increment = 0;
    int mine_increment = 0;
};

struct PlayerTally {
    qint32 empty_count = 0;
    qint32 mine_count = 0;
};

// A board whose round is over, with everything a viewer needs to check its burial.
struct MineBoxReveal {
    DrawRecord draw;
    int boxes = 0; // the counts as the burial read them
    int mines = 0;
    std::vector<int> mine_boxes; // the numbers of the boxes holding a mine, ascending
};

// Program-wide: the two players' tallies and the pending dig. The window sets the tallies
// back to 0 each time it opens.
struct MineBoxTallies {
    std::array<PlayerTally, 2> players;
    PendingDig pending;
    // Seeds committed in this run (never reset); the latest one's number is its round number.
    std::uint32_t draw_rounds = 0;
    // The last board whose round is over or that was left, seed included.
    std::optional<MineBoxReveal> last_reveal;

    PlayerTally& player(int which) { return players[which == player_two ? 1 : 0]; }
    const PlayerTally& player(int which) const { return players[which == player_two ? 1 : 0]; }
};

// "12号箱"
QString box_caption(int number);
// "属于玩家1" or "属于玩家2"
QString owner_caption(int player);
// "空箱：3 踩雷：1", one blank before 踩雷.
QString tally_text(qint32 empty_count, qint32 mine_count);
// What the board shows under the box at position: its number until a player owns it.
QString caption_at(const MineBoard& board, int position);

void reset_tallies(MineBoxTallies& tallies);

// Why the rules refuse a move.
enum class MineBoxRefusal {
    not_in_setup,       // one burial per game
    box_count_missing,  // the box count is empty
    mine_count_missing, // the mine count is empty
    too_many_mines,     // mines >= boxes
    too_many_boxes,     // above max_boxes
    no_board_yet,       // a dig before the burial
    owner_pending,      // a dig while an opened box waits for its player
    no_box_selected,    // a dig with a negative position
    no_such_box,        // a dig past the last box
    box_already_open,   // a dig on an opened box
    nothing_to_credit,  // a credit with no opened box waiting
    unknown_player,     // a credit to neither player_one nor player_two
    phrase_locked,      // the chat's phrase must be in before the burial
};

// Each check gives why its move is refused, or nothing when the move may go ahead.
std::optional<MineBoxRefusal> check_burial(const MineBoard& board, const QString& box_text,
                                           const QString& mine_text);
std::optional<MineBoxRefusal> check_dig(const MineBoard& board, int position);
std::optional<MineBoxRefusal> check_credit(const MineBoard& board, const PendingDig& pending,
                                           int player);

// Builds the board from the two typed counts and buries the mines; true when it did, which
// ends the setup. Refused (false, nothing changes) outside setup, when either text is empty,
// when mines >= boxes, or for more than max_boxes boxes. Each mine reseeds the source before
// its draw.
bool bury_mines(MineBoard& board, const QString& box_text, const QString& mine_text,
                RandomSource& random);

// The name of a committed mine-box draw's game in its blocks.
inline const char minebox_draw_game[] = "minebox";

// The boxes a committed burial of the given counts fills with mines, replayed from the
// record's seed and phrase as the game drew them: box numbers from 1, ascending. Nothing
// when the counts would be refused.
std::optional<std::vector<int>> replay_burial(const DrawRecord& record, int boxes, int mines);

// The numbers of the boxes holding a mine, ascending.
std::vector<int> mine_box_numbers(const MineBoard& board);

// Opens the box at position (negative: nothing selected) and fills the pending dig; true
// when a box was opened, which starts the wait for a player. Opened boxes, positions off
// the board and a dig while one already waits are ignored.
bool dig_box(MineBoard& board, PendingDig& pending, int position);

// Credits the pending dig to player_one or player_two and ends the wait. Returns the
// position of the credited box, or -1 when nothing was waiting or the player is unknown.
int assign_owner(MineBoard& board, MineBoxTallies& tallies, int player);

} // namespace glimmer
