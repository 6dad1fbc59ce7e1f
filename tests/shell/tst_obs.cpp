// The games in OBS against a scripted obs-websocket server: the browser-source path (Debian's
// OBS has none; the real one is driven by program_obs.py), and the faults a real OBS is hard
// to make show: a wrong kind of source under our name, a refused kind, OBS gone mid-setup, a
// scene deleted under us, a flood of events.
#include "shell/catalogue_window.h"
#include "shell/game_host.h"
#include "shell/obs_dialog.h"
#include "shell/obs_link.h"
#include "shell/obs_stage.h"
#include "tests/support/fake_obs.h"
#include "tests/support/offline_program.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace glimmer;
using glimmer::testing::FakeObs;

namespace {

const QString quorvane = QStringLiteral("Glimmerhall · Quorvane");
const QString total_one = QStringLiteral("Glimmerhall · Quorvane · 玩家一总数");

} // namespace

class ObsTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void authentication_is_obs_websockets();
    void connecting_says_what_happened_data();
    void connecting_says_what_happened();
    void browser_sources_once_each_shown_with_their_windows();
    void faults_are_refused_and_change_nothing_data();
    void faults_are_refused_and_change_nothing();
    void native_texts_follow_the_game_and_keep_the_hosts_style();
    void remove_takes_only_ours();
    void dialog_tests_then_saves();

private:
    // The stage over a scripted OBS, connected.
    void connect_stage(FakeObs::Options options);
    Outcome run(const std::function<void(GameHost::Answer)>& ask);

    QTemporaryDir folder_;
    std::unique_ptr<testing::OfflineProgram> program_;
    CatalogueWindow* catalogue_ = nullptr;
    std::unique_ptr<FakeObs> obs_;
    std::unique_ptr<ObsStage> stage_;
};

void ObsTest::init() {
    program_ = std::make_unique<testing::OfflineProgram>(folder_.path());
    catalogue_ = program_->catalogue();
    QVERIFY(catalogue_);
}

void ObsTest::cleanup() {
    stage_.reset();
    obs_.reset();
    program_.reset();
}

void ObsTest::connect_stage(FakeObs::Options options) {
    obs_ = std::make_unique<FakeObs>(options);
    QVERIFY(obs_->listen());
    stage_ = std::make_unique<ObsStage>(catalogue_->games(), folder_.path() + "/obs",
                                        folder_.path() + "/settings.ini");
    stage_->set_overlay_address(
        [](const QString& id) { return "http://127.0.0.1:17610/overlay/" + id; });
    stage_->link().connect_to(obs_->address(), options.password);
    QTRY_VERIFY(stage_->link().connected());
}

Outcome ObsTest::run(const std::function<void(GameHost::Answer)>& ask) {
    std::optional<Outcome> answer;
    ask([&answer](const Outcome& outcome) { answer = outcome; });
    // Every request is answered or failed within the link's wait; the test waits longer.
    [&] { QTRY_VERIFY_WITH_TIMEOUT(answer.has_value(), 3 * ObsLink::answer_wait_ms); }();
    return answer.value_or(Outcome::refused("no answer"));
}

void ObsTest::authentication_is_obs_websockets() {
    // Worked out with Python's hashlib and base64, apart from this code.
    QCOMPARE(obs_authentication("栗子pw", "c2FsdA==", "Y2hhbA=="),
             QStringLiteral("LAizLP/c9aEfwtbSugN0ZUdvBbCoZmYLD7+T62M1tFY="));
}

void ObsTest::connecting_says_what_happened_data() {
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("listening");
    QTest::addColumn<ObsLink::Status>("status");
    QTest::addColumn<QString>("words");
    QTest::newRow("right password") << "secret" << true << ObsLink::Status::connected << "";
    QTest::newRow("wrong password")
        << "guess" << true << ObsLink::Status::wrong_password << "不接受这个密码";
    QTest::newRow("nobody there") << "secret" << false << ObsLink::Status::connecting
                                  << "WebSocket 服务器设置";
}

void ObsTest::connecting_says_what_happened() {
    QFETCH(QString, password);
    QFETCH(bool, listening);
    QFETCH(ObsLink::Status, status);
    QFETCH(QString, words);
    FakeObs obs({});
    QVERIFY(obs.listen());
    const QString address = obs.address();
    if (!listening) {
        obs.stop();
    }
    ObsLink link;
    bool attempted = false;
    link.connect_to(address, password);
    link.after_attempt([&attempted] { attempted = true; });
    QTRY_VERIFY(attempted);
    QCOMPARE(link.status(), status);
    QVERIFY2(link.problem().contains(words), qPrintable(link.problem()));
    if (status == ObsLink::Status::connected) {
        QCOMPARE(link.obs_version(), QStringLiteral("30.1.2"));
    }
}

void ObsTest::browser_sources_once_each_shown_with_their_windows() {
    connect_stage({});
    catalogue_->open_game("tally");
    for (int round = 0; round < 2; ++round) {
        const Outcome done = run([this](auto answer) { stage_->setup({}, {}, answer); });
        QVERIFY2(done.done(), qPrintable(done.reason));
        QCOMPARE(QString::fromUtf8(done.output).count("因为这个 OBS 有浏览器源"), 3);
    }
    const QList<FakeObs::Item> items = obs_->items(obs_->current_scene());
    QCOMPARE(items.size(), 3);
    const auto input = obs_->input(quorvane);
    QVERIFY(input.has_value());
    QCOMPARE(input->kind, QStringLiteral("browser_source"));
    QCOMPARE(input->settings["url"].toString(),
             QStringLiteral("http://127.0.0.1:17610/overlay/tally"));
    QCOMPARE(input->settings["width"].toInt(), 640);
    QCOMPARE(obs_->request_count("CreateInput"), 3);
    const auto shown = [this](const QString& source) {
        for (const FakeObs::Item& item : obs_->items(obs_->current_scene())) {
            if (item.source == source) {
                return item.enabled;
            }
        }
        return false;
    };
    QVERIFY(shown(quorvane));
    QVERIFY(!shown("Glimmerhall · Vessmoor"));
    catalogue_->open_game("dice");
    QTRY_VERIFY(shown("Glimmerhall · Vessmoor"));
    catalogue_->game_window("tally")->close();
    QTRY_VERIFY(!shown(quorvane));
}

void ObsTest::faults_are_refused_and_change_nothing_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("words");
    QTest::newRow("our name, another kind") << "kind"
                                            << "程序没有动它";
    QTest::newRow("kind refused") << "605"
                                  << "这个 OBS 没有这种源";
    QTest::newRow("OBS closes mid-setup") << "drop"
                                          << "断开";
    QTest::newRow("scene deleted under us") << "600"
                                            << "找不到";
    QTest::newRow("no such scene") << "scene"
                                   << "没有叫「别的场景」的场景";
    QTest::newRow("flood of events") << "flood"
                                     << "";
}

void ObsTest::faults_are_refused_and_change_nothing() {
    QFETCH(QString, fault);
    QFETCH(QString, words);
    connect_stage({QStringLiteral("secret"), false});
    const QJsonObject hosts{{"text", "主播的"}};
    if (fault == u"kind") {
        obs_->add_input(obs_->current_scene(), total_one, "color_source_v3", hosts);
    } else if (fault == u"605") {
        obs_->fail_next("CreateInput", 605, "no such kind");
    } else if (fault == u"drop") {
        obs_->drop_on("CreateInput");
    } else if (fault == u"600") {
        obs_->fail_next("CreateSceneItem", 600, "gone");
    } else if (fault == u"flood") {
        obs_->flood_events(3000);
    }
    const QString scene = fault == u"scene" ? QStringLiteral("别的场景") : QString();
    const Outcome done = run([&](auto answer) { stage_->setup({"tally"}, scene, answer); });
    if (words.isEmpty()) {
        QVERIFY2(done.done(), qPrintable(done.reason));
        return;
    }
    QCOMPARE(done.kind, Outcome::Kind::refused);
    QVERIFY2(done.reason.contains(words), qPrintable(done.reason));
    QCOMPARE(stage_->path("tally"), ObsStage::Path::none);
    if (fault == u"kind") {
        QCOMPARE(obs_->input(total_one)->settings, hosts);
        QCOMPARE(obs_->input(total_one)->kind, QStringLiteral("color_source_v3"));
    }
    if (fault == u"drop") {
        // OBS comes back; so does the link, by itself.
        QTRY_VERIFY_WITH_TIMEOUT(stage_->link().connected(), 10000);
    }
}

void ObsTest::native_texts_follow_the_game_and_keep_the_hosts_style() {
    connect_stage({QStringLiteral("secret"), false});
    catalogue_->open_game("tally");
    const Outcome done = run([this](auto answer) { stage_->setup({"tally"}, {}, answer); });
    QVERIFY2(done.done(), qPrintable(done.reason));
    QVERIFY(QString::fromUtf8(done.output).contains("没有浏览器源"));
    QCOMPARE(obs_->items(quorvane).size(), 7);
    QVERIFY(QFile::exists(folder_.path() + "/obs/die_3.png"));
    // The host restyles a text in OBS; the program changes only what it says.
    QJsonObject styled = obs_->input(total_one)->settings;
    styled["font"] = QJsonObject{{"face", "Sans"}, {"size", 99}};
    obs_->set_settings(total_one, styled);
    obs_->flood_events(2000);
    const int before = obs_->request_count("SetInputSettings");
    GameHost& games = catalogue_->games();
    for (int i = 0; i < 40; ++i) {
        QVERIFY(games.run({{"game", "tally"}, {"action", "add"}, {"player", 1}, {"amount", "300"}})
                    .done());
    }
    QTRY_COMPARE(obs_->input(total_one)->settings["text"].toString(), QStringLiteral("1.2万"));
    // Forty additions in one go are one round of updates: the total, the difference, the mark.
    QCOMPARE(obs_->request_count("SetInputSettings") - before, 3);
    QCOMPARE(obs_->input("Glimmerhall · Quorvane · 玩家一领先")->settings["file"].toString(),
             folder_.path() + "/obs/leader.png");
    QCOMPARE(obs_->input(total_one)->settings["font"].toObject(), styled["font"].toObject());
}

void ObsTest::remove_takes_only_ours() {
    connect_stage({QStringLiteral("secret"), false});
    QVERIFY(run([this](auto answer) { stage_->setup({}, {}, answer); }).done());
    obs_->add_input(quorvane, "主播的贴纸", "image_source");
    obs_->add_input(obs_->current_scene(), "Glimmerhall · Vessmoor · 龙骰 (主播的)",
                    "image_source");
    const Outcome done = run([this](auto answer) { stage_->remove({}, answer); });
    QCOMPARE(done.kind, Outcome::Kind::refused); // Quorvane's scene holds the host's sticker
    QVERIFY2(done.reason.contains("留下了它"), qPrintable(done.reason));
    QCOMPARE(obs_->input_names(),
             QStringList({"主播的贴纸", "Glimmerhall · Vessmoor · 龙骰 (主播的)"}));
    QCOMPARE(obs_->scenes(), QStringList({obs_->current_scene(), quorvane}));
    QCOMPARE(obs_->items(quorvane).size(), 1);
}

void ObsTest::dialog_tests_then_saves() {
    FakeObs obs({});
    QVERIFY(obs.listen());
    ObsStage stage(catalogue_->games(), folder_.path() + "/obs", folder_.path() + "/settings.ini");
    auto* dialog = new ObsDialog(stage);
    dialog->show();
    auto* address = dialog->findChild<QLineEdit*>("obs_address");
    auto* password = dialog->findChild<QLineEdit*>("obs_password");
    QCOMPARE(address->text(), QStringLiteral("ws://127.0.0.1:4455"));
    address->setText(obs.address());
    const auto test = [dialog] {
        for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
            if (button->text() == u"测试连接") {
                button->click();
            }
        }
    };
    password->setText("guess");
    test();
    QTRY_VERIFY2(dialog->result_text().contains("不接受这个密码"),
                 qPrintable(dialog->result_text()));
    password->setText("secret");
    test();
    QTRY_VERIFY2(dialog->result_text().contains("已连上 OBS 30.1.2"),
                 qPrintable(dialog->result_text()));
    // Saving keeps both and connects the program's own link with them.
    dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Save)->click();
    QTRY_VERIFY(stage.link().connected());
    QCOMPARE(stage.target().password, QStringLiteral("secret"));
    QCOMPARE(QFile::permissions(folder_.path() + "/settings.ini") &
                 (QFile::ReadGroup | QFile::ReadOther),
             QFile::Permissions());
}

QTEST_MAIN(ObsTest)
#include "tst_obs.moc"
