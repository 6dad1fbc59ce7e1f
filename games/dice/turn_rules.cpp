#include "turn_rules.h"

#include "runtime/committed_random.h"
#include "runtime/random.h"
#include "runtime/text.h"

#include <algorithm>

namespace glimmer {

namespace {
constexpr double largest_count = max_throws;
constexpr double count_tolerance = 1e-07;

QString win_word() {
    return QStringLiteral("胜利");
}
QString loss_word() {
    return QStringLiteral("失败");
}
} // namespace

QString normalize_throw_count(const QString& count) {
    QString text = count.isEmpty() ? QStringLiteral("1") : count;
    if (to_number(text) - largest_count > count_tolerance) {
        // Not 1000: a count that big is taken as a slip of the keyboard.
        text = QStringLiteral("188");
    }
    return text;
}

void start_shaking(DiceState& state) {
    state.throws_made = 0;
}

bool throw_dice(DiceState& state, const QString& count, RandomSource& random) {
    // A reseed before every throw, so no throw of a plain source can be foreseen from the ones
    // before it; a committed source's stream cannot be foreseen without its seed anyway.
    random.seed_random();
    state.turn_outcome = random.random_int(left_wins_outcome, right_wins_outcome);
    // The count is read again on every throw; throws_made stops at INT32_MAX at the latest,
    // since to_int never reads more than that.
    ++state.throws_made;
    return state.throws_made >= to_int(count);
}

DiceFaces draw_faces(int outcome, RandomSource& random) {
    // The pairs low < high in order: (1,2) .. (1,6), (2,3) .. (5,6).
    int k = random.random_int(1, 15);
    int low = 1;
    while (k > 6 - low) {
        k -= 6 - low;
        ++low;
    }
    const int high = low + k;
    return outcome == right_wins_outcome ? DiceFaces{low, high} : DiceFaces{high, low};
}

ThrowResult replay_turn(const DrawRecord& record, std::int32_t throws) {
    CommittedRandom stream(record);
    DiceState state;
    start_shaking(state);
    const QString count = QString::number(std::max(throws, 1));
    ThrowResult result;
    bool last = false;
    while (!last) {
        last = throw_dice(state, count, stream);
        result.outcome = state.turn_outcome;
        result.faces = draw_faces(state.turn_outcome, stream);
    }
    return result;
}

Settlement settle_turn(DiceState& state) {
    Settlement settled;
    if (state.turn_outcome == left_wins_outcome) {
        settled.winner = Side::left;
        settled.left_word = win_word();
        settled.right_word = loss_word();
        ++state.left_wins;
        ++state.right_losses;
    } else if (state.turn_outcome == right_wins_outcome) {
        settled.winner = Side::right;
        settled.left_word = loss_word();
        settled.right_word = win_word();
        ++state.left_losses;
        ++state.right_wins;
    }
    settled.left_tally = win_loss_text(state.left_wins, state.left_losses);
    settled.right_tally = win_loss_text(state.right_wins, state.right_losses);
    return settled;
}

QString win_loss_text(std::uint32_t wins, std::uint32_t losses) {
    return QStringLiteral("胜利：") + to_text(wins) + QStringLiteral("  失败：") + to_text(losses);
}

} // namespace glimmer
