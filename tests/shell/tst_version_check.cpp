#include "runtime/controls/transparent_label.h"
#include "runtime/desktop.h"
#include "runtime/network.h"
#include "runtime/text.h"
#include "runtime/windows.h"
#include "shell/app_state.h"
#include "shell/catalogue_window.h"
#include "shell/startup_window.h"
#include "shell/version_check.h"
#include "tests/support/http_server.h"
#include "tests/support/message_box_answerer.h"

#include <QApplication>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace glimmer;
using glimmer::testing::HttpServer;
using glimmer::testing::MessageBoxAnswerer;

namespace {

const QString marker = QStringLiteral("40088812345");

QByteArray page(const QString& text) {
    return to_gbk(text);
}

const QString own_version = QString::fromUtf8(build::program_version);
const QString site = QStringLiteral("http://maker.example");

HostSettings settings_for(const QString& site, const QString& folder) {
    HostSettings settings = default_host_settings();
    settings.site_url = site;
    settings.page_marker = marker;
    settings.program_folder = folder;
    settings.config_home = folder;
    settings.is_online = [] { return 0; };
    settings.overlay_port = 0; // the host's own overlay port stays free
    // The tests wait for the poll's outcome, not for its designed pace.
    settings.version_poll_interval = std::chrono::milliseconds(10);
    return settings;
}

// What the program offers for a page whose text it has downloaded.
VersionState::Result version_page(const QString& notes, const QString& address) {
    return parse_version_page("a!" + marker + "!2.0!" + notes + "!" + address);
}

} // namespace

class VersionCheckTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void page_decides_the_new_version_link_data();
    void page_decides_the_new_version_link();
    void update_notes_show_before_the_download_data();
    void update_notes_show_before_the_download();
    void huge_notes_are_cut_to_fit_the_screen();
    void missing_address_opens_the_home_page_data();
    void missing_address_opens_the_home_page();

    // The program started against a server.
    void program_shows_no_link_for_its_own_version();
    void program_link_for_a_newer_version_can_be_pressed_again();
    void without_a_page_the_poll_stops_once_the_download_ends_data();
    void without_a_page_the_poll_stops_once_the_download_ends();

private:
    // Starts the program against the server and waits for the start-up window to finish.
    void start_and_handle(const QByteArray& body);

    std::unique_ptr<HttpServer> server_;
    QTemporaryDir folder_;
    std::unique_ptr<AppState> state_;
    QPointer<StartupWindow> startup_;
    QPointer<CatalogueWindow> catalogue_;
    QStringList opened_;
    int ended_ = 0;
};

void VersionCheckTest::init() {
    server_ = std::make_unique<HttpServer>();
    opened_.clear();
    ended_ = 0;
    set_url_opener([this](const QString& address) { opened_.append(address); });
    set_end_program_handler([this] { ++ended_; });
}

void VersionCheckTest::cleanup() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        delete window;
    }
    set_url_opener({});
    set_end_program_handler({});
    state_.reset();
    server_.reset();
}

void VersionCheckTest::start_and_handle(const QByteArray& body) {
    HttpServer::Route route;
    route.body = body;
    server_->set_route(QStringLiteral("/exeapp/wan/pz.html"), route);
    state_ = std::make_unique<AppState>(settings_for(server_->base_url(), folder_.path()));
    startup_ = start_program(*state_);
    catalogue_ = startup_->catalogue();
    QVERIFY(QTest::qWaitForWindowExposed(catalogue_));
    QTRY_VERIFY_WITH_TIMEOUT(startup_.isNull(), 5000);
    QVERIFY(catalogue_);
    QVERIFY(catalogue_->isVisible());
    QCOMPARE(ended_, 0);
    QCOMPARE(server_->requests(), QStringList{QStringLiteral("/exeapp/wan/pz.html")});
}

void VersionCheckTest::page_decides_the_new_version_link_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("link");
    QTest::newRow("own version") << "Glimmerhall!" + marker + "!" + own_version +
                                        "!notes!http://x/dl"
                                 << false;
    QTest::newRow("older version") << "Glimmerhall!" + marker + "!0.9!notes!http://x/dl" << true;
    QTest::newRow("version with a blank")
        << "Glimmerhall!" + marker + "!" + own_version + " !n!http://x" << true;
    QTest::newRow("newer version, GBK notes")
        << "更新!" + marker + "!1.1!修正+新增!http://x" << true;
    QTest::newRow("empty fifth piece") << "a!" + marker + "!2.0!n!" << true;
    QTest::newRow("text after a fifth mark") << "a!" + marker + "!2.0!n!http://x!more" << true;
    QTest::newRow("three marks only") << "a!" + marker + "!2.0!notes" << false;
    QTest::newRow("no marks at all") << "<html>proxy error</html>" << false;
    QTest::newRow("marker in another case") << "a!" + marker.left(10) + "X!2.0!n!u" << false;
    QTest::newRow("marker with a blank") << "a! " + marker + "!2.0!n!u" << false;
    QTest::newRow("marker first") << marker + "!a!2.0!n!u" << false;
    QTest::newRow("empty page") << "" << false;
}

void VersionCheckTest::page_decides_the_new_version_link() {
    QFETCH(QString, text);
    QFETCH(bool, link);
    QCOMPARE(check_version(parse_version_page(text), own_version, marker), link);
}

void VersionCheckTest::program_shows_no_link_for_its_own_version() {
    start_and_handle(page("Glimmerhall!" + marker + "!" + own_version + "!notes!http://x/dl"));
    QVERIFY(!catalogue_->new_version_link()->isVisible());
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
}

void VersionCheckTest::program_link_for_a_newer_version_can_be_pressed_again() {
    // The page comes in GBK, as the maker's site writes it.
    start_and_handle(page("更新!" + marker + "!1.1!修正+新增!http://x/dl"));
    TransparentLabel* link = catalogue_->new_version_link();
    QVERIFY(link->isVisible());
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    MessageBoxAnswerer answerer({QMessageBox::Cancel, QMessageBox::Ok});
    QTest::mouseClick(link, Qt::LeftButton);
    QTest::mouseClick(link, Qt::LeftButton);
    QCOMPARE(answerer.seen().size(), 2);
    QCOMPARE(answerer.seen()[0].text, QStringLiteral("修正\r\n新增"));
    QCOMPARE(answerer.seen()[1].text, QStringLiteral("修正\r\n新增"));
    QCOMPARE(opened_, QStringList{"http://x/dl"});
    QVERIFY(link->isVisible());
}

void VersionCheckTest::without_a_page_the_poll_stops_once_the_download_ends_data() {
    QTest::addColumn<bool>("serve");
    QTest::addColumn<int>("status");
    QTest::newRow("refused") << false << 200;
    QTest::newRow("not found") << true << 404;
    QTest::newRow("empty page") << true << 200;
}

void VersionCheckTest::without_a_page_the_poll_stops_once_the_download_ends() {
    QFETCH(bool, serve);
    QFETCH(int, status);
    HttpServer::Route route;
    route.status = status;
    server_->set_route(QStringLiteral("/exeapp/wan/pz.html"), route);
    const QString address = serve ? server_->base_url() : QStringLiteral("http://127.0.0.1:1");
    state_ = std::make_unique<AppState>(settings_for(address, folder_.path()));
    startup_ = start_program(*state_);
    catalogue_ = startup_->catalogue();
    QSignalSpy ticks(startup_->poll_timer(), &QTimer::timeout);
    QVERIFY(QTest::qWaitForWindowExposed(catalogue_));
    QTRY_VERIFY_WITH_TIMEOUT(state_->version->download_finished(), 10000);
    // The tick after the worker's word is the last: from then on nothing in the program's
    // windows wakes it up again.
    QTRY_VERIFY_WITH_TIMEOUT(!startup_->poll_timer()->isActive(), 2000);
    QVERIFY(ticks.count() >= 1);
    for (QWidget* window :
         {static_cast<QWidget*>(startup_.data()), static_cast<QWidget*>(catalogue_.data())}) {
        for (const QTimer* timer : window->findChildren<QTimer*>()) {
            QVERIFY2(!timer->isActive(), qPrintable(timer->objectName()));
        }
    }
    QVERIFY(startup_);
    QVERIFY(!startup_->isVisible());
    QVERIFY(!catalogue_->new_version_link()->isVisible());
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    QCOMPARE(ended_, 0);
}

void VersionCheckTest::update_notes_show_before_the_download_data() {
    QTest::addColumn<QString>("notes");
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QStringList>("opened");
    const int ok = QMessageBox::Ok;
    const int cancel = QMessageBox::Cancel;
    QTest::newRow("three lines") << "a+b+c"
                                 << "http://x/dl" << ok << "a\r\nb\r\nc"
                                 << QStringList{"http://x/dl"};
    QTest::newRow("empty notes still ask")
        << ""
        << "http://x/dl" << ok << "" << QStringList{"http://x/dl"};
    QTest::newRow("cancel opens nothing") << "n"
                                          << "http://x/dl" << cancel << "n" << QStringList();
    QTest::newRow("closed box opens nothing")
        << "n"
        << "http://x/dl" << int(QMessageBox::NoButton) << "n" << QStringList();
    QTest::newRow("leading blank, as it stands")
        << "n"
        << " http://x/dl" << ok << "n" << QStringList{" http://x/dl"};
    QTest::newRow("line break that ended the page") << "n"
                                                    << "https://x/dl\r\n"
                                                    << ok << "n" << QStringList{"https://x/dl\r\n"};
    QTest::newRow("three blanks are not opened") << "n"
                                                 << "   " << ok << "n" << QStringList();
    QTest::newRow("local file is not opened") << "n"
                                              << "file:///bin/sh" << ok << "n" << QStringList();
    QTest::newRow("script is not opened") << "n"
                                          << "javascript:alert(1)" << ok << "n" << QStringList();
    QTest::newRow("program path is not opened") << "n"
                                                << "C:\\setup.exe" << ok << "n" << QStringList();
    // Markup in the notes is text: no link in the box can reach the desktop.
    const QString file_link = "<a href='file:///etc/passwd'>说明</a>";
    QTest::newRow("file link shown as text")
        << file_link << "http://x/dl" << cancel << file_link << QStringList();
    const QString smb_link =
        "<b>新</b><a href='smb://host/share'>x</a><img src='/usr/share/x.png'>";
    QTest::newRow("smb link shown as text")
        << smb_link << "http://x/dl" << cancel << smb_link << QStringList();
}

void VersionCheckTest::update_notes_show_before_the_download() {
    QFETCH(QString, notes);
    QFETCH(QString, address);
    QFETCH(int, answer);
    QFETCH(QString, shown);
    QFETCH(QStringList, opened);
    MessageBoxAnswerer answerer(static_cast<QMessageBox::StandardButton>(answer));
    show_update_notes(version_page(notes, address), site);
    QCOMPARE(answerer.seen().size(), 1); // no second box, whatever the address
    QCOMPARE(answerer.seen()[0].text, shown);
    QCOMPARE(answerer.seen()[0].title, QStringLiteral("更新说明："));
    QCOMPARE(answerer.seen()[0].icon, QMessageBox::Question);
    QCOMPARE(answerer.seen()[0].buttons, QMessageBox::Ok | QMessageBox::Cancel);
    QCOMPARE(answerer.seen()[0].format, Qt::PlainText);
    QCOMPARE(opened_, opened);
}

void VersionCheckTest::huge_notes_are_cut_to_fit_the_screen() {
    // About 800 KB of table markup, under the page size limit: once this froze the program
    // and made a box far taller than the screen.
    QString notes = QStringLiteral("<table>");
    for (int row = 0; row < 30000; ++row) {
        notes += QStringLiteral("<tr><td>行</td><td>%1</td></tr>").arg(row % 10);
    }
    MessageBoxAnswerer answerer(QMessageBox::Ok);
    show_update_notes(version_page(notes, QStringLiteral("http://x/dl")), site);
    QCOMPARE(answerer.seen().size(), 1);
    const auto& box = answerer.seen()[0];
    QVERIFY(box.fits_screen);
    QCOMPARE(box.format, Qt::PlainText);
    QVERIFY(box.text.startsWith(QStringLiteral("<table><tr><td>行</td>")));
    QVERIFY(box.text.endsWith(QStringLiteral("…")));
    QVERIFY(box.text.size() < 10000);
    QCOMPARE(opened_, QStringList{"http://x/dl"});
}

void VersionCheckTest::missing_address_opens_the_home_page_data() {
    QTest::addColumn<QString>("address");
    QTest::newRow("empty") << "";
    QTest::newRow("one blank") << " ";
    QTest::newRow("two blanks") << "  ";
}

void VersionCheckTest::missing_address_opens_the_home_page() {
    QFETCH(QString, address);
    MessageBoxAnswerer answerer({QMessageBox::Ok, QMessageBox::Ok});
    show_update_notes(version_page(QStringLiteral("notes"), address), site);
    QCOMPARE(answerer.seen().size(), 2);
    const auto& failure = answerer.seen()[1];
    QCOMPARE(failure.text, QStringLiteral("下载地址获取失败，即将为您打开官网下载！"));
    QCOMPARE(failure.icon, QMessageBox::NoIcon);
    QCOMPARE(failure.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(failure.title != QStringLiteral("更新说明："));
    QCOMPARE(opened_, QStringList{site});
}

QTEST_MAIN(VersionCheckTest)
#include "tst_version_check.moc"
