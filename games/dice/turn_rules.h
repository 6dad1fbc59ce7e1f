#pragma once

#include "games/dice/dice_state.h"

#include <QString>

#include <cstdint>

namespace glimmer {

class RandomSource;

enum class Side { none, left, right };

// What a settled turn puts on screen: the words for the two lists (both empty when nobody
// won) and the two tally texts.
struct Settlement {
    Side winner = Side::none;
    QString left_word;
    QString right_word;
    QString left_tally;
    QString right_tally;
};

// The most throws a turn can have: a count above this becomes 188 (normalize_throw_count).
inline constexpr int max_throws = 1000;

inline constexpr int left_wins_outcome = 1;
inline constexpr int right_wins_outcome = 2;

// The count to use for a turn: empty becomes "1", anything above 1000 becomes "188", and any
// other text passes unchanged. The caller writes a changed text back so the player sees it.
QString normalize_throw_count(const QString& count);

// Begins a shaking: no throws made yet.
void start_shaking(DiceState& state);

// One throw: a reseed, then one draw of the outcome. True when the shaking is over: once
// throws_made has reached the count's whole-number value. Reaching rather than equalling it means a
// count of 0 or less, or one lowered below the throws already made, still ends the shaking.
bool throw_dice(DiceState& state, const QString& count, RandomSource& random);

// The faces shown for a throw of the given outcome: one of the 15 pairs of different faces,
// all equally likely, the higher face on the winner's side. One draw from 1 to 15.
DiceFaces draw_faces(int outcome, RandomSource& random);

// What a committed turn of the given number of throws comes to: the outcome and faces of its
// last throw, replayed from the record's seed and phrase as the game drew them (one outcome
// draw, then the faces, throw after throw). Fewer than one throw counts as one.
struct ThrowResult {
    std::int32_t outcome = 0;
    DiceFaces faces;
};
ThrowResult replay_turn(const DrawRecord& record, std::int32_t throws);

// The name of a committed dice draw's game in its blocks.
inline const char dice_draw_game[] = "dice";

// Credits the last throw to the tallies and gives both tally texts; an outcome other than
// 1 or 2 (only 0, before any throw) credits nobody.
Settlement settle_turn(DiceState& state);

// "胜利：3  失败：12"
QString win_loss_text(std::uint32_t wins, std::uint32_t losses);

} // namespace glimmer
