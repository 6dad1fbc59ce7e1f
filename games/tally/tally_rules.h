#pragma once

#include <QString>

namespace glimmer {

// Totals and amounts are decimal text, as typed and as shown; these read them as numbers and
// give the next text to show.

enum class Leader { none, player_one, player_two };

struct Standing {
    Leader leader = Leader::none;
    QString difference; // the non-negative gap as text; empty on a tie
};

// Totals this close count as equal, so sums like 0.1 + 0.2 against 0.3 read as a tie.
inline constexpr double tie_margin = 0.0000001;

// total + amount, each read as a number, written back as text.
QString added_total(const QString& total, const QString& amount);

// An amount box holding exactly "" or "0" submits nothing; anything else, " 0" and "00"
// included, is added.
bool submits_amount(const QString& amount);

// Whether adding the amount to the player's total (1 or 2) still leaves numbers the board can
// show: an addition that would make a total or the gap between them infinite or not a number
// is refused, and the totals stay as they were.
bool addition_fits(const QString& total_one, const QString& total_two, int player,
                   const QString& amount);

Standing compare_totals(const QString& total_one, const QString& total_two);

} // namespace glimmer
