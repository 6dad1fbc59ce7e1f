#include "dice_turn.h"

#include "runtime/random.h"

#include <QTimer>

#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif

namespace glimmer {

namespace {

constexpr int shake_interval_ms = 1;

// Linux lets each wake-up from a timed wait run up to 50 µs late, and Qt waits in whole
// milliseconds, so a 1 ms timer loses that much on every tick: 1000 throws would take
// noticeably longer than 1000 ms. Asking for prompt wake-ups keeps a tick close to 1 ms.
void ask_for_prompt_wakeups() {
#ifdef Q_OS_LINUX
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
#endif
}

} // namespace

QString refusal_text(DiceRefusal refusal) {
    switch (refusal) {
    case DiceRefusal::turn_under_way:
        return QStringLiteral("这一局还没结束");
    case DiceRefusal::count_frame_shut:
        return QStringLiteral("还没打开摇几次的框");
    case DiceRefusal::not_shaking:
        return QStringLiteral("色子没在摇");
    case DiceRefusal::throws_not_done:
        return QStringLiteral("色子还没摇完");
    case DiceRefusal::still_shaking:
        return QStringLiteral("色子还在摇");
    case DiceRefusal::phrase_locked:
        return QStringLiteral("这一局已经开摇，口令不能再改");
    }
    return {};
}

namespace {

Outcome refuse(DiceRefusal refusal) {
    return Outcome::refused(refusal_text(refusal));
}

} // namespace

DiceTurn::DiceTurn(DiceState& state, QObject* parent) : DiceTurn(state, nullptr, parent) {}

DiceTurn::DiceTurn(DiceState& state, RandomSource& random, QObject* parent)
    : DiceTurn(state, &random, parent) {}

DiceTurn::DiceTurn(DiceState& state, RandomSource* random, QObject* parent)
    : GameSession(parent), state_(state), random_(random != nullptr ? *random : stream_),
      shake_timer_(new QTimer(this)), left_tally_(win_loss_text(0, 0)),
      right_tally_(win_loss_text(0, 0)) {
    commit_fresh_draw();
    // A coarse timer would round 1 ms up to the system's tick and stretch a shaking of
    // 1000 throws to many seconds.
    shake_timer_->setObjectName(QStringLiteral("shake_timer"));
    shake_timer_->setTimerType(Qt::PreciseTimer);
    shake_timer_->setInterval(0);
    ask_for_prompt_wakeups();
    connect(shake_timer_, &QTimer::timeout, this, [this] { throw_once(); });
}

DiceTurn::~DiceTurn() = default;

DiceView DiceTurn::view() const {
    DiceView shown;
    shown.phase = phase_;
    shown.last_winner = badge_side_;
    shown.left_tally = left_tally_;
    shown.right_tally = right_tally_;
    shown.draw = pending_draw();
    shown.revealed = state_.last_reveal;
    return shown;
}

bool DiceTurn::phrase_open() const {
    return phase_ == DicePhase::waiting || phase_ == DicePhase::counting;
}

Outcome DiceTurn::set_phrase(const QString& phrase) {
    if (!phrase_open()) {
        return refuse(DiceRefusal::phrase_locked);
    }
    draw_.phrase = phrase;
    emit state_changed();
    return Outcome::ok();
}

void DiceTurn::commit_fresh_draw() {
    draw_ = DrawRecord::fresh(QString::fromLatin1(dice_draw_game), ++state_.draw_rounds);
    draw_used_ = false;
}

Outcome DiceTurn::open_count_frame() {
    if (phase_ != DicePhase::waiting) {
        return refuse(DiceRefusal::turn_under_way);
    }
    // The previous winner leaves the screen as the next turn begins.
    badge_side_ = Side::none;
    enter(DicePhase::counting);
    return Outcome::ok();
}

Outcome DiceTurn::set_throw_count(const QString& count) {
    if (phase_ != DicePhase::counting && phase_ != DicePhase::shaking) {
        return refuse(DiceRefusal::count_frame_shut);
    }
    // No signal: the one who typed it shows it already, and the next throw reads it.
    throw_count_ = count;
    return Outcome::ok();
}

Outcome DiceTurn::start_shaking() {
    if (phase_ != DicePhase::counting && phase_ != DicePhase::shaking) {
        return refuse(DiceRefusal::count_frame_shut);
    }
    const QString normalized = normalize_throw_count(throw_count_);
    if (normalized != throw_count_) {
        throw_count_ = normalized;
        emit throw_count_changed(throw_count_);
    }
    glimmer::start_shaking(state_);
    // Every start plays the turn's stream from its first block: the outcome depends on the
    // seed, the phrase and the number of throws alone.
    stream_ = CommittedRandom(draw_);
    draw_used_ = true;
    if (timer_driven_) {
        shake_timer_->start(shake_interval_ms);
    }
    enter(DicePhase::shaking);
    return Outcome::ok();
}

Outcome DiceTurn::throw_once() {
    if (phase_ != DicePhase::shaking) {
        return refuse(DiceRefusal::not_shaking);
    }
    const bool last = throw_dice(state_, throw_count_, random_);
    faces_ = draw_faces(state_.turn_outcome, stream_);
    emit thrown(state_.throws_made);
    if (last) {
        shake_timer_->stop();
        shake_timer_->setInterval(0);
        enter(DicePhase::revealing);
    }
    return Outcome::ok();
}

Outcome DiceTurn::reveal() {
    if (phase_ != DicePhase::revealing) {
        return refuse(DiceRefusal::throws_not_done);
    }
    const Settlement settled = settle_turn(state_);
    if (settled.winner != Side::none) {
        state_.last_reveal = DiceReveal{draw_, state_.throws_made, faces_, state_.turn_outcome};
    }
    commit_fresh_draw();
    badge_side_ = settled.winner;
    if (settled.winner != Side::none) {
        left_words_.append(settled.left_word);
        right_words_.append(settled.right_word);
    }
    left_tally_ = settled.left_tally;
    right_tally_ = settled.right_tally;
    emit turn_settled(settled.winner, settled.left_word, settled.right_word);
    enter(DicePhase::waiting);
    return Outcome::ok();
}

Outcome DiceTurn::next_step() {
    switch (phase_) {
    case DicePhase::waiting:
        return open_count_frame();
    case DicePhase::counting:
        return start_shaking();
    case DicePhase::shaking:
        return refuse(DiceRefusal::still_shaking);
    case DicePhase::revealing:
        return reveal();
    }
    return Outcome::ok();
}

QJsonObject DiceTurn::state() const {
    return dice_overlay_state(view());
}

void DiceTurn::abandon() {
    shake_timer_->stop();
    shake_timer_->setInterval(0);
    // A seed that has drawn is never used again, revealed or not.
    if (draw_used_) {
        commit_fresh_draw();
    }
    badge_side_ = Side::none;
    enter(DicePhase::waiting);
}

void DiceTurn::set_timer_driven(bool on) {
    timer_driven_ = on;
    if (!on) {
        shake_timer_->stop();
        shake_timer_->setInterval(0);
    } else if (phase_ == DicePhase::shaking) {
        shake_timer_->start(shake_interval_ms);
    }
}

void DiceTurn::enter(DicePhase phase) {
    const bool moved = phase != phase_;
    phase_ = phase;
    if (moved) {
        emit phase_changed(phase_);
    }
    // A restart or a settled turn changes the view without moving the phase.
    emit state_changed();
}

} // namespace glimmer
