#include "games/tally/tally_rules.h"

#include "runtime/text.h"

#include <cmath>

namespace glimmer {

QString added_total(const QString& total, const QString& amount) {
    return to_text(to_number(total) + to_number(amount));
}

bool submits_amount(const QString& amount) {
    return !amount.isEmpty() && amount != QStringLiteral("0");
}

bool addition_fits(const QString& total_one, const QString& total_two, int player,
                   const QString& amount) {
    double one = to_number(total_one);
    double two = to_number(total_two);
    (player == 1 ? one : two) += to_number(amount);
    return std::isfinite(one) && std::isfinite(two) && std::isfinite(one - two);
}

Standing compare_totals(const QString& total_one, const QString& total_two) {
    const double t1 = to_number(total_one);
    const double t2 = to_number(total_two);
    const double d = t1 - t2;
    if (std::fabs(d) <= tie_margin) {
        return {};
    }
    if (d < -tie_margin) {
        return {Leader::player_two, to_text(t2 - t1)};
    }
    return {Leader::player_one, to_text(t1 - t2)};
}

} // namespace glimmer
