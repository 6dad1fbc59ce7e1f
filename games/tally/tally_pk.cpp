#include "games/tally/tally_pk.h"

#include "games/tally/tally_keeper.h"
#include "games/tally/tally_rules.h"
#include "runtime/outside_numbers.h"
#include "runtime/text.h"

#include "runtime/thread_mail.h"
#include "runtime/threads.h"
#include <QJsonArray>

#include <QDir>
#include <QFileInfo>

namespace glimmer {

namespace {

const QString difference_caption = QStringLiteral("相差：");

QString leader_name(Leader leader) {
    switch (leader) {
    case Leader::player_one:
        return QStringLiteral("one");
    case Leader::player_two:
        return QStringLiteral("two");
    case Leader::none:
        break;
    }
    return QStringLiteral("none");
}

// What the record keeps of a typed amount: the text when it is written as a number, else
// the number it reads as, so that "abc" goes in as the 0 it added, never as the words.
QString recorded_amount(const QString& amount) {
    return read_decimal(amount.toStdString()) ? amount : to_text(to_number(amount));
}

bool journal_could_be_there(const QString& folder) {
    for (int slot = 1; slot <= journal_slots; ++slot) {
        if (QFileInfo(journal_path(folder, slot)).exists() ||
            QFileInfo(journal_path(folder, slot)).isSymLink()) {
            return true;
        }
    }
    return false;
}

} // namespace

TallyPk::TallyPk(TallyConfig& config, const QString& config_home, const QString& site_url,
                 QObject* parent)
    : GameSession(parent), config_(config), config_home_(config_home), site_url_(site_url),
      archive_(tally_archive_path(config_home)) {
    load_config();
}

// A PK that goes without ending (its window deleted rather than closed) loses nothing: its
// journal, or a leftover still waiting for the host, stays for the next opening.
TallyPk::~TallyPk() {
    if (!ended_ && (stage_ == Stage::asking || !history_.record().isEmpty())) {
        journal_->let_go();
    }
}

QString TallyPk::name(int player) const {
    return player == 1 ? page_.player_one_name : page_.player_two_name;
}

const QStringList& TallyPk::presets(int player) const {
    return player == 1 ? config_.player_one_amounts : config_.player_two_amounts;
}

TallyView TallyPk::view() const {
    TallyView shown;
    shown.names = {page_.player_one_name, page_.player_two_name};
    shown.totals = {board_.total_one, board_.total_two};
    if (board_.markers_shown) {
        shown.leader = board_.flag_beside_one ? Leader::player_one : Leader::player_two;
    }
    shown.difference = board_.difference;
    if (shown.difference.startsWith(difference_caption)) {
        shown.difference.remove(0, difference_caption.size());
    }
    return shown;
}

QJsonObject TallyPk::state() const {
    TallyView view = this->view();
    // The window's difference line keeps the last gap through a tie; the viewers are told the
    // gap there is, 0 at a tie.
    const QString gap = compare_totals(view.totals[0], view.totals[1]).difference;
    view.difference = gap.isEmpty() ? QStringLiteral("0") : gap;
    QJsonArray players;
    for (size_t i = 0; i < 2; ++i) {
        players.append(
            QJsonObject{{QStringLiteral("name"), view.names[i]},
                        {QStringLiteral("total"), view.totals[i]},
                        {QStringLiteral("total_text"), readable_amount(view.totals[i])}});
    }
    // The window keeps its flag beside player one from the start, before anyone has scored;
    // on stream that would crown a leader at 0 : 0, so level totals name nobody.
    const bool level = compare_totals(view.totals[0], view.totals[1]).leader == Leader::none;
    return QJsonObject{{QStringLiteral("players"), players},
                       {QStringLiteral("leader"), leader_name(level ? Leader::none : view.leader)},
                       {QStringLiteral("difference"), view.difference},
                       {QStringLiteral("difference_text"), readable_amount(view.difference)}};
}

void TallyPk::load_config() {
    page_ = load_tally_config(config_, config_home_);
    emit config_loaded();
    emit state_changed();
}

bool TallyPk::reinitialise_config(QString* error) {
    // A failed write leaves the old file in place; the reload shows whatever is there.
    const bool written = write_default_tally_config(config_home_, site_url_, error);
    load_config();
    return written;
}

Outcome TallyPk::busy_refusal() const {
    switch (stage_) {
    case Stage::searching:
        return Outcome::refused(QStringLiteral("正在读取上一场PK的记录，请稍候"));
    case Stage::asking:
        return Outcome::refused(
            QStringLiteral("正在等主播决定是否恢复上一场PK，请先回答那个对话框"));
    case Stage::playing:
        break;
    }
    return Outcome::ok();
}

Outcome TallyPk::select_player(int player) {
    if (!is_player(player)) {
        return Outcome::refused(QStringLiteral("玩家只能是 1 或 2"));
    }
    if (player != selected_player_) {
        selected_player_ = player;
        emit selected_player_changed(player);
    }
    return Outcome::ok();
}

Outcome TallyPk::switch_player() {
    return select_player(selected_player_ == 1 ? 2 : 1);
}

Outcome TallyPk::add_amount(int player, const QString& amount, const QString& source) {
    if (!submits_amount(amount)) {
        return Outcome::refused(QStringLiteral("数量为空或为 0，没有计入"), true);
    }
    if (!is_player(player)) {
        return Outcome::refused(QStringLiteral("玩家只能是 1 或 2"));
    }
    return add(player, amount, source);
}

Outcome TallyPk::add_preset(int player, int index, const QString& source) {
    if (!is_player(player)) {
        return Outcome::refused(QStringLiteral("玩家只能是 1 或 2"));
    }
    const QStringList& amounts = presets(player);
    if (index < 0 || index >= amounts.size()) {
        return Outcome::refused(
            QStringLiteral("玩家%1没有第 %2 个预设数量").arg(player).arg(index + 1), true);
    }
    if (const Outcome busy = busy_refusal(); !busy.done()) {
        return busy;
    }
    select_player(player);
    // A preset row adds whatever it holds, "0" included, as a double-click always has.
    return add(player, amounts[index], source);
}

Outcome TallyPk::add(int player, const QString& amount, const QString& source) {
    if (const Outcome busy = busy_refusal(); !busy.done()) {
        return busy;
    }
    if (!addition_fits(board_.total_one, board_.total_two, player, amount)) {
        return Outcome::refused(
            QStringLiteral("这次加分没有计入：加上 %1 后总数会超出能计算的范围。\r\n总数保持不变。")
                .arg(amount.left(40)));
    }
    // Whole seconds: the record and the journal keep no more.
    const QDateTime now = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch());
    const TallyAddition& added =
        history_.add(board_, now, player, name(player), recorded_amount(amount), source);
    record_step({JournalEvent::Kind::addition,
                 added.time,
                 added.player,
                 added.name,
                 added.amount,
                 {},
                 added.source});
    show(added.after);
    return Outcome::ok();
}

Outcome TallyPk::undo() {
    if (const Outcome busy = busy_refusal(); !busy.done()) {
        return busy;
    }
    const TallyBoard* board = history_.undo();
    if (board == nullptr) {
        return Outcome::refused(QStringLiteral("没有可以撤销的加分"), true);
    }
    record_step({JournalEvent::Kind::undo, {}, 1, {}, {}});
    show(*board);
    return Outcome::ok();
}

Outcome TallyPk::redo() {
    if (const Outcome busy = busy_refusal(); !busy.done()) {
        return busy;
    }
    const TallyBoard* board = history_.redo();
    if (board == nullptr) {
        return Outcome::refused(QStringLiteral("没有可以重做的加分"), true);
    }
    record_step({JournalEvent::Kind::redo, {}, 1, {}, {}});
    show(*board);
    return Outcome::ok();
}

// The step is on the disk before the board changes. Without a journal the PK simply goes
// on, and the steps wait for the next change to try again.
void TallyPk::record_step(const JournalEvent& event) {
    const bool was_protecting = journal_->protecting();
    if (!journal_tried_) {
        journal_tried_ = true;
        journal_->open(tally_config_folder(config_home_), false);
    }
    journal_->append(event);
    if (journal_->protecting() != was_protecting) {
        emit protection_changed(journal_->protecting());
    }
}

void TallyPk::show(const TallyBoard& board) {
    board_ = board;
    emit board_changed();
    emit state_changed();
}

// What a look for a leftover PK found: the journal it opened (a leftover's, locked, or a
// fresh one for the PK), and the leftover's PK rebuilt. Whoever holds it last lets the
// journal go: a leftover stays on the disk for the next opening, a fresh journal goes.
struct TallyPk::Search {
    std::unique_ptr<TallyJournal> journal = std::make_unique<TallyJournal>();
    bool opened = false;
    std::optional<Leftover> found;
    TallyHistory history;
    TallyBoard board;

    ~Search() {
        if (journal && found) {
            journal->let_go();
        }
    }
};

std::shared_ptr<TallyPk::Search> TallyPk::search(const QString& folder) {
    auto found = std::make_shared<Search>();
    found->opened = found->journal->open(folder);
    if (found->opened && found->journal->leftover().has_additions()) {
        found->board = replay_journal(found->journal->leftover().events, found->history);
        found->found =
            Leftover{found->board, found->history.record().size(),
                     found->journal->leftover().unreadable, found->journal->set_aside_path()};
    }
    return found;
}

void TallyPk::look_for_leftover() {
    const QString folder = tally_config_folder(config_home_);
    // Looking makes no journal: without one on the disk, the first addition makes it.
    if (journal_tried_ || stage_ != Stage::playing || !QFileInfo(folder).isDir() ||
        !journal_could_be_there(folder)) {
        return;
    }
    journal_tried_ = true;
    stage_ = Stage::searching;
    if (mail_ == nullptr) {
        mail_ = new ThreadMail(this);
    }
    // Should the PK go first, the result is dropped where it was found, letting its journal go.
    start_thread([folder, mail = mail_->sender(), pk = this] {
        std::shared_ptr<Search> found = search(folder);
        mail.post([pk, found]() mutable { pk->take_search(std::move(found)); });
    });
}

void TallyPk::take_search(std::shared_ptr<Search> found) {
    stage_ = Stage::playing;
    if (ended_ || !found) {
        return; // the search's journal is let go with it
    }
    // PKs that ended while the history was busy go in now, if they can.
    TallyKeeper::instance().keep_ended_journals(archive_.path());
    journal_ = std::move(found->journal);
    journal_tried_ = found->opened;
    if (found->found) {
        leftover_ = *found->found;
        leftover_history_ = std::move(found->history);
        leftover_board_ = found->board;
        stage_ = Stage::asking;
        emit leftover_found(leftover_);
    }
    emit search_finished();
}

void TallyPk::restore_leftover() {
    if (stage_ != Stage::asking) {
        return;
    }
    stage_ = Stage::playing;
    journal_->keep_leftover();
    history_ = std::move(leftover_history_);
    leftover_history_ = TallyHistory();
    show(leftover_board_);
    if (!journal_->protecting()) {
        emit protection_changed(false);
    }
}

// The PK the host chose not to carry on still ended; it goes into the history like any other,
// and this PK takes a journal of its own with its first step.
void TallyPk::discard_leftover() {
    if (stage_ != Stage::asking) {
        return;
    }
    stage_ = Stage::playing;
    journal_->keep_leftover();
    hand_over(leftover_history_, leftover_board_);
    leftover_history_ = TallyHistory();
    journal_ = std::make_unique<TallyJournal>();
    journal_tried_ = false;
}

void TallyPk::hand_over(const TallyHistory& history, const TallyBoard& board) {
    if (history.record().isEmpty()) {
        journal_->close();
        return;
    }
    const QDateTime now = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch());
    // The record is shared with the keeper, not copied: a PK of a million additions hands
    // over as quickly as one of ten.
    ArchivedPk pk = archived_pk(history, board, name(1), name(2), now);
    JournalEvent end{JournalEvent::Kind::end, now, 0, name(1), {}, name(2)};
    HeldJournal held;
    if (journal_->is_open() && journal_->append(end)) {
        held = journal_->hand_over();
    } else {
        // What the journal holds stays as it is; the keeper holds the PK meanwhile.
        journal_->let_go();
    }
    TallyKeeper::instance().keep(archive_.path(), std::move(pk), archive_key(history),
                                 std::move(held));
}

void TallyPk::end() {
    if (ended_) {
        return;
    }
    ended_ = true;
    switch (stage_) {
    case Stage::searching:
        return; // the search's result lets its journal go when it comes
    case Stage::asking:
        journal_->let_go(); // offered again next time
        return;
    case Stage::playing:
        break;
    }
    hand_over(history_, board_);
}

Outcome TallyPk::new_round() {
    if (const Outcome busy = busy_refusal(); !busy.done()) {
        return busy;
    }
    hand_over(history_, board_);
    journal_ = std::make_unique<TallyJournal>();
    journal_tried_ = false;
    history_ = TallyHistory();
    select_player(1);
    show(TallyBoard());
    return Outcome::ok();
}

} // namespace glimmer
