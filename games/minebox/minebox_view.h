#pragma once

#include "games/minebox/mine_board.h"

#include <QJsonObject>
#include <QString>

#include <array>
#include <vector>

namespace glimmer {

// What the mine-box window shows, without its widgets.
struct MineBoxView {
    GameStage stage = GameStage::setup;
    std::vector<MineBox> boxes;     // in box order; has_mine is only meaningful once opened
    int waiting_position = -1;      // the opened box waiting for its owner, else -1
    std::array<QString, 2> tallies; // "空箱：3  踩雷：1" as in the window
};

// The game's part of the overlays' state.
QJsonObject minebox_overlay_state(const MineBoxView& view);

} // namespace glimmer
