#pragma once

#include "runtime/committed_random.h"

#include <cstdint>
#include <optional>

namespace glimmer {

// The two faces viewers see for a throw: always different, the winner's the higher.
struct DiceFaces {
    int dragon = 0; // the left side's die
    int tiger = 0;  // the right side's die
};

// A settled turn with everything a viewer needs to check it: the seed and phrase it was
// drawn from, the throws it took and what the last of them showed.
struct DiceReveal {
    DrawRecord draw;
    std::int32_t throws = 0;
    DiceFaces faces;
    std::int32_t outcome = 0; // 1 the left side won, 2 the right side
};

// The dice game's part of the program-wide state. It outlives the dice window, so the
// tallies run for the whole life of the program; nothing here is ever reset.
struct DiceState {
    // The most recent throw: 1 the left side wins, 2 the right side; 0 before the first throw.
    std::int32_t turn_outcome = 0;
    // Throws made since the start button was last pressed.
    std::int32_t throws_made = 0;
    // Every settled turn adds to one win and the opposite loss, so left_wins == right_losses
    // and left_losses == right_wins at all times.
    std::uint32_t left_wins = 0;
    std::uint32_t left_losses = 0;
    std::uint32_t right_wins = 0;
    std::uint32_t right_losses = 0;
    // Seeds committed in this run; the latest one's number is its turn's round number.
    std::uint32_t draw_rounds = 0;
    // The last turn settled, so that a reopened window still shows what it can be checked by.
    std::optional<DiceReveal> last_reveal;
};

} // namespace glimmer
