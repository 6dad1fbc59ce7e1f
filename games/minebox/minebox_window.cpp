#include "minebox_window.h"

#include "board_model.h"
#include "games/minebox/minebox_round.h"
#include "runtime/fairness_box.h"
#include "runtime/windows.h"
#include "ui_minebox_window.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QMenu>
#include <QStringList>

namespace glimmer {

MineBoxWindow::MineBoxWindow(MineBoxTallies& tallies, const QString& site_url, QWidget* parent)
    : MineBoxWindow(new MineBoxRound(tallies), true, site_url, parent) {}

MineBoxWindow::MineBoxWindow(MineBoxTallies& tallies, RandomSource& random, const QString& site_url,
                             QWidget* parent)
    : MineBoxWindow(new MineBoxRound(tallies, random), true, site_url, parent) {}

MineBoxWindow::MineBoxWindow(MineBoxRound& round, const QString& site_url, QWidget* parent)
    : MineBoxWindow(&round, false, site_url, parent) {}

MineBoxWindow::MineBoxWindow(MineBoxRound* round, bool own, const QString& site_url,
                             QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::MineBoxWindow>()), round_(round),
      board_model_(new MineBoardModel(*round_, this)),
      background_(QStringLiteral(":/minebox/background.jpg")) {
    if (own) {
        round_->setParent(this);
    }
    ui_->setupUi(this);
    setFixedSize(500, 300);
    move(50, 50);
    ui_->box_list->setModel(board_model_);
    show_maker_line(ui_->maker_line, site_url);
    show_count_texts(round_->box_count_text(), round_->mine_count_text());
    draw();

    connect(round_, &MineBoxRound::state_changed, this, &MineBoxWindow::draw);
    connect(round_, &MineBoxRound::state_changed, this, &MineBoxWindow::show_draws);
    connect(round_, &MineBoxRound::count_texts_changed, this, &MineBoxWindow::show_count_texts);

    connect(ui_->box_count_edit, &QLineEdit::textChanged, round_,
            [this](const QString& text) { round_->set_box_count_text(text); });
    connect(ui_->mine_count_edit, &QLineEdit::textChanged, round_,
            [this](const QString& text) { round_->set_mine_count_text(text); });
    connect(ui_->bury_button, &QPushButton::clicked, round_, [this] { round_->bury(); });
    // The dig acts on the selection, wherever on the board the double-click lands.
    connect(ui_->box_list, &BoardView::double_clicked, round_,
            [this] { round_->dig(ui_->box_list->selected_item()); });
    connect(ui_->player_one_button, &QPushButton::clicked, round_,
            [this] { round_->credit(player_one); });
    connect(ui_->player_two_button, &QPushButton::clicked, round_,
            [this] { round_->credit(player_two); });
}

MineBoxWindow::~MineBoxWindow() = default;

MineBoxView MineBoxWindow::view() const {
    return round_->view();
}

void MineBoxWindow::draw() {
    const GameStage stage = round_->stage();
    ui_->setup_panel->setVisible(stage == GameStage::setup);
    ui_->owner_panel->setVisible(stage == GameStage::waiting);
    // Until a player is named, neither a second dig nor a new selection.
    ui_->box_list->setEnabled(stage != GameStage::waiting);
    ui_->player_one_tally->setText(round_->tally_text_of(player_one));
    ui_->player_two_tally->setText(round_->tally_text_of(player_two));
}

void MineBoxWindow::show_count_texts(const QString& box_text, const QString& mine_text) {
    // Rewriting a field with its own text would move the operator's cursor.
    if (ui_->box_count_edit->text() != box_text) {
        ui_->box_count_edit->setText(box_text);
    }
    if (ui_->mine_count_edit->text() != mine_text) {
        ui_->mine_count_edit->setText(mine_text);
    }
}

void MineBoxWindow::paintEvent(QPaintEvent*) {
    paint_backdrop(this, background_);
}

void MineBoxWindow::closeEvent(QCloseEvent* event) {
    // The board goes with the window: its seed can come out now.
    round_->leave();
    QWidget::closeEvent(event);
}

std::unique_ptr<QMenu> MineBoxWindow::context_menu() {
    auto menu = std::make_unique<QMenu>(this);
    menu->addAction(QStringLiteral("公平验证"), this, &MineBoxWindow::show_fairness);
    return menu;
}

void MineBoxWindow::contextMenuEvent(QContextMenuEvent* event) {
    popup_menu(context_menu(), event->globalPos());
}

void MineBoxWindow::show_fairness() {
    FairnessBox::open_or_raise(fairness_, *round_, this, [this] { show_draws(); });
}

void MineBoxWindow::show_draws() {
    if (fairness_ == nullptr) {
        return;
    }
    FairnessShown shown;
    shown.draw = round_->pending_draw();
    if (const std::optional<MineBoxReveal>& reveal = round_->last_reveal()) {
        QStringList boxes;
        for (const int number : reveal->mine_boxes) {
            boxes.append(box_caption(number));
        }
        shown.revealed = revealed_draw_lines(reveal->draw) + QStringLiteral("\n") +
                         QString::number(reveal->boxes) + QStringLiteral(" 个箱子，") +
                         QString::number(reveal->mines) + QStringLiteral(" 颗雷，雷在：") +
                         (boxes.isEmpty() ? QStringLiteral("没有") : boxes.join(u'、'));
        shown.verify_command = minebox_verify_command(*reveal);
        shown.verify_link = minebox_verify_link(*reveal);
    }
    fairness_->show_draw(shown);
}

} // namespace glimmer
