#pragma once

#include "games/dice/dice_state.h"
#include "games/dice/dice_view.h"
#include "games/dice/turn_rules.h"
#include "runtime/committed_random.h"
#include "runtime/game_module.h"
#include "runtime/outcome.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

class QTimer;

namespace glimmer {

class RandomSource;

// Why the turn refuses an action.
enum class DiceRefusal {
    turn_under_way,   // the count frame opens only while the prompt waits
    count_frame_shut, // the count and the start belong to an open count frame
    not_shaking,      // a throw needs a shaking under way
    throws_not_done,  // a reveal needs the last throw made
    still_shaking,    // the next step waits for the throws to end
    phrase_locked,    // the chat's phrase must be in before the turn's throws begin
};

// A short text for the operator, in the game's language.
QString refusal_text(DiceRefusal refusal);

// One dice window's turn: its phase, the throw count, the words each list has collected and
// the tally texts on show. The tallies themselves are the program's DiceState, which outlives
// the turn; a new turn starts in waiting with empty lists and zero tally texts.
class DiceTurn : public GameSession {
    Q_OBJECT
public:
    // The program's turn: every draw comes from the turn's committed seed and phrase.
    explicit DiceTurn(DiceState& state, QObject* parent = nullptr);
    // Outcomes come from the given source instead, so a test can replay exact draws; the
    // commitments and faces still come from the turn's own seed.
    DiceTurn(DiceState& state, RandomSource& random, QObject* parent = nullptr);
    ~DiceTurn() override;

    DicePhase phase() const { return phase_; }
    // The count text as typed; read again for every throw.
    const QString& throw_count() const { return throw_count_; }
    std::int32_t throws_made() const { return state_.throws_made; }
    // The side the badge marks: the winner of the turn just settled, none otherwise.
    Side badge_side() const { return badge_side_; }
    const QStringList& left_words() const { return left_words_; }
    const QStringList& right_words() const { return right_words_; }
    const QString& left_tally() const { return left_tally_; }
    const QString& right_tally() const { return right_tally_; }
    DiceView view() const;

    // The committed draw of the turn to come (or under way): its round number, SHA-256 of its
    // seed and the phrase mixed in. The seed itself shows only in last_reveal().
    std::uint32_t draw_round() const { return draw_.round; }
    QByteArray commitment() const { return draw_.commitment(); }
    const QString& phrase() const { return draw_.phrase; }
    // The phrase can be set until the shaking starts.
    bool phrase_open() const;
    // The draw of the turn to come or under way, as shown; never its seed.
    PendingDraw pending_draw() const { return draw_.pending(phrase_open()); }
    // The last turn settled in this run, seed included; none before the first.
    const std::optional<DiceReveal>& last_reveal() const { return state_.last_reveal; }

    // Each action is done, or refused with the reason (one of DiceRefusal's texts).
    // The chat's phrase, mixed into every draw of the turn to come.
    Outcome set_phrase(const QString& phrase);
    Outcome open_count_frame();
    Outcome set_throw_count(const QString& count);
    // Normalises the count, starts the throws from zero and the timer; again while shaking
    // starts them over.
    Outcome start_shaking();
    // One tick of the shaking; after the last throw the reveal waits.
    Outcome throw_once();
    // Either reveal button: the throws alone decide the winner.
    Outcome reveal();
    // Space: the step the phase offers; nothing while the dice shake.
    Outcome next_step();
    // The window closed: the shaking stops and the phase goes back to waiting.
    void abandon();
    void end() override { abandon(); }
    // The game's part of the overlays' state.
    QJsonObject state() const override;

    // With the timer off, nothing throws but throw_once(): tests tick the shaking by hand.
    void set_timer_driven(bool on);
    bool timer_driven() const { return timer_driven_; }

signals:
    void phase_changed(DicePhase phase);
    // The count was replaced while starting ("" by "1", above 1000 by "188").
    void throw_count_changed(const QString& count);
    void thrown(int throws_made);
    // A settled turn: the words just added to the lists and the new tally texts.
    void turn_settled(Side winner, const QString& left_word, const QString& right_word);

private:
    DiceTurn(DiceState& state, RandomSource* random, QObject* parent);
    void enter(DicePhase phase);
    // A fresh seed for the next turn, with the next round number and no phrase.
    void commit_fresh_draw();

    DiceState& state_;
    DrawRecord draw_;
    CommittedRandom stream_;
    RandomSource& random_;
    DiceFaces faces_;
    bool draw_used_ = false;
    QTimer* shake_timer_;
    bool timer_driven_ = true;
    DicePhase phase_ = DicePhase::waiting;
    QString throw_count_ = QStringLiteral("1");
    Side badge_side_ = Side::none;
    QStringList left_words_;
    QStringList right_words_;
    QString left_tally_;
    QString right_tally_;
};

} // namespace glimmer
