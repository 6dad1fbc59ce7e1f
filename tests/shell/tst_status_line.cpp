// The status line and what the catalogue does for it without the browser engine: the
// provider's labels shortened, markup kept as text, nothing loaded while offline.

#include "runtime/controls/transparent_label.h"
#include "runtime/text.h"
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

QByteArray scripted_page(const QString& text) {
    return to_gbk(QStringLiteral("<html><head><meta charset=\"gbk\"></head><body><script>"
                                 "document.write(\"%1\");</script></body></html>")
                      .arg(text));
}

} // namespace

class StatusLineTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void labels_are_shortened_data();
    void labels_are_shortened();
    void a_second_notification_leaves_the_same_text();
    void markup_in_the_page_text_stays_text();
    void offline_catalogue_requests_nothing();

private:
    HostSettings settings_for(int online) const;
    void start(int online);

    std::unique_ptr<HttpServer> server_;
    QTemporaryDir folder_;
    std::unique_ptr<AppState> state_;
    QPointer<CatalogueWindow> catalogue_;
};

void StatusLineTest::init() {
    server_ = std::make_unique<HttpServer>();
    set_end_program_handler([] {});
}

void StatusLineTest::cleanup() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        delete window;
    }
    set_end_program_handler({});
    state_.reset();
    server_.reset();
}

HostSettings StatusLineTest::settings_for(int online) const {
    HostSettings settings = default_host_settings();
    settings.site_url = server_->base_url();
    settings.program_folder = folder_.path();
    settings.config_home = folder_.path();
    settings.overlay_port = 0;
    settings.is_online = [online] { return online; };
    return settings;
}

void StatusLineTest::start(int online) {
    state_ = std::make_unique<AppState>(settings_for(online));
    catalogue_ = start_program(*state_)->catalogue();
    QVERIFY(QTest::qWaitForWindowExposed(catalogue_));
}

void StatusLineTest::labels_are_shortened_data() {
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

void StatusLineTest::labels_are_shortened() {
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QCOMPARE(shorten_statistics_labels(text), shown);
    QCOMPARE(shorten_statistics_labels(shown), shown); // a second pass changes nothing
}

void StatusLineTest::a_second_notification_leaves_the_same_text() {
    TransparentLabel line;
    const QString document = QStringLiteral("站长统计 今日IP[5] 今日PV[9]");
    update_status_line(&line, document);
    const QString first = line.text();
    update_status_line(&line, document);
    QCOMPARE(line.text(), first);
    QCOMPARE(first, QStringLiteral("统计：今用户：[5] 今次数：[9]"));
}

void StatusLineTest::markup_in_the_page_text_stays_text() {
    // A page may write markup as its visible text; the line shows it, it never draws it.
    start(0);
    TransparentLabel* line = catalogue_->status_line();
    update_status_line(line, QStringLiteral("<img src='/usr/share/pixmaps/x.png'>今日IP[1]"));
    QCOMPARE(line->textFormat(), Qt::PlainText);
    QCOMPARE(line->text(), QStringLiteral("<img src='/usr/share/pixmaps/x.png'>今用户：[1]"));
}

void StatusLineTest::offline_catalogue_requests_nothing() {
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

QTEST_MAIN(StatusLineTest)

#include "tst_status_line.moc"
