#include "games/dice/dice_turn.h"
#include "games/dice/dice_window.h"
#include "runtime/committed_random.h"
#include "runtime/controls/count_box.h"
#include "runtime/controls/lists.h"
#include "runtime/controls/picture_button.h"
#include "runtime/controls/transparent_label.h"
#include "shell/app_state.h"
#include "shell/catalogue_window.h"
#include "tests/support/scripted_random.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDialog>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <memory>

using glimmer::testing::ScriptedRandom;

using namespace glimmer;

namespace {

const QString zero_tally = QStringLiteral("胜利：0  失败：0");

// The controls a person sees, looked up by their names as a test tool would.
struct DiceControls {
    explicit DiceControls(QWidget* window)
        : prompt(find<TransparentLabel>(window, "start_prompt")),
          frame(find<QGroupBox>(window, "count_frame")),
          count(find<CountBox>(window, "count_edit")),
          start(find<QPushButton>(window, "start_button")),
          notice(find<QLabel>(window, "shaking_notice")),
          dragon(find<QPushButton>(window, "dragon_button")),
          tiger(find<QPushButton>(window, "tiger_button")),
          badge(find<PictureButton>(window, "winner_badge")),
          left_list(find<ListBox>(window, "left_list")),
          right_list(find<ListBox>(window, "right_list")),
          left_tally(find<QLabel>(window, "left_tally")),
          right_tally(find<QLabel>(window, "right_tally")),
          timer(find<QTimer>(window, "shake_timer")), window_(window) {}

    bool complete() const {
        return prompt && frame && count && start && notice && dragon && tiger && badge &&
               left_list && right_list && left_tally && right_tally && timer;
    }

    // The controls that change with the phase of a turn, and the timer, as far as shown.
    QStringList phase() const {
        QStringList shown;
        const std::pair<QWidget*, const char*> parts[] = {
            {prompt, "prompt"}, {frame, "frame"},   {count, "count"}, {start, "start"},
            {notice, "notice"}, {dragon, "dragon"}, {tiger, "tiger"}, {badge, "badge"}};
        for (const auto& [control, name] : parts) {
            if (control->isVisibleTo(window_)) {
                shown.append(QString::fromLatin1(name));
            }
        }
        if (timer->isActive()) {
            shown.append(QStringLiteral("timer"));
        }
        return shown;
    }

    QStringList lines(const ListBox* list) const {
        QStringList texts;
        for (int row = 0; row < list->count(); ++row) {
            texts.append(list->item(row)->text());
        }
        return texts;
    }

    TransparentLabel* prompt;
    QGroupBox* frame;
    CountBox* count;
    QPushButton* start;
    QLabel* notice;
    QPushButton* dragon;
    QPushButton* tiger;
    PictureButton* badge;
    ListBox* left_list;
    ListBox* right_list;
    QLabel* left_tally;
    QLabel* right_tally;
    QTimer* timer;

private:
    template <typename T> static T* find(QWidget* window, const char* name) {
        return window->findChild<T*>(QString::fromUtf8(name));
    }
    QWidget* window_;
};

const QStringList waiting{"prompt"};
const QStringList setting_up{"frame", "count", "start"};
const QStringList shaking{"frame", "count", "start", "notice"};
const QStringList ready{"dragon", "tiger"};
const QStringList settled{"prompt", "badge"};

void type_count(CountBox* count, const QString& text) {
    count->setFocus();
    count->selectAll();
    QTest::keyClick(count, Qt::Key_Backspace);
    QTest::keyClicks(count, text);
}

// Runs the event loop until the reveal buttons show, for the one turn shaken by the real
// timer. QTRY_VERIFY would sleep 10 ms between its looks and so hold the 1 ms timer back to
// a tenth of its pace.
bool wait_for_reveal(const QWidget* reveal_button) {
    QElapsedTimer waited;
    waited.start();
    while (!reveal_button->isVisible() && waited.elapsed() < 20000) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    return reveal_button->isVisible();
}

} // namespace

class TestDiceWindow : public QObject {
    Q_OBJECT

private:
    DiceState state_;
    std::unique_ptr<ScriptedRandom> random_;
    std::unique_ptr<DiceWindow> window_;
    std::unique_ptr<DiceControls> ui_;

    // The turn's timer stays off unless asked for: the tests tick the throws themselves.
    void open_window(QList<int> draws = {1}, bool on_timer = false);
    // Ticks the shaking to its end as the timer would.
    bool tick_until_reveal();
    // Start prompt, count, start button, then the throws up to the reveal buttons.
    void shake(const QString& count);

private slots:
    void init();
    void cleanup();
    void opening_shows_only_the_waiting_controls();
    void controls_wear_their_fonts_and_colours_data();
    void controls_wear_their_fonts_and_colours();
    void a_turn_walks_through_the_phases();
    void start_button_replaces_empty_and_too_large_counts_data();
    void start_button_replaces_empty_and_too_large_counts();
    void pressing_start_again_restarts_the_throws();
    void count_lowered_during_the_shaking_ends_it_at_the_next_throw();
    void either_reveal_button_settles_for_the_last_throw_data();
    void either_reveal_button_settles_for_the_last_throw();
    void lists_and_tallies_follow_the_turns_in_order();
    void reopened_window_starts_empty_but_keeps_the_run_totals();
    void catalogue_opens_one_dice_window();
    void space_runs_the_next_step_the_buttons_offer();
    void right_click_opens_the_fairness_box_which_takes_the_phrase_until_the_shaking();
};

void TestDiceWindow::init() {
    state_ = DiceState{};
    open_window();
}

void TestDiceWindow::cleanup() {
    ui_.reset();
    window_.reset();
}

void TestDiceWindow::open_window(QList<int> draws, bool on_timer) {
    ui_.reset();
    window_.reset();
    random_ = std::make_unique<ScriptedRandom>(std::move(draws));
    window_ = std::make_unique<DiceWindow>(state_, *random_);
    window_->turn().set_timer_driven(on_timer);
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    ui_ = std::make_unique<DiceControls>(window_.get());
    QVERIFY(ui_->complete());
}

bool TestDiceWindow::tick_until_reveal() {
    DiceTurn& turn = window_->turn();
    for (int tick = 0; tick < 100000 && turn.phase() == DicePhase::shaking; ++tick) {
        turn.throw_once();
    }
    return ui_->dragon->isVisible();
}

void TestDiceWindow::shake(const QString& count) {
    QTest::mouseClick(ui_->prompt, Qt::LeftButton);
    type_count(ui_->count, count);
    QTest::mouseClick(ui_->start, Qt::LeftButton);
    QVERIFY(tick_until_reveal());
}

void TestDiceWindow::opening_shows_only_the_waiting_controls() {
    QCOMPARE(window_->windowTitle(), QStringLiteral("Vessmoor"));
    QCOMPARE(ui_->phase(), waiting);
    QCOMPARE(ui_->timer->interval(), 0);
    QCOMPARE(ui_->left_list->count(), 0);
    QCOMPARE(ui_->right_list->count(), 0);
    QCOMPARE(ui_->left_tally->text(), zero_tally);
    QCOMPARE(ui_->right_tally->text(), zero_tally);
    QCOMPARE(ui_->count->text(), QStringLiteral("1"));
    QCOMPARE(ui_->frame->title(), QStringLiteral(" 色子摇几次 "));
    for (const char* name :
         {"centre_mark", "dragon_mark", "tiger_mark", "rules_line", "maker_line"}) {
        auto* label = window_->findChild<QLabel*>(QString::fromUtf8(name));
        QVERIFY2(label != nullptr && label->isVisible(), name);
    }
    QCOMPARE(window_->findChild<QLabel*>(QStringLiteral("rules_line"))->text(),
             QStringLiteral("玩法：双方商定玩家位置-轮流为自己摇色子与选龙选虎"));
    QVERIFY(window_->findChild<QLabel*>(QStringLiteral("maker_line"))
                ->text()
                .startsWith(QStringLiteral("Ostrune ")));
    QCOMPARE(ui_->badge->geometry(), QRect(48, 64, 136, 128));
    QVERIFY(!ui_->badge->isEnabled());
}

void TestDiceWindow::controls_wear_their_fonts_and_colours_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("pixel_size");
    QTest::addColumn<bool>("italic");
    QTest::addColumn<bool>("kaiti");
    QTest::addColumn<QColor>("colour");
    const QColor pink(255, 80, 128);
    QTest::newRow("start prompt") << "start_prompt" << 29 << false << true << QColor(Qt::white);
    QTest::newRow("centre mark") << "centre_mark" << 96 << true << true << pink;
    QTest::newRow("dragon mark") << "dragon_mark" << 35 << true << true << pink;
    QTest::newRow("tiger mark") << "tiger_mark" << 35 << true << true << pink;
    QTest::newRow("dragon button") << "dragon_button" << 35 << false << false << QColor();
    QTest::newRow("tiger button") << "tiger_button" << 35 << false << false << QColor();
}

void TestDiceWindow::controls_wear_their_fonts_and_colours() {
    QFETCH(QString, name);
    QFETCH(int, pixel_size);
    QFETCH(bool, italic);
    QFETCH(bool, kaiti);
    QFETCH(QColor, colour);
    auto* control = window_->findChild<QWidget*>(name);
    QVERIFY(control != nullptr);
    control->ensurePolished();
    const QFontInfo face(control->font());
    QCOMPARE(face.pixelSize(), pixel_size);
    QVERIFY(face.bold());
    QCOMPARE(face.italic(), italic);
    if (kaiti) {
        QCOMPARE(face.family(), QStringLiteral("AR PL UKai CN"));
    }
    if (colour.isValid()) {
        QCOMPARE(control->palette().color(QPalette::WindowText), colour);
    }
}

void TestDiceWindow::a_turn_walks_through_the_phases() {
    // The one turn the real 1 ms timer shakes.
    open_window({1}, true);
    QTest::mouseClick(ui_->prompt, Qt::LeftButton);
    QCOMPARE(ui_->phase(), setting_up);
    type_count(ui_->count, QStringLiteral("40"));
    QTest::mouseClick(ui_->start, Qt::LeftButton);
    QCOMPARE(ui_->phase(), shaking + QStringList{"timer"});
    QCOMPARE(ui_->timer->interval(), 1);
    QVERIFY(wait_for_reveal(ui_->dragon));
    QCOMPARE(ui_->phase(), ready);
    QCOMPARE(state_.throws_made, 40);
    QCOMPARE(ui_->timer->interval(), 0);
    QTest::mouseClick(ui_->tiger, Qt::LeftButton);
    QCOMPARE(ui_->phase(), settled);
    // The next turn starts without the previous winner on show.
    QTest::mouseClick(ui_->prompt, Qt::LeftButton);
    QCOMPARE(ui_->phase(), setting_up);
}

void TestDiceWindow::start_button_replaces_empty_and_too_large_counts_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("throws");
    QTest::newRow("empty") << ""
                           << "1" << 1;
    QTest::newRow("1000 kept") << "1000"
                               << "1000" << 1000;
    QTest::newRow("1001") << "1001"
                          << "188" << 188;
    QTest::newRow("zero ends after one throw") << "0"
                                               << "0" << 1;
}

void TestDiceWindow::start_button_replaces_empty_and_too_large_counts() {
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(int, throws);
    QTest::mouseClick(ui_->prompt, Qt::LeftButton);
    type_count(ui_->count, typed);
    QCOMPARE(ui_->count->text(), typed);
    QTest::mouseClick(ui_->start, Qt::LeftButton);
    QCOMPARE(ui_->count->text(), shown);
    QVERIFY(tick_until_reveal());
    QCOMPARE(state_.throws_made, throws);
}

void TestDiceWindow::pressing_start_again_restarts_the_throws() {
    QTest::mouseClick(ui_->prompt, Qt::LeftButton);
    type_count(ui_->count, QStringLiteral("300"));
    QTest::mouseClick(ui_->start, Qt::LeftButton);
    for (int i = 0; i < 20; ++i) {
        window_->turn().throw_once();
    }
    QCOMPARE(state_.throws_made, 20);
    QTest::mouseClick(ui_->start, Qt::LeftButton);
    QCOMPARE(state_.throws_made, 0);
    QCOMPARE(ui_->phase(), shaking);
    QVERIFY(tick_until_reveal());
    QCOMPARE(state_.throws_made, 300);
}

void TestDiceWindow::count_lowered_during_the_shaking_ends_it_at_the_next_throw() {
    QTest::mouseClick(ui_->prompt, Qt::LeftButton);
    type_count(ui_->count, QStringLiteral("900"));
    QTest::mouseClick(ui_->start, Qt::LeftButton);
    for (int i = 0; i < 30; ++i) {
        window_->turn().throw_once();
    }
    // What is typed during the shaking is the count the next throw reads.
    type_count(ui_->count, QStringLiteral("5"));
    QCOMPARE(ui_->phase(), shaking);
    window_->turn().throw_once();
    QCOMPARE(ui_->phase(), ready);
    QCOMPARE(state_.throws_made, 31);
}

void TestDiceWindow::either_reveal_button_settles_for_the_last_throw_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<int>("badge_left");
    QTest::addColumn<QString>("left_word");
    QTest::addColumn<QString>("right_word");
    QTest::newRow("dragon, left wins") << "dragon_button" << 1 << 48 << "胜利"
                                       << "失败";
    QTest::newRow("tiger, left wins") << "tiger_button" << 1 << 48 << "胜利"
                                      << "失败";
    QTest::newRow("dragon, right wins") << "dragon_button" << 2 << 312 << "失败"
                                        << "胜利";
    QTest::newRow("tiger, right wins") << "tiger_button" << 2 << 312 << "失败"
                                       << "胜利";
}

void TestDiceWindow::either_reveal_button_settles_for_the_last_throw() {
    QFETCH(QString, button);
    QFETCH(int, outcome);
    QFETCH(int, badge_left);
    QFETCH(QString, left_word);
    QFETCH(QString, right_word);
    // Every throw but the third and last lands on the other side.
    open_window({3 - outcome, 3 - outcome, outcome});
    shake(QStringLiteral("3"));
    QTest::mouseClick(window_->findChild<QPushButton*>(button), Qt::LeftButton);
    QCOMPARE(ui_->badge->pos(), QPoint(badge_left, 64));
    QVERIFY(ui_->badge->isVisible());
    QCOMPARE(ui_->lines(ui_->left_list), QStringList{left_word});
    QCOMPARE(ui_->lines(ui_->right_list), QStringList{right_word});
    const bool left_won = outcome == 1;
    QCOMPARE(ui_->left_tally->text(),
             left_won ? QStringLiteral("胜利：1  失败：0") : QStringLiteral("胜利：0  失败：1"));
    QCOMPARE(ui_->right_tally->text(),
             left_won ? QStringLiteral("胜利：0  失败：1") : QStringLiteral("胜利：1  失败：0"));
}

void TestDiceWindow::lists_and_tallies_follow_the_turns_in_order() {
    open_window({1, 2, 1});
    const int badge_left[] = {48, 312, 48};
    for (const int left : badge_left) {
        shake(QStringLiteral("1"));
        QTest::mouseClick(ui_->dragon, Qt::LeftButton);
        QCOMPARE(ui_->badge->pos(), QPoint(left, 64));
    }
    QCOMPARE(ui_->lines(ui_->left_list), (QStringList{"胜利", "失败", "胜利"}));
    QCOMPARE(ui_->lines(ui_->right_list), (QStringList{"失败", "胜利", "失败"}));
    QCOMPARE(ui_->left_tally->text(), QStringLiteral("胜利：2  失败：1"));
    QCOMPARE(ui_->right_tally->text(), QStringLiteral("胜利：1  失败：2"));
}

void TestDiceWindow::reopened_window_starts_empty_but_keeps_the_run_totals() {
    open_window({1});
    for (int turn = 0; turn < 4; ++turn) {
        shake(QStringLiteral("1"));
        QTest::mouseClick(ui_->dragon, Qt::LeftButton);
    }
    // Closed in the middle of a shaking: its timer must go with it.
    window_->turn().set_timer_driven(true);
    QTest::mouseClick(ui_->prompt, Qt::LeftButton);
    type_count(ui_->count, QStringLiteral("1000"));
    QTest::mouseClick(ui_->start, Qt::LeftButton);
    QVERIFY(ui_->timer->isActive());
    window_->close();
    QVERIFY(!ui_->timer->isActive());

    open_window({1});
    QCOMPARE(ui_->phase(), waiting);
    QCOMPARE(ui_->left_list->count(), 0);
    QCOMPARE(ui_->right_list->count(), 0);
    QCOMPARE(ui_->left_tally->text(), zero_tally);
    QCOMPARE(ui_->right_tally->text(), zero_tally);
    QCOMPARE(ui_->count->text(), QStringLiteral("1"));
    shake(QStringLiteral("2"));
    QTest::mouseClick(ui_->tiger, Qt::LeftButton);
    QCOMPARE(ui_->lines(ui_->left_list), QStringList{"胜利"});
    QCOMPARE(ui_->lines(ui_->right_list), QStringList{"失败"});
    QCOMPARE(ui_->left_tally->text(), QStringLiteral("胜利：5  失败：0"));
    QCOMPARE(ui_->right_tally->text(), QStringLiteral("胜利：0  失败：5"));
}

void TestDiceWindow::catalogue_opens_one_dice_window() {
    cleanup();
    HostSettings offline;
    offline.is_online = [] { return 0; };
    AppState app(offline);
    CatalogueWindow catalogue(app);
    catalogue.show();
    // The catalogue's own tests press its buttons; here it opens the game as they do.
    catalogue.open_game(QStringLiteral("dice"));
    QPointer<QWidget> dice = catalogue.game_window(QStringLiteral("dice"));
    QVERIFY(qobject_cast<DiceWindow*>(dice.data()) != nullptr);
    QVERIFY(dice->isVisible());
    QCOMPARE(dice->windowTitle(), QStringLiteral("Vessmoor"));
    catalogue.open_game(QStringLiteral("dice"));
    QCOMPARE(catalogue.game_window(QStringLiteral("dice")), dice.data());
    const QWidgetList windows = QApplication::topLevelWidgets();
    QCOMPARE(std::count_if(windows.cbegin(), windows.cend(),
                           [](QWidget* w) { return qobject_cast<DiceWindow*>(w) != nullptr; }),
             1);
    dice->close();
    QTRY_VERIFY(dice.isNull());
}

void TestDiceWindow::space_runs_the_next_step_the_buttons_offer() {
    window_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    QTest::keyClick(window_.get(), Qt::Key_Space);
    QCOMPARE(ui_->phase(), setting_up);

    // Typed into the count box, the space still runs the step and the count stays as typed.
    type_count(ui_->count, QStringLiteral("1000"));
    QTest::keyClick(ui_->count, Qt::Key_Space);
    QCOMPARE(ui_->count->text(), QStringLiteral("1000"));
    QCOMPARE(ui_->phase(), shaking);
    window_->turn().throw_once();

    // While the dice shake a space neither restarts nor stops them.
    QTest::keyClick(ui_->count, Qt::Key_Space);
    QCOMPARE(state_.throws_made, 1);
    QCOMPARE(ui_->phase(), shaking);

    QVERIFY(tick_until_reveal());
    QTest::keyClick(window_.get(), Qt::Key_Space);
    QCOMPARE(ui_->phase(), settled);
    QCOMPARE(ui_->lines(ui_->left_list).size() + ui_->lines(ui_->right_list).size(), 2);

    QTest::keyClick(window_.get(), Qt::Key_Space);
    QCOMPARE(ui_->phase(), setting_up);
}

void TestDiceWindow::right_click_opens_the_fairness_box_which_takes_the_phrase_until_the_shaking() {
    const QPoint at(250, 40);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, window_->mapToGlobal(at));
    QApplication::sendEvent(window_.get(), &event);
    QTRY_VERIFY(qobject_cast<QMenu*>(QApplication::activePopupWidget()) != nullptr);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    QAction* fairness = nullptr;
    for (QAction* action : menu->actions()) {
        if (action->text() == QStringLiteral("公平验证")) {
            fairness = action;
        }
    }
    QVERIFY(fairness != nullptr);
    fairness->trigger();
    menu->close();

    auto* box = window_->findChild<QDialog*>(QStringLiteral("fairness_box"));
    QVERIFY(box != nullptr);
    QTRY_VERIFY(box->isVisible());
    auto* commitment = box->findChild<QLineEdit*>(QStringLiteral("commitment"));
    auto* phrase = box->findChild<QLineEdit*>(QStringLiteral("phrase_edit"));
    auto* use = box->findChild<QPushButton*>(QStringLiteral("phrase_button"));
    auto* revealed = box->findChild<QPlainTextEdit*>(QStringLiteral("revealed"));
    auto* command = box->findChild<QLineEdit*>(QStringLiteral("verify_command"));
    QVERIFY(commitment && phrase && use && revealed && command);
    QCOMPARE(commitment->text(), hex_text(window_->turn().commitment()));
    QVERIFY(command->text().isEmpty());

    QTest::keyClicks(phrase, QStringLiteral("laotie 666"));
    QTest::mouseClick(use, Qt::LeftButton);
    QCOMPARE(window_->turn().phrase(), QStringLiteral("laotie 666"));

    const QByteArray committed = window_->turn().commitment();
    QTest::mouseClick(ui_->prompt, Qt::LeftButton);
    type_count(ui_->count, QStringLiteral("3"));
    QTest::mouseClick(ui_->start, Qt::LeftButton);
    // Once the dice shake the phrase is fixed, and the box says so.
    QVERIFY(!use->isEnabled());
    QVERIFY(phrase->isReadOnly());
    QVERIFY(tick_until_reveal());
    QTest::mouseClick(ui_->dragon, Qt::LeftButton);

    // The settled turn's seed is out, with the command that checks it; the next one is
    // committed afresh.
    const DiceReveal& reveal = *window_->turn().last_reveal();
    QCOMPARE(draw_commitment(reveal.draw.seed), committed);
    QVERIFY(revealed->toPlainText().contains(hex_text(reveal.draw.seed)));
    QVERIFY(revealed->toPlainText().contains(QStringLiteral("laotie 666")));
    QCOMPARE(command->text(), dice_verify_command(reveal));
    QCOMPARE(commitment->text(), hex_text(window_->turn().commitment()));
    QVERIFY(use->isEnabled());
    QVERIFY(phrase->text().isEmpty());
}

QTEST_MAIN(TestDiceWindow)
#include "tst_dice_window.moc"
