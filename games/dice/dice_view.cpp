#include "games/dice/dice_view.h"

namespace glimmer {

namespace {

QString side_name(Side side) {
    switch (side) {
    case Side::left:
        return QStringLiteral("left");
    case Side::right:
        return QStringLiteral("right");
    case Side::none:
        break;
    }
    return QStringLiteral("none");
}

QString phase_name(DicePhase phase) {
    switch (phase) {
    case DicePhase::counting:
        return QStringLiteral("counting");
    case DicePhase::shaking:
        return QStringLiteral("shaking");
    case DicePhase::revealing:
        return QStringLiteral("revealing");
    case DicePhase::waiting:
        break;
    }
    return QStringLiteral("waiting");
}

} // namespace

QJsonObject dice_overlay_state(const DiceView& view) {
    return QJsonObject{{QStringLiteral("phase"), phase_name(view.phase)},
                       {QStringLiteral("shaking"), view.phase == DicePhase::shaking},
                       {QStringLiteral("last_winner"), side_name(view.last_winner)},
                       {QStringLiteral("left_tally"), view.left_tally},
                       {QStringLiteral("right_tally"), view.right_tally}};
}

} // namespace glimmer
