#include "runtime/controls/transparent_label.h"
#include "runtime/text.h"
#include "runtime/web_view.h"
#include "runtime/windows.h"
#include "shell/app_state.h"
#include "shell/catalogue_window.h"
#include "shell/startup_window.h"
#include "shell/status_line.h"
#include "tests/support/http_server.h"

#include <QApplication>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

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

private:
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

void StatisticsTest::start(int online) {
    HostSettings settings = default_host_settings();
    settings.site_url = server_->base_url();
    settings.program_folder = folder_.path();
    settings.config_home = folder_.path();
    settings.overlay_port = 0;
    settings.is_online = [online] { return online; };
    state_ = std::make_unique<AppState>(settings);
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
    QSignalSpy documents(catalogue_->statistics_view(), &HiddenWebView::document_complete);
    QTest::qWait(4000);
    QCOMPARE(documents.count(), 0);
    QCOMPARE(catalogue_->status_line()->text(), QString());
}

void StatisticsTest::offline_catalogue_requests_nothing() {
    HttpServer::Route route;
    route.body = scripted_page(QStringLiteral("站长统计 今日IP[5]"));
    server_->set_route(statistics_path, route);
    start(0);
    QTest::qWait(1500);
    QCOMPARE(catalogue_->statistics_view(), nullptr);
    QVERIFY(!server_->requests().contains(statistics_path));
    QCOMPARE(catalogue_->status_line()->text(), QString());
}

QTEST_MAIN(StatisticsTest)

#include "tst_statistics.moc"
