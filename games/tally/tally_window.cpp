#include "games/tally/tally_window.h"

#include "games/tally/tally_rules.h"
#include "runtime/controls/lists.h"
#include "runtime/controls/transparent_label.h"
#include "runtime/windows.h"
#include "ui_tally_window.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

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

TallyWindow::TallyWindow(TallyConfig& config, const QString& program_folder,
                         const QString& site_url, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      ui_(std::make_unique<Ui::TallyWindow>()), config_(config), program_folder_(program_folder),
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
        set_pixel_font(list->header(), 14, true);
        list->setColumnWidth(0, 99);
    }
    ui_->透明标签5->setText(QStringLiteral("Ostrune ") + site_url_);
    // A long address runs past the label's edge; the tip shows it whole.
    ui_->透明标签5->setToolTip(ui_->透明标签5->text());
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

    LoadTallyWindow();
}

TallyWindow::~TallyWindow() = default;

void TallyWindow::LoadTallyWindow() {
    list_clear(ui_->超级列表框1);
    list_clear(ui_->超级列表框2);
    const TallyPage page = load_tally_config(config_, program_folder_);
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
    // A failed write leaves the old file in place; the reload shows whatever is there.
    write_default_tally_config(program_folder_, site_url_);
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
    QLabel* total = is_player_one(ui_->透明标签1->text()) ? ui_->标签3 : ui_->标签4;
    total->setText(added_total(total->text(), ui_->编辑框1->text()));

    QLabel* flag = ui_->图片框1;
    QLabel* face = ui_->图片框2;
    const Standing standing = compare_totals(ui_->标签3->text(), ui_->标签4->text());
    if (standing.leader == Leader::none) {
        // A tie names no leader; the last difference and the typed amount stay on show.
        flag->hide();
        face->hide();
        notify_state_changed();
        return;
    }
    flag->show();
    face->show();
    const bool one_leads = standing.leader == Leader::player_one;
    set_top(flag, one_leads ? marker_top_player_one : marker_top_player_two);
    set_top(face, one_leads ? marker_top_player_two : marker_top_player_one);
    ui_->透明标签3->setText(QStringLiteral("相差：") + standing.difference);
    ui_->编辑框1->setText(QStringLiteral("0"));
    notify_state_changed();
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

} // namespace glimmer
