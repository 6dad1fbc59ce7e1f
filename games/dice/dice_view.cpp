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
    state.insert(QStringLiteral("draw"),
                 QJsonObject{{QStringLiteral("game"), QStringLiteral("dice")},
                             {QStringLiteral("round"), static_cast<qint64>(view.draw_round)},
                             {QStringLiteral("commitment"), hex_text(view.commitment)},
                             {QStringLiteral("phrase"), view.phrase},
                             {QStringLiteral("phrase_open"), view.phrase_open}});
    if (view.revealed) {
        const DiceReveal& reveal = *view.revealed;
        state.insert(QStringLiteral("revealed"),
                     QJsonObject{{QStringLiteral("game"), reveal.draw.game},
                                 {QStringLiteral("round"), static_cast<qint64>(reveal.draw.round)},
                                 {QStringLiteral("commitment"), hex_text(reveal.draw.commitment())},
                                 {QStringLiteral("seed"), hex_text(reveal.draw.seed)},
                                 {QStringLiteral("phrase"), reveal.draw.phrase},
                                 {QStringLiteral("throws"), reveal.throws},
                                 {QStringLiteral("faces"),
                                  QJsonArray{reveal.faces.dragon, reveal.faces.tiger}},
                                 {QStringLiteral("winner"), side_name(winner_of(reveal.outcome))},
                                 {QStringLiteral("verify"), dice_verify_link(reveal)}});
    } else {
        state.insert(QStringLiteral("revealed"), QJsonValue::Null);
    }
    return state;
}

} // namespace glimmer
