#include "runtime/controls/count_box.h"

#include <QAccessible>
#include <QSignalSpy>
#include <QTest>

using namespace glimmer;

namespace {

// Near the right edge: the upper half holds the up arrow, the lower half the down arrow.
QPoint up_arrow(const QWidget& box) {
    return {box.width() - 6, box.height() / 4};
}
QPoint down_arrow(const QWidget& box) {
    return {box.width() - 6, box.height() * 3 / 4};
}

} // namespace

class TestCountBox : public QObject {
    Q_OBJECT

private:
    CountBox box_;

private slots:
    void init();
    void typing_keeps_only_digits_data();
    void typing_keeps_only_digits();
    void arrow_keys_step_within_the_range_data();
    void arrow_keys_step_within_the_range();
    void arrow_buttons_step_as_the_keys_do();
    void text_set_by_the_program_is_kept_and_reported();
    void accessibility_reads_the_text();
};

void TestCountBox::init() {
    box_.setMinimum(0);
    box_.setMaximum(188);
    box_.resize(142, 24);
    box_.setText(QStringLiteral("1"));
    box_.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box_));
    box_.activateWindow();
    box_.setFocus();
}

void TestCountBox::typing_keeps_only_digits_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");
    QTest::newRow("above the arrows' range") << "1001"
                                             << "1001";
    QTest::newRow("long number") << "99999999999"
                                 << "99999999999";
    QTest::newRow("letters dropped") << "12a3"
                                     << "123";
    QTest::newRow("sign dropped") << "-5"
                                  << "5";
    QTest::newRow("point dropped") << "1.5"
                                   << "15";
    QTest::newRow("blank dropped") << " 7"
                                   << "7";
    QTest::newRow("nothing valid") << "abc"
                                   << "";
}

void TestCountBox::typing_keeps_only_digits() {
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    box_.selectAll();
    QTest::keyClick(&box_, Qt::Key_Backspace);
    QCOMPARE(box_.text(), QString());
    QTest::keyClicks(&box_, typed);
    QCOMPARE(box_.text(), expected);
    // Leaving the box must not rewrite what was typed.
    box_.clearFocus();
    QCOMPARE(box_.text(), expected);
}

void TestCountBox::arrow_keys_step_within_the_range_data() {
    QTest::addColumn<QString>("start");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("presses");
    QTest::addColumn<QString>("expected");
    QTest::newRow("up") << "1" << int(Qt::Key_Up) << 3 << "4";
    QTest::newRow("down") << "5" << int(Qt::Key_Down) << 2 << "3";
    QTest::newRow("down stops at 0") << "1" << int(Qt::Key_Down) << 3 << "0";
    QTest::newRow("up stops at 188") << "186" << int(Qt::Key_Up) << 5 << "188";
    QTest::newRow("page up stops at 188") << "180" << int(Qt::Key_PageUp) << 1 << "188";
    QTest::newRow("up from empty") << "" << int(Qt::Key_Up) << 1 << "1";
    QTest::newRow("down from empty stays empty") << "" << int(Qt::Key_Down) << 1 << "";
    QTest::newRow("down from above the range") << "1001" << int(Qt::Key_Down) << 1 << "187";
    QTest::newRow("up from above the range") << "1001" << int(Qt::Key_Up) << 1 << "1001";
}

void TestCountBox::arrow_keys_step_within_the_range() {
    QFETCH(QString, start);
    QFETCH(int, key);
    QFETCH(int, presses);
    QFETCH(QString, expected);
    box_.setText(start);
    for (int i = 0; i < presses; ++i) {
        QTest::keyClick(&box_, static_cast<Qt::Key>(key));
    }
    QCOMPARE(box_.text(), expected);
}

void TestCountBox::arrow_buttons_step_as_the_keys_do() {
    box_.setText(QStringLiteral("10"));
    QTest::mouseClick(&box_, Qt::LeftButton, {}, up_arrow(box_));
    QCOMPARE(box_.text(), QStringLiteral("11"));
    QTest::mouseClick(&box_, Qt::LeftButton, {}, down_arrow(box_));
    QTest::mouseClick(&box_, Qt::LeftButton, {}, down_arrow(box_));
    QCOMPARE(box_.text(), QStringLiteral("9"));
}

void TestCountBox::text_set_by_the_program_is_kept_and_reported() {
    QSignalSpy changed(&box_, &CountBox::textChanged);
    box_.setText(QStringLiteral("188"));
    QCOMPARE(box_.text(), QStringLiteral("188"));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).toString(), QStringLiteral("188"));
    box_.setText(QString());
    QCOMPARE(box_.text(), QString());
    QCOMPARE(box_.property("text").toString(), QString());
}

void TestCountBox::accessibility_reads_the_text() {
    box_.setText(QStringLiteral("1001"));
    QAccessibleInterface* access = QAccessible::queryAccessibleInterface(&box_);
    QVERIFY(access != nullptr);
    QCOMPARE(access->role(), QAccessible::SpinBox);
    QCOMPARE(access->text(QAccessible::Value), QStringLiteral("1001"));
}

QTEST_MAIN(TestCountBox)
#include "tst_count_box.moc"
