#pragma once

#include "games/dice/turn_rules.h"

#include <QJsonObject>
#include <QString>

#include <optional>

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
    // The committed draw of the turn to come or under way; never its seed.
    PendingDraw draw;
    // The last turn settled in this run, with its seed.
    std::optional<DiceReveal> revealed;
};

// The page of the overlay server that checks a settled turn, with its fields filled in:
// "/overlay/verify?game=dice&round=..&seed=..&phrase=..&throws=..&commitment=..&winner=..&faces=5-2"
QString dice_verify_link(const DiceReveal& reveal);
// The same check on the command line.
QString dice_verify_command(const DiceReveal& reveal);

// The game's part of the overlays' state.
QJsonObject dice_overlay_state(const DiceView& view);

} // namespace glimmer
