#pragma once

#include "games/minebox/mine_board.h"
#include "games/minebox/minebox_view.h"
#include "runtime/game_module.h"
#include "runtime/outcome.h"

#include <QObject>
#include <QString>

#include <array>
#include <optional>

namespace glimmer {

class RandomSource;

// A short text for the operator, in the game's language.
QString refusal_text(MineBoxRefusal refusal);

// One mine-box game, from the typed counts to the last credit: the board, the two count
// texts, the tally texts on show and the program's tallies with the waiting dig. A new round
// sets the tallies back to zero; one round buries once.
class MineBoxRound : public GameSession {
    Q_OBJECT
public:
    // The program's round: the burial draws from the round's committed seed and phrase.
    explicit MineBoxRound(MineBoxTallies& tallies, QObject* parent = nullptr);
    // The burial draws from the given source instead, so a test can replay exact draws; the
    // commitment is still kept.
    MineBoxRound(MineBoxTallies& tallies, RandomSource& random, QObject* parent = nullptr);
    ~MineBoxRound() override;

    GameStage stage() const { return board_.stage; }
    const MineBoard& board() const { return board_; }
    const QString& box_count_text() const { return box_count_text_; }
    const QString& mine_count_text() const { return mine_count_text_; }
    // player_one or player_two; "空箱：0  踩雷：0" until that player's first credit.
    const QString& tally_text_of(int player) const;
    // The opened box waiting for its owner, else -1.
    int waiting_position() const;
    // What the board shows under the box: its number until a player owns it.
    QString caption(int position) const { return caption_at(board_, position); }
    MineBoxView view() const;

    // The committed draw of this board: its round number, SHA-256 of its seed and the phrase
    // mixed in. The seed itself shows only in last_reveal(), once the round is over.
    std::uint32_t draw_round() const { return draw_.round; }
    QByteArray commitment() const { return draw_.commitment(); }
    const QString& phrase() const { return draw_.phrase; }
    // The phrase can be set until the burial.
    bool phrase_open() const { return board_.stage == GameStage::setup; }
    // The draw of this board, as shown; never its seed.
    PendingDraw pending_draw() const { return draw_.pending(phrase_open()); }
    // Whether this board's seed is out: every box opened, or the board left.
    bool revealed() const { return revealed_; }
    // The last board revealed in this run, this one's once it is; none before the first.
    const std::optional<MineBoxReveal>& last_reveal() const { return tallies_.last_reveal; }

    // Each action is done, or refused with the reason (one of MineBoxRefusal's texts).
    // The chat's phrase, mixed into every draw of the burial.
    Outcome set_phrase(const QString& phrase);
    Outcome set_box_count_text(const QString& text);
    Outcome set_mine_count_text(const QString& text);
    // Builds the board from the two count texts and buries the mines; ends the setup.
    Outcome bury();
    // Opens the box at position (negative: none selected); a player must be named next.
    Outcome dig(int position);
    // Credits the opened box to player_one or player_two.
    Outcome credit(int player);
    // The board is left (its window closes): a buried board's seed comes out.
    void leave();
    void end() override { leave(); }
    // The game's part of the overlays' state.
    QJsonObject state() const override;

signals:
    void stage_changed(GameStage stage);
    void count_texts_changed(const QString& box_text, const QString& mine_text);
    // Around the burial, so that a list over the board can drop its rows before they go.
    void board_about_to_be_built();
    void board_built();
    // A box's picture or caption changed.
    void box_changed(int position);
    void tally_changed(int player, const QString& text);

private:
    MineBoxRound(MineBoxTallies& tallies, RandomSource* random, QObject* parent);
    void stage_moved();
    // Publishes the seed of a buried board.
    void reveal();

    MineBoxTallies& tallies_;
    DrawRecord draw_;
    CommittedRandom stream_;
    RandomSource& random_;
    int buried_boxes_ = 0;
    int buried_mines_ = 0;
    bool revealed_ = false;
    MineBoard board_;
    QString box_count_text_ = QStringLiteral("5");
    QString mine_count_text_ = QStringLiteral("2");
    std::array<QString, 2> tally_texts_;
};

} // namespace glimmer
