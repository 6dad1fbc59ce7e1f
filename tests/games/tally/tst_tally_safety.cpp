#include "games/tally/tally_archive.h"
#include "games/tally/tally_config.h"
#include "games/tally/tally_journal.h"
#include "games/tally/tally_keeper.h"
#include "games/tally/tally_pk.h"
#include "games/tally/tally_record_window.h"
#include "games/tally/tally_window.h"
#include "runtime/controls/lists.h"
#include "tests/support/message_box_answerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <signal.h>

using namespace glimmer;
using glimmer::testing::MessageBoxAnswerer;

namespace {

// A tally window over a program folder that outlives it, as the next opening would see it.
class Opened {
public:
    explicit Opened(const QString& folder) : window(new TallyWindow(config, folder, "http://x")) {
        window->show();
        // Keys make it active when they need it (key()); a restore question may be up first.
        (void)QTest::qWaitForWindowExposed(window);
    }
    ~Opened() { delete window.data(); }

    QString text(const char* name) const {
        return window->findChild<QLabel*>(QString::fromUtf8(name))->text();
    }
    // "10:5 flag1 相差：5", as on screen.
    QString board() const {
        const QLabel* flag = window->findChild<QLabel*>("leader_flag");
        const QString marks = flag->isHidden()   ? QStringLiteral("hidden")
                              : flag->y() == 126 ? QStringLiteral("flag1")
                                                 : QStringLiteral("flag2");
        return text("player_one_total") + ':' + text("player_two_total") + ' ' + marks + ' ' +
               text("difference_line");
    }
    QLineEdit* quantity() const { return window->findChild<QLineEdit*>("amount_edit"); }
    void type_and_go(const QString& amount) const {
        quantity()->setText(amount);
        QTest::mouseClick(window->findChild<QLabel*>("go_link"), Qt::LeftButton);
    }
    // Keys go where a person's would: to the focused box of the active window.
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) const {
        if (!window->isActiveWindow()) {
            window->activateWindow();
            (void)QTest::qWaitForWindowActive(window);
        }
        QTest::keyClick(quantity(), key, modifiers);
    }

    TallyConfig config;
    QPointer<TallyWindow> window;
};

QByteArray add_line(int player, const char* amount) {
    return journal_line({JournalEvent::Kind::addition, QDateTime::currentDateTime(), player, "x",
                         QString::fromUtf8(amount)});
}

void leave_journal(const QString& program_folder, const QByteArray& bytes) {
    QDir().mkpath(tally_config_folder(program_folder));
    QFile file(journal_path(tally_config_folder(program_folder), 1));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class TallySafetyTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { glimmer::testing::delete_stray_boxes(); }
    void keys_undo_and_redo_across_ties_and_leads_data();
    void keys_undo_and_redo_across_ties_and_leads();
    void undo_after_a_reinitialise_restores_the_board();
    void preset_keys_act_like_double_clicks_data();
    void preset_keys_act_like_double_clicks();
    void keys_do_nothing_while_a_message_box_is_open();
    void keys_go_the_way_every_other_way_in_does();
    void record_window_and_csv_export_show_every_addition();
    void left_journal_is_offered_and_restored_data();
    void left_journal_is_offered_and_restored();
    void normal_close_leaves_nothing_to_restore_data();
    void normal_close_leaves_nothing_to_restore();
    void pk_goes_on_without_a_journal_where_none_can_be_kept();
    void an_addition_past_any_number_is_refused();
    void a_full_disk_pauses_protection_and_loses_no_addition();
    void pk_of_a_killed_program_is_restored_whole();
    void right_click_on_a_control_opens_the_menu();
};

void TallySafetyTest::keys_undo_and_redo_across_ties_and_leads_data() {
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("board");
    QTest::addColumn<QString>("amount_box");
    // Amounts go to the selected player ("一" until Tab); z undo, y and Z redo, t Tab.
    QTest::newRow("undo the tie") << QStringList{"10", "t", "10", "z"} << "10:0 flag1 相差：10"
                                  << "10";
    QTest::newRow("undo the lead change") << QStringList{"5", "t", "8", "z"} << "5:0 flag1 相差：5"
                                          << "0";
    QTest::newRow("redo it with Ctrl+Shift+Z")
        << QStringList{"5", "t", "8", "z", "Z"} << "5:8 flag2 相差：3"
        << "0";
    QTest::newRow("a new amount drops the redo")
        << QStringList{"5", "z", "t", "2", "y"} << "0:2 flag2 相差：2"
        << "0";
}

void TallySafetyTest::keys_undo_and_redo_across_ties_and_leads() {
    QFETCH(QStringList, steps);
    QFETCH(QString, board);
    QFETCH(QString, amount_box);
    QTemporaryDir dir;
    Opened o(dir.path());
    for (const QString& step : steps) {
        if (step == "z") {
            o.key(Qt::Key_Z, Qt::ControlModifier);
        } else if (step == "y") {
            o.key(Qt::Key_Y, Qt::ControlModifier);
        } else if (step == "Z") {
            o.key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        } else if (step == "t") {
            o.key(Qt::Key_Tab);
        } else {
            o.type_and_go(step);
        }
    }
    QCOMPARE(o.board(), board);
    QCOMPARE(o.quantity()->text(), amount_box); // undo leaves the box alone
}

void TallySafetyTest::undo_after_a_reinitialise_restores_the_board() {
    QTemporaryDir dir;
    Opened o(dir.path());
    o.type_and_go("10");
    o.key(Qt::Key_Tab);
    o.type_and_go("5");
    {
        MessageBoxAnswerer answer(QMessageBox::Ok);
        QTest::mouseClick(o.window->findChild<QLabel*>("maker_line"), Qt::LeftButton);
        QCOMPARE(answer.seen().size(), 1);
    }
    QCOMPARE(o.text("player_one_name"), QStringLiteral("玩家一"));
    QCOMPARE(o.board(), QStringLiteral("10:5 flag1 相差：5"));
    o.key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(o.board(), QStringLiteral("10:0 flag1 相差：10"));
    o.key(Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(o.board(), QStringLiteral("10:5 flag1 相差：5"));
}

void TallySafetyTest::preset_keys_act_like_double_clicks_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<QString>("board");
    QTest::addColumn<QString>("selected");
    QTest::newRow("Ctrl+3") << int(Qt::Key_3) << Qt::KeyboardModifiers(Qt::ControlModifier)
                            << "99:0 flag1 相差：99"
                            << "一";
    QTest::newRow("Alt+5") << int(Qt::Key_5) << Qt::KeyboardModifiers(Qt::AltModifier)
                           << "0:9999 flag2 相差：9999"
                           << "二";
    QTest::newRow("Ctrl+6: no row")
        << int(Qt::Key_6) << Qt::KeyboardModifiers(Qt::ControlModifier) << "0:0 flag1 相差：0"
        << "一";
}

void TallySafetyTest::preset_keys_act_like_double_clicks() {
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(QString, board);
    QFETCH(QString, selected);
    QTemporaryDir dir;
    Opened o(dir.path());
    o.quantity()->setText("77"); // a double-click replaces what was typed
    o.key(Qt::Key(key), modifiers);
    QCOMPARE(o.board(), board);
    QCOMPARE(o.text("selected_player"), selected);
    QCOMPARE(o.quantity()->text(), board.startsWith("0:0") ? "77" : "0");
    QCOMPARE(o.window->history().record().size(), board.startsWith("0:0") ? 0 : 1);
}

void TallySafetyTest::keys_go_the_way_every_other_way_in_does() {
    QTemporaryDir dir;
    Opened o(dir.path());
    QStringList asked;
    o.window->act_through([&](const QString& action, const QJsonObject& arguments) {
        asked << action + (arguments.isEmpty() ? "" : "+");
        return Outcome::refused(QStringLiteral("不行"), true);
    });
    o.key(Qt::Key_Z, Qt::ControlModifier);
    o.key(Qt::Key_Y, Qt::ControlModifier);
    o.key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    o.key(Qt::Key_Tab);
    QCOMPARE(asked, (QStringList{"undo", "redo", "redo", "switch"}));
    QCOMPARE(o.board(), QStringLiteral("0:0 flag1 相差：0"));
}

void TallySafetyTest::keys_do_nothing_while_a_message_box_is_open() {
    QTemporaryDir dir;
    Opened o(dir.path());
    o.type_and_go("9");
    QString board_in_box;
    QString selected_in_box;
    bool pressed = false;
    QTimer poll;
    connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible() || pressed) {
            return;
        }
        pressed = true;
        for (QWidget* target :
             {static_cast<QWidget*>(o.window.data()), static_cast<QWidget*>(o.quantity())}) {
            QTest::keyClick(target, Qt::Key_Z, Qt::ControlModifier);
            QTest::keyClick(target, Qt::Key_3, Qt::ControlModifier);
            QTest::keyClick(target, Qt::Key_Tab);
        }
        board_in_box = o.board();
        selected_in_box = o.text("selected_player");
        QTest::mouseClick(box->button(QMessageBox::Cancel), Qt::LeftButton);
    });
    poll.start(10);
    QTest::mouseClick(o.window->findChild<QLabel*>("maker_line"), Qt::LeftButton);
    QVERIFY(pressed);
    QCOMPARE(board_in_box, QStringLiteral("9:0 flag1 相差：9"));
    QCOMPARE(selected_in_box, QStringLiteral("一"));
    // Once the box is gone the same keys work.
    o.key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(o.board(), QStringLiteral("0:0 flag1 相差：0"));
}

void TallySafetyTest::record_window_and_csv_export_show_every_addition() {
    QTemporaryDir dir;
    Opened o(dir.path());
    o.type_and_go("1,000\"");
    o.key(Qt::Key_2, Qt::AltModifier);
    o.key(Qt::Key_Z, Qt::ControlModifier);
    o.key(Qt::Key_5, Qt::AltModifier);

    const std::unique_ptr<QMenu> menu = o.window->context_menu();
    QCOMPARE(menu->actions()[2]->text(), QStringLiteral("记录"));
    menu->actions()[2]->trigger();
    auto* record = o.window->findChild<TallyRecordWindow*>();
    QVERIFY(record != nullptr && record->isVisible());
    auto* table = record->findChild<QTableWidget*>("记录表");
    QCOMPARE(table->rowCount(), 3);
    // What was added, never words that were not: "1,000"" reads as the 1 it added.
    QCOMPARE(table->item(0, 2)->text(), QStringLiteral("1"));
    QCOMPARE(table->item(1, 5)->text(), QStringLiteral("已撤销"));
    o.key(Qt::Key_1, Qt::ControlModifier); // the open record follows the PK
    QCOMPARE(table->rowCount(), 4);
    QCOMPARE(table->item(3, 3)->text(), QStringLiteral("2"));
    o.key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(table->item(3, 5)->text(), QStringLiteral("已撤销"));

    const QString path = dir.filePath("记录.csv");
    QVERIFY(o.window->export_record(path));
    QFile exported(path);
    QVERIFY(exported.open(QIODevice::ReadOnly));
    QVERIFY(exported.readAll().startsWith("\xEF\xBB\xBF时间,")); // spreadsheets need the mark
    QProcess python;
    python.start("python3", {"-c",
                             "import csv, json, sys\n"
                             "with open(sys.argv[1], encoding='utf-8-sig', newline='') as f:\n"
                             "    sys.stdout.write(json.dumps(list(csv.reader(f))))\n",
                             path});
    QVERIFY2(python.waitForFinished(30000), "python3 did not finish");
    QCOMPARE(python.exitCode(), 0);
    const QJsonArray rows = QJsonDocument::fromJson(python.readAllStandardOutput()).array();
    QCOMPARE(rows.size(), 5);
    QCOMPARE(rows[0].toVariant().toStringList(), record_headings());
    for (int i = 0; i < 4; ++i) {
        QStringList shown;
        for (int column = 0; column < table->columnCount(); ++column) {
            shown << table->item(i, column)->text();
        }
        QCOMPARE(rows[i + 1].toVariant().toStringList(), shown);
    }
}

void TallySafetyTest::left_journal_is_offered_and_restored_data() {
    QTest::addColumn<QByteArray>("journal");
    QTest::addColumn<QMessageBox::StandardButton>("answer");
    QTest::addColumn<QString>("board");
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("unreadable");
    const QByteArray pk = add_line(1, "10") + add_line(2, "10") + add_line(2, "4") +
                          journal_line({JournalEvent::Kind::undo, {}, 1, {}, {}});
    QTest::newRow("ok") << pk << QMessageBox::Ok << "10:10 hidden 相差：10" << 3 << 0;
    QTest::newRow("torn last line")
        << pk + add_line(1, "99").left(30) << QMessageBox::Ok << "10:10 hidden 相差：10" << 3 << 0;
    QTest::newRow("cancel") << pk << QMessageBox::Cancel << "0:0 flag1 相差：0" << 0 << 0;
    QTest::newRow("garbage in the middle")
        << add_line(1, "10") + "{\"op\":\n" + pk.mid(add_line(1, "10").size()) + "\x01\n"
        << QMessageBox::Ok << "10:10 hidden 相差：10" << 3 << 2;
}

void TallySafetyTest::left_journal_is_offered_and_restored() {
    QFETCH(QByteArray, journal);
    QFETCH(QMessageBox::StandardButton, answer);
    QFETCH(QString, board);
    QFETCH(int, records);
    QFETCH(int, unreadable);
    QTemporaryDir dir;
    leave_journal(dir.path(), journal);

    MessageBoxAnswerer answerer(answer);
    Opened o(dir.path());
    QTRY_COMPARE(answerer.seen().size(), 1);
    QVERIFY(answerer.seen()[0].text.contains("10 : 10"));
    QTRY_VERIFY(!o.window->pk().asking());
    // A damaged journal is kept whole beside, and the box says what could not be read.
    const QStringList aside = QDir(tally_config_folder(dir.path()))
                                  .entryList({"Quorvane.journal.damaged-*"}, QDir::Files);
    QCOMPARE(aside.size(), unreadable > 0 ? 1 : 0);
    QCOMPARE(answerer.seen()[0].text.contains(QStringLiteral("有 %1 条无法读取").arg(unreadable)),
             unreadable > 0);
    if (unreadable > 0) {
        QFile kept(QDir(tally_config_folder(dir.path())).filePath(aside[0]));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), journal);
    }
    QCOMPARE(answerer.seen()[0].buttons, QMessageBox::Ok | QMessageBox::Cancel);
    QCOMPARE(o.board(), board);
    QCOMPARE(o.window->history().record().size(), records);

    // The PK goes on in the same journal, from its whole entries; redo brings back the 4.
    o.key(Qt::Key_Y, Qt::ControlModifier);
    o.type_and_go("1");
    QFile file(o.window->journal().path());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const JournalContents now = read_journal(file.readAll());
    QCOMPARE(now.whole_bytes, file.size());
    TallyHistory replayed;
    const TallyBoard last = replay_journal(now.events, replayed);
    QCOMPARE(last.total_one + ':' + last.total_two,
             o.text("player_one_total") + ':' + o.text("player_two_total"));
}

void TallySafetyTest::normal_close_leaves_nothing_to_restore_data() {
    QTest::addColumn<bool>("by_label");
    QTest::newRow("the × label") << true;
    // As the catalogue does with its game windows when the program ends.
    QTest::newRow("closed by the program") << false;
}

void TallySafetyTest::normal_close_leaves_nothing_to_restore() {
    QFETCH(bool, by_label);
    QTemporaryDir dir;
    QString journal;
    {
        Opened o(dir.path());
        o.type_and_go("25");
        journal = o.window->journal().path();
        QVERIFY(QFile::exists(journal));
        if (by_label) {
            QTest::mouseClick(o.window->findChild<QLabel*>("close_link"), Qt::LeftButton);
            QTRY_VERIFY(o.window.isNull());
        } else {
            QVERIFY(o.window->close());
        }
    }
    // Gone once the PK is in the history, on the keeper's thread.
    QVERIFY(TallyKeeper::instance().wait_until_idle(std::chrono::seconds(10)));
    QVERIFY(!QFile::exists(journal));
    MessageBoxAnswerer answerer(QMessageBox::Ok);
    Opened again(dir.path());
    QCoreApplication::processEvents();
    QVERIFY(answerer.seen().isEmpty());
    QCOMPARE(again.board(), QStringLiteral("0:0 flag1 相差：0"));
}

void TallySafetyTest::pk_goes_on_without_a_journal_where_none_can_be_kept() {
    QTemporaryDir dir;
    // A file standing where the configuration folder belongs: no journal can be made.
    QFile blocker(QDir::cleanPath(tally_config_folder(dir.path())));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    Opened o(dir.path());
    QVERIFY(!o.window->journal().is_open());
    o.type_and_go("7");
    o.key(Qt::Key_2, Qt::AltModifier);
    o.key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(o.board(), QStringLiteral("7:0 flag1 相差：7"));
    QCOMPARE(o.window->history().record().size(), 2);
}

void TallySafetyTest::an_addition_past_any_number_is_refused() {
    QTemporaryDir dir;
    Opened o(dir.path());
    o.type_and_go("1e308");
    const QString board = o.board();
    MessageBoxAnswerer answerer(QMessageBox::Ok);
    o.type_and_go("1e308");
    QCOMPARE(answerer.seen().size(), 1);
    QVERIFY(answerer.seen()[0].text.contains(QStringLiteral("没有计入")));
    QCOMPARE(o.board(), board);
    QVERIFY(!board.contains("inf"));
    QCOMPARE(o.window->history().record().size(), 1);
}

// The configuration folder on a small filesystem of its own (a tmpfs in a private mount
// namespace), filled up mid-PK: the helper plays on, the host is told once, and once space
// is back and the program is killed, the next opening restores every addition.
void TallySafetyTest::a_full_disk_pauses_protection_and_loses_no_addition() {
    QTemporaryDir dir;
    QProcess run;
    run.start("unshare", {"--mount", "--propagation", "private", "sh", "-c",
                          "mount -t tmpfs -o size=256k tmpfs \"$1\" || exit 77\n"
                          "\"$2\" \"$1\" script\n\"$2\" \"$1\" restore",
                          "sh", dir.path(), QStringLiteral(TALLY_PK_HELPER)});
    QVERIFY(run.waitForStarted());
    // Each command answers with one line: total one, total two, records, notices shown.
    const auto send = [&run](const QByteArray& command) {
        run.write(command + '\n');
        QByteArray line;
        while (!line.endsWith('\n') && (run.bytesAvailable() > 0 || run.waitForReadyRead(30000))) {
            line += run.readLine();
        }
        return QString::fromUtf8(line).trimmed().split('|');
    };
    const QStringList first = send("add 1 1");
    if (first.size() < 4) {
        QVERIFY(run.waitForFinished(30000));
        if (run.exitCode() == 77) {
            QSKIP("no tmpfs can be mounted here (needs root)");
        }
        QFAIL("the helper did not answer");
    }
    int added = 1;
    QCOMPARE(send("fill").value(3), "0");
    QStringList state;
    // Space runs out once the journal needs a new page.
    for (int i = 0; i < 200 && state.value(3) != "1"; ++i) {
        state = send("add 2 3");
        ++added;
    }
    QCOMPARE(state.value(3), "1");
    for (int i = 0; i < 5; ++i) {
        state = send("add 1 2");
        ++added;
    }
    QCOMPARE(state.value(3), "1"); // told once, not once an addition
    QCOMPARE(state.value(2).toInt(), added);
    send("free");
    state = send("add 2 3");
    ++added;
    QCOMPARE(state.value(3), "2"); // and once more when it is whole again
    const QString totals = state.value(0) + ':' + state.value(1);
    const QStringList pid = send("pid");
    QCOMPARE(::kill(pid.value(0).toInt(), SIGKILL), 0);
    run.closeWriteChannel();
    QVERIFY(run.waitForFinished(60000));
    const QStringList restored =
        QString::fromUtf8(run.readAllStandardOutput()).trimmed().split('|');
    QCOMPARE(restored.value(0) + ':' + restored.value(1), totals);
    QCOMPARE(restored.value(2).toInt(), added);
}

void TallySafetyTest::pk_of_a_killed_program_is_restored_whole() {
    QTemporaryDir dir;
    QProcess helper;
    helper.start(QStringLiteral(TALLY_PK_HELPER), {dir.path()});
    QVERIFY(helper.waitForStarted());
    QByteArray printed;
    while (!printed.contains('\n')) {
        QVERIFY2(helper.waitForReadyRead(30000), "the helper printed nothing");
        printed += helper.readAllStandardOutput();
    }
    helper.kill(); // SIGKILL: no destructor, no close, no flush of anything
    QVERIFY(helper.waitForFinished(30000));
    QCOMPARE(helper.exitStatus(), QProcess::CrashExit);

    const QStringList expected = QString::fromUtf8(printed).trimmed().split('|');
    QCOMPARE(expected.size(), 5);
    QCOMPARE(expected[0] + ':' + expected[1], QStringLiteral("10998:10998")); // a tie, redone

    MessageBoxAnswerer answerer(QMessageBox::Ok);
    Opened o(dir.path());
    QTRY_COMPARE(answerer.seen().size(), 1);
    QTRY_COMPARE(o.text("player_one_total"), expected[0]);
    QCOMPARE(o.text("player_two_total"), expected[1]);
    QCOMPARE(o.window->findChild<QLabel*>("leader_flag")->isHidden() ? "hidden" : "shown",
             expected[2]);
    QCOMPARE(o.text("difference_line"), expected[3]);
    QCOMPARE(QString::number(o.window->history().record().size()), expected[4]);
    // Undo reaches back through the restored history.
    o.key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(o.board(), QStringLiteral("10998:9999 flag1 相差：999"));

    // Closed, the restored PK is in the history once, with every addition, and nothing is
    // offered again.
    o.window->close();
    QVERIFY(TallyKeeper::instance().wait_until_idle(std::chrono::seconds(10)));
    TallyArchive archive(tally_archive_path(dir.path()));
    const QList<ArchivedPk> kept = archive.list();
    QCOMPARE(kept.size(), 1);
    QCOMPARE(kept[0].total_one + ':' + kept[0].total_two, QStringLiteral("10998:9999"));
    QCOMPARE(QString::number(archive.additions(kept[0].id).size()), expected[4]);
    Opened again(dir.path());
    QTRY_VERIFY(!again.window->pk().searching());
    QCOMPARE(answerer.seen().size(), 1);
    again.window->close();
    QVERIFY(TallyKeeper::instance().wait_until_idle(std::chrono::seconds(10)));
    QCOMPARE(archive.list().size(), 1);
}

void TallySafetyTest::right_click_on_a_control_opens_the_menu() {
    QTemporaryDir dir;
    Opened o(dir.path());
    QStringList items;
    QTimer poll;
    connect(&poll, &QTimer::timeout, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            for (const QAction* action : menu->actions()) {
                items << action->text();
            }
            menu->close();
        }
    });
    poll.start(10);
    QLabel* total = o.window->findChild<QLabel*>("player_one_total");
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                            total->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(total, &event);
    QTRY_VERIFY(!items.isEmpty());
    QCOMPARE(items, QStringList({"新一局", "", "记录", "导出记录（CSV）…", "历史", "", "PK 设置…",
                                 "打开配置文件夹"}));
}

QTEST_MAIN(TallySafetyTest)
#include "tst_tally_safety.moc"
