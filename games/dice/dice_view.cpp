#include "games/dice/dice_view.h"

#include <QJsonArray>

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

Side winner_of(std::int32_t outcome) {
    return outcome == left_wins_outcome    ? Side::left
           : outcome == right_wins_outcome ? Side::right
                                           : Side::none;
}

DrawFacts reveal_facts(const DiceReveal& reveal) {
    return {{QStringLiteral("throws"), QString::number(reveal.throws)},
            {QStringLiteral("winner"), side_name(winner_of(reveal.outcome))},
            {QStringLiteral("faces"),
             QString::number(reveal.faces.dragon) + u'-' + QString::number(reveal.faces.tiger)}};
}

} // namespace

QString dice_verify_link(const DiceReveal& reveal) {
    return verify_link(reveal.draw, reveal_facts(reveal));
}

QString dice_verify_command(const DiceReveal& reveal) {
    return verify_command(reveal.draw, reveal_facts(reveal));
}

QJsonObject dice_overlay_state(const DiceView& view) {
    QJsonObject state{{QStringLiteral("phase"), phase_name(view.phase)},
                      {QStringLiteral("shaking"), view.phase == DicePhase::shaking},
                      {QStringLiteral("last_winner"), side_name(view.last_winner)},
                      {QStringLiteral("left_tally"), view.left_tally},
                      {QStringLiteral("right_tally"), view.right_tally}};
    state.insert(QStringLiteral("draw"), pending_draw_state(QStringLiteral("dice"), view.draw));
    if (view.revealed) {
        const DiceReveal& reveal = *view.revealed;
        QJsonObject shown = revealed_draw_state(reveal.draw);
        shown.insert(QStringLiteral("throws"), reveal.throws);
        shown.insert(QStringLiteral("faces"), QJsonArray{reveal.faces.dragon, reveal.faces.tiger});
        shown.insert(QStringLiteral("winner"), side_name(winner_of(reveal.outcome)));
        shown.insert(QStringLiteral("verify"), dice_verify_link(reveal));
        state.insert(QStringLiteral("revealed"), shown);
    } else {
        state.insert(QStringLiteral("revealed"), QJsonValue::Null);
    }
    return state;
}

} // namespace glimmer
