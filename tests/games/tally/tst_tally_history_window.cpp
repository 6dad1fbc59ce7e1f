#include "games/tally/tally_archive.h"
#include "games/tally/tally_history_window.h"

#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

using namespace glimmer;

namespace {

// A PK played from start: "1:10 2:4 u 2:99" adds 10 for player one, 4 for player two, undoes
// that, then adds 99 for player two, one addition every 7 seconds.
ArchivedPk played(const QDateTime& start, const QString& one, const QString& two,
                  const QString& script) {
    TallyHistory history;
    TallyBoard board;
    QDateTime at = start;
    for (const QString& step : script.split(' ')) {
        if (step == QStringLiteral("u")) {
            board = *history.undo();
            continue;
        }
        const int player = step.left(1).toInt();
        board = history.add(board, at, player, player == 1 ? one : two, step.mid(2)).after;
        at = at.addSecs(7);
    }
    return archived_pk(history, board, one, two, at);
}

template <typename T> T* find(QWidget* window, const char* name) {
    return window->findChild<T*>(QString::fromUtf8(name));
}

} // namespace

class TallyHistoryWindowTest : public QObject {
    Q_OBJECT
private slots:
    void the_chart_draws_both_totals_as_they_stood();
    void filters_and_the_day_summary_follow_the_controls();
    void exports_keep_spreadsheet_formulas_as_text();
};

void TallyHistoryWindowTest::the_chart_draws_both_totals_as_they_stood() {
    QTemporaryDir dir;
    TallyArchive archive(dir.filePath(QStringLiteral("history.sqlite")));
    const QDateTime start(QDate(2026, 5, 4), QTime(21, 0));
    const ArchivedPk pk = played(start, QStringLiteral("甲"), QStringLiteral("乙"),
                                 QStringLiteral("1:10 2:4 u 2:99 1:0.5"));
    QVERIFY(archive.save(pk, QStringLiteral("k")));
    TallyHistoryWindow window(archive);
    window.show();
    QCOMPARE(find<QTableWidget>(&window, "pk_table")->rowCount(), 1);
    QCOMPARE(find<QTableWidget>(&window, "pk_table")->item(0, 3)->text(),
             QStringLiteral("10.5 : 99"));
    QCOMPARE(find<QTableWidget>(&window, "pk_table")->item(0, 4)->text(), QStringLiteral("乙"));
    QCOMPARE(find<QTableWidget>(&window, "additions_table")->rowCount(), 4);

    const QList<QAbstractSeries*> series =
        find<QChartView>(&window, "chart_view")->chart()->series();
    QCOMPARE(series.size(), 2);
    const QList<QString> names{QStringLiteral("甲"), QStringLiteral("乙")};
    for (int player = 0; player < 2; ++player) {
        auto* line = qobject_cast<QLineSeries*>(series[player]);
        QVERIFY(line != nullptr);
        QCOMPARE(line->name(), names[player]);
        QStringList points;
        for (const QPointF& point : line->points()) {
            points << QStringLiteral("%1s %2")
                          .arg((qint64(point.x()) - start.toMSecsSinceEpoch()) / 1000)
                          .arg(point.y());
        }
        // Steps to the PK's end; the undone 4 (at 7 s) is not drawn.
        const QStringList expected =
            player == 0
                ? QStringList{"0s 0", "0s 10", "14s 10", "14s 10", "21s 10", "21s 10.5", "28s 10.5"}
                : QStringList{"0s 0", "0s 0", "14s 0", "14s 99", "21s 99", "21s 99", "28s 99"};
        QCOMPARE(points, expected);
    }
}

void TallyHistoryWindowTest::filters_and_the_day_summary_follow_the_controls() {
    QTemporaryDir dir;
    TallyArchive archive(dir.filePath(QStringLiteral("history.sqlite")));
    const QDate day(2026, 5, 4);
    QVERIFY(archive.save(played(QDateTime(day, QTime(20, 0)), "甲", "乙", "1:10 2:3"), "a"));
    QVERIFY(archive.save(played(QDateTime(day, QTime(22, 0)), "甲", "丙", "1:5 2:5"), "b"));
    QVERIFY(archive.save(played(QDateTime(day.addDays(1), QTime(9, 0)), "丁", "乙", "2:1"), "c"));
    TallyHistoryWindow window(archive);
    auto* pks = find<QTableWidget>(&window, "pk_table");
    QCOMPARE(pks->rowCount(), 3);
    find<QDateEdit>(&window, "from_date")->setDate(day);
    find<QDateEdit>(&window, "to_date")->setDate(day);
    QCOMPARE(pks->rowCount(), 3); // dates count only once ticked
    find<QCheckBox>(&window, "date_filter")->setChecked(true);
    QCOMPARE(pks->rowCount(), 2);
    find<QLineEdit>(&window, "name_filter")->setText(QStringLiteral("丙"));
    QCOMPARE(pks->rowCount(), 1);
    QCOMPARE(pks->item(0, 4)->text(), QStringLiteral("平局"));

    find<QDateEdit>(&window, "summary_date")->setDate(day);
    QCOMPARE(find<QLabel>(&window, "day_summary")->text(),
             QStringLiteral("共 2 场PK；甲 1 胜，平局 1；加分合计 23"));
    find<QDateEdit>(&window, "summary_date")->setDate(day.addDays(2));
    QCOMPARE(find<QLabel>(&window, "day_summary")->text(),
             QStringLiteral("共 0 场PK；无胜负；加分合计 0"));
}

void TallyHistoryWindowTest::exports_keep_spreadsheet_formulas_as_text() {
    QTemporaryDir dir;
    TallyArchive archive(dir.filePath(QStringLiteral("history.sqlite")));
    const QDateTime start(QDate(2026, 5, 4), QTime(20, 0));
    QVERIFY(archive.save(played(start, "=SUM(A1)", "乙", "1:-3 2:2"), "a"));
    QVERIFY(archive.save(played(start.addSecs(60), "甲", "乙", "2:1"), "b"));
    TallyHistoryWindow window(archive);
    const QString one = dir.filePath(QStringLiteral("one.csv"));
    const QString all = dir.filePath(QStringLiteral("all.csv"));
    window.show_pk(1); // the older PK
    QVERIFY(window.export_pk(one));
    QVERIFY(window.export_listed(all));
    QFile file(one);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF")); // spreadsheets then read the Chinese right
    const QStringList lines = QString::fromUtf8(bytes.mid(3)).split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 4); // headings, two additions, and the end of the last line
    QVERIFY(lines[0].startsWith(QStringLiteral("PK开始,玩家一名字,玩家二名字,时间")));
    QCOMPARE(lines[1].section(',', 0, 5),
             QStringLiteral("2026-05-04 20:00:00,'=SUM(A1),乙,2026-05-04 20:00:00,'=SUM(A1),-3"));
    QFile both(all);
    QVERIFY(both.open(QIODevice::ReadOnly));
    QCOMPARE(both.readAll().count("\r\n"), 4);
}

QTEST_MAIN(TallyHistoryWindowTest)
#include "tst_tally_history_window.moc"
