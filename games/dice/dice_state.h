#pragma once

#include <cstdint>

namespace glimmer {

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
};

} // namespace glimmer
