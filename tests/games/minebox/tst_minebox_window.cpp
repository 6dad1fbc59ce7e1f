#include "games/minebox/board_model.h"
#include "games/minebox/board_view.h"
#include "games/minebox/mine_board.h"
#include "games/minebox/minebox_round.h"
#include "games/minebox/minebox_window.h"
#include "runtime/committed_random.h"
#include "shell/app_state.h"
#include "shell/catalogue_window.h"
#include "tests/support/scripted_random.h"

#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using namespace glimmer;
using glimmer::testing::ScriptedRandom;

namespace {

const QString starting_tally = QStringLiteral("空箱：0  踩雷：0");

// A window as the operator sees it, with the controls found by their names.
struct Fixture {
    explicit Fixture(QList<int> draws = {}) : random(std::move(draws)), window(tallies, random) {
        window.show();
        if (!QTest::qWaitForWindowExposed(&window)) {
            QTest::qFail("the window never showed", __FILE__, __LINE__);
        }
    }

    template <typename T> T* find(const char* name) {
        return window.findChild<T*>(QString::fromUtf8(name));
    }
    BoardView* board() { return find<BoardView>("box_list"); }
    QGroupBox* setup_panel() { return find<QGroupBox>("setup_panel"); }
    QGroupBox* owner_panel() { return find<QGroupBox>("owner_panel"); }
    QLabel* tally_label(int player) {
        return find<QLabel>(player == player_one ? "player_one_tally" : "player_two_tally");
    }

    void type_into(const char* field, const QString& text) {
        QLineEdit* edit = find<QLineEdit>(field);
        QTest::mouseClick(edit, Qt::LeftButton);
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
    }
    void press(const char* button) { QTest::mouseClick(find<QPushButton>(button), Qt::LeftButton); }
    void bury(const QString& boxes, const QString& mines) {
        type_into("box_count_edit", boxes);
        type_into("mine_count_edit", mines);
        press("bury_button");
    }

    QModelIndex box(int position) { return board()->model()->index(position, 0); }
    QString caption(int position) { return box(position).data().toString(); }
    int picture(int position) { return box(position).data(MineBoardModel::picture_role).toInt(); }
    int box_count() { return board()->model()->rowCount(); }

    void double_click_box(int position) {
        board()->scrollTo(box(position));
        const QPoint at = board()->visualRect(box(position)).center();
        QTest::mouseDClick(board()->viewport(), Qt::LeftButton, {}, at);
    }

    MineBoxTallies tallies;
    ScriptedRandom random;
    MineBoxWindow window;
};

} // namespace

class TestMineBoxWindow : public QObject {
    Q_OBJECT

private slots:
    void opening_shows_every_control_as_designed_data();
    void opening_shows_every_control_as_designed();
    void opening_shows_setup_over_an_empty_board_with_zero_tallies();
    void bury_with_starting_values_shows_five_closed_boxes_in_order();
    void rejected_bury_leaves_the_setup_panel_data();
    void rejected_bury_leaves_the_setup_panel();
    void digging_changes_the_picture_at_once_and_waits_for_a_player_data();
    void digging_changes_the_picture_at_once_and_waits_for_a_player();
    void crediting_player_two_rewrites_only_their_tally_and_the_caption();
    void board_is_locked_while_waiting();
    void double_clicking_an_opened_box_or_empty_space_shows_nothing();
    void reopening_from_the_catalogue_starts_afresh();
    void fairness_box_shows_the_commitment_then_the_seed_once_every_box_is_open();
};

void TestMineBoxWindow::opening_shows_every_control_as_designed_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("shown");
    const auto row = [](const char* name, QRect geometry, const QString& text, bool shown) {
        QTest::newRow(name) << QString::fromUtf8(name) << geometry << text << shown;
    };
    row("box_list", {17, 72, 464, 176}, {}, true);
    row("setup_panel", {144, 96, 200, 120}, QStringLiteral(" 中地雷得地雷 "), true);
    row("box_count_caption", {8, 21, 56, 24}, QStringLiteral("箱子数量："), true);
    row("box_count_edit", {66, 23, 120, 24}, QStringLiteral("5"), true);
    row("mine_count_caption", {8, 53, 80, 24}, QStringLiteral("地雷数量："), true);
    row("mine_count_edit", {66, 55, 120, 24}, QStringLiteral("2"), true);
    row("bury_button", {121, 82, 64, 32}, QStringLiteral("埋啦"), true);
    row("owner_panel", {144, 89, 224, 136}, QStringLiteral(" 此操作是？ "), false);
    row("player_one_button", {16, 57, 80, 32}, QStringLiteral("玩家一"), false);
    row("player_two_button", {124, 56, 80, 32}, QStringLiteral("玩家二"), false);
    row("player_one_tally", {100, 24, 140, 24}, starting_tally, true);
    row("player_two_tally", {256, 23, 140, 24}, starting_tally, true);
    row("rules_line", {6, 268, 346, 24},
        QStringLiteral("玩法：双方商定箱子地雷数量-埋雷-双击地雷-选择操作的玩家"), true);
}

void TestMineBoxWindow::opening_shows_every_control_as_designed() {
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QFETCH(QString, text);
    QFETCH(bool, shown);
    Fixture game;
    QWidget* control = game.window.findChild<QWidget*>(name);
    QVERIFY(control != nullptr);
    QCOMPARE(control->geometry(), geometry);
    QCOMPARE(control->isVisibleTo(&game.window), shown);
    if (auto* label = qobject_cast<QLabel*>(control)) {
        QCOMPARE(label->text(), text);
    } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        QCOMPARE(edit->text(), text);
    } else if (auto* button = qobject_cast<QPushButton*>(control)) {
        QCOMPARE(button->text(), text);
    } else if (auto* panel = qobject_cast<QGroupBox*>(control)) {
        QCOMPARE(panel->title(), text);
    }
}

void TestMineBoxWindow::opening_shows_setup_over_an_empty_board_with_zero_tallies() {
    MineBoxTallies tallies;
    tallies.player(player_one) = {3, 1};
    tallies.player(player_two) = {0, 2};
    ScriptedRandom random;
    MineBoxWindow window(tallies, random);
    QCOMPARE(window.windowTitle(), QStringLiteral("Krallow"));
    QCOMPARE(window.size(), QSize(500, 300));
    QCOMPARE(tallies.player(player_one).empty_count, 0);
    QCOMPARE(tallies.player(player_one).mine_count, 0);
    QCOMPARE(tallies.player(player_two).mine_count, 0);
    auto* board = window.findChild<BoardView*>(QStringLiteral("box_list"));
    QCOMPARE(board->model()->rowCount(), 0);
    QVERIFY(board->isEnabled());
    QCOMPARE(board->viewMode(), QListView::IconMode);
    QCOMPARE(board->iconSize(), QSize(30, 30));
    auto* studio = window.findChild<QLabel*>(QStringLiteral("maker_line"));
    QVERIFY(studio->text().startsWith(QStringLiteral("Ostrune ")));
    QVERIFY(studio->fontMetrics().horizontalAdvance(studio->text()) <= studio->width());
}

void TestMineBoxWindow::bury_with_starting_values_shows_five_closed_boxes_in_order() {
    Fixture game({4, 1});
    game.press("bury_button");
    QVERIFY(!game.setup_panel()->isVisible());
    QCOMPARE(game.box_count(), 5);
    int mines = 0;
    for (int p = 0; p < 5; ++p) {
        QCOMPARE(game.caption(p), QStringLiteral("%1号箱").arg(p + 1));
        QCOMPARE(game.picture(p), int(box_closed));
        QVERIFY(!game.box(p).data(Qt::DecorationRole).value<QIcon>().isNull());
        mines += game.box(p).data(MineBoardModel::mine_role).toInt();
        if (p > 0) {
            // Item order runs across the row.
            const QRect left = game.board()->visualRect(game.box(p - 1));
            const QRect right = game.board()->visualRect(game.box(p));
            QCOMPARE(right.top(), left.top());
            QVERIFY(right.left() > left.right());
        }
    }
    QCOMPARE(mines, 2);
    QCOMPARE(game.random.log, QStringList({"seed", "draw 1..5", "seed", "draw 1..4"}));
}

void TestMineBoxWindow::rejected_bury_leaves_the_setup_panel_data() {
    QTest::addColumn<QString>("boxes");
    QTest::addColumn<QString>("mines");
    QTest::newRow("3 mines in 3 boxes") << "3"
                                        << "3";
    QTest::newRow("more mines than boxes") << "5"
                                           << "7";
    QTest::newRow("box field emptied") << ""
                                       << "2";
    QTest::newRow("mine field emptied") << "5"
                                        << "";
}

void TestMineBoxWindow::rejected_bury_leaves_the_setup_panel() {
    QFETCH(QString, boxes);
    QFETCH(QString, mines);
    Fixture game;
    game.bury(boxes, mines);
    QVERIFY(game.setup_panel()->isVisible());
    QVERIFY(!game.owner_panel()->isVisible());
    QCOMPARE(game.box_count(), 0);
    QCOMPARE(game.find<QLineEdit>("box_count_edit")->text(), boxes);
    QCOMPARE(game.find<QLineEdit>("mine_count_edit")->text(), mines);
    QVERIFY(game.random.log.isEmpty());
    // The operator corrects the fields and tries again.
    game.bury(QStringLiteral("4"), QStringLiteral("1"));
    QVERIFY(!game.setup_panel()->isVisible());
    QCOMPARE(game.box_count(), 4);
}

void TestMineBoxWindow::digging_changes_the_picture_at_once_and_waits_for_a_player_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("picture");
    QTest::newRow("the mine") << 2 << int(box_mine);
    QTest::newRow("an empty box") << 4 << int(box_empty);
}

void TestMineBoxWindow::digging_changes_the_picture_at_once_and_waits_for_a_player() {
    QFETCH(int, position);
    QFETCH(int, picture);
    Fixture game({3}); // the one mine goes into box 3
    game.bury(QStringLiteral("5"), QStringLiteral("1"));
    game.double_click_box(position);
    QCOMPARE(game.picture(position), picture);
    QCOMPARE(game.caption(position), QStringLiteral("%1号箱").arg(position + 1));
    QVERIFY(game.owner_panel()->isVisible());
    QVERIFY(!game.board()->isEnabled());
    QCOMPARE(game.tally_label(player_one)->text(), starting_tally);
    QCOMPARE(game.tally_label(player_two)->text(), starting_tally);
}

void TestMineBoxWindow::crediting_player_two_rewrites_only_their_tally_and_the_caption() {
    Fixture game({3});
    game.bury(QStringLiteral("5"), QStringLiteral("1"));
    game.double_click_box(2);
    game.press("player_two_button");
    QCOMPARE(game.tally_label(player_two)->text(), QStringLiteral("空箱：0 踩雷：1"));
    QCOMPARE(game.tally_label(player_one)->text(), starting_tally);
    QCOMPARE(game.caption(2), QStringLiteral("属于玩家2"));
    QCOMPARE(game.picture(2), int(box_mine));
    QVERIFY(!game.owner_panel()->isVisible());
    QVERIFY(game.board()->isEnabled());

    // The board reacts again.
    game.double_click_box(0);
    QCOMPARE(game.picture(0), int(box_empty));
    game.press("player_one_button");
    QCOMPARE(game.tally_label(player_one)->text(), QStringLiteral("空箱：1 踩雷：0"));
    QCOMPARE(game.caption(0), QStringLiteral("属于玩家1"));
    QCOMPARE(game.tally_label(player_two)->text(), QStringLiteral("空箱：0 踩雷：1"));
}

void TestMineBoxWindow::board_is_locked_while_waiting() {
    Fixture game({3});
    game.bury(QStringLiteral("5"), QStringLiteral("1"));
    game.double_click_box(1);
    QCOMPARE(game.board()->selected_item(), 1);
    game.double_click_box(3);
    QCOMPARE(game.picture(3), int(box_closed));
    QCOMPARE(game.board()->selected_item(), 1);
    game.press("player_one_button");
    QCOMPARE(game.caption(1), QStringLiteral("属于玩家1"));
    QCOMPARE(game.caption(3), QStringLiteral("4号箱"));
    QCOMPARE(game.tallies.player(player_one).empty_count, 1);
}

void TestMineBoxWindow::double_clicking_an_opened_box_or_empty_space_shows_nothing() {
    Fixture game({3});
    game.bury(QStringLiteral("5"), QStringLiteral("1"));
    game.double_click_box(2);
    game.press("player_two_button");

    game.double_click_box(2);
    QVERIFY(!game.owner_panel()->isVisible());
    QVERIFY(game.board()->isEnabled());
    QCOMPARE(game.caption(2), QStringLiteral("属于玩家2"));
    QCOMPARE(game.picture(2), int(box_mine));
    QCOMPARE(game.tally_label(player_two)->text(), QStringLiteral("空箱：0 踩雷：1"));

    // Far right of the first row lies no box at all.
    const QPoint nowhere(game.board()->viewport()->width() - 3, 5);
    QTest::mouseDClick(game.board()->viewport(), Qt::LeftButton, {}, nowhere);
    QVERIFY(!game.owner_panel()->isVisible());
    for (const int p : {0, 1, 3, 4}) {
        QCOMPARE(game.picture(p), int(box_closed));
    }
}

void TestMineBoxWindow::reopening_from_the_catalogue_starts_afresh() {
    AppState state;
    CatalogueWindow catalogue(state);
    catalogue.show();
    // The catalogue's own tests press its buttons; here it opens the game as they do.
    const auto open = [&] {
        catalogue.open_game(QStringLiteral("minebox"));
        return catalogue.game_window(QStringLiteral("minebox"));
    };
    QPointer<QWidget> first = open();
    QVERIFY(qobject_cast<MineBoxWindow*>(first) != nullptr);
    QCOMPARE(open(), first.data()); // a second opening brings the same window forward

    QTest::mouseClick(first->findChild<QPushButton*>(QStringLiteral("bury_button")),
                      Qt::LeftButton);
    auto* board = first->findChild<BoardView*>(QStringLiteral("box_list"));
    QCOMPARE(board->model()->rowCount(), 5);
    const QPoint box = board->visualRect(board->model()->index(0, 0)).center();
    QTest::mouseDClick(board->viewport(), Qt::LeftButton, {}, box);
    QTest::mouseClick(first->findChild<QPushButton*>(QStringLiteral("player_one_button")),
                      Qt::LeftButton);
    // Credited once: the tally moved on.
    QVERIFY(first->findChild<QLabel*>(QStringLiteral("player_one_tally"))->text() !=
            starting_tally);

    first->close();
    QTRY_VERIFY(first.isNull());
    QWidget* second = open();
    QVERIFY(second != nullptr);
    QCOMPARE(second->findChild<QLabel*>(QStringLiteral("player_one_tally"))->text(),
             starting_tally);
    QVERIFY(second->findChild<QGroupBox*>(QStringLiteral("setup_panel"))->isVisible());
    QCOMPARE(second->findChild<QLineEdit*>(QStringLiteral("box_count_edit"))->text(),
             QStringLiteral("5"));
    QCOMPARE(second->findChild<BoardView*>(QStringLiteral("box_list"))->model()->rowCount(), 0);
    second->close();
}

void TestMineBoxWindow::fairness_box_shows_the_commitment_then_the_seed_once_every_box_is_open() {
    Fixture f({2});
    auto menu = f.window.context_menu();
    QCOMPARE(menu->actions().size(), 1);
    QCOMPARE(menu->actions().at(0)->text(), QStringLiteral("公平验证"));
    menu->actions().at(0)->trigger();
    auto* box = f.find<QDialog>("fairness_box");
    QVERIFY(box != nullptr && box->isVisible());
    auto* commitment = box->findChild<QLineEdit*>(QStringLiteral("commitment"));
    auto* use = box->findChild<QPushButton*>(QStringLiteral("phrase_button"));
    auto* revealed = box->findChild<QPlainTextEdit*>(QStringLiteral("revealed"));
    QVERIFY(commitment && use && revealed);
    QCOMPARE(commitment->text(), hex_text(f.window.round().commitment()));
    QVERIFY(use->isEnabled());

    f.bury(QStringLiteral("3"), QStringLiteral("1"));
    QVERIFY(!use->isEnabled());
    for (int position = 0; position < 3; ++position) {
        QVERIFY(!revealed->toPlainText().contains(QStringLiteral("种子")));
        f.double_click_box(position);
        f.press("player_one_button");
    }
    QVERIFY(f.window.round().revealed());
    const MineBoxReveal& reveal = *f.window.round().last_reveal();
    QVERIFY(revealed->toPlainText().contains(hex_text(reveal.draw.seed)));
    QVERIFY(revealed->toPlainText().contains(QStringLiteral("2号箱")));
}

QTEST_MAIN(TestMineBoxWindow)
#include "tst_minebox_window.moc"
