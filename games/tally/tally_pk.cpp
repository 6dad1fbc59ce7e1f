#include "games/tally/tally_pk.h"

#include "games/tally/tally_rules.h"
#include "runtime/text.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QTimer>

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

// A PK is known by its first addition, which stays the same however often its journal is
// restored, so keeping it again replaces it instead of adding a second one.
QString pk_key(const TallyHistory& history) {
    const TallyAddition& first = history.record().first();
    const QByteArray line = journal_line(
        {JournalEvent::Kind::addition, first.time, first.player, first.name, first.amount});
    return QString::fromLatin1(QCryptographicHash::hash(line, QCryptographicHash::Sha1).toHex());
}

} // namespace

TallyPk::TallyPk(TallyConfig& config, const QString& config_home, const QString& site_url,
                 QObject* parent)
    : QObject(parent), config_(config), config_home_(config_home), site_url_(site_url),
      archive_(tally_archive_path(config_home)) {
    load_config();
}

TallyPk::~TallyPk() = default;

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

QJsonObject TallyPk::overlay_state() const {
    const TallyView view = this->view();
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
    return reading_leftover_ ? Outcome::refused(QStringLiteral("正在读取上一场PK的记录，请稍候"))
                             : Outcome::ok();
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

Outcome TallyPk::add_amount(int player, const QString& amount) {
    if (!submits_amount(amount)) {
        return Outcome::refused(QStringLiteral("数量为空或为 0，没有计入"), true);
    }
    if (!is_player(player)) {
        return Outcome::refused(QStringLiteral("玩家只能是 1 或 2"));
    }
    return add(player, amount);
}

Outcome TallyPk::add_preset(int player, int index) {
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
    return add(player, amounts[index]);
}

Outcome TallyPk::add(int player, const QString& amount) {
    if (const Outcome busy = busy_refusal(); !busy.done()) {
        return busy;
    }
    if (!addition_fits(player == 1 ? board_.total_one : board_.total_two, amount)) {
        return Outcome::refused(
            QStringLiteral("这次加分没有计入：加上 %1 后总数会超出能计算的范围。\r\n总数保持不变。")
                .arg(amount.left(40)));
    }
    // Whole seconds: the record and the journal keep no more.
    const QDateTime now = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch());
    const TallyAddition& added = history_.add(board_, now, player, name(player), amount);
    record_step({JournalEvent::Kind::addition, added.time, added.player, added.name, added.amount});
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
    const bool was_protecting = journal_.protecting();
    if (!journal_tried_) {
        journal_tried_ = true;
        journal_.open(tally_config_folder(config_home_), false);
        // Once this step is on screen, the history file is made ready too, so that the PK
        // ends with its own transaction alone rather than with the file's opening as well.
        QTimer::singleShot(0, this, [this] { archive_.prepare(); });
    }
    journal_.append(event);
    if (journal_.protecting() != was_protecting) {
        emit protection_changed(journal_.protecting());
    }
}

void TallyPk::show(const TallyBoard& board) {
    board_ = board;
    emit board_changed();
    emit state_changed();
}

std::optional<TallyPk::Leftover> TallyPk::find_leftover() {
    // Looking makes no folder; the first addition does, if it has to.
    const QString folder = tally_config_folder(config_home_);
    if (journal_tried_ || !QFileInfo(folder).isDir()) {
        return std::nullopt;
    }
    journal_tried_ = true;
    reading_leftover_ = true;
    std::optional<Leftover> found;
    if (journal_.open(folder) && journal_.leftover().has_additions()) {
        leftover_history_ = TallyHistory();
        leftover_board_ = replay_journal(journal_.leftover().events, leftover_history_);
        found = Leftover{leftover_board_, leftover_history_.record().size(),
                         journal_.leftover().unreadable, journal_.set_aside_path()};
    }
    reading_leftover_ = false;
    return found;
}

void TallyPk::restore_leftover() {
    journal_.keep_leftover();
    history_ = std::move(leftover_history_);
    leftover_history_ = TallyHistory();
    show(leftover_board_);
    if (!journal_.protecting()) {
        emit protection_changed(false);
    }
}

// The PK the host chose not to carry on still ended; it goes into the history like any other.
void TallyPk::discard_leftover() {
    const bool kept = keep(leftover_history_, leftover_board_);
    leftover_history_ = TallyHistory();
    if (kept) {
        journal_.drop_leftover();
    } else {
        // Offered back next time; this PK takes a journal of its own with its first step.
        journal_.let_go();
        journal_tried_ = false;
    }
}

bool TallyPk::keep(const TallyHistory& history, const TallyBoard& board) {
    if (history.record().isEmpty()) {
        return true;
    }
    const QDateTime now = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch());
    const bool kept =
        archive_.save(archived_pk(history, board, name(1), name(2), now), pk_key(history));
    if (const QString notice = archive_.take_notice(); !notice.isEmpty()) {
        emit history_notice(notice);
    }
    if (!kept) {
        emit history_notice(QStringLiteral("这场PK没有存入历史，它的记录保留在磁盘上，"
                                           "下次打开时可以恢复。\r\n") +
                            archive_.problem());
    }
    return kept;
}

bool TallyPk::end() {
    if (ended_) {
        return true;
    }
    ended_ = true;
    if (reading_leftover_ || !keep(history_, board_)) {
        journal_.let_go();
        return false;
    }
    journal_.close();
    return true;
}

Outcome TallyPk::new_round() {
    if (const Outcome busy = busy_refusal(); !busy.done()) {
        return busy;
    }
    if (!keep(history_, board_)) {
        return Outcome::refused(QStringLiteral("这场PK没有存入历史，所以没有开始新一局：\r\n") +
                                archive_.problem());
    }
    journal_.close();
    journal_tried_ = false;
    history_ = TallyHistory();
    select_player(1);
    show(TallyBoard());
    return Outcome::ok();
}

} // namespace glimmer
