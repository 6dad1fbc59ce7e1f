#pragma once

#include "games/minebox/mine_board.h"

#include <QJsonObject>
#include <QString>

#include <array>
#include <optional>
#include <vector>

namespace glimmer {

// What the mine-box window shows, without its widgets.
struct MineBoxView {
    GameStage stage = GameStage::setup;
    std::vector<MineBox> boxes;     // in box order; has_mine is only meaningful once opened
    int waiting_position = -1;      // the opened box waiting for its owner, else -1
    std::array<QString, 2> tallies; // "空箱：3  踩雷：1" as in the window
    // The committed draw of this board; never its seed.
    PendingDraw draw;
    // The last board revealed in this run, with its seed.
    std::optional<MineBoxReveal> revealed;
};

// The page of the overlay server that checks a revealed burial, with its fields filled in:
// "/overlay/verify?game=minebox&round=..&seed=..&phrase=..&commitment=..&boxes=5&mines=2&mine_boxes=1,4"
QString minebox_verify_link(const MineBoxReveal& reveal);
// The same check on the command line.
QString minebox_verify_command(const MineBoxReveal& reveal);

// The game's part of the overlays' state.
QJsonObject minebox_overlay_state(const MineBoxView& view);

} // namespace glimmer
