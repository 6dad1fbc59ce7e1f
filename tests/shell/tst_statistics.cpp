#include "runtime/controls/transparent_label.h"
#include "runtime/processes.h"
#include "runtime/text.h"
#include "runtime/web_view.h"
#include "runtime/windows.h"
#include "shell/app_state.h"
#include "shell/catalogue_window.h"
#include "shell/startup_window.h"
#include "shell/status_line.h"
#include "tests/support/http_server.h"

#include <QApplication>
#include <QFile>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

#include <signal.h>

using namespace glimmer;
using glimmer::testing::HttpServer;

namespace {

const QString statistics_path = QStringLiteral("/exeapp/wan/tj.html");

// The provider writes its figures with a script, so only a page loaded as a browser loads
// it shows them.
QByteArray scripted_page(const QString& text) {
    return to_gbk(QStringLiteral("<html><head><meta charset=\"gbk\"></head><body><script>"
                                 "document.write(\"%1\");</script></body></html>")
                      .arg(text));
}

// Whether the process still runs; a zombie nobody has reaped yet counts as gone.
bool running(pid_t pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray line = stat.readAll();
    return !line.mid(line.lastIndexOf(')') + 2, 1).startsWith('Z');
}

bool all_gone(const std::vector<pid_t>& pids) {
    return std::none_of(pids.begin(), pids.end(), running);
}

// The reader and what it has started, once the engine has started a process besides it.
std::vector<pid_t> reader_tree(const HiddenWebView& view) {
    std::vector<pid_t> pids;
    // The callers check the size.
    (void)QTest::qWaitFor(
        [&] {
            pids = process_tree_usage(static_cast<pid_t>(view.reader_pid())).pids;
            return pids.size() >= 2;
        },
        30000);
    return pids;
}

} // namespace

class StatisticsTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void labels_are_shortened_data();
    void labels_are_shortened();
    void a_second_notification_leaves_the_same_text();
    void markup_in_the_page_text_stays_text();
    void online_catalogue_shows_the_scripted_page();
    void an_error_page_the_server_answered_is_shown();
    void a_load_without_a_server_leaves_the_line_empty();
    void offline_catalogue_requests_nothing();
    void a_reader_killed_mid_load_leaves_the_line();
    void reader_output_is_taken_frame_by_frame_data();
    void reader_output_is_taken_frame_by_frame();
    void a_reader_over_its_bounds_is_killed_with_its_processes_data();
    void a_reader_over_its_bounds_is_killed_with_its_processes();
    void closing_the_catalogue_kills_the_reader();

private:
    HostSettings settings_for(int online) const;
    void start(int online);

    std::unique_ptr<HttpServer> server_;
    QTemporaryDir folder_;
    std::unique_ptr<AppState> state_;
    QPointer<CatalogueWindow> catalogue_;
};

void StatisticsTest::init() {
    server_ = std::make_unique<HttpServer>();
    set_end_program_handler([] {});
}

void StatisticsTest::cleanup() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        delete window;
    }
    set_end_program_handler({});
    state_.reset();
    server_.reset();
}

HostSettings StatisticsTest::settings_for(int online) const {
    HostSettings settings = default_host_settings();
    settings.site_url = server_->base_url();
    settings.program_folder = folder_.path();
    settings.config_home = folder_.path();
    settings.overlay_port = 0;
    settings.is_online = [online] { return online; };
    return settings;
}

void StatisticsTest::start(int online) {
    state_ = std::make_unique<AppState>(settings_for(online));
    catalogue_ = start_program(*state_)->catalogue();
    QVERIFY(QTest::qWaitForWindowExposed(catalogue_));
}

void StatisticsTest::labels_are_shortened_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::newRow("provider's line") << "站长统计 今日IP[5] 今日PV[9]"
                                     << "统计：今用户：[5] 今次数：[9]";
    QTest::newRow("all five") << "站长统计 今日IP[1] 今日PV[2] 昨日IP[3] 昨日PV[4]"
                              << "统计：今用户：[1] 今次数：[2] 昨用户：[3] 昨次数：[4]";
    QTest::newRow("label without its blank") << "站长统计今日IP[5]"
                                             << "站长统计今用户：[5]";
    QTest::newRow("lower case stays") << "今日ip[5] 今日pv[9]"
                                      << "今日ip[5] 今日pv[9]";
    QTest::newRow("nothing to shorten") << "Not Found"
                                        << "Not Found";
    QTest::newRow("every occurrence") << "今日IP 今日IP"
                                      << "今用户： 今用户：";
    QTest::newRow("empty") << ""
                           << "";
}

void StatisticsTest::labels_are_shortened() {
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QCOMPARE(shorten_statistics_labels(text), shown);
    QCOMPARE(shorten_statistics_labels(shown), shown); // a second pass changes nothing
}

void StatisticsTest::a_second_notification_leaves_the_same_text() {
    TransparentLabel line;
    const QString document = QStringLiteral("站长统计 今日IP[5] 今日PV[9]");
    update_status_line(&line, document);
    const QString first = line.text();
    update_status_line(&line, document);
    QCOMPARE(line.text(), first);
    QCOMPARE(first, QStringLiteral("统计：今用户：[5] 今次数：[9]"));
}

void StatisticsTest::markup_in_the_page_text_stays_text() {
    // A page may write markup as its visible text; the line shows it, it never draws it.
    start(0);
    TransparentLabel* line = catalogue_->status_line();
    update_status_line(line, QStringLiteral("<img src='/usr/share/pixmaps/x.png'>今日IP[1]"));
    QCOMPARE(line->textFormat(), Qt::PlainText);
    QCOMPARE(line->text(), QStringLiteral("<img src='/usr/share/pixmaps/x.png'>今用户：[1]"));
}

void StatisticsTest::online_catalogue_shows_the_scripted_page() {
    HttpServer::Route route;
    route.body = scripted_page(QStringLiteral("站长统计 今日IP[5] 今日PV[9]"));
    server_->set_route(statistics_path, route);
    start(1);
    QTRY_COMPARE_WITH_TIMEOUT(catalogue_->status_line()->text(),
                              QStringLiteral("统计：今用户：[5] 今次数：[9]"), 30000);
    QVERIFY(server_->requests().contains(statistics_path));
    // The view is never on screen.
    auto* view = catalogue_->findChild<QWidget*>(QStringLiteral("超文本浏览框1"));
    QVERIFY(!view->isVisible());
    // Another notification for the same page writes the same line again.
    emit catalogue_->statistics_view()->document_complete(
        QStringLiteral("站长统计 今日IP[5] 今日PV[9]"));
    QCOMPARE(catalogue_->status_line()->text(), QStringLiteral("统计：今用户：[5] 今次数：[9]"));
}

void StatisticsTest::an_error_page_the_server_answered_is_shown() {
    HttpServer::Route route;
    route.status = 404;
    route.body = to_gbk(QStringLiteral("<html><body>页面不存在 今日IP</body></html>"));
    server_->set_route(statistics_path, route);
    start(1);
    QTRY_COMPARE_WITH_TIMEOUT(catalogue_->status_line()->text(),
                              QStringLiteral("页面不存在 今用户："), 30000);
}

void StatisticsTest::a_load_without_a_server_leaves_the_line_empty() {
    HostSettings settings = default_host_settings();
    // Nothing listens there: the engine reports a failed load and completes no document.
    settings.site_url = QStringLiteral("http://127.0.0.1:9");
    settings.program_folder = folder_.path();
    settings.config_home = folder_.path();
    settings.overlay_port = 0;
    settings.is_online = [] { return 1; };
    state_ = std::make_unique<AppState>(settings);
    catalogue_ = start_program(*state_)->catalogue();
    QVERIFY(QTest::qWaitForWindowExposed(catalogue_));
    QTRY_VERIFY_WITH_TIMEOUT(catalogue_->statistics_view() != nullptr, 5000);
    HiddenWebView* view = catalogue_->statistics_view();
    QSignalSpy documents(view, &HiddenWebView::document_complete);
    QSignalSpy ended(view, &HiddenWebView::reader_ended);
    // The reader gives up by itself, long before it would have gone quiet for good.
    QVERIFY(ended.wait(25000));
    QCOMPARE(ended[0][0].value<HiddenWebView::Ending>(), HiddenWebView::Ending::by_itself);
    QCOMPARE(documents.count(), 0);
    QCOMPARE(catalogue_->status_line()->text(), QString());
}

void StatisticsTest::offline_catalogue_requests_nothing() {
    HttpServer::Route route;
    route.body = scripted_page(QStringLiteral("站长统计 今日IP[5]"));
    server_->set_route(statistics_path, route);
    state_ = std::make_unique<AppState>(settings_for(0));
    catalogue_ = start_program(*state_)->catalogue();
    // An online catalogue makes its view in the same step that follows the first paint.
    QSignalSpy painted(catalogue_.data(), &CatalogueWindow::first_painted);
    QVERIFY(painted.wait(10000));
    QCOMPARE(catalogue_->statistics_view(), nullptr);
    QVERIFY(!server_->requests().contains(statistics_path));
    QCOMPARE(catalogue_->status_line()->text(), QString());
}

void StatisticsTest::a_reader_killed_mid_load_leaves_the_line() {
    HttpServer::Route route;
    route.behaviour = HttpServer::Behaviour::never_answer;
    server_->set_route(statistics_path, route);
    start(1);
    QTRY_VERIFY_WITH_TIMEOUT(catalogue_->statistics_view() != nullptr, 5000);
    HiddenWebView* view = catalogue_->statistics_view();
    catalogue_->status_line()->setText(QStringLiteral("统计：今用户：[5]"));
    QTRY_VERIFY_WITH_TIMEOUT(server_->requests().contains(statistics_path), 30000);
    const std::vector<pid_t> tree = reader_tree(*view);
    QVERIFY(tree.size() >= 2);
    QSignalSpy ended(view, &HiddenWebView::reader_ended);
    QCOMPARE(::kill(tree[0], SIGKILL), 0);
    QVERIFY(ended.wait(10000));
    QCOMPARE(view->reader_pid(), 0);
    QCOMPARE(catalogue_->status_line()->text(), QStringLiteral("统计：今用户：[5]"));
    // The engine's own processes do not outlive the reader.
    QTRY_VERIFY_WITH_TIMEOUT(all_gone(tree), 10000);
}

void StatisticsTest::reader_output_is_taken_frame_by_frame_data() {
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QStringList>("documents");
    QTest::addColumn<HiddenWebView::Ending>("ending");
    using E = HiddenWebView::Ending;
    QTest::newRow("two documents, then its end")
        << QByteArray("printf 'D 11\n\344\273\212\346\227\245IP[1]D 3\nend'")
        << QStringList{"今日IP[1]", "end"} << E::by_itself;
    QTest::newRow("garbage after a document")
        << QByteArray("printf 'D 3\nabcHTTP/1.1 200 OK\n'; exec sleep 60") << QStringList{"abc"}
        << E::garbage;
    QTest::newRow("text that is not UTF-8")
        << QByteArray("printf 'D 2\n\377\376'; exec sleep 60") << QStringList() << E::garbage;
    QTest::newRow("length beyond any line")
        << QByteArray("printf 'D 999999\n'; exec sleep 60") << QStringList() << E::garbage;
    QTest::newRow("header without a length")
        << QByteArray("printf 'D\\n'; exec sleep 60") << QStringList() << E::garbage;
    QTest::newRow("header that never ends")
        << QByteArray("printf 'DDDDDDDDDDDD'; exec sleep 60") << QStringList() << E::garbage;
    QTest::newRow("dies within a frame")
        << QByteArray("printf 'D 10\nabc'; kill -9 $$") << QStringList() << E::by_itself;
    QTest::newRow("hangs past its lifetime")
        << QByteArray("exec sleep 60") << QStringList() << E::hung;
}

void StatisticsTest::reader_output_is_taken_frame_by_frame() {
    QFETCH(QByteArray, script);
    QFETCH(QStringList, documents);
    QFETCH(HiddenWebView::Ending, ending);
    QFile reader(folder_.filePath(QStringLiteral("reader.sh")));
    QVERIFY(reader.open(QIODevice::WriteOnly));
    reader.write("#!/bin/sh\n" + script + "\n");
    reader.close();
    reader.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    PageReaderLimits limits;
    limits.program = reader.fileName();
    limits.lifetime = std::chrono::milliseconds(500);
    limits.hang_grace = std::chrono::milliseconds(500);
    limits.check_interval = std::chrono::milliseconds(100);
    HiddenWebView view(nullptr, limits);
    TransparentLabel line;
    line.setText(QStringLiteral("before"));
    QStringList seen;
    connect(&view, &HiddenWebView::document_complete, &view, [&](const QString& text) {
        seen.append(text);
        update_status_line(&line, text);
    });
    QSignalSpy ended(&view, &HiddenWebView::reader_ended);
    QVERIFY(view.set_address(server_->base_url() + statistics_path));
    const pid_t pid = static_cast<pid_t>(view.reader_pid());
    QVERIFY(ended.wait(20000));
    QCOMPARE(ended[0][0].value<HiddenWebView::Ending>(), ending);
    QCOMPARE(seen, documents);
    QCOMPARE(line.text(), documents.isEmpty() ? QStringLiteral("before")
                                              : shorten_statistics_labels(documents.last()));
    QTRY_VERIFY_WITH_TIMEOUT(all_gone({pid}), 5000);
}

void StatisticsTest::a_reader_over_its_bounds_is_killed_with_its_processes_data() {
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<long long>("max_rss_bytes");
    QTest::addColumn<int>("max_cpu_ms");
    QTest::addColumn<HiddenWebView::Ending>("ending");
    using E = HiddenWebView::Ending;
    const long long unbounded_memory = 1LL << 40;
    QTest::newRow("script that never ends")
        << QByteArray("<script>while(true){}</script>") << unbounded_memory << 3000 << E::over_cpu;
    // Any page holds more than this with the engine's processes together.
    QTest::newRow("memory") << QByteArray("<p>x</p>") << 64LL * 1024 * 1024 << 1000000
                            << E::over_memory;
}

void StatisticsTest::a_reader_over_its_bounds_is_killed_with_its_processes() {
    QFETCH(QByteArray, body);
    QFETCH(long long, max_rss_bytes);
    QFETCH(int, max_cpu_ms);
    QFETCH(HiddenWebView::Ending, ending);
    HttpServer::Route route;
    route.body = body;
    server_->set_route(statistics_path, route);
    PageReaderLimits limits;
    limits.quiet = std::chrono::milliseconds(120000);
    limits.max_rss_bytes = max_rss_bytes;
    limits.max_cpu = std::chrono::milliseconds(max_cpu_ms);
    HiddenWebView view(nullptr, limits);
    QSignalSpy documents(&view, &HiddenWebView::document_complete);
    QSignalSpy ended(&view, &HiddenWebView::reader_ended);
    QVERIFY(view.set_address(server_->base_url() + statistics_path));
    const std::vector<pid_t> tree = reader_tree(view);
    QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, 60000); // it may have ended while we looked
    QCOMPARE(ended[0][0].value<HiddenWebView::Ending>(), ending);
    if (ending == HiddenWebView::Ending::over_cpu) {
        QCOMPARE(documents.count(), 0); // the script holds the document open
    }
    QTRY_VERIFY_WITH_TIMEOUT(all_gone(tree), 5000);
}

void StatisticsTest::closing_the_catalogue_kills_the_reader() {
    HttpServer::Route route;
    route.body = scripted_page(QStringLiteral("站长统计 今日IP[5]"));
    server_->set_route(statistics_path, route);
    start(1);
    QTRY_COMPARE_WITH_TIMEOUT(catalogue_->status_line()->text(),
                              QStringLiteral("统计：今用户：[5]"), 30000);
    const std::vector<pid_t> tree = reader_tree(*catalogue_->statistics_view());
    QVERIFY(!tree.empty());
    catalogue_->close();
    QTRY_VERIFY_WITH_TIMEOUT(all_gone(tree), 5000);
}

QTEST_MAIN(StatisticsTest)

#include "tst_statistics.moc"
