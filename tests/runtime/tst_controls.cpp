#include "runtime/controls/lists.h"
#include "runtime/controls/picture_button.h"
#include "runtime/controls/transparent_label.h"
#include "runtime/fairness_box.h"
#include "runtime/overlay_server.h"
#include "runtime/windows.h"
#include "tests/support/message_box_answerer.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

using namespace glimmer;
using glimmer::testing::MessageBoxAnswerer;

namespace {

QPixmap plain_face(const QColor& colour) {
    QPixmap face(40, 50);
    face.fill(colour);
    return face;
}

QRect row_rect(ReportList& list, int row) {
    return list.visualItemRect(list.topLevelItem(row));
}

} // namespace

class ControlsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void transparent_label_reports_left_presses_only();
    void transparent_label_lets_the_backdrop_show();
    void picture_button_shows_the_hover_face_under_the_pointer();
    void picture_button_loads_a_hover_face_file_when_needed();
    void picture_button_is_named_for_accessibility();
    void report_list_cells_and_values();
    void report_list_ignores_out_of_range_items_data();
    void report_list_ignores_out_of_range_items();
    void report_list_reports_clicks_on_the_selected_row();
    void report_list_reports_keyboard_moves_and_double_clicks();
    void list_box_appends_lines();
    void message_box_answers_data();
    void message_box_answers();
    void message_box_buttons_read_chinese_data();
    void message_box_buttons_read_chinese();
    void end_program_handler_replaces_the_exit();
    void fairness_box_gives_the_verify_page_as_a_whole_address();
    void windows_open_beside_never_on_top_data();
    void windows_open_beside_never_on_top();
};

void ControlsTest::transparent_label_reports_left_presses_only() {
    TransparentLabel label;
    label.setText(QStringLiteral("GO"));
    label.resize(40, 20);
    QSignalSpy pressed(&label, &TransparentLabel::left_pressed);
    QTest::mouseClick(&label, Qt::RightButton);
    QCOMPARE(pressed.count(), 0);
    QTest::mouseClick(&label, Qt::LeftButton);
    QCOMPARE(pressed.count(), 1);
}

void ControlsTest::transparent_label_lets_the_backdrop_show() {
    QWidget window;
    window.resize(60, 30);
    window.setAutoFillBackground(true);
    QPalette backdrop = window.palette();
    backdrop.setColor(QPalette::Window, QColor(60, 63, 68));
    window.setPalette(backdrop);
    auto* label = new TransparentLabel(&window);
    label->setGeometry(0, 0, 60, 30);
    label->setText(QStringLiteral("█"));
    QFont font = label->font();
    font.setPixelSize(20);
    label->setFont(font);
    const QImage shot = window.grab().toImage();
    // The corner away from the text shows the window's colour, the glyph is white.
    QCOMPARE(QColor(shot.pixel(58, 28)), QColor(60, 63, 68));
    bool white_seen = false;
    for (int x = 0; x < 30 && !white_seen; ++x) {
        for (int y = 0; y < 30 && !white_seen; ++y) {
            white_seen = QColor(shot.pixel(x, y)) == QColor(Qt::white);
        }
    }
    QVERIFY(white_seen);
}

void ControlsTest::picture_button_shows_the_hover_face_under_the_pointer() {
    PictureButton button;
    button.setNormalFace(plain_face(Qt::red));
    button.setHoverFace(plain_face(Qt::blue));
    button.resize(40, 50);
    QCOMPARE(QColor(button.grab().toImage().pixel(5, 5)), QColor(Qt::red));
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(&button, &enter);
    QVERIFY(button.pointer_over());
    QCOMPARE(QColor(button.grab().toImage().pixel(5, 5)), QColor(Qt::blue));
    // Pressing keeps the face: there is no pressed face.
    button.setDown(true);
    QCOMPARE(QColor(button.grab().toImage().pixel(5, 5)), QColor(Qt::blue));
    button.setDown(false);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&button, &leave);
    QCOMPARE(QColor(button.grab().toImage().pixel(5, 5)), QColor(Qt::red));
}

void ControlsTest::picture_button_loads_a_hover_face_file_when_needed() {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("hover.png"));
    QVERIFY(plain_face(Qt::green).save(file));
    PictureButton button;
    button.setNormalFace(plain_face(Qt::red));
    button.setHoverFaceFile(file);
    button.resize(40, 50);
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(&button, &enter);
    QCOMPARE(QColor(button.grab().toImage().pixel(5, 5)), QColor(Qt::green));
    // A missing file falls back to the normal face rather than a blank button.
    button.setHoverFaceFile(dir.filePath(QStringLiteral("missing.png")));
    QCOMPARE(QColor(button.grab().toImage().pixel(5, 5)), QColor(Qt::red));
}

void ControlsTest::picture_button_is_named_for_accessibility() {
    PictureButton button;
    button.setText(QStringLiteral("Quorvane"));
    QSignalSpy clicked(&button, &QAbstractButton::clicked);
    button.resize(40, 50);
    QTest::mouseClick(&button, Qt::LeftButton);
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(button.text(), QStringLiteral("Quorvane"));
}

void ControlsTest::report_list_cells_and_values() {
    ReportList list;
    list.setColumnCount(2);
    list.set_pictures({QIcon(plain_face(Qt::gray)), QIcon(plain_face(Qt::green))});
    QCOMPARE(list_count(&list), 0);
    QCOMPARE(list_append(&list), 0);
    QCOMPARE(list_append(&list), 1);
    QCOMPARE(list_count(&list), 2);
    QCOMPARE(get_cell_text(&list, 1, 0), QString());
    QCOMPARE(get_cell_picture(&list, 1, 0), 0);
    QCOMPARE(get_item_value(&list, 1), qint64{0});
    set_cell_text(&list, 1, 0, QStringLiteral("2号箱"));
    set_cell_text(&list, 1, 1, QStringLiteral("second column"));
    set_cell_picture(&list, 1, 0, 1);
    set_item_value(&list, 1, 7);
    QCOMPARE(get_cell_text(&list, 1, 0), QStringLiteral("2号箱"));
    QCOMPARE(get_cell_text(&list, 1, 1), QStringLiteral("second column"));
    QCOMPARE(get_cell_picture(&list, 1, 0), 1);
    QCOMPARE(get_item_value(&list, 1), qint64{7});
    QCOMPARE(list_selected(&list), -1);
    list_select(&list, 1);
    QCOMPARE(list_selected(&list), 1);
    list_clear(&list);
    QCOMPARE(list_count(&list), 0);
    QCOMPARE(list_selected(&list), -1);
}

void ControlsTest::report_list_ignores_out_of_range_items_data() {
    QTest::addColumn<int>("item");
    QTest::addColumn<int>("column");
    QTest::newRow("negative item") << -1 << 0;
    QTest::newRow("past the end") << 1 << 0;
    QTest::newRow("negative column") << 0 << -1;
    QTest::newRow("column past the end") << 0 << 5;
}

void ControlsTest::report_list_ignores_out_of_range_items() {
    QFETCH(int, item);
    QFETCH(int, column);
    ReportList list;
    list_append(&list);
    set_cell_text(&list, item, column, QStringLiteral("x"));
    set_cell_picture(&list, item, column, 3);
    QCOMPARE(get_cell_text(&list, item, column), QString());
    QCOMPARE(get_cell_picture(&list, item, column), 0);
    QCOMPARE(get_cell_text(&list, 0, 0), QString());
}

void ControlsTest::report_list_reports_clicks_on_the_selected_row() {
    ReportList list;
    list.setHeaderLabels({QStringLiteral("数量")});
    list.resize(100, 200);
    for (const char* amount : {"1", "9", "99"}) {
        set_cell_text(&list, list_append(&list), 0, QString::fromLatin1(amount));
    }
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    QSignalSpy selected(&list, &ReportList::selection_made);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, row_rect(list, 2).center());
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, row_rect(list, 2).center());
    QCOMPARE(selected.count(), 2);
    QCOMPARE(selected.at(1).at(0).toInt(), 2);
    QCOMPARE(list_selected(&list), 2);
    // A click below the last row selects nothing and reports nothing.
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, QPoint(10, 190));
    QCOMPARE(selected.count(), 2);
}

void ControlsTest::report_list_reports_keyboard_moves_and_double_clicks() {
    ReportList list;
    list.resize(100, 200);
    for (const char* amount : {"1", "9", "99"}) {
        set_cell_text(&list, list_append(&list), 0, QString::fromLatin1(amount));
    }
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, row_rect(list, 0).center());
    QSignalSpy selected(&list, &ReportList::selection_made);
    QTest::keyClick(&list, Qt::Key_Down);
    QCOMPARE(selected.count(), 1);
    QCOMPARE(selected.at(0).at(0).toInt(), 1);
    QSignalSpy doubled(&list, &ReportList::item_double_clicked);
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, row_rect(list, 2).center());
    QCOMPARE(doubled.count(), 1);
    QCOMPARE(doubled.at(0).at(0).toInt(), 2);
}

void ControlsTest::list_box_appends_lines() {
    ListBox list;
    list_add(&list, QStringLiteral("胜利"));
    list_add(&list, QStringLiteral("失败"));
    QCOMPARE(list.count(), 2);
    QCOMPARE(list.item(1)->text(), QStringLiteral("失败"));
}

void ControlsTest::message_box_answers_data() {
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("icon");
    QTest::addColumn<int>("buttons");
    const int ok_cancel = QMessageBox::Ok | QMessageBox::Cancel;
    QTest::newRow("question, OK") << 33 << int(QMessageBox::Ok) << 0 << int(QMessageBox::Question)
                                  << ok_cancel;
    QTest::newRow("question, Cancel")
        << 33 << int(QMessageBox::Cancel) << 2 << int(QMessageBox::Question) << ok_cancel;
    QTest::newRow("question, closed")
        << 33 << int(QMessageBox::NoButton) << 2 << int(QMessageBox::Question) << ok_cancel;
    QTest::newRow("plain OK") << 0 << int(QMessageBox::Ok) << 0 << int(QMessageBox::NoIcon)
                              << int(QMessageBox::Ok);
}

void ControlsTest::message_box_answers() {
    QFETCH(int, style);
    QFETCH(int, answer);
    QFETCH(int, result);
    QFETCH(int, icon);
    QFETCH(int, buttons);
    MessageBoxAnswerer answerer(static_cast<QMessageBox::StandardButton>(answer));
    QCOMPARE(message_box(QStringLiteral("a\r\nb"), style, QStringLiteral("更新说明：")), result);
    QCOMPARE(answerer.seen().size(), 1);
    QCOMPARE(answerer.seen()[0].text, QStringLiteral("a\r\nb"));
    QCOMPARE(answerer.seen()[0].title, QStringLiteral("更新说明："));
    QCOMPARE(int(answerer.seen()[0].icon), icon);
    QCOMPARE(int(answerer.seen()[0].buttons), buttons);
}

void ControlsTest::initTestCase() {
    // As the program does at start: Qt's own dialogs speak Chinese.
    QVERIFY(load_qt_chinese());
}

void ControlsTest::message_box_buttons_read_chinese_data() {
    QTest::addColumn<int>("style");
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("question") << int(style_ok_cancel_question) << QStringList{"取消", "确定"};
    QTest::newRow("error") << int(style_error) << QStringList{"确定"};
}

void ControlsTest::message_box_buttons_read_chinese() {
    QFETCH(int, style);
    QFETCH(QStringList, texts);
    MessageBoxAnswerer answerer(QMessageBox::Ok);
    message_box(QStringLiteral("问"), style);
    QCOMPARE(answerer.seen().size(), 1);
    QStringList shown = answerer.seen()[0].button_texts;
    // Their order on screen is the platform's; the texts are what matter.
    shown.sort();
    texts.sort();
    QCOMPARE(shown, texts);
}

void ControlsTest::end_program_handler_replaces_the_exit() {
    int ended = 0;
    set_end_program_handler([&] { ++ended; });
    end_program();
    set_end_program_handler({});
    QCOMPARE(ended, 1);
}

void ControlsTest::fairness_box_gives_the_verify_page_as_a_whole_address() {
    FairnessBox box(nullptr, nullptr);
    auto* link = box.findChild<QLineEdit*>(QStringLiteral("verify_link"));
    auto* copy = box.findChild<QPushButton*>(QStringLiteral("copy_verify_link"));
    QVERIFY(link && copy);
    FairnessShown shown;
    shown.verify_link = QStringLiteral("/overlay/verify?game=dice&seed=ab");
    box.show_draw(shown);
    QCOMPARE(link->text(), QStringLiteral("直播叠加没有开，网页核对用不了"));
    QVERIFY(!copy->isEnabled());

    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
    const quint16 port = probe.serverPort();
    probe.close();
    {
        OverlayServer server;
        QVERIFY(server.listen(port));
        box.show_draw(shown);
        const QString whole =
            QStringLiteral("http://127.0.0.1:%1/overlay/verify?game=dice&seed=ab").arg(port);
        QCOMPARE(link->text(), whole);
        copy->click();
        QCOMPARE(QGuiApplication::clipboard()->text(), whole);
    }
    box.show_draw(shown); // the server is gone, and with it the page
    QVERIFY(!copy->isEnabled());
}

void ControlsTest::windows_open_beside_never_on_top_data() {
    QTest::addColumn<QRect>("screen");
    QTest::addColumn<QList<QRect>>("open"); // the catalogue first, then the games' windows
    QTest::addColumn<QPoint>("at");
    const QRect catalogue(50, 50, 500, 300);
    const QRect wide(0, 0, 1920, 1080);
    QTest::newRow("right of the catalogue") << wide << QList<QRect>{catalogue} << QPoint(562, 50);
    QTest::newRow("below, the right taken")
        << wide << QList<QRect>{catalogue, {562, 50, 500, 300}} << QPoint(50, 362);
    QTest::newRow("left, on a screen to the right")
        << QRect(1920, 0, 1280, 720) << QList<QRect>{{2500, 300, 500, 300}} << QPoint(1988, 300);
    QTest::newRow("beside the windows beside it")
        << QRect(0, 0, 1280, 800)
        << QList<QRect>{catalogue, {562, 50, 500, 300}, {50, 362, 500, 300}} << QPoint(562, 362);
    // Nowhere free on a small screen: stepped off the catalogue's corner, inside the screen.
    QTest::newRow("no room") << QRect(0, 0, 800, 600) << QList<QRect>{{300, 50, 500, 300}}
                             << QPoint(300, 74);
}

void ControlsTest::windows_open_beside_never_on_top() {
    QFETCH(QRect, screen);
    QFETCH(QList<QRect>, open);
    const QPoint at = place_beside(open.first(), QSize(500, 300), open, screen);
    QTEST(at, "at");
    QVERIFY(screen.contains(QRect(at, QSize(500, 300))));
}

QTEST_MAIN(ControlsTest)
#include "tst_controls.moc"
