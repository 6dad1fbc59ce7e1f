#pragma once

#include "games/tally/tally_rules.h"

#include <QString>

#include <array>

namespace glimmer {

// What the tally window shows of the match, without its widgets: names, totals as written
// in their labels, whom the flag marks (none while the markers are hidden) and the gap.
struct TallyView {
    std::array<QString, 2> names;
    std::array<QString, 2> totals;
    Leader leader = Leader::none;
    QString difference; // the gap's text without its "相差：" caption
};

} // namespace glimmer
