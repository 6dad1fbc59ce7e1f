#include "dice_window.h"

#include "games/dice/dice_turn.h"
#include "runtime/fairness_box.h"
#include "runtime/windows.h"
#include "ui_dice_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QShortcut>

namespace glimmer {

namespace {

constexpr int left_badge_x = 48;
constexpr int right_badge_x = 312;

// 楷体 first, for systems that have it; Debian's AR PL UKai stands in for it elsewhere.
QFont kaiti_font(int pixel_size, bool italic) {
    QFont font;
    font.setFamilies({QStringLiteral("楷体"), QStringLiteral("AR PL UKai CN")});
    font.setPixelSize(pixel_size);
    font.setBold(true);
    font.setItalic(italic);
    return font;
}

QFont bold_font(int pixel_size) {
    QFont font;
    font.setPixelSize(pixel_size);
    font.setBold(true);
    return font;
}

} // namespace

DiceWindow::DiceWindow(DiceState& state, const QString& site_url, QWidget* parent)
    : DiceWindow(new DiceTurn(state), true, site_url, parent) {}

DiceWindow::DiceWindow(DiceState& state, RandomSource& random, const QString& site_url,
                       QWidget* parent)
    : DiceWindow(new DiceTurn(state, random), true, site_url, parent) {}

DiceWindow::DiceWindow(DiceTurn& turn, const QString& site_url, QWidget* parent)
    : DiceWindow(&turn, false, site_url, parent) {}

DiceWindow::DiceWindow(DiceTurn* turn, bool own, const QString& site_url, QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::DiceWindow>()), turn_(turn),
      background_(QStringLiteral(":/dice/background.jpg")) {
    if (own) {
        turn_->setParent(this);
    }
    ui_->setupUi(this);
    setFixedSize(size());
    move(50, 50);

    ui_->start_prompt->setFont(kaiti_font(29, false));
    ui_->centre_mark->setFont(kaiti_font(96, true));
    ui_->dragon_mark->setFont(kaiti_font(35, true));
    ui_->tiger_mark->setFont(kaiti_font(35, true));
    ui_->dragon_button->setFont(bold_font(35));
    ui_->tiger_button->setFont(bold_font(35));
    show_maker_line(ui_->maker_line, site_url);
    ui_->count_edit->setText(turn_->throw_count());
    draw();

    connect(turn_, &DiceTurn::state_changed, this, &DiceWindow::draw);
    connect(turn_, &DiceTurn::state_changed, this, &DiceWindow::show_draws);
    connect(turn_, &DiceTurn::turn_settled, this, &DiceWindow::add_settled_words);
    connect(turn_, &DiceTurn::throw_count_changed, ui_->count_edit, &CountBox::setText);

    connect(ui_->start_prompt, &TransparentLabel::left_pressed, turn_,
            [this] { turn_->open_count_frame(); });
    // The count is read again on every throw, so each change of the box goes to the turn.
    connect(ui_->count_edit, &CountBox::textChanged, turn_,
            [this](const QString& count) { turn_->set_throw_count(count); });
    connect(ui_->start_button, &QPushButton::clicked, turn_, [this] { turn_->start_shaking(); });
    // Dragon or tiger is the players' call on stream; the throws alone decide the turn.
    connect(ui_->dragon_button, &QPushButton::clicked, turn_, [this] { turn_->reveal(); });
    connect(ui_->tiger_button, &QPushButton::clicked, turn_, [this] { turn_->reveal(); });

    auto* space = new QShortcut(QKeySequence(Qt::Key_Space), this);
    connect(space, &QShortcut::activated, this, [this] {
        // Message boxes are application-modal; this holds should one ever be opened otherwise.
        if (QApplication::activeModalWidget() == nullptr) {
            next_step();
        }
    });
    // The count box would type the space; a focused button would click itself with it.
    ui_->count_edit->installEventFilter(this);
}

DiceWindow::~DiceWindow() = default;

bool DiceWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride &&
        static_cast<QKeyEvent*>(event)->keyCombination() == QKeyCombination(Qt::Key_Space)) {
        return true; // left unaccepted, so the window's shortcut runs
    }
    return QWidget::eventFilter(watched, event);
}

void DiceWindow::next_step() {
    turn_->next_step();
}

DiceView DiceWindow::view() const {
    return turn_->view();
}

void DiceWindow::draw() {
    const DicePhase phase = turn_->phase();
    ui_->start_prompt->setVisible(phase == DicePhase::waiting);
    ui_->count_frame->setVisible(phase == DicePhase::counting || phase == DicePhase::shaking);
    ui_->shaking_notice->setVisible(phase == DicePhase::shaking);
    ui_->dragon_button->setVisible(phase == DicePhase::revealing);
    ui_->tiger_button->setVisible(phase == DicePhase::revealing);
    const Side badge = turn_->badge_side();
    if (badge != Side::none) {
        ui_->winner_badge->move(badge == Side::left ? left_badge_x : right_badge_x,
                                ui_->winner_badge->y());
    }
    ui_->winner_badge->setVisible(badge != Side::none);
    ui_->left_tally->setText(turn_->left_tally());
    ui_->right_tally->setText(turn_->right_tally());
}

void DiceWindow::add_settled_words(Side winner, const QString& left_word,
                                   const QString& right_word) {
    if (winner != Side::none) {
        list_add(ui_->left_list, left_word);
        list_add(ui_->right_list, right_word);
    }
}

std::unique_ptr<QMenu> DiceWindow::context_menu() {
    auto menu = std::make_unique<QMenu>(this);
    menu->addAction(QStringLiteral("公平验证"), this, &DiceWindow::show_fairness);
    return menu;
}

void DiceWindow::contextMenuEvent(QContextMenuEvent* event) {
    popup_menu(context_menu(), event->globalPos());
}

void DiceWindow::show_fairness() {
    FairnessBox::open_or_raise(fairness_, *turn_, this, [this] { show_draws(); });
}

void DiceWindow::show_draws() {
    if (fairness_ == nullptr) {
        return;
    }
    FairnessShown shown;
    shown.draw = turn_->pending_draw();
    if (const std::optional<DiceReveal>& reveal = turn_->last_reveal()) {
        const QString winner = reveal->outcome == left_wins_outcome
                                   ? QStringLiteral("龙（玩家一）胜")
                                   : QStringLiteral("虎（玩家二）胜");
        shown.revealed = revealed_draw_lines(reveal->draw) + QStringLiteral("\n摇了 ") +
                         QString::number(reveal->throws) + QStringLiteral(" 次，最后一次：龙 ") +
                         QString::number(reveal->faces.dragon) + QStringLiteral(" 点，虎 ") +
                         QString::number(reveal->faces.tiger) + QStringLiteral(" 点，") + winner;
        shown.verify_command = dice_verify_command(*reveal);
        shown.verify_link = dice_verify_link(*reveal);
    }
    fairness_->show_draw(shown);
}

void DiceWindow::paintEvent(QPaintEvent*) {
    paint_backdrop(this, background_);
}

void DiceWindow::closeEvent(QCloseEvent* event) {
    // The turn ends with the window; only the tallies in DiceState carry on.
    turn_->abandon();
    QWidget::closeEvent(event);
}

} // namespace glimmer
