#include "minebox_window.h"

#include "board_model.h"
#include "build_config.h"
#include "games/minebox/mine_board.h"
#include "runtime/windows.h"
#include "ui_minebox_window.h"

#include <QFontInfo>
#include <QFontMetrics>

namespace glimmer {

namespace {

// "Ostrune" and the maker's address as people type it, without the scheme.
QString studio_line() {
    QString address = QString::fromUtf8(build::site_url);
    for (const QLatin1String scheme : {QLatin1String("https://"), QLatin1String("http://")}) {
        if (address.startsWith(scheme)) {
            address.remove(0, scheme.size());
        }
    }
    return QStringLiteral("Ostrune ") + address;
}

// The studio line's place ends at the window's edge; a long address gets a smaller font
// rather than losing its end.
void fit_text_to_width(QLabel* label) {
    QFont font = label->font();
    int size = QFontInfo(font).pixelSize();
    while (size > 8 && QFontMetrics(font).horizontalAdvance(label->text()) > label->width()) {
        font.setPixelSize(--size);
    }
    label->setFont(font);
}

} // namespace

MineBoxWindow::MineBoxWindow(MineBoxTallies& tallies, RandomSource& random, QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::MineBoxWindow>()), tallies_(tallies),
      random_(random), board_(new MineBoardModel(this)),
      background_(QStringLiteral(":/minebox/background.jpg")) {
    ui_->setupUi(this);
    setFixedSize(500, 300);
    move(50, 50);
    ui_->超级列表框1->setModel(board_);
    ui_->透明标签3->setText(studio_line());
    fit_text_to_width(ui_->透明标签3);

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

} // namespace glimmer
