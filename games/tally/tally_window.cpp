#include "games/tally/tally_window.h"

#include "games/tally/tally_record_window.h"
#include "games/tally/tally_rules.h"
#include "runtime/controls/lists.h"
#include "runtime/controls/transparent_label.h"
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

} // namespace

TallyWindow::TallyWindow(TallyConfig& config, const QString& config_home, const QString& site_url,
                         QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      ui_(std::make_unique<Ui::TallyWindow>()), config_(config), config_home_(config_home),
      site_url_(site_url), background_(QStringLiteral(":/tally/background.jpg")) {
    ui_->setupUi(this);
    setFixedSize(500, 300);

    // Left to itself the system may pick a brush face for Chinese; the plain face reads better
    // at these small sizes.
    QFont plain = font();
    plain.setFamilies({QStringLiteral("Noto Sans CJK SC"), plain.family()});
    setFont(plain);
    const QStringList kaiti{QStringLiteral("楷体"), QStringLiteral("KaiTi"),
                            QStringLiteral("AR PL UKai CN")};
    set_pixel_font(ui_->标签1, 12, true);
    set_pixel_font(ui_->标签2, 12, true);
    set_pixel_font(ui_->标签3, 19, true, kaiti);
    set_pixel_font(ui_->标签4, 19, true, kaiti);
    set_pixel_font(ui_->透明标签4, 20, false);
    set_pixel_font(ui_->透明标签3, 16, true);
    set_pixel_font(ui_->透明标签1, 12, true);
    set_pixel_font(ui_->透明标签2, 12, true);
    for (ReportList* list : {ui_->超级列表框1, ui_->超级列表框2}) {
        set_pixel_font(list, 14, true);
        set_pixel_font(list->header(), 14, true);
        list->setColumnWidth(0, 99);
    }
    // The names come from a file the host edits by hand: shown as typed, never as markup.
    ui_->标签1->setTextFormat(Qt::PlainText);
    ui_->标签2->setTextFormat(Qt::PlainText);
    show_maker_line(ui_->透明标签5, site_url_);
    advert_font_ = ui_->编辑框2->font();

    connect(ui_->超级列表框1, &ReportList::selection_made, this,
            [this] { SelectQuantityRow(ui_->超级列表框1); });
    connect(ui_->超级列表框2, &ReportList::selection_made, this,
            [this] { SelectQuantityRow(ui_->超级列表框2); });
    connect(ui_->超级列表框1, &ReportList::item_double_clicked, this,
            [this] { add_double_clicked_row(ui_->超级列表框1); });
    connect(ui_->超级列表框2, &ReportList::item_double_clicked, this,
            [this] { add_double_clicked_row(ui_->超级列表框2); });
    connect(ui_->透明标签2, &TransparentLabel::left_pressed, this,
            &TallyWindow::SubmitTypedQuantity);
    connect(ui_->zelk按钮1, &QPushButton::clicked, this, &TallyWindow::SubmitTypedQuantity);
    connect(ui_->透明标签5, &TransparentLabel::left_pressed, this,
            &TallyWindow::ReinitialiseTallyConfig);
    connect(ui_->透明标签4, &TransparentLabel::left_pressed, this, &TallyWindow::CloseTallyWindow);

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
    ui_->编辑框1->installEventFilter(this);
    ui_->编辑框2->installEventFilter(this);
    // The configuration folder may be under the user's home rather than beside the program;
    // the menu takes the host straight to the file the usage notes speak of.
    open_config_folder_ = new QAction(QStringLiteral("打开配置文件夹"), this);
    open_config_folder_->setObjectName(QStringLiteral("打开配置文件夹"));
    connect(open_config_folder_, &QAction::triggered, this, [this] {
        const QString folder = tally_config_folder(config_home_);
        make_folder(folder);
        open_folder(folder);
    });

    LoadTallyWindow();
    open_journal();
}

TallyWindow::~TallyWindow() = default;

void TallyWindow::LoadTallyWindow() {
    list_clear(ui_->超级列表框1);
    list_clear(ui_->超级列表框2);
    const TallyPage page = load_tally_config(config_, config_home_);
    if (!page.file_problem.isEmpty() && !file_problem_told_) {
        // Said once per opening, and only once the window is on screen: a box raised from
        // the constructor would stand before a window that is not there yet.
        file_problem_told_ = true;
        QTimer::singleShot(0, this,
                           [problem = page.file_problem] { message_box(problem, style_ok); });
    }
    ui_->标签1->setText(page.player_one_name);
    ui_->标签2->setText(page.player_two_name);
    ui_->编辑框2->setPlainText(page.advert_text);
    QFont advert_font = advert_font_;
    if (page.advert_font_size > 0) {
        advert_font.setPointSize(page.advert_font_size);
    }
    ui_->编辑框2->setFont(advert_font);
    fill_list(ui_->超级列表框1, config_.player_one_amounts);
    fill_list(ui_->超级列表框2, config_.player_two_amounts);
    notify_state_changed();
}

void TallyWindow::ReinitialiseTallyConfig() {
    const QString question = QStringLiteral(
        "--------【谨慎操作】--------------【谨慎操作】------\r\n"
        "是否初始化[Quorvane]游戏的配置文件？如果配置文件丢失或损坏可以执行此操作！");
    if (message_box(question, style_ok_cancel_question, QStringLiteral("初始化提示")) != 0) {
        return;
    }
    // A failed write leaves the old file in place; the host is told where and why, and the
    // reload shows whatever is there.
    QString error;
    if (!write_default_tally_config(config_home_, site_url_, &error)) {
        message_box(QStringLiteral("配置文件初始化失败，原文件未改动：\r\n") + error, style_error,
                    QStringLiteral("初始化提示"));
    }
    LoadTallyWindow();
}

bool TallyWindow::SelectQuantityRow(ReportList* list) {
    const int row = list_selected(list);
    if (row < 0) {
        return false;
    }
    ui_->透明标签1->setText(list == ui_->超级列表框1 ? QStringLiteral("一") : QStringLiteral("二"));
    ui_->编辑框1->setText(get_cell_text(list, row, 0));
    return true;
}

void TallyWindow::add_double_clicked_row(ReportList* list) {
    if (!SelectQuantityRow(list)) {
        return;
    }
    AddQuantity();
    ui_->编辑框1->setText(QStringLiteral("0"));
}

void TallyWindow::SubmitTypedQuantity() {
    if (submits_amount(ui_->编辑框1->text())) {
        AddQuantity();
    }
}

void TallyWindow::AddQuantity() {
    const bool one = is_player_one(ui_->透明标签1->text());
    const QDateTime now = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch());
    const TallyAddition& added =
        history_.add(shown_board(), now, one ? 1 : 2, (one ? ui_->标签1 : ui_->标签2)->text(),
                     ui_->编辑框1->text());
    write_journal(
        {JournalEvent::Kind::addition, added.time, added.player, added.name, added.amount});
    show_board(added.after);
    // A tie names no leader; the last difference and the typed amount stay on show.
    if (added.after.markers_shown) {
        ui_->编辑框1->setText(QStringLiteral("0"));
    }
}

void TallyWindow::undo_addition() {
    if (const TallyBoard* board = history_.undo()) {
        write_journal({JournalEvent::Kind::undo, {}, 1, {}, {}});
        show_board(*board);
    }
}

void TallyWindow::redo_addition() {
    if (const TallyBoard* board = history_.redo()) {
        write_journal({JournalEvent::Kind::redo, {}, 1, {}, {}});
        show_board(*board);
    }
}

TallyBoard TallyWindow::shown_board() const {
    TallyBoard board;
    board.total_one = ui_->标签3->text();
    board.total_two = ui_->标签4->text();
    board.markers_shown = !ui_->图片框1->isHidden();
    board.flag_beside_one = ui_->图片框1->y() == marker_top_player_one;
    board.difference = ui_->透明标签3->text();
    return board;
}

void TallyWindow::show_board(const TallyBoard& board) {
    QLabel* flag = ui_->图片框1;
    QLabel* face = ui_->图片框2;
    ui_->标签3->setText(board.total_one);
    ui_->标签4->setText(board.total_two);
    flag->setVisible(board.markers_shown);
    face->setVisible(board.markers_shown);
    set_top(flag, board.flag_beside_one ? marker_top_player_one : marker_top_player_two);
    set_top(face, board.flag_beside_one ? marker_top_player_two : marker_top_player_one);
    ui_->透明标签3->setText(board.difference);
    if (record_window_ != nullptr) {
        record_window_->show_history(history_);
    }
    notify_state_changed();
}

// The journal is on the disk before the board changes; without one the PK simply goes on.
void TallyWindow::write_journal(const JournalEvent& event) {
    if (!journal_tried_) {
        journal_tried_ = true;
        journal_.open(tally_config_folder(config_home_), false);
    }
    if (journal_.is_open()) {
        journal_.append(event);
    }
}

// Opening the window makes no folder; the first addition does, if it has to.
void TallyWindow::open_journal() {
    const QString folder = tally_config_folder(config_home_);
    if (!QFileInfo(folder).isDir()) {
        return;
    }
    journal_tried_ = true;
    if (!journal_.open(folder)) {
        return;
    }
    if (!journal_.leftover().has_additions()) {
        return;
    }
    TallyHistory restored;
    const TallyBoard board = replay_journal(journal_.leftover().events, restored);
    const QString question = QStringLiteral("上一场PK没有正常结束，当时的比分是 %1 : %2。\r\n"
                                            "是否恢复这场PK？选择“取消”则从 0 : 0 开始。")
                                 .arg(board.total_one, board.total_two);
    if (message_box(question, style_ok_cancel_question, QStringLiteral("恢复提示")) != 0) {
        journal_.drop_leftover();
        return;
    }
    journal_.keep_leftover();
    history_ = restored;
    show_board(board);
}

void TallyWindow::switch_player() {
    const bool one = is_player_one(ui_->透明标签1->text());
    ui_->透明标签1->setText(one ? QStringLiteral("二") : QStringLiteral("一"));
}

void TallyWindow::add_preset(int player, int row) {
    ReportList* list = player == 1 ? ui_->超级列表框1 : ui_->超级列表框2;
    if (row < 0 || row >= list_count(list)) {
        return;
    }
    list_select(list, row);
    add_double_clicked_row(list);
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
    menu->addAction(QStringLiteral("记录"), this, &TallyWindow::show_record);
    menu->addAction(QStringLiteral("导出记录（CSV）…"), this, &TallyWindow::export_record_as);
    menu->addSeparator();
    menu->addAction(open_config_folder_);
    return menu;
}

// However the window is closed, the PK ends normally: nothing is offered back next time.
void TallyWindow::closeEvent(QCloseEvent* event) {
    journal_.close();
    if (record_window_ != nullptr) {
        record_window_->close();
    }
    QWidget::closeEvent(event);
}

void TallyWindow::show_record() {
    if (record_window_ == nullptr) {
        record_window_ = new TallyRecordWindow(this);
        record_window_->setAttribute(Qt::WA_DeleteOnClose);
    }
    record_window_->show_history(history_);
    record_window_->show();
    record_window_->raise();
    record_window_->activateWindow();
}

bool TallyWindow::export_record(const QString& path, QString* error) {
    return write_file(path, record_csv(history_), error);
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

TallyView TallyWindow::view() const {
    TallyView shown;
    shown.names = {ui_->标签1->text(), ui_->标签2->text()};
    shown.totals = {ui_->标签3->text(), ui_->标签4->text()};
    if (!ui_->图片框1->isHidden()) {
        shown.leader =
            ui_->图片框1->y() == marker_top_player_one ? Leader::player_one : Leader::player_two;
    }
    const QString caption = QStringLiteral("相差：");
    shown.difference = ui_->透明标签3->text();
    if (shown.difference.startsWith(caption)) {
        shown.difference.remove(0, caption.size());
    }
    return shown;
}

void TallyWindow::notify_state_changed() {
    emit state_changed();
}

void TallyWindow::CloseTallyWindow() {
    close_window(this);
}

void TallyWindow::paintEvent(QPaintEvent*) {
    paint_backdrop(this, background_);
}

bool TallyWindow::is_link(const QWidget* child) const {
    return child == ui_->透明标签2 || child == ui_->透明标签4 || child == ui_->透明标签5;
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
        ui_->zelk按钮1->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

// A fresh menu each time, gone once closed: one kept for the window's life would outlive a
// window that is deleted while it is open.
void TallyWindow::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = context_menu().release();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

} // namespace glimmer
