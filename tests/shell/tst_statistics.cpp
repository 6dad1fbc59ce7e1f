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
#include "tests/support/process_checks.h"

#include <QApplication>
#include <QFile>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>

#include <signal.h>

using namespace glimmer;
using glimmer::testing::HttpServer;

using glimmer::testing::all_gone;

namespace {

const QString statistics_path = QStringLiteral("/exeapp/wan/tj.html");

// The provider writes its figures with a script, so only a page loaded as a browser loads
// it shows them.
QByteArray scripted_page(const QString& text) {
    return to_gbk(QStringLiteral("<html><head><meta charset=\"gbk\"></head><body><script>"
                                 "document.write(\"%1\");</script></body></html>")
                      .arg(text));
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

    void online_catalogue_shows_the_scripted_page_and_its_close_kills_the_reader();
    void an_error_page_the_server_answered_is_shown();
    void a_load_without_a_server_leaves_the_line_empty();
    void a_reader_killed_mid_load_leaves_the_line();
    void a_reader_over_its_bounds_is_killed_with_its_processes_data();
    void a_reader_over_its_bounds_is_killed_with_its_processes();
    void a_reader_that_ends_by_itself_leaves_no_engine_process();

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

void StatisticsTest::online_catalogue_shows_the_scripted_page_and_its_close_kills_the_reader() {
    HttpServer::Route route;
    route.body = scripted_page(QStringLiteral("站长统计 今日IP[5] 今日PV[9]"));
    server_->set_route(statistics_path, route);
    start(1);
    QTRY_COMPARE_WITH_TIMEOUT(catalogue_->status_line()->text(),
                              QStringLiteral("统计：今用户：[5] 今次数：[9]"), 30000);
    QVERIFY(server_->requests().contains(statistics_path));
    // The view is never on screen.
    auto* view = catalogue_->findChild<QWidget*>(QStringLiteral("statistics_view_place"));
    QVERIFY(view != nullptr && !view->isVisible());
    // Another notification for the same page writes the same line again.
    emit catalogue_->statistics_view()->document_complete(
        QStringLiteral("站长统计 今日IP[5] 今日PV[9]"));
    QCOMPARE(catalogue_->status_line()->text(), QStringLiteral("统计：今用户：[5] 今次数：[9]"));
    // Closing the catalogue takes the reader and the engine's processes under it along.
    const std::vector<pid_t> tree = reader_tree(*catalogue_->statistics_view());
    QVERIFY(!tree.empty());
    catalogue_->close();
    QTRY_VERIFY_WITH_TIMEOUT(all_gone(tree), 5000);
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

void StatisticsTest::a_reader_over_its_bounds_is_killed_with_its_processes_data() {
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<long long>("max_rss_bytes");
    QTest::addColumn<int>("max_cpu_ms");
    QTest::addColumn<HiddenWebView::Ending>("ending");
    using E = HiddenWebView::Ending;
    const long long unbounded_memory = 1LL << 40;
    QTest::newRow("script that never ends")
        << QByteArray("<script>while(true){}</script>") << unbounded_memory << 500 << E::over_cpu;
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
    limits.check_interval = std::chrono::milliseconds(50);
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

// The reader's lifetime runs out while the page still loads: it ends by itself, and the
// engine's processes, no longer below it, go within a second all the same.
void StatisticsTest::a_reader_that_ends_by_itself_leaves_no_engine_process() {
    HttpServer::Route route;
    route.behaviour = HttpServer::Behaviour::drip;
    server_->set_route(statistics_path, route);
    PageReaderLimits limits;
    limits.quiet = std::chrono::milliseconds(120000);
    limits.lifetime = std::chrono::milliseconds(500);
    HiddenWebView view(nullptr, limits);
    QSignalSpy ended(&view, &HiddenWebView::reader_ended);
    QVERIFY(view.set_address(server_->base_url() + statistics_path));
    const pid_t reader = static_cast<pid_t>(view.reader_pid());
    std::vector<pid_t> seen = reader_tree(view);
    QVERIFY(seen.size() >= 2);
    // Whatever the engine starts until the end counts too.
    QTimer look;
    connect(&look, &QTimer::timeout, [&] {
        for (const pid_t pid : process_tree_usage(reader).pids) {
            if (std::find(seen.begin(), seen.end(), pid) == seen.end()) {
                seen.push_back(pid);
            }
        }
    });
    look.start(20);
    QVERIFY(ended.wait(30000));
    look.stop();
    QCOMPARE(ended[0][0].value<HiddenWebView::Ending>(), HiddenWebView::Ending::by_itself);
    QTRY_VERIFY_WITH_TIMEOUT(all_gone(seen), 1000);
}

QTEST_MAIN(StatisticsTest)

#include "tst_statistics.moc"
