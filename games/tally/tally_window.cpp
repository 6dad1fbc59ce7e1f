#include "games/tally/tally_window.h"

#include "games/tally/tally_history_window.h"
#include "games/tally/tally_keeper.h"
#include "games/tally/tally_pk.h"
#include "games/tally/tally_record_window.h"
#include "games/tally/tally_rules.h"
#include "games/tally/tally_setup_dialog.h"
#include "runtime/controls/lists.h"
#include "runtime/controls/transparent_label.h"
#include "runtime/desktop.h"
#include "runtime/files.h"
#include "runtime/windows.h"
#include "ui_tally_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QProgressDialog>
#include <QShortcut>
#include <QStandardPaths>
#include <QTimer>

namespace glimmer {

namespace {

// Font heights are given in pixels so the texts fit their boxes whatever the screen's dpi.
void set_pixel_font(QWidget* widget, int pixels, bool bold, const QStringList& families = {}) {
    QFont font = widget->font();
    if (!families.isEmpty()) {
        font.setFamilies(families);
    }
    font.setPixelSize(pixels);
    font.setBold(bold);
    widget->setFont(font);
}

void fill_list(ReportList* list, const QStringList& amounts) {
    for (const QString& amount : amounts) {
        list_append(list);
        set_cell_text(list, list_count(list) - 1, 0, amount);
    }
}

void set_top(QWidget* widget, int top) {
    widget->move(widget->x(), top);
}

// Tops of the flag and face markers: beside player one's total, beside player two's.
constexpr int marker_top_player_one = 126;
constexpr int marker_top_player_two = 226;

} // namespace

TallyWindow::TallyWindow(TallyConfig& config, const QString& config_home, const QString& site_url,
                         QWidget* parent)
    : TallyWindow(new TallyPk(config, config_home, site_url), true, site_url, parent) {}

TallyWindow::TallyWindow(TallyPk& pk, const QString& site_url, QWidget* parent)
    : TallyWindow(&pk, false, site_url, parent) {}

TallyWindow::TallyWindow(TallyPk* pk, bool own, const QString& site_url, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      ui_(std::make_unique<Ui::TallyWindow>()), pk_(pk), site_url_(site_url),
      background_(QStringLiteral(":/tally/background.jpg")) {
    if (own) {
        pk_->setParent(this);
    }
    ui_->setupUi(this);
    setFixedSize(500, 300);
    set_up_controls();

    connect(pk_, &TallyPk::config_loaded, this, &TallyWindow::show_config);
    connect(pk_, &TallyPk::board_changed, this, &TallyWindow::show_board);
    connect(pk_, &TallyPk::selected_player_changed, this, &TallyWindow::show_selected_player);
    connect(pk_, &TallyPk::protection_changed, this, &TallyWindow::tell_protection);
    connect(pk_, &TallyPk::leftover_found, this, &TallyWindow::offer_leftover);
    connect(pk_, &TallyPk::search_finished, this, [this] { delete reading_box_; });
    tell_history_notices();
    connect(&TallyKeeper::instance(), &TallyKeeper::kept, this, [this] {
        if (history_window_ != nullptr) {
            history_window_->refresh();
        }
    });
    show_config();
    show_board();
    show_selected_player();
    // Nothing here waits for the journal: the window opens at once, and the question about a
    // leftover PK comes when the journal has been read.
    pk_->look_for_leftover();
    if (pk_->searching()) {
        QTimer::singleShot(300, this, &TallyWindow::show_reading_box);
    }
}

// Once for the program: the keeper tells of the history whether or not a window is open,
// so the notices have no parent and outlive the window that ended the PK.
void TallyWindow::tell_history_notices() {
    static bool told = false;
    if (told) {
        return;
    }
    told = true;
    connect(&TallyKeeper::instance(), &TallyKeeper::notice, &TallyKeeper::instance(),
            [](const QString& text) { show_notice(text, QStringLiteral("PK历史"), nullptr); });
}

// Only for a journal that takes a while, and never over a box already waiting for the host.
void TallyWindow::show_reading_box() {
    if (!pk_->searching() || reading_box_ != nullptr) {
        return;
    }
    if (box_in_front_of(this)) {
        QTimer::singleShot(200, this, &TallyWindow::show_reading_box);
        return;
    }
    reading_box_ =
        new QProgressDialog(QStringLiteral("正在读取上一场PK的记录…"), QString(), 0, 0, this);
    reading_box_->setObjectName(QStringLiteral("reading_box"));
    reading_box_->setWindowModality(Qt::WindowModal);
    reading_box_->setCancelButton(nullptr);
    reading_box_->setMinimumDuration(0);
    reading_box_->show();
}

void TallyWindow::set_up_controls() {
    // Left to itself the system may pick a brush face for Chinese; the plain face reads better
    // at these small sizes.
    QFont plain = font();
    plain.setFamilies({QStringLiteral("Noto Sans CJK SC"), plain.family()});
    setFont(plain);
    const QStringList kaiti{QStringLiteral("楷体"), QStringLiteral("KaiTi"),
                            QStringLiteral("AR PL UKai CN")};
    set_pixel_font(ui_->player_one_name, 12, true);
    set_pixel_font(ui_->player_two_name, 12, true);
    set_pixel_font(ui_->player_one_total, 19, true, kaiti);
    set_pixel_font(ui_->player_two_total, 19, true, kaiti);
    set_pixel_font(ui_->close_link, 20, false);
    set_pixel_font(ui_->difference_line, 16, true);
    set_pixel_font(ui_->selected_player, 12, true);
    set_pixel_font(ui_->go_link, 12, true);
    for (ReportList* list : {ui_->player_one_presets, ui_->player_two_presets}) {
        set_pixel_font(list, 14, true);
        set_pixel_font(list->header(), 14, true);
        list->setColumnWidth(0, 99);
    }
    // The names come from a file the host edits by hand: shown as typed, never as markup.
    ui_->player_one_name->setTextFormat(Qt::PlainText);
    ui_->player_two_name->setTextFormat(Qt::PlainText);
    show_maker_line(ui_->maker_line, site_url_);
    advert_font_ = ui_->advert_edit->font();

    for (ReportList* list : {ui_->player_one_presets, ui_->player_two_presets}) {
        connect(list, &ReportList::selection_made, this,
                [this, list] { select_quantity_row(list); });
        connect(list, &ReportList::item_double_clicked, this,
                [this, list] { add_double_clicked_row(list); });
    }
    connect(ui_->go_link, &TransparentLabel::left_pressed, this,
            &TallyWindow::submit_typed_quantity);
    connect(ui_->default_button, &QPushButton::clicked, this, &TallyWindow::submit_typed_quantity);
    connect(ui_->maker_line, &TransparentLabel::left_pressed, this,
            &TallyWindow::reinitialise_tally_config);
    connect(ui_->close_link, &TransparentLabel::left_pressed, this,
            &TallyWindow::close_tally_window);

    add_operator_key(QKeySequence(Qt::CTRL | Qt::Key_Z), [this] { undo_addition(); });
    add_operator_key(QKeySequence(Qt::CTRL | Qt::Key_Y), [this] { redo_addition(); });
    add_operator_key(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), [this] { redo_addition(); });
    add_operator_key(QKeySequence(Qt::Key_Tab), [this] { switch_player(); });
    for (int n = 1; n <= 9; ++n) {
        const auto digit = static_cast<Qt::Key>(Qt::Key_0 + n);
        add_operator_key(QKeySequence(Qt::CTRL | digit), [this, n] { add_preset(1, n - 1); });
        add_operator_key(QKeySequence(Qt::ALT | digit), [this, n] { add_preset(2, n - 1); });
    }
    // The edit boxes would take Ctrl+Z and the digits for themselves.
    ui_->amount_edit->installEventFilter(this);
    ui_->advert_edit->installEventFilter(this);
    // The configuration folder may be under the user's home rather than beside the program;
    // the menu takes the host straight to the file the usage notes speak of.
    open_config_folder_ = new QAction(QStringLiteral("打开配置文件夹"), this);
    open_config_folder_->setObjectName(QStringLiteral("open_config_folder"));
    connect(open_config_folder_, &QAction::triggered, this, [this] {
        const QString folder = tally_config_folder(pk_->config_home());
        make_folder(folder);
        open_folder(folder);
    });
}

TallyWindow::~TallyWindow() = default;

const TallyHistory& TallyWindow::history() const {
    return pk_->history();
}

const TallyJournal& TallyWindow::journal() const {
    return pk_->journal();
}

TallyView TallyWindow::view() const {
    return pk_->view();
}

void TallyWindow::show_config() {
    list_clear(ui_->player_one_presets);
    list_clear(ui_->player_two_presets);
    const TallyPage& page = pk_->page();
    if (!page.file_problem.isEmpty() && !file_problem_told_) {
        // Said once per opening, once the window is on screen, in a box that blocks nothing:
        // the PK can be played (and a leftover asked about) while the host reads it.
        file_problem_told_ = true;
        QTimer::singleShot(0, this, [this, problem = page.file_problem] {
            show_notice(problem, QStringLiteral("Quorvane 配置文件"), this);
        });
    }
    // Streamers' names run long; a name too long for its label is cut with "…" and shown whole
    // in its tip, as are totals too wide for theirs.
    show_elided(ui_->player_one_name, page.player_one_name);
    show_elided(ui_->player_two_name, page.player_two_name);
    ui_->advert_edit->setPlainText(page.advert_text);
    QFont advert_font = advert_font_;
    if (page.advert_font_size > 0) {
        advert_font.setPointSize(page.advert_font_size);
    }
    ui_->advert_edit->setFont(advert_font);
    fill_list(ui_->player_one_presets, pk_->presets(1));
    fill_list(ui_->player_two_presets, pk_->presets(2));
}

void TallyWindow::reinitialise_tally_config() {
    const QString question = QStringLiteral(
        "--------【谨慎操作】--------------【谨慎操作】------\r\n"
        "是否初始化[Quorvane]游戏的配置文件？如果配置文件丢失或损坏可以执行此操作！");
    if (message_box(question, style_ok_cancel_question, QStringLiteral("初始化提示")) != 0) {
        return;
    }
    // A failed write leaves the old file in place; the host is told where and why, and the
    // reload shows whatever is there.
    QString error;
    if (!pk_->reinitialise_config(&error)) {
        message_box(QStringLiteral("配置文件初始化失败，原文件未改动：\r\n") + error, style_error,
                    QStringLiteral("初始化提示"));
    }
}

int TallyWindow::list_player(const ReportList* list) const {
    return list == ui_->player_one_presets ? 1 : 2;
}

bool TallyWindow::select_quantity_row(ReportList* list) {
    const int row = list_selected(list);
    if (row < 0) {
        return false;
    }
    pk_->select_player(list_player(list));
    ui_->amount_edit->setText(get_cell_text(list, row, 0));
    return true;
}

void TallyWindow::add_double_clicked_row(ReportList* list) {
    const int row = list_selected(list);
    if (row < 0) {
        return;
    }
    ui_->amount_edit->setText(get_cell_text(list, row, 0));
    tell_refusal(pk_->add_preset(list_player(list), row));
    ui_->amount_edit->setText(QStringLiteral("0"));
}

void TallyWindow::submit_typed_quantity() {
    const Outcome added = pk_->add_amount(pk_->selected_player(), ui_->amount_edit->text());
    tell_refusal(added);
    // A tie names no leader; the last difference and the typed amount stay on show.
    if (added.done() && pk_->board().markers_shown) {
        ui_->amount_edit->setText(QStringLiteral("0"));
    }
}

void TallyWindow::undo_addition() {
    tell_refusal(act_ ? act_(QStringLiteral("undo"), {}) : pk_->undo());
}

void TallyWindow::redo_addition() {
    tell_refusal(act_ ? act_(QStringLiteral("redo"), {}) : pk_->redo());
}

void TallyWindow::switch_player() {
    tell_refusal(act_ ? act_(QStringLiteral("switch"), {}) : pk_->switch_player());
}

// As a double-click on the row: the row is selected, and its amount added.
void TallyWindow::add_preset(int player, int row) {
    ReportList* list = player == 1 ? ui_->player_one_presets : ui_->player_two_presets;
    if (row < 0 || row >= list_count(list)) {
        return;
    }
    list_select(list, row);
    add_double_clicked_row(list);
}

void TallyWindow::tell_refusal(const Outcome& outcome) {
    if (!outcome.done() && !outcome.quiet) {
        message_box(outcome.reason, style_error, QStringLiteral("加分提示"));
    }
}

void TallyWindow::show_board() {
    const TallyBoard& board = pk_->board();
    QLabel* flag = ui_->leader_flag;
    QLabel* face = ui_->trailer_face;
    show_elided(ui_->player_one_total, board.total_one);
    show_elided(ui_->player_two_total, board.total_two);
    flag->setVisible(board.markers_shown);
    face->setVisible(board.markers_shown);
    set_top(flag, board.flag_beside_one ? marker_top_player_one : marker_top_player_two);
    set_top(face, board.flag_beside_one ? marker_top_player_two : marker_top_player_one);
    ui_->difference_line->setText(board.difference);
    if (record_window_ != nullptr) {
        record_window_->show_history(pk_->history());
    }
}

void TallyWindow::show_selected_player() {
    ui_->selected_player->setText(pk_->selected_player() == 1 ? QStringLiteral("一")
                                                              : QStringLiteral("二"));
}

// Once when protection stops, and once when it is whole again; never a box per addition.
void TallyWindow::tell_protection(bool protecting) {
    const QString title = QStringLiteral("崩溃保护");
    if (!protecting) {
        protection_paused_ = true;
        show_notice(QStringLiteral("崩溃保护已暂停：PK记录无法写入磁盘（%1）。\r\n"
                                   "PK照常进行。每次加分都会重试，写入成功后会补记漏下的每一步。")
                        .arg(pk_->protection_problem()),
                    title, this);
    } else if (protection_paused_) {
        protection_paused_ = false;
        show_notice(QStringLiteral("崩溃保护已恢复：漏下的步骤已补记，PK记录完整。"), title, this);
    }
}

void TallyWindow::offer_leftover(const TallyPk::Leftover& leftover) {
    delete reading_box_;
    // One box at a time: the question waits for any box already in front of the window.
    if (box_in_front_of(this)) {
        QTimer::singleShot(200, this, [this, leftover] {
            if (pk_->asking()) {
                offer_leftover(leftover);
            }
        });
        return;
    }
    QString question = QStringLiteral("上一场PK没有正常结束，当时的比分是 %1 : %2。\r\n")
                           .arg(leftover.board.total_one, leftover.board.total_two);
    if (!leftover.set_aside_path.isEmpty()) {
        question += QStringLiteral("记录中有 %1 条无法读取，已跳过；原记录文件已另存为：\r\n%2\r\n")
                        .arg(leftover.unreadable)
                        .arg(leftover.set_aside_path);
    }
    question += QStringLiteral("是否恢复这场PK？选择“取消”则从 0 : 0 开始。");
    ask(question, QStringLiteral("恢复提示"), this, [this](bool restore) {
        if (restore) {
            pk_->restore_leftover();
        } else {
            pk_->discard_leftover();
        }
    });
}

void TallyWindow::add_operator_key(const QKeySequence& keys, std::function<void()> action) {
    operator_keys_.append(keys);
    auto* shortcut = new QShortcut(keys, this);
    // A message box is application-modal, so these keys cannot reach the window while one is
    // open; the check keeps it so should a box ever be opened some other way.
    connect(shortcut, &QShortcut::activated, this, [action = std::move(action)] {
        if (QApplication::activeModalWidget() == nullptr) {
            action();
        }
    });
}

bool TallyWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (operator_keys_.contains(QKeySequence(key->keyCombination()))) {
            return true; // left unaccepted, so the window's shortcut runs
        }
    }
    return QWidget::eventFilter(watched, event);
}

std::unique_ptr<QMenu> TallyWindow::context_menu() {
    auto menu = std::make_unique<QMenu>(this);
    menu->addAction(QStringLiteral("新一局"), this, &TallyWindow::new_round);
    menu->addSeparator();
    menu->addAction(QStringLiteral("记录"), this, &TallyWindow::show_record);
    menu->addAction(QStringLiteral("导出记录（CSV）…"), this, &TallyWindow::export_record_as);
    menu->addAction(QStringLiteral("历史"), this, &TallyWindow::show_history);
    menu->addSeparator();
    menu->addAction(QStringLiteral("PK 设置…"), this, &TallyWindow::edit_settings);
    menu->addAction(open_config_folder_);
    return menu;
}

// However the window is closed, the PK ends normally: nothing is offered back next time.
void TallyWindow::closeEvent(QCloseEvent* event) {
    pk_->end();
    for (QWidget* window : {static_cast<QWidget*>(record_window_.data()),
                            static_cast<QWidget*>(history_window_.data())}) {
        if (window != nullptr) {
            window->close();
        }
    }
    QWidget::closeEvent(event);
}

void TallyWindow::new_round() {
    if (pk_->has_additions() &&
        message_box(QStringLiteral("这场PK已有加分。是否结束这场PK，从 0 : 0 开始新一局？\r\n"
                                   "结束的PK会存入历史。"),
                    style_ok_cancel_question, QStringLiteral("新一局")) != 0) {
        return;
    }
    const Outcome started = pk_->new_round();
    tell_refusal(started);
    if (started.done()) {
        ui_->amount_edit->setText(QStringLiteral("0"));
    }
}

void TallyWindow::show_record() {
    if (record_window_ == nullptr) {
        record_window_ = new TallyRecordWindow(this);
        record_window_->setAttribute(Qt::WA_DeleteOnClose);
    }
    record_window_->show_history(pk_->history());
    record_window_->show();
    record_window_->raise();
    record_window_->activateWindow();
}

void TallyWindow::edit_settings() {
    TallySetupDialog dialog(current_tally_settings(pk_->page(), pk_->config()), pk_->config_home(),
                            this);
    if (dialog.exec() == QDialog::Accepted) {
        pk_->load_config();
    }
}

TallyHistoryWindow* TallyWindow::show_history() {
    if (history_window_ == nullptr) {
        history_window_ = new TallyHistoryWindow(pk_->archive(), this);
        history_window_->setAttribute(Qt::WA_DeleteOnClose);
    } else {
        history_window_->refresh();
    }
    history_window_->show();
    history_window_->raise();
    history_window_->activateWindow();
    // Reading may have found the file damaged and moved it aside; the host hears of it now,
    // not only when the next PK is kept.
    if (const QString notice = pk_->archive().take_notice(); !notice.isEmpty()) {
        show_notice(notice, QStringLiteral("PK历史"), nullptr);
    }
    return history_window_;
}

bool TallyWindow::export_record(const QString& path, QString* error) {
    return write_file(path, record_csv(pk_->history()), error);
}

void TallyWindow::export_record_as() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty()) {
        folder = QDir::homePath();
    }
    const QString name =
        QStringLiteral("Quorvane记录-%1.csv")
            .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")));
    const QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("导出记录"), QDir(folder).filePath(name),
                                     QStringLiteral("CSV 文件 (*.csv)"));
    if (path.isEmpty()) {
        return;
    }
    QString error;
    if (!export_record(path, &error)) {
        message_box(QStringLiteral("记录没有导出：无法写入这个文件。\r\n") + path +
                        QStringLiteral("\r\n") + error,
                    style_error, QStringLiteral("导出记录"));
    }
}

void TallyWindow::close_tally_window() {
    close_window(this);
}

void TallyWindow::paintEvent(QPaintEvent*) {
    paint_backdrop(this, background_);
}

bool TallyWindow::is_link(const QWidget* child) const {
    return child == ui_->go_link || child == ui_->close_link || child == ui_->maker_line;
}

// Presses the controls leave alone reach the window; those on its background (and on plain
// labels) start a move, those on the clickable labels do not.
void TallyWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && !is_link(childAt(event->position().toPoint()))) {
        dragging_ = true;
        drag_offset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
    }
    QWidget::mousePressEvent(event);
}

void TallyWindow::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_ && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - drag_offset_);
    }
    QWidget::mouseMoveEvent(event);
}

void TallyWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        dragging_ = false;
    }
    QWidget::mouseReleaseEvent(event);
}

// Enter in the quantity box (or a list) reaches the window unused and acts as the hidden
// default button, as in a dialog.
void TallyWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        ui_->default_button->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

// A fresh menu each time, gone once closed: one kept for the window's life would outlive a
// window that is deleted while it is open.
void TallyWindow::contextMenuEvent(QContextMenuEvent* event) {
    popup_menu(context_menu(), event->globalPos());
}

} // namespace glimmer
