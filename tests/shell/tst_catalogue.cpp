#include "games/tally/tally_archive.h"
#include "games/tally/tally_journal.h"
#include "games/tally/tally_keeper.h"
#include "games/tally/tally_pk.h"
#include "games/tally/tally_window.h"
#include "runtime/controls/picture_button.h"
#include "runtime/controls/transparent_label.h"
#include "runtime/settings_file.h"
#include "runtime/windows.h"
#include "shell/app_state.h"
#include "shell/catalogue_window.h"
#include "shell/game_host.h"
#include "shell/startup_window.h"
#include "tests/support/http_server.h"
#include "tests/support/message_box_answerer.h"
#include "tests/support/offline_program.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <array>

using namespace glimmer;
using namespace glimmer::testing;

namespace {

// Notes every widget that is ever shown, from before the start-up window exists.
class ShowWatcher : public QObject {
public:
    QStringList shown;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && watched->isWidgetType()) {
            shown.append(watched->objectName());
        }
        return false;
    }
};

HostSettings catalogue_settings(const QString& folder) {
    HostSettings settings = glimmer::testing::offline_settings(folder);
    // The tests wait for the poll's ticks, not for its designed pace.
    settings.version_poll_interval = std::chrono::milliseconds(10);
    return settings;
}

} // namespace

class CatalogueTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void catalogue_is_laid_out_as_designed();
    void start_up_window_is_never_shown();
    void buttons_open_three_distinct_windows_side_by_side();
    void a_game_window_opens_where_the_host_left_it_while_that_is_on_screen();
    void a_second_press_creates_no_second_window();
    void closing_a_game_window_leaves_the_rest_running();
    void closing_the_catalogue_ends_the_program_and_its_games();
    void closing_the_catalogue_keeps_the_pk_in_history_data();
    void closing_the_catalogue_keeps_the_pk_in_history();
    void a_pk_waiting_for_the_history_goes_in_at_the_next_start();
    void poll_keeps_waiting_while_the_download_runs();
    void every_game_shows_the_configured_maker_address_data();
    void every_game_shows_the_configured_maker_address();

private:
    QTemporaryDir folder_;
    std::unique_ptr<AppState> state_;
    QPointer<StartupWindow> startup_;
    QPointer<CatalogueWindow> catalogue_;
    int ended_ = 0;
    ShowWatcher watcher_;
};

void CatalogueTest::init() {
    ended_ = 0;
    set_end_program_handler([this] { ++ended_; });
    watcher_.shown.clear();
    qApp->installEventFilter(&watcher_);
    state_ = std::make_unique<AppState>(catalogue_settings(folder_.path()));
    startup_ = start_program(*state_);
    catalogue_ = startup_->catalogue();
    QVERIFY(catalogue_);
    QVERIFY(QTest::qWaitForWindowExposed(catalogue_));
}

void CatalogueTest::cleanup() {
    qApp->removeEventFilter(&watcher_);
    for (QWidget* window : QApplication::topLevelWidgets()) {
        delete window;
    }
    set_end_program_handler({});
    state_.reset();
}

void CatalogueTest::catalogue_is_laid_out_as_designed() {
    QCOMPARE(catalogue_->windowTitle(),
             QStringLiteral("游戏目录  - 更多游戏请关注新版或至官网提供意见，谢谢支持！"));
    QCOMPARE(catalogue_->size(), QSize(500, 300));
    const QList<std::pair<const char*, QRect>> buttons{
        {"first_game_button", QRect(3, 60, 160, 199)},
        {"second_game_button", QRect(167, 60, 160, 199)},
        {"third_game_button", QRect(331, 60, 160, 199)},
    };
    for (const auto& [name, geometry] : buttons) {
        auto* button = catalogue_->findChild<PictureButton*>(QString::fromUtf8(name));
        QVERIFY2(button != nullptr, name);
        QCOMPARE(button->geometry(), geometry);
        QVERIFY(button->isVisible());
        QVERIFY(!button->normalFace().isNull());
        QCOMPARE(button->normalFace().size(), QSize(160, 200));
        QCOMPARE(button->hoverFace().size(), QSize(160, 200));
    }
    TransparentLabel* link = catalogue_->new_version_link();
    QCOMPARE(link->objectName(), QStringLiteral("new_version_link"));
    QCOMPARE(link->geometry(), QRect(329, 20, 163, 28));
    QVERIFY(!link->isVisible());
    QCOMPARE(link->text(), QStringLiteral("发现新版本，点击查看"));
    QCOMPARE(link->font().pixelSize(), 14);
    QVERIFY(link->font().bold());
    QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
    TransparentLabel* status = catalogue_->status_line();
    QCOMPARE(status->objectName(), QStringLiteral("status_line"));
    QCOMPARE(status->geometry(), QRect(6, 268, 483, 28));
    QVERIFY(status->isVisible());
    QCOMPARE(status->text(), QString());
    auto* view = catalogue_->findChild<QWidget*>(QStringLiteral("statistics_view_place"));
    QVERIFY(view != nullptr);
    QCOMPARE(view->geometry(), QRect(400, 288, 100, 64));
    QVERIFY(!view->isVisible());
}

void CatalogueTest::start_up_window_is_never_shown() {
    QVERIFY(startup_);
    QVERIFY(!startup_->isVisible());
    QVERIFY(!watcher_.shown.contains(QStringLiteral("startup")));
    QVERIFY(watcher_.shown.contains(catalogue_->objectName()));
    // Nothing is published: the poll ticks until the download has failed, then stops.
    QTRY_VERIFY_WITH_TIMEOUT(!startup_->poll_timer()->isActive(), 5000);
    QVERIFY(state_->version->download_finished());
    QVERIFY(startup_);
    QVERIFY(!watcher_.shown.contains(QStringLiteral("startup")));
}

void CatalogueTest::buttons_open_three_distinct_windows_side_by_side() {
    const QStringList names{"first_game_button", "second_game_button", "third_game_button"};
    const QStringList captions{"Quorvane", "Vessmoor", "Krallow"};
    QList<QWidget*> windows;
    for (int i = 0; i < 3; ++i) {
        auto* button = catalogue_->findChild<PictureButton*>(names[i]);
        QTest::mouseClick(button, Qt::LeftButton);
        QWidget* window = catalogue_->game_window(
            catalogue_->games().modules()[static_cast<size_t>(i)]->info().id);
        QVERIFY(window != nullptr);
        QVERIFY(window->isVisible());
        QVERIFY(window->isWindow());
        QVERIFY(!window->isModal());
        QCOMPARE(window->parentWidget(), nullptr);
        QCOMPARE(window->windowTitle(), captions[i]);
        windows.append(window);
    }
    QCOMPARE(QSet<QWidget*>(windows.begin(), windows.end()).size(), 3);
    // Each on the catalogue's screen, and none exactly on top of the catalogue or another.
    QSet<QPoint> corners{catalogue_->pos()};
    for (QWidget* window : windows) {
        QVERIFY(catalogue_->screen()->availableGeometry().contains(window->frameGeometry()));
        corners.insert(window->pos());
    }
    QCOMPARE(corners.size(), 4);
    QVERIFY(catalogue_->isVisible());
    QVERIFY(catalogue_->isEnabled());
}

void CatalogueTest::a_game_window_opens_where_the_host_left_it_while_that_is_on_screen() {
    GameHost& games = catalogue_->games();
    QVERIFY(games.open(QStringLiteral("dice")).done());
    games.window(QStringLiteral("dice"))->move(120, 90);
    games.window(QStringLiteral("dice"))->close();
    QTRY_VERIFY(games.window(QStringLiteral("dice")) == nullptr);
    const SettingsFile kept(state_->host.settings_file);
    QCOMPARE(kept.value(QStringLiteral("windows"), QStringLiteral("dice")),
             QStringLiteral("120,90"));
    QVERIFY(games.open(QStringLiteral("dice")).done());
    QCOMPARE(games.window(QStringLiteral("dice"))->pos(), QPoint(120, 90));
    games.window(QStringLiteral("dice"))->close();
    QTRY_VERIFY(games.window(QStringLiteral("dice")) == nullptr);

    // Its screen gone (or the value nothing readable): beside the catalogue again.
    for (const char* value : {"5000,4000", "-900,20", "left"}) {
        SettingsFile(state_->host.settings_file)
            .set_value(QStringLiteral("windows"), QStringLiteral("dice"),
                       QString::fromLatin1(value));
        QVERIFY(games.open(QStringLiteral("dice")).done());
        QWidget* window = games.window(QStringLiteral("dice"));
        QVERIFY2(catalogue_->screen()->availableGeometry().contains(window->frameGeometry()),
                 value);
        QVERIFY(window->pos() != catalogue_->pos());
        delete window;
    }
}

void CatalogueTest::a_second_press_creates_no_second_window() {
    auto* button = catalogue_->findChild<PictureButton*>(QStringLiteral("second_game_button"));
    QTest::mouseClick(button, Qt::LeftButton);
    QWidget* first = catalogue_->game_window(QStringLiteral("dice"));
    QVERIFY(first != nullptr);
    const int windows_before = QApplication::topLevelWidgets().size();
    first->showMinimized();
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(catalogue_->game_window(QStringLiteral("dice")), first);
    QCOMPARE(QApplication::topLevelWidgets().size(), windows_before);
    QVERIFY(!first->isMinimized());
}

void CatalogueTest::closing_a_game_window_leaves_the_rest_running() {
    catalogue_->open_game(QStringLiteral("tally"));
    catalogue_->open_game(QStringLiteral("minebox"));
    QPointer<QWidget> tally = catalogue_->game_window(QStringLiteral("tally"));
    tally->close();
    QTRY_VERIFY(tally.isNull()); // destroyed, not merely hidden
    QCOMPARE(catalogue_->game_window(QStringLiteral("tally")), nullptr);
    QVERIFY(catalogue_->isVisible());
    QVERIFY(catalogue_->game_window(QStringLiteral("minebox"))->isVisible());
    QCOMPARE(ended_, 0);
    // And it opens again afresh.
    catalogue_->open_game(QStringLiteral("tally"));
    QVERIFY(catalogue_->game_window(QStringLiteral("tally")) != nullptr);
}

void CatalogueTest::closing_the_catalogue_ends_the_program_and_its_games() {
    catalogue_->open_game(QStringLiteral("tally"));
    catalogue_->open_game(QStringLiteral("dice"));
    QPointer<QWidget> tally = catalogue_->game_window(QStringLiteral("tally"));
    QPointer<QWidget> dice = catalogue_->game_window(QStringLiteral("dice"));
    catalogue_->close();
    QCOMPARE(ended_, 1);
    QTRY_VERIFY(tally.isNull() || !tally->isVisible());
    QTRY_VERIFY(dice.isNull() || !dice->isVisible());
}

void CatalogueTest::closing_the_catalogue_keeps_the_pk_in_history_data() {
    QTest::addColumn<bool>("folder_in_the_way");
    QTest::newRow("kept") << false;
    QTest::newRow("a folder where the history belongs") << true;
}

void CatalogueTest::closing_the_catalogue_keeps_the_pk_in_history() {
    QFETCH(bool, folder_in_the_way);
    const QString archive_path = tally_archive_path(folder_.path());
    QFile::remove(archive_path); // the folder outlives each test
    if (folder_in_the_way) {
        QVERIFY(QDir().mkpath(archive_path));
    }
    catalogue_->open_game(QStringLiteral("tally"));
    auto* tally = qobject_cast<TallyWindow*>(catalogue_->game_window(QStringLiteral("tally")));
    QVERIFY(tally);
    QVERIFY(tally->pk().add_amount(1, QStringLiteral("520")).done());
    QVERIFY(tally->pk().add_amount(2, QStringLiteral("1314")).done());
    const QString journal = tally->pk().journal().path();
    QVERIFY(QFile::exists(journal));

    catalogue_->close();
    QCOMPARE(ended_, 1);
    TallyArchive archive(archive_path);
    const QList<ArchivedPk> kept = archive.list();
    QCOMPARE(kept.size(), 1);
    QCOMPARE(kept.first().total_one, QStringLiteral("520"));
    QCOMPARE(kept.first().total_two, QStringLiteral("1314"));
    QVERIFY(!QFile::exists(journal));
    // The host hears of what was put aside, in a box that outlives the closed windows; it is
    // told from the keeper's thread, once the PK is in.
    if (folder_in_the_way) {
        QTRY_COMPARE(shown_notices(QStringLiteral("PK历史")).size(), 1);
        const QList<QMessageBox*> notices = shown_notices(QStringLiteral("PK历史"));
        QVERIFY2(notices.first()->text().contains(archive_path + QStringLiteral(".damaged-")),
                 qPrintable(notices.first()->text()));
        QVERIFY(QFileInfo(notices.first()->text().split(u'\n').at(1).trimmed()).isDir());
        delete notices.first();
    }
}

void CatalogueTest::a_pk_waiting_for_the_history_goes_in_at_the_next_start() {
    QTemporaryDir folder;
    const QString archive_path = tally_archive_path(folder.path());
    // As a PK ended while another program held the history: its journal has the end mark.
    QVERIFY(QDir().mkpath(tally_config_folder(folder.path())));
    const QString journal = journal_path(tally_config_folder(folder.path()), 1);
    QFile left(journal);
    QVERIFY(left.open(QIODevice::WriteOnly));
    const QDateTime when = QDateTime::currentDateTime();
    left.write(
        journal_line(
            {JournalEvent::Kind::addition, when, 2, QStringLiteral("乙"), QStringLiteral("8")}) +
        journal_line(
            {JournalEvent::Kind::end, when, 0, QStringLiteral("甲"), {}, QStringLiteral("乙")}));
    left.close();
    AppState next(catalogue_settings(folder.path()));
    CatalogueWindow* started = start_program(next)->catalogue();
    QVERIFY(QTest::qWaitForWindowExposed(started));
    // Without the PK window ever opening.
    QTRY_VERIFY(!QFile::exists(journal));
    QVERIFY(TallyKeeper::instance().wait_until_idle(std::chrono::seconds(10)));
    const QList<ArchivedPk> kept = TallyArchive(archive_path).list();
    QCOMPARE(kept.size(), 1);
    QCOMPARE(kept[0].name_one + ':' + kept[0].total_two, QStringLiteral("甲:8"));
    QVERIFY(started->game_window(QStringLiteral("tally")) == nullptr);
}

void CatalogueTest::poll_keeps_waiting_while_the_download_runs() {
    glimmer::testing::HttpServer server;
    glimmer::testing::HttpServer::Route silent;
    silent.behaviour = glimmer::testing::HttpServer::Behaviour::never_answer;
    server.set_route(QStringLiteral("/exeapp/wan/pz.html"), silent);
    HostSettings settings = catalogue_settings(folder_.path());
    settings.site_url = server.base_url();
    AppState state(settings);
    QPointer<StartupWindow> startup = start_program(state);
    QTimer* timer = startup->poll_timer();
    QCOMPARE(timer->objectName(), QStringLiteral("poll_timer"));
    QCOMPARE(timer->intervalAsDuration(), settings.version_poll_interval);
    QCOMPARE(default_host_settings().version_poll_interval, std::chrono::milliseconds(500));
    QSignalSpy ticks(timer, &QTimer::timeout);
    QTRY_VERIFY(server.requests().contains(QStringLiteral("/exeapp/wan/pz.html")));
    QVERIFY(ticks.wait(2000));
    QVERIFY(ticks.wait(2000));
    QVERIFY(startup);
    QVERIFY(timer->isActive());
    QVERIFY(!state.version->download_finished());
    delete startup->catalogue();
    delete startup;
}

void CatalogueTest::every_game_shows_the_configured_maker_address_data() {
    QTest::addColumn<int>("game");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("site");
    const QString short_site = QStringLiteral("http://a.cn:81");
    const QString long_site = QStringLiteral("https://www.a-very-long-maker-site.example:8443");
    // Every game's window carries the maker's line under the same name.
    const GameModules games = built_in_games();
    for (size_t i = 0; i < games.size(); ++i) {
        const QByteArray id = games[i]->info().id.toUtf8();
        QTest::addRow("%s, short address", id.constData())
            << int(i) << QStringLiteral("maker_line") << short_site;
        QTest::addRow("%s, long address", id.constData())
            << int(i) << QStringLiteral("maker_line") << long_site;
    }
}

void CatalogueTest::every_game_shows_the_configured_maker_address() {
    QFETCH(int, game);
    QFETCH(QString, label);
    QFETCH(QString, site);
    GameHost games(built_in_games(), GameEnvironment{folder_.path(), site});
    const QString id = games.modules()[static_cast<size_t>(game)]->info().id;
    QVERIFY(games.open(id).done());
    auto* line = games.window(id)->findChild<QLabel*>(label);
    QVERIFY(line != nullptr);
    // The same words in every window: scheme and port as configured, whole in the tip, and
    // cut with an ellipsis rather than running past the line's end.
    const QString whole = QStringLiteral("Ostrune ") + site;
    QCOMPARE(line->toolTip(), whole);
    QVERIFY(line->fontMetrics().horizontalAdvance(line->text()) <= line->width());
    if (line->fontMetrics().horizontalAdvance(whole) <= line->width()) {
        QCOMPARE(line->text(), whole);
    } else {
        QVERIFY(line->text().endsWith(QStringLiteral("…")));
        QVERIFY(whole.startsWith(line->text().chopped(1)));
    }
}

QTEST_MAIN(CatalogueTest)
#include "tst_catalogue.moc"
