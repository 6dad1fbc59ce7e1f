#pragma once

#include "games/dice/turn_rules.h"

#include <QJsonObject>
#include <QString>

namespace glimmer {

// Where a dice turn stands; the window shows and hides its controls by it.
enum class DicePhase {
    waiting,   // the start prompt is on show
    counting,  // the throw-count frame is open
    shaking,   // the turn's throws are running
    revealing, // the throws are done; the reveal buttons wait
};

// What the dice window shows, without its widgets.
struct DiceView {
    DicePhase phase = DicePhase::waiting;
    Side last_winner = Side::none; // the side the badge marks; none before a turn is settled
    QString left_tally;            // "胜利：3  失败：12" as in the window
    QString right_tally;
};

// The game's part of the overlays' state.
QJsonObject dice_overlay_state(const DiceView& view);

} // namespace glimmer
