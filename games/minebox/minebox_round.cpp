#include "minebox_round.h"

#include "runtime/text.h"

#include <algorithm>

namespace glimmer {

namespace {

size_t slot(int player) {
    return player == player_two ? 1 : 0;
}

Outcome refuse(MineBoxRefusal refusal) {
    return Outcome::refused(refusal_text(refusal));
}

} // namespace

QString refusal_text(MineBoxRefusal refusal) {
    switch (refusal) {
    case MineBoxRefusal::not_in_setup:
        return QStringLiteral("雷已经埋好了");
    case MineBoxRefusal::box_count_missing:
        return QStringLiteral("没填箱子数量");
    case MineBoxRefusal::mine_count_missing:
        return QStringLiteral("没填地雷数量");
    case MineBoxRefusal::too_many_mines:
        return QStringLiteral("地雷要比箱子少");
    case MineBoxRefusal::too_many_boxes:
        return QStringLiteral("箱子太多了");
    case MineBoxRefusal::no_board_yet:
        return QStringLiteral("还没埋雷");
    case MineBoxRefusal::owner_pending:
        return QStringLiteral("先选这一箱是哪位玩家开的");
    case MineBoxRefusal::no_box_selected:
        return QStringLiteral("没选中箱子");
    case MineBoxRefusal::no_such_box:
        return QStringLiteral("没有这个箱子");
    case MineBoxRefusal::box_already_open:
        return QStringLiteral("这个箱子已经开过了");
    case MineBoxRefusal::nothing_to_credit:
        return QStringLiteral("没有等待归属的箱子");
    case MineBoxRefusal::unknown_player:
        return QStringLiteral("只有玩家一和玩家二");
    case MineBoxRefusal::phrase_locked:
        return QStringLiteral("雷已经埋好了，口令不能再改");
    }
    return {};
}

MineBoxRound::MineBoxRound(MineBoxTallies& tallies, QObject* parent)
    : MineBoxRound(tallies, nullptr, parent) {}

MineBoxRound::MineBoxRound(MineBoxTallies& tallies, RandomSource& random, QObject* parent)
    : MineBoxRound(tallies, &random, parent) {}

MineBoxRound::MineBoxRound(MineBoxTallies& tallies, RandomSource* random, QObject* parent)
    : GameSession(parent), tallies_(tallies),
      draw_(DrawRecord::fresh(QString::fromLatin1(minebox_draw_game), ++tallies.draw_rounds)),
      random_(random != nullptr ? *random : stream_) {
    // Before a player's first credit the label keeps its starting form, two blanks wide.
    tally_texts_.fill(QStringLiteral("空箱：0  踩雷：0"));
    reset_tallies(tallies_);
}

MineBoxRound::~MineBoxRound() = default;

const QString& MineBoxRound::tally_text_of(int player) const {
    return tally_texts_[slot(player)];
}

int MineBoxRound::waiting_position() const {
    return board_.stage == GameStage::waiting ? tallies_.pending.position : -1;
}

MineBoxView MineBoxRound::view() const {
    MineBoxView shown;
    shown.stage = board_.stage;
    shown.boxes = board_.boxes;
    shown.waiting_position = waiting_position();
    shown.tallies = tally_texts_;
    shown.draw = pending_draw();
    shown.revealed = tallies_.last_reveal;
    return shown;
}

Outcome MineBoxRound::set_phrase(const QString& phrase) {
    if (!phrase_open()) {
        return refuse(MineBoxRefusal::phrase_locked);
    }
    draw_.phrase = phrase;
    emit state_changed();
    return Outcome::ok();
}

QJsonObject MineBoxRound::state() const {
    return minebox_overlay_state(view());
}

void MineBoxRound::leave() {
    if (board_.stage != GameStage::setup && !revealed_) {
        reveal();
        emit state_changed();
    }
}

void MineBoxRound::reveal() {
    revealed_ = true;
    tallies_.last_reveal =
        MineBoxReveal{draw_, buried_boxes_, buried_mines_, mine_box_numbers(board_)};
}

Outcome MineBoxRound::set_box_count_text(const QString& text) {
    if (board_.stage != GameStage::setup) {
        return refuse(MineBoxRefusal::not_in_setup);
    }
    if (text != box_count_text_) {
        box_count_text_ = text;
        emit count_texts_changed(box_count_text_, mine_count_text_);
    }
    return Outcome::ok();
}

Outcome MineBoxRound::set_mine_count_text(const QString& text) {
    if (board_.stage != GameStage::setup) {
        return refuse(MineBoxRefusal::not_in_setup);
    }
    if (text != mine_count_text_) {
        mine_count_text_ = text;
        emit count_texts_changed(box_count_text_, mine_count_text_);
    }
    return Outcome::ok();
}

Outcome MineBoxRound::bury() {
    if (auto refused = check_burial(board_, box_count_text_, mine_count_text_)) {
        return refuse(*refused);
    }
    // The list over the board must hear of the change before the boxes go, not after.
    emit board_about_to_be_built();
    stream_ = CommittedRandom(draw_);
    bury_mines(board_, box_count_text_, mine_count_text_, random_);
    buried_boxes_ = to_int(box_count_text_);
    buried_mines_ = to_int(mine_count_text_);
    emit board_built();
    stage_moved();
    return Outcome::ok();
}

Outcome MineBoxRound::dig(int position) {
    if (auto refused = check_dig(board_, position)) {
        return refuse(*refused);
    }
    dig_box(board_, tallies_.pending, position);
    emit box_changed(position);
    stage_moved();
    return Outcome::ok();
}

Outcome MineBoxRound::credit(int player) {
    if (auto refused = check_credit(board_, tallies_.pending, player)) {
        return refuse(*refused);
    }
    const int position = assign_owner(board_, tallies_, player);
    const PlayerTally& tally = tallies_.player(player);
    tally_texts_[slot(player)] = tally_text(tally.empty_count, tally.mine_count);
    emit tally_changed(player, tally_texts_[slot(player)]);
    emit box_changed(position);
    stage_moved();
    return Outcome::ok();
}

void MineBoxRound::stage_moved() {
    // Once every box is open nothing is left to hide: the seed comes out.
    if (board_.stage == GameStage::playing && !revealed_ &&
        std::all_of(board_.boxes.begin(), board_.boxes.end(),
                    [](const MineBox& box) { return box.state != box_closed; })) {
        reveal();
    }
    // Every action that is done moves the stage on.
    emit stage_changed(board_.stage);
    emit state_changed();
}

} // namespace glimmer
