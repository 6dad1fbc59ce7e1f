#include "games/tally/tally_config.h"
#include "games/tally/tally_keeper.h"
#include "games/tally/tally_pk.h"
#include "games/tally/tally_setup_dialog.h"
#include "games/tally/tally_window.h"
#include "runtime/controls/lists.h"
#include "runtime/controls/transparent_label.h"
#include "runtime/desktop.h"
#include "runtime/files.h"
#include "runtime/text.h"
#include "runtime/windows.h"
#include "tests/support/message_box_answerer.h"
#include "tests/support/read_only.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

#include <sys/stat.h>

using namespace glimmer;

using glimmer::testing::MessageBoxAnswerer;
using glimmer::testing::ReadOnly;
using glimmer::testing::SeenBox;
using glimmer::testing::shown_notices;

namespace {

const QString site = QStringLiteral("http://glimmerhall.example");
const QStringList presets{"1", "9", "99", "999", "9999"};

QByteArray file_bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList rows(const ReportList* list) {
    QStringList texts;
    for (int i = 0; i < list_count(list); ++i) {
        texts << get_cell_text(list, i, 0);
    }
    return texts;
}

// One opened window over a temporary program folder, found and driven through its controls.
class Fixture {
public:
    explicit Fixture(const QByteArray& config_file = QByteArray()) {
        if (!config_file.isNull()) {
            QDir().mkpath(tally_config_folder(dir.path()));
            QFile file(tally_config_path(dir.path()));
            if (file.open(QIODevice::WriteOnly)) {
                file.write(config_file);
            }
        }
        window = new TallyWindow(config, dir.path(), site);
        window->show();
        window->activateWindow();
        (void)QTest::qWaitForWindowExposed(window);
    }
    ~Fixture() { delete window.data(); }

    template <typename T> T* find(const char* name) const {
        return window->findChild<T*>(QString::fromUtf8(name));
    }
    QLabel* total_one() const { return find<QLabel>("player_one_total"); }
    QLabel* total_two() const { return find<QLabel>("player_two_total"); }
    QLabel* flag() const { return find<QLabel>("leader_flag"); }
    QLabel* face() const { return find<QLabel>("trailer_face"); }
    QLabel* difference() const { return find<QLabel>("difference_line"); }
    QLabel* selected() const { return find<QLabel>("selected_player"); }
    QLineEdit* quantity() const { return find<QLineEdit>("amount_edit"); }
    ReportList* list(int player) const {
        return find<ReportList>(player == 1 ? "player_one_presets" : "player_two_presets");
    }
    QString config_path() const { return tally_config_path(dir.path()); }

    QPoint row_point(int player, int row) const {
        ReportList* l = list(player);
        return l->visualItemRect(l->topLevelItem(row)).center();
    }
    void click_row(int player, int row) const {
        QTest::mouseClick(list(player)->viewport(), Qt::LeftButton, {}, row_point(player, row));
    }
    void double_click_row(int player, int row) const {
        QTest::mouseDClick(list(player)->viewport(), Qt::LeftButton, {}, row_point(player, row));
    }
    void press_label(const char* name) const {
        QTest::mouseClick(find<QLabel>(name), Qt::LeftButton);
    }
    void type_quantity(const QString& text) const {
        quantity()->setFocus();
        quantity()->selectAll();
        QTest::keyClick(quantity(), Qt::Key_Backspace);
        QTest::keyClicks(quantity(), text);
    }
    void go() const { press_label("go_link"); }
    void enter() const { QTest::keyClick(quantity(), Qt::Key_Return); }

    QTemporaryDir dir;
    TallyConfig config;
    QPointer<TallyWindow> window;
};

} // namespace

class TallyWindowTest : public QObject {
    Q_OBJECT
private slots:
    // What a test's closed windows handed the history keeper is done before the next test,
    // and its notices go with it.
    void cleanup() {
        QVERIFY(TallyKeeper::instance().wait_until_idle(std::chrono::seconds(10)));
        QCoreApplication::processEvents();
        qDeleteAll(shown_notices());
    }
    void initTestCase();
    void opens_as_designed_with_the_fallback_configuration();
    void opening_shows_the_configured_names_lists_and_advert();
    void long_names_and_totals_are_cut_and_shown_whole_in_the_tip();
    void advert_font_size_is_in_points_data();
    void advert_font_size_is_in_points();
    void go_before_any_selection_adds_to_player_one();
    void double_clicking_99_twice_gives_player_two_the_lead();
    void equal_totals_hide_both_markers_and_keep_the_difference();
    void go_and_enter_skip_only_empty_and_zero_data();
    void go_and_enter_skip_only_empty_and_zero();
    void single_click_selects_the_player_and_copies_the_amount();
    void keyboard_moves_and_repeated_clicks_select_too();
    void double_click_below_the_rows_changes_nothing();
    void reinitialise_refills_lists_and_keeps_the_totals();
    void cancel_leaves_a_hand_edited_file_untouched();
    void reinitialise_that_cannot_write_says_where_and_why_data();
    void reinitialise_that_cannot_write_says_where_and_why();
    void a_bad_names_file_is_told_beside_the_restore_question_data();
    void a_bad_names_file_is_told_beside_the_restore_question();
    void close_label_destroys_the_window();
    void dragging_the_background_moves_the_window();
    void right_click_menu_opens_the_configuration_folder();
    void new_round_asks_first_and_keeps_the_finished_pk();
    void setup_dialog_refuses_what_gbk_cannot_hold_and_saves_the_rest();
    void history_window_over_a_damaged_file_tells_the_host();
};

void TallyWindowTest::initTestCase() {
    // The boxes these tests answer read as the host sees them.
    QVERIFY(load_qt_chinese());
}

void TallyWindowTest::opens_as_designed_with_the_fallback_configuration() {
    Fixture f;
    QCOMPARE(f.window->size(), QSize(500, 300));
    QVERIFY(f.window->windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(f.window->windowTitle(), QStringLiteral("Quorvane"));
    QCOMPARE(f.total_one()->text(), QStringLiteral("0"));
    QCOMPARE(f.total_two()->text(), QStringLiteral("0"));
    QCOMPARE(f.selected()->text(), QStringLiteral("一"));
    QCOMPARE(f.quantity()->text(), QStringLiteral("0"));
    QCOMPARE(f.difference()->text(), QStringLiteral("相差：0"));
    QVERIFY(f.flag()->isVisible() && f.face()->isVisible());
    QCOMPARE(f.flag()->geometry(), QRect(106, 126, 24, 24));
    QCOMPARE(f.face()->geometry(), QRect(107, 226, 24, 24));
    QVERIFY(!f.flag()->pixmap().isNull() && !f.face()->pixmap().isNull());
    QCOMPARE(f.find<QLabel>("maker_line")->toolTip(), "Ostrune " + site);
    QCOMPARE(f.find<QLabel>("close_link")->text(), QStringLiteral("×"));
    QCOMPARE(f.find<QLabel>("go_link")->text(), QStringLiteral("GO"));

    auto* hidden = f.find<QPushButton>("default_button");
    QVERIFY(hidden->isDefault());
    QCOMPARE(hidden->geometry(), QRect(520, 200, 80, 32));
    QVERIFY(!f.window->rect().intersects(hidden->geometry()));

    for (int player : {1, 2}) {
        ReportList* list = f.list(player);
        QCOMPARE(list->columnCount(), 1);
        QCOMPARE(list->headerItem()->text(0), QStringLiteral("数量"));
        QCOMPARE(list->columnWidth(0), 99);
    }

    // No configuration file: the fallback names and presets, and no file made.
    QCOMPARE(f.find<QLabel>("player_one_name")->text(), QStringLiteral("玩家1木有名字"));
    QCOMPARE(f.find<QLabel>("player_two_name")->text(), QStringLiteral("玩家2木有名字"));
    QCOMPARE(rows(f.list(1)), presets);
    QCOMPARE(rows(f.list(2)), presets);
    QCOMPARE(f.find<QPlainTextEdit>("advert_edit")->toPlainText(), QString());
    QVERIFY(!QFile::exists(f.config_path()));
}

void TallyWindowTest::opening_shows_the_configured_names_lists_and_advert() {
    Fixture f(default_tally_config(site));
    QCOMPARE(f.find<QLabel>("player_one_name")->text(), QStringLiteral("玩家一"));
    QCOMPARE(f.find<QLabel>("player_two_name")->text(), QStringLiteral("玩家二"));
    QCOMPARE(rows(f.list(1)), presets);
    QCOMPARE(rows(f.list(2)), presets);
    QCOMPARE(f.config.player_one_amounts, presets);
    const QString advert = f.find<QPlainTextEdit>("advert_edit")->toPlainText();
    QCOMPARE(advert.count('\n'), 4);
    QVERIFY(advert.startsWith(QStringLiteral("使用说明：\n")));
    QVERIFY(advert.endsWith(QStringLiteral("内容Ostrune\n") + site));
}

void TallyWindowTest::advert_font_size_is_in_points_data() {
    QTest::addColumn<QString>("size");
    QTest::addColumn<int>("points"); // 0: the box keeps its own size
    QTest::newRow("ten") << "10" << 10;
    QTest::newRow("large") << "24" << 24;
    QTest::newRow("zero keeps the box's size") << "0" << 0;
    QTest::newRow("negative keeps the box's size") << "-3" << 0;
    QTest::newRow("not a number keeps the box's size") << "big" << 0;
    // Sizes this large would draw nothing at all.
    QTest::newRow("largest int is clamped") << "2147483647" << max_advert_font_size;
    QTest::newRow("1e308 is clamped") << "1e308" << max_advert_font_size;
}

void TallyWindowTest::advert_font_size_is_in_points() {
    QFETCH(QString, size);
    QFETCH(int, points);
    Fixture f(default_tally_config(site).replace("=10", "=" + size.toLatin1()));
    const QFont font = f.find<QPlainTextEdit>("advert_edit")->font();
    QCOMPARE(font.pointSize(), points != 0 ? points : f.window->font().pointSize());
}

void TallyWindowTest::go_before_any_selection_adds_to_player_one() {
    Fixture f;
    f.type_quantity("25");
    f.go();
    QCOMPARE(f.total_one()->text(), QStringLiteral("25"));
    QCOMPARE(f.total_two()->text(), QStringLiteral("0"));
    QCOMPARE(f.flag()->y(), 126);
    QCOMPARE(f.face()->y(), 226);
    QCOMPARE(f.difference()->text(), QStringLiteral("相差：25"));
    QCOMPARE(f.quantity()->text(), QStringLiteral("0"));
}

void TallyWindowTest::double_clicking_99_twice_gives_player_two_the_lead() {
    Fixture f;
    f.type_quantity("5"); // whatever was typed, a double-click adds the row's amount
    f.double_click_row(2, 2);
    f.double_click_row(2, 2);
    QCOMPARE(f.total_one()->text(), QStringLiteral("0"));
    QCOMPARE(f.total_two()->text(), QStringLiteral("198"));
    QCOMPARE(f.selected()->text(), QStringLiteral("二"));
    QVERIFY(f.flag()->isVisible() && f.face()->isVisible());
    QCOMPARE(f.face()->pos(), QPoint(107, 126));
    QCOMPARE(f.flag()->pos(), QPoint(106, 226));
    QCOMPARE(f.difference()->text(), QStringLiteral("相差：198"));
    QCOMPARE(f.quantity()->text(), QStringLiteral("0"));
}

void TallyWindowTest::equal_totals_hide_both_markers_and_keep_the_difference() {
    Fixture f;
    f.double_click_row(2, 2);
    f.double_click_row(2, 2);
    f.click_row(1, 0);
    f.type_quantity("198");
    f.go();
    QCOMPARE(f.total_one()->text(), QStringLiteral("198"));
    QVERIFY(f.flag()->isHidden() && f.face()->isHidden());
    QCOMPARE(f.difference()->text(), QStringLiteral("相差：198"));
    QCOMPARE(f.quantity()->text(), QStringLiteral("198"));

    // A double-click after a tie shows the markers again and always resets the box.
    f.double_click_row(1, 0);
    QVERIFY(f.flag()->isVisible() && f.face()->isVisible());
    QCOMPARE(f.flag()->y(), 126);
    QCOMPARE(f.difference()->text(), QStringLiteral("相差：1"));
    f.double_click_row(2, 0);
    QVERIFY(f.flag()->isHidden());
    QCOMPARE(f.quantity()->text(), QStringLiteral("0"));
}

void TallyWindowTest::go_and_enter_skip_only_empty_and_zero_data() {
    QTest::addColumn<bool>("with_enter");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("ahead"); // player one 10 : 5 before, or 0 : 0
    QTest::addColumn<QString>("total_one");
    QTest::addColumn<bool>("markers");
    QTest::addColumn<QString>("difference");
    QTest::addColumn<QString>("box_after");
    for (const bool enter : {false, true}) {
        const QByteArray how = enter ? "enter " : "go ";
        auto row = [&](const char* name, const QString& typed, bool ahead, const QString& total,
                       bool markers, const QString& difference, const QString& box) {
            QTest::newRow(how + name)
                << enter << typed << ahead << total << markers << difference << box;
        };
        row("empty", "", false, "0", true, "相差：0", "");
        row("zero", "0", false, "0", true, "相差：0", "0");
        row("double zero at a tie", "00", false, "0", false, "相差：0", "00");
        row("double zero when ahead", "00", true, "10", true, "相差：5", "0");
        row("blank zero when ahead", " 0", true, "10", true, "相差：5", "0");
        row("amount", "7", false, "7", true, "相差：7", "0");
        row("words add nothing", "abc", true, "10", true, "相差：5", "0");
    }
}

void TallyWindowTest::go_and_enter_skip_only_empty_and_zero() {
    QFETCH(bool, with_enter);
    QFETCH(QString, typed);
    QFETCH(bool, ahead);
    Fixture f;
    if (ahead) {
        f.type_quantity("10");
        f.go();
        f.click_row(2, 0);
        f.type_quantity("5");
        f.go();
        f.click_row(1, 0);
    }
    f.type_quantity(typed);
    with_enter ? f.enter() : f.go();
    QTEST(f.total_one()->text(), "total_one");
    QCOMPARE(f.total_two()->text(), QString(ahead ? "5" : "0"));
    QTEST(f.flag()->isVisible(), "markers");
    QTEST(f.face()->isVisible(), "markers");
    QTEST(f.difference()->text(), "difference");
    QTEST(f.quantity()->text(), "box_after");
    QCOMPARE(f.flag()->y(), 126);
}

void TallyWindowTest::single_click_selects_the_player_and_copies_the_amount() {
    Fixture f;
    f.click_row(2, 3);
    QCOMPARE(f.selected()->text(), QStringLiteral("二"));
    QCOMPARE(f.quantity()->text(), QStringLiteral("999"));
    QCOMPARE(f.total_two()->text(), QStringLiteral("0"));
    f.type_quantity("12");
    f.go();
    QCOMPARE(f.total_two()->text(), QStringLiteral("12"));
    QCOMPARE(f.total_one()->text(), QStringLiteral("0"));
    f.click_row(1, 1);
    QCOMPARE(f.selected()->text(), QStringLiteral("一"));
    QCOMPARE(f.quantity()->text(), QStringLiteral("9"));
    f.enter();
    QCOMPARE(f.total_one()->text(), QStringLiteral("9"));
    QCOMPARE(f.difference()->text(), QStringLiteral("相差：3"));
}

void TallyWindowTest::keyboard_moves_and_repeated_clicks_select_too() {
    Fixture f;
    f.click_row(2, 0);
    f.type_quantity("55");
    f.click_row(2, 0); // the row already selected
    QCOMPARE(f.quantity()->text(), QStringLiteral("1"));
    f.list(2)->setFocus();
    QTest::keyClick(f.list(2), Qt::Key_Down);
    QCOMPARE(f.quantity()->text(), QStringLiteral("9"));
    QTest::keyClick(f.list(2), Qt::Key_End);
    QCOMPARE(f.quantity()->text(), QStringLiteral("9999"));
    QCOMPARE(f.selected()->text(), QStringLiteral("二"));
    // Enter in the list acts as the hidden default button.
    QTest::keyClick(f.list(2), Qt::Key_Return);
    QCOMPARE(f.total_two()->text(), QStringLiteral("9999"));
}

void TallyWindowTest::long_names_and_totals_are_cut_and_shown_whole_in_the_tip() {
    const QString long_name = QStringLiteral("🎮小鹿今晚不下播冲冲冲🎉"); // 12 characters
    Fixture f(
        QByteArray("\xEF\xBB\xBF") +
        (QStringLiteral("[玩家1]\r\n名字=") + long_name + "\r\n[玩家2]\r\n名字=阿强\r\n").toUtf8());
    f.type_quantity("99999999999");
    f.go();
    for (QLabel* label : {f.find<QLabel>("player_one_name"), f.total_one()}) {
        const QString whole = label->accessibleName();
        QVERIFY2(label->text().endsWith(u'…'), qPrintable(label->text()));
        QVERIFY(whole.startsWith(label->text().chopped(1)));
        QCOMPARE(label->toolTip(), whole);
        QVERIFY(label->fontMetrics().horizontalAdvance(label->text()) <= label->width());
    }
    QCOMPARE(f.find<QLabel>("player_one_name")->accessibleName(), long_name);
    QCOMPARE(f.total_one()->accessibleName(), QStringLiteral("99999999999"));
    // What fits is shown as it is, with no tip.
    QCOMPARE(f.find<QLabel>("player_two_name")->text(), QStringLiteral("阿强"));
    QCOMPARE(f.find<QLabel>("player_two_name")->toolTip(), QString());
}

void TallyWindowTest::double_click_below_the_rows_changes_nothing() {
    Fixture f;
    ReportList* list = f.list(1);
    const QPoint below(list->viewport()->width() / 2, list->viewport()->height() - 3);
    QVERIFY(!list->indexAt(below).isValid());
    f.type_quantity("42");
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, below);
    QCOMPARE(f.total_one()->text(), QStringLiteral("0"));
    QCOMPARE(f.quantity()->text(), QStringLiteral("42"));
    QVERIFY(f.flag()->isVisible());
    QCOMPARE(f.flag()->y(), 126);

    // An empty list offers no row at all.
    Fixture empty(to_gbk(QStringLiteral("[玩家1]\r\n数量=\r\n")));
    QCOMPARE(list_count(empty.list(1)), 0);
    QTest::mouseDClick(empty.list(1)->viewport(), Qt::LeftButton, {}, QPoint(20, 10));
    QCOMPARE(empty.total_one()->text(), QStringLiteral("0"));
    QCOMPARE(empty.difference()->text(), QStringLiteral("相差：0"));
}

void TallyWindowTest::reinitialise_refills_lists_and_keeps_the_totals() {
    Fixture f(QByteArray("[\xcd\xe6\xbc\xd2"
                         "1]\r\n\xc3\xfb\xd7\xd6=A\r\n\xca\xfd\xc1\xbf=7+8"));
    QCOMPARE(rows(f.list(1)), (QStringList{"7", "8"}));
    f.type_quantity("10");
    f.go();
    f.click_row(2, 0);
    f.type_quantity("5");
    f.go();
    f.click_row(2, 1);

    const MessageBoxAnswerer answerer(QMessageBox::Ok);
    f.press_label("maker_line");
    QCOMPARE(answerer.seen().size(), 1);
    QCOMPARE(answerer.seen()[0].title, QStringLiteral("初始化提示"));
    QCOMPARE(answerer.seen()[0].text,
             QStringLiteral("--------【谨慎操作】--------------【谨慎操作】------\r\n"
                            "是否初始化[Quorvane]游戏的配置文件？"
                            "如果配置文件丢失或损坏可以执行此操作！"));
    QCOMPARE(answerer.seen()[0].icon, QMessageBox::Question);

    QCOMPARE(file_bytes(f.config_path()), default_tally_config(site));
    QCOMPARE(rows(f.list(1)), presets);
    QCOMPARE(rows(f.list(2)), presets);
    QCOMPARE(f.find<QLabel>("player_one_name")->text(), QStringLiteral("玩家一"));
    QCOMPARE(f.find<QLabel>("player_two_name")->text(), QStringLiteral("玩家二"));
    QCOMPARE(f.total_one()->text(), QStringLiteral("10"));
    QCOMPARE(f.total_two()->text(), QStringLiteral("5"));
    QCOMPARE(f.flag()->y(), 126);
    QCOMPARE(f.face()->y(), 226);
    QCOMPARE(f.difference()->text(), QStringLiteral("相差：5"));
    QCOMPARE(f.selected()->text(), QStringLiteral("二"));
    QCOMPARE(f.quantity()->text(), QStringLiteral("9"));

    // A second re-initialise gives the same rows again, not twice as many.
    const MessageBoxAnswerer again(QMessageBox::Ok);
    f.press_label("maker_line");
    QCOMPARE(again.seen().size(), 1);
    QCOMPARE(rows(f.list(1)), presets);
    QCOMPARE(rows(f.list(2)), presets);
}

void TallyWindowTest::cancel_leaves_a_hand_edited_file_untouched() {
    const QByteArray edited = "[\xcd\xe6\xbc\xd2"
                              "2]\r\n\xca\xfd\xc1\xbf=3\r\n; mine";
    Fixture f(edited);
    const MessageBoxAnswerer answerer(QMessageBox::Cancel);
    f.press_label("maker_line");
    QCOMPARE(answerer.seen().size(), 1);
    QCOMPARE(file_bytes(f.config_path()), edited);
    QCOMPARE(rows(f.list(2)), QStringList{"3"});
    QCOMPARE(f.find<QLabel>("player_two_name")->text(), QStringLiteral("玩家2木有名字"));
}

void TallyWindowTest::reinitialise_that_cannot_write_says_where_and_why_data() {
    QTest::addColumn<QString>("blocked"); // what is made unwritable
    QTest::newRow("a file where the folder belongs") << "folder is a file";
    QTest::newRow("read-only configuration folder") << "folder";
    QTest::newRow("read-only configuration file") << "file";
    QTest::newRow("read-only program folder") << "program folder";
}

void TallyWindowTest::reinitialise_that_cannot_write_says_where_and_why() {
    QFETCH(QString, blocked);
    const QByteArray edited = to_gbk(QStringLiteral("[玩家1]\r\n名字=阿明\r\n数量=7"));
    const bool has_file = blocked == u"folder" || blocked == u"file";
    Fixture f(has_file ? edited : QByteArray());
    const QString folder = tally_config_folder(f.dir.path()).chopped(1);
    QFile blocker(folder);
    if (blocked == u"folder is a file") {
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
    }
    std::unique_ptr<ReadOnly> read_only;
    if (blocked != u"folder is a file") {
        read_only = std::make_unique<ReadOnly>(blocked == u"file"     ? f.config_path()
                                               : blocked == u"folder" ? folder
                                                                      : f.dir.path());
        if (!read_only->ok()) {
            QSKIP("this file system cannot make a file read-only for root");
        }
    }
    f.type_quantity("3");
    f.go();

    const MessageBoxAnswerer answerer({QMessageBox::Ok, QMessageBox::Ok});
    f.press_label("maker_line");
    QCOMPARE(answerer.seen().size(), 2);
    const SeenBox& told = answerer.seen()[1];
    QCOMPARE(told.icon, QMessageBox::Critical);
    QVERIFY2(told.text.contains(has_file ? f.config_path() : folder), qPrintable(told.text));
    // The system's reason follows the path on a line of its own.
    QVERIFY(!told.text.section(QStringLiteral("\r\n"), 2).trimmed().isEmpty());
    QVERIFY(QApplication::activeModalWidget() == nullptr);

    // The old file is whole and still what the window shows; the totals stay.
    if (has_file) {
        QCOMPARE(file_bytes(f.config_path()), edited);
        QCOMPARE(f.find<QLabel>("player_one_name")->text(), QStringLiteral("阿明"));
    } else {
        QCOMPARE(f.find<QLabel>("player_one_name")->text(), QStringLiteral("玩家1木有名字"));
    }
    QCOMPARE(f.total_one()->text(), QStringLiteral("3"));
}

void TallyWindowTest::a_bad_names_file_is_told_beside_the_restore_question_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("name"); // player one's name as the window shows it
    const QString fallback = QStringLiteral("玩家1木有名字");
    QTest::newRow("fifo") << "fifo" << fallback;
    QTest::newRow("over a mebibyte") << "large" << fallback;
    QTest::newRow("utf-8") << "utf8" << QStringLiteral("阿明");
    QTest::newRow("utf-16 with its mark") << "utf16" << QStringLiteral("阿明");
    QTest::newRow("binary") << "binary" << fallback;
}

void TallyWindowTest::a_bad_names_file_is_told_beside_the_restore_question() {
    QFETCH(QString, kind);
    QFETCH(QString, name);
    QTemporaryDir dir;
    QVERIFY(QDir().mkpath(tally_config_folder(dir.path())));
    const QString path = tally_config_path(dir.path());
    const QString names = QStringLiteral("[玩家1]\r\n名字=阿明\r\n");
    QByteArray bytes = default_tally_config(site);
    if (kind == u"fifo") {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else {
        if (kind == u"large") {
            bytes.append(IniFile::default_max_bytes, '+');
        } else if (kind == u"utf8") {
            bytes = names.toUtf8();
        } else if (kind == u"utf16") {
            bytes = QByteArray("\xFF\xFE") +
                    QByteArray(reinterpret_cast<const char*>(names.utf16()), names.size() * 2);
        } else {
            bytes = QByteArray("\x00\x01[\xFF\xFE\x00", 7).repeated(50);
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    // A PK a killed program left: its question comes too.
    QFile left(journal_path(tally_config_folder(dir.path()), 1));
    QVERIFY(left.open(QIODevice::WriteOnly));
    left.write(journal_line({JournalEvent::Kind::addition, QDateTime::currentDateTime(), 1,
                             QStringLiteral("甲"), QStringLiteral("7")}));
    left.close();

    TallyConfig config;
    const MessageBoxAnswerer answerer(QMessageBox::Ok);
    TallyWindow window(config, dir.path(), site);
    window.show();
    // The notice blocks nothing; the question is the one box that waits, over this window.
    QTRY_COMPARE(answerer.seen().size(), 1);
    QVERIFY(answerer.seen()[0].text.contains(QStringLiteral("7 : 0")));
    QTRY_COMPARE(window.pk().board().total_one, QStringLiteral("7"));
    QCOMPARE(shown_notices().size(), 1);
    QVERIFY(shown_notices()[0]->text().contains(path));
    QCOMPARE(window.findChild<QLabel*>(QStringLiteral("player_one_name"))->text(), name);
    QCOMPARE(rows(window.findChild<ReportList*>(QStringLiteral("player_one_presets"))), presets);
    if (kind != u"fifo") {
        QCOMPARE(file_bytes(path), bytes); // what the program could not use is left as it was
    }
    // Said once per opening, not again for every load.
    window.pk().load_config();
    QCoreApplication::processEvents();
    QCOMPARE(shown_notices().size(), 1);
    qDeleteAll(shown_notices());
    window.close();
    QVERIFY(TallyKeeper::instance().wait_until_idle(std::chrono::seconds(10)));
}

void TallyWindowTest::close_label_destroys_the_window() {
    Fixture f;
    f.press_label("close_link");
    QTRY_VERIFY(f.window.isNull());
}

void TallyWindowTest::dragging_the_background_moves_the_window() {
    Fixture f;
    f.window->move(100, 100);
    const QPoint start = f.window->pos();
    const QPoint grip(250, 20); // the top band, where no control sits
    QVERIFY(f.window->childAt(grip) == nullptr);
    auto send = [&](QEvent::Type type, QPoint local, Qt::MouseButtons buttons) {
        QMouseEvent event(type, local, f.window->mapToGlobal(local), Qt::LeftButton, buttons,
                          Qt::NoModifier);
        QApplication::sendEvent(f.window, &event);
    };
    send(QEvent::MouseButtonPress, grip, Qt::LeftButton);
    send(QEvent::MouseMove, grip + QPoint(30, 40), Qt::LeftButton);
    QCOMPARE(f.window->pos(), start + QPoint(30, 40));
    send(QEvent::MouseButtonRelease, grip + QPoint(30, 40), Qt::NoButton);
    const QPoint after = f.window->pos();
    send(QEvent::MouseMove, grip + QPoint(90, 90), Qt::NoButton);
    QCOMPARE(f.window->pos(), after);
}

void TallyWindowTest::right_click_menu_opens_the_configuration_folder() {
    Fixture f; // no configuration file yet, so no folder either
    QStringList opened;
    set_folder_opener([&opened](const QString& path) { opened << path; });
    const QPoint at(250, 150);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, f.window->mapToGlobal(at));
    QApplication::sendEvent(f.window, &event);
    QTRY_VERIFY(qobject_cast<QMenu*>(QApplication::activePopupWidget()) != nullptr);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    QAction* open = nullptr;
    for (QAction* action : menu->actions()) {
        if (action->text() == QStringLiteral("打开配置文件夹")) {
            open = action;
        }
    }
    QVERIFY(open != nullptr);
    open->trigger();
    menu->close();
    set_folder_opener({});
    QCOMPARE(opened, QStringList{QDir::cleanPath(tally_config_folder(f.dir.path()))});
    QVERIFY(QFileInfo(opened.value(0)).isDir());
}

void TallyWindowTest::new_round_asks_first_and_keeps_the_finished_pk() {
    Fixture f;
    f.type_quantity(QStringLiteral("12"));
    f.go();
    {
        MessageBoxAnswerer answerer(QMessageBox::Cancel);
        f.window->new_round();
        QCOMPARE(answerer.seen().size(), 1);
        QStringList buttons = answerer.seen()[0].button_texts;
        buttons.sort();
        QCOMPARE(buttons, QStringList({"取消", "确定"}));
    }
    QCOMPARE(f.total_one()->text(), QStringLiteral("12"));
    QVERIFY(f.window->pk().archive().list().isEmpty());
    {
        MessageBoxAnswerer answerer(QMessageBox::Ok);
        f.window->new_round();
        QCOMPARE(answerer.seen().size(), 1);
    }
    QVERIFY(f.window->isVisible());
    QCOMPARE(f.total_one()->text() + ':' + f.total_two()->text(), QStringLiteral("0:0"));
    QCOMPARE(f.difference()->text(), QStringLiteral("相差：0"));
    QVERIFY(TallyKeeper::instance().wait_until_idle(std::chrono::seconds(10)));
    QCOMPARE(f.window->pk().archive().list().size(), 1);
    // Nothing added yet: nothing to lose, so no question.
    MessageBoxAnswerer none(QMessageBox::Ok);
    f.window->new_round();
    QCOMPARE(none.seen().size(), 0);
}

void TallyWindowTest::setup_dialog_refuses_what_gbk_cannot_hold_and_saves_the_rest() {
    Fixture f(default_tally_config(site));
    MessageBoxAnswerer answerer(QMessageBox::Ok);
    QString save_text;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<TallySetupDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog != nullptr);
        auto* name = dialog->findChild<QLineEdit*>("name_one_edit");
        QCOMPARE(name->text(), QStringLiteral("玩家一"));
        QPushButton* save =
            dialog->findChild<QDialogButtonBox*>("button_box")->button(QDialogButtonBox::Save);
        save_text = save->text();
        auto* note = dialog->findChild<QLabel*>("encoding_note");
        QVERIFY(!note->isVisibleTo(dialog));
        name->setText(QStringLiteral("小鹿🎮")); // taken, in UTF-8, and said so
        QVERIFY(note->isVisibleTo(dialog));
        name->setText(QStringLiteral(" "));
        QTest::mouseClick(save, Qt::LeftButton); // refused: the dialog stays
        QVERIFY(dialog->isVisible());
        name->setText(QStringLiteral("小鹿"));
        QVERIFY(!note->isVisibleTo(dialog));
        dialog->findChild<QListWidget*>("amounts_one_list")->setCurrentRow(4);
        QTest::mouseClick(dialog->findChild<QPushButton*>("up_one_button"), Qt::LeftButton);
        QTest::mouseClick(save, Qt::LeftButton);
    });
    const QByteArray before = file_bytes(f.config_path());
    f.window->edit_settings();
    QCOMPARE(save_text, QStringLiteral("保存"));
    QCOMPARE(answerer.seen().size(), 1);
    QVERIFY(answerer.seen()[0].text.contains(QStringLiteral("不能为空")));
    QVERIFY(file_bytes(f.config_path()) != before);
    QVERIFY(file_bytes(f.config_path()).contains(to_gbk(QStringLiteral("名字=小鹿\r\n"))));
    QCOMPARE(f.find<QLabel>("player_one_name")->text(), QStringLiteral("小鹿"));
    QCOMPARE(rows(f.list(1)), QStringList({"1", "9", "99", "9999", "999"}));
    QCOMPARE(rows(f.list(2)), presets);
}

void TallyWindowTest::history_window_over_a_damaged_file_tells_the_host() {
    Fixture f;
    QVERIFY(QDir().mkpath(tally_config_folder(f.dir.path())));
    QFile damaged(tally_archive_path(f.dir.path()));
    QVERIFY(damaged.open(QIODevice::WriteOnly));
    damaged.write("not a database");
    damaged.close();
    const auto shown_box = []() -> QMessageBox* {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<QMessageBox*>(top); box != nullptr && box->isVisible()) {
                return box;
            }
        }
        return nullptr;
    };
    f.window->show_history();
    QTRY_VERIFY(shown_box() != nullptr);
    QMessageBox* notice = shown_box();
    QVERIFY(notice->text().contains(QStringLiteral("history.sqlite.damaged-")));
    notice->close();
}

QTEST_MAIN(TallyWindowTest)
#include "tst_tally_window.moc"
