#include "games/minebox/minebox_view.h"

#include <QJsonArray>

#include <QStringList>
#include <algorithm>

namespace glimmer {

namespace {

QString stage_name(GameStage stage) {
    switch (stage) {
    case GameStage::playing:
        return QStringLiteral("playing");
    case GameStage::waiting:
        return QStringLiteral("waiting");
    case GameStage::setup:
        break;
    }
    return QStringLiteral("setup");
}

QString box_list(const std::vector<int>& numbers) {
    QStringList words;
    for (const int number : numbers) {
        words.append(QString::number(number));
    }
    return words.join(u',');
}

DrawFacts reveal_facts(const MineBoxReveal& reveal) {
    return {{QStringLiteral("boxes"), QString::number(reveal.boxes)},
            {QStringLiteral("mines"), QString::number(reveal.mines)},
            {QStringLiteral("mine-boxes"), box_list(reveal.mine_boxes)}};
}

QJsonObject reveal_state(const MineBoxReveal& reveal) {
    QJsonArray mine_boxes;
    for (const int number : reveal.mine_boxes) {
        mine_boxes.append(number);
    }
    QJsonObject shown = revealed_draw_state(reveal.draw);
    shown.insert(QStringLiteral("boxes"), reveal.boxes);
    shown.insert(QStringLiteral("mines"), reveal.mines);
    shown.insert(QStringLiteral("mine_boxes"), mine_boxes);
    shown.insert(QStringLiteral("verify"), minebox_verify_link(reveal));
    return shown;
}

} // namespace

QString minebox_verify_link(const MineBoxReveal& reveal) {
    return verify_link(reveal.draw, reveal_facts(reveal));
}

QString minebox_verify_command(const MineBoxReveal& reveal) {
    return verify_command(reveal.draw, reveal_facts(reveal));
}

QJsonObject minebox_overlay_state(const MineBoxView& view) {
    // One character per box keeps a board of many boxes small on the wire: the state
    // (0 closed, 1 empty, 2 mine) and the owner (0 nobody yet, 1, 2).
    QString states(static_cast<qsizetype>(view.boxes.size()), u'0');
    QString owners(static_cast<qsizetype>(view.boxes.size()), u'0');
    int mines_left = 0; // still buried: the viewers see the count, never where they are
    for (size_t i = 0; i < view.boxes.size(); ++i) {
        const MineBox& box = view.boxes[i];
        const int state = box.state == box_empty ? 1 : box.state == box_mine ? 2 : 0;
        const int owner = box.owner == player_one ? 1 : box.owner == player_two ? 2 : 0;
        states[static_cast<qsizetype>(i)] = QChar(u'0' + state);
        owners[static_cast<qsizetype>(i)] = QChar(u'0' + owner);
        mines_left += box.has_mine == 1 && box.state == box_closed ? 1 : 0;
    }
    // Every box open and none waiting for its player: the board is over, and its draw is
    // spent; the viewers see the end and the seed rather than a call to pick a box.
    const bool all_open = !view.boxes.empty() &&
                          std::all_of(view.boxes.begin(), view.boxes.end(),
                                      [](const MineBox& box) { return box.state != box_closed; });
    const bool finished = view.stage == GameStage::playing && all_open;
    const bool draw_spent = view.revealed && view.revealed->draw.round == view.draw.round;
    QJsonObject state{
        {QStringLiteral("stage"), finished ? QStringLiteral("finished") : stage_name(view.stage)},
        {QStringLiteral("boxes"), states},
        {QStringLiteral("owners"), owners},
        {QStringLiteral("waiting"), view.waiting_position},
        {QStringLiteral("mines_left"), mines_left},
        {QStringLiteral("tallies"), QJsonArray{view.tallies[0], view.tallies[1]}}};
    state.insert(QStringLiteral("draw"),
                 draw_spent ? QJsonValue(QJsonValue::Null)
                            : QJsonValue(pending_draw_state(QStringLiteral("minebox"), view.draw)));
    state.insert(QStringLiteral("revealed"),
                 view.revealed ? QJsonValue(reveal_state(*view.revealed)) : QJsonValue::Null);
    return state;
}

} // namespace glimmer
