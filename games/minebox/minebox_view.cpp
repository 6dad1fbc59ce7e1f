#include "games/minebox/minebox_view.h"

#include <QJsonArray>

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

} // namespace

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
    return QJsonObject{{QStringLiteral("stage"), stage_name(view.stage)},
                       {QStringLiteral("boxes"), states},
                       {QStringLiteral("owners"), owners},
                       {QStringLiteral("waiting"), view.waiting_position},
                       {QStringLiteral("mines_left"), mines_left},
                       {QStringLiteral("tallies"), QJsonArray{view.tallies[0], view.tallies[1]}}};
}

} // namespace glimmer
