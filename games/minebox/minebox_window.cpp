#include "minebox_window.h"

#include "board_model.h"
#include "games/minebox/mine_board.h"
#include "runtime/controls/transparent_label.h"
#include "runtime/windows.h"
#include "ui_minebox_window.h"

namespace glimmer {

MineBoxWindow::MineBoxWindow(MineBoxTallies& tallies, RandomSource& random, const QString& site_url,
                             QWidget* parent)
    : GameWindow(parent), ui_(std::make_unique<Ui::MineBoxWindow>()), tallies_(tallies),
      random_(random), board_(new MineBoardModel(this)),
      background_(QStringLiteral(":/minebox/background.jpg")) {
    ui_->setupUi(this);
    setFixedSize(500, 300);
    move(50, 50);
    ui_->超级列表框1->setModel(board_);
    show_maker_line(ui_->透明标签3, site_url);

    reset_tallies(tallies_);

    connect(ui_->按钮1, &QPushButton::clicked, this, &MineBoxWindow::bury);
    connect(ui_->超级列表框1, &BoardView::double_clicked, this, &MineBoxWindow::dig);
    connect(ui_->按钮2, &QPushButton::clicked, this, [this] { credit(player_one); });
    connect(ui_->按钮3, &QPushButton::clicked, this, [this] { credit(player_two); });
}

MineBoxWindow::~MineBoxWindow() = default;

void MineBoxWindow::bury() {
    if (board_->bury(ui_->编辑框1->text(), ui_->编辑框2->text(), random_)) {
        // One burial per window: a new game needs the window opened afresh.
        ui_->分组框1->hide();
        notify_state_changed();
    }
}

void MineBoxWindow::dig() {
    if (board_->dig(ui_->超级列表框1->selected_item(), tallies_.pending)) {
        ui_->分组框2->show();
        ui_->超级列表框1->setEnabled(false);
        notify_state_changed();
    }
}

void MineBoxWindow::credit(int player) {
    if (board_->credit(tallies_, player) < 0) {
        return;
    }
    const PlayerTally& tally = tallies_.player(player);
    TransparentLabel* label = player == player_one ? ui_->透明标签1 : ui_->透明标签2;
    label->setText(tally_text(tally.empty_count, tally.mine_count));
    ui_->分组框2->hide();
    ui_->超级列表框1->setEnabled(true);
    notify_state_changed();
}

MineBoxView MineBoxWindow::view() const {
    MineBoxView shown;
    const MineBoard& board = board_->board();
    shown.stage = board.stage;
    shown.boxes = board.boxes;
    if (board.stage == GameStage::waiting) {
        shown.waiting_position = tallies_.pending.position;
    }
    shown.tallies = {ui_->透明标签1->text(), ui_->透明标签2->text()};
    return shown;
}

void MineBoxWindow::notify_state_changed() {
    emit state_changed();
}

void MineBoxWindow::paintEvent(QPaintEvent*) {
    paint_backdrop(this, background_);
}

QJsonObject MineBoxWindow::overlay_state() const {
    return minebox_overlay_state(view());
}

} // namespace glimmer
