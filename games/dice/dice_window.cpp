#include "dice_window.h"

#include "games/dice/turn_rules.h"
#include "runtime/random.h"
#include "runtime/windows.h"
#include "ui_dice_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QShortcut>
#include <QTimer>

#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif

namespace glimmer {

namespace {

constexpr int shake_interval_ms = 1;
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

// Linux lets each wake-up from a timed wait run up to 50 µs late, and Qt waits in whole
// milliseconds, so a 1 ms timer loses that much on every tick: 1000 throws would take
// noticeably longer than 1000 ms. Asking for prompt wake-ups keeps a tick close to 1 ms.
void ask_for_prompt_wakeups() {
#ifdef Q_OS_LINUX
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
#endif
}

} // namespace

DiceWindow::DiceWindow(DiceState& state, RandomSource& random, const QString& site_url,
                       QWidget* parent)
    : GameWindow(parent), ui_(std::make_unique<Ui::DiceWindow>()), state_(state), random_(random),
      shake_timer_(new QTimer(this)), background_(QStringLiteral(":/dice/background.jpg")) {
    ui_->setupUi(this);
    setFixedSize(size());
    move(50, 50);

    ui_->透明标签1->setFont(kaiti_font(29, false));
    ui_->标签1->setFont(kaiti_font(96, true));
    ui_->标签2->setFont(kaiti_font(35, true));
    ui_->标签3->setFont(kaiti_font(35, true));
    ui_->按钮1->setFont(bold_font(35));
    ui_->按钮2->setFont(bold_font(35));
    show_maker_line(ui_->透明标签3, site_url);

    // A coarse timer would round 1 ms up to the system's tick and stretch a shaking of
    // 1000 throws to many seconds.
    shake_timer_->setObjectName(QStringLiteral("时钟1"));
    shake_timer_->setTimerType(Qt::PreciseTimer);
    shake_timer_->setInterval(0);
    ask_for_prompt_wakeups();

    connect(ui_->透明标签1, &TransparentLabel::left_pressed, this, &DiceWindow::open_count_frame);
    connect(ui_->按钮3, &QPushButton::clicked, this, &DiceWindow::start_turn_shaking);
    connect(shake_timer_, &QTimer::timeout, this, &DiceWindow::throw_once);
    // Dragon or tiger is the players' call on stream; the throws alone decide the turn.
    connect(ui_->按钮1, &QPushButton::clicked, this, &DiceWindow::reveal_turn);
    connect(ui_->按钮2, &QPushButton::clicked, this, &DiceWindow::reveal_turn);

    auto* space = new QShortcut(QKeySequence(Qt::Key_Space), this);
    connect(space, &QShortcut::activated, this, [this] {
        // Message boxes are application-modal; this holds should one ever be opened otherwise.
        if (QApplication::activeModalWidget() == nullptr) {
            next_step();
        }
    });
    // The count box would type the space; a focused button would click itself with it.
    ui_->编辑框1->installEventFilter(this);
}

bool DiceWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride &&
        static_cast<QKeyEvent*>(event)->keyCombination() == QKeyCombination(Qt::Key_Space)) {
        return true; // left unaccepted, so the window's shortcut runs
    }
    return QWidget::eventFilter(watched, event);
}

void DiceWindow::next_step() {
    if (!ui_->透明标签1->isHidden()) {
        open_count_frame();
    } else if (!ui_->分组框1->isHidden() && !shake_timer_->isActive()) {
        ui_->按钮3->click();
    } else if (!ui_->按钮1->isHidden()) {
        ui_->按钮1->click();
    }
}

DiceWindow::~DiceWindow() = default;

void DiceWindow::open_count_frame() {
    ui_->分组框1->show();
    ui_->透明标签1->hide();
    ui_->图形按钮1->hide();
    notify_state_changed();
}

void DiceWindow::start_turn_shaking() {
    CountBox* count = ui_->编辑框1;
    const QString normalized = normalize_throw_count(count->text());
    if (normalized != count->text()) {
        count->setText(normalized);
    }
    start_shaking(state_);
    ui_->标签4->show();
    shake_timer_->start(shake_interval_ms);
    notify_state_changed();
}

void DiceWindow::throw_once() {
    if (!throw_dice(state_, ui_->编辑框1->text(), random_)) {
        return;
    }
    shake_timer_->stop();
    shake_timer_->setInterval(0);
    ui_->标签4->hide();
    ui_->按钮1->show();
    ui_->按钮2->show();
    ui_->分组框1->hide();
    notify_state_changed();
}

void DiceWindow::reveal_turn() {
    const Settlement settled = settle_turn(state_);
    if (settled.winner != Side::none) {
        ui_->图形按钮1->move(settled.winner == Side::left ? left_badge_x : right_badge_x,
                             ui_->图形按钮1->y());
        ui_->图形按钮1->show();
        list_add(ui_->列表框1, settled.left_word);
        list_add(ui_->列表框2, settled.right_word);
    }
    ui_->标签5->setText(settled.left_tally);
    ui_->标签6->setText(settled.right_tally);
    ui_->透明标签1->show();
    ui_->按钮1->hide();
    ui_->按钮2->hide();
    notify_state_changed();
}

DiceView DiceWindow::view() const {
    DiceView shown;
    if (!ui_->标签4->isHidden()) {
        shown.phase = DicePhase::shaking;
    } else if (!ui_->按钮1->isHidden()) {
        shown.phase = DicePhase::revealing;
    } else if (!ui_->分组框1->isHidden()) {
        shown.phase = DicePhase::counting;
    }
    if (!ui_->图形按钮1->isHidden()) {
        shown.last_winner = ui_->图形按钮1->x() == left_badge_x ? Side::left : Side::right;
    }
    shown.left_tally = ui_->标签5->text();
    shown.right_tally = ui_->标签6->text();
    return shown;
}

void DiceWindow::notify_state_changed() {
    emit state_changed();
}

void DiceWindow::paintEvent(QPaintEvent*) {
    paint_backdrop(this, background_);
}

void DiceWindow::closeEvent(QCloseEvent* event) {
    // The turn ends with the window; only the tallies in DiceState carry on.
    shake_timer_->stop();
    QWidget::closeEvent(event);
}

QJsonObject DiceWindow::overlay_state() const {
    return dice_overlay_state(view());
}

} // namespace glimmer
