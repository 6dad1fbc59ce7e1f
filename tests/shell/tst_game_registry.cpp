// A fourth game, registered here and nowhere else, shows up everywhere games are listed.
#include "hostcore/command_line.h"
#include "hostcore/program_run.h"
#include "runtime/game_window.h"
#include "shell/app_state.h"
#include "shell/game_registry.h"
#include "shell/overlay_feed.h"
#include "shell/overlay_settings.h"
#include "shell/overlay_state.h"

#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

using namespace glimmer;

namespace {

// The smallest game there is: a coin that counts its heads.
class CoinWindow : public GameWindow {
public:
    QJsonObject overlay_state() const override { return {{QStringLiteral("heads"), heads}}; }
    void flip() {
        ++heads;
        emit state_changed();
    }
    int heads = 0;
};

} // namespace

class GameRegistryTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void a_registered_game_is_listed_everywhere();

private:
    QTemporaryDir dir_;
};

void GameRegistryTest::initTestCase() {
    const QString page = dir_.filePath(QStringLiteral("coin.html"));
    QFile file(page);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("<!DOCTYPE html><title>coin</title><style>/*OVERLAY_CSS*/</style>");
    file.close();
    register_game({QStringLiteral("coin"),
                   QStringLiteral("Coinflip"),
                   {},
                   {},
                   page,
                   QStringLiteral("300 × 300"),
                   [](AppState&) -> GameWindow* { return new CoinWindow; }});
}

void GameRegistryTest::a_registered_game_is_listed_everywhere() {
    const int coin = game_index(QStringLiteral("coin"));
    QCOMPARE(coin, 3);
    QCOMPARE(game_index(QStringLiteral("tally")), 0); // the built-in order stands

    // The state: closed, then open with the game's own fields.
    OverlayFeed feed;
    const auto part = [&feed] {
        return QJsonDocument::fromJson(feed.state_json()).object().value("coin").toObject();
    };
    QCOMPARE(part(), QJsonObject({{"open", false}}));
    AppState state;
    std::unique_ptr<GameWindow> window(game_registry()[coin].make_window(state));
    feed.watch(coin, window.get());
    static_cast<CoinWindow*>(window.get())->flip();
    QCOMPARE(part(), QJsonObject({{"open", true}, {"heads", 1}}));
    window.reset();
    QCOMPARE(part(), QJsonObject({{"open", false}}));

    // The pages: its own, whole, and a row in the index.
    const QHash<QByteArray, QByteArray> pages = overlay_pages();
    QVERIFY(pages.value("coin").startsWith("<!DOCTYPE html><title>coin</title>"));
    QVERIFY(!pages.value("coin").contains("/*OVERLAY_CSS*/"));
    QVERIFY(
        pages.value("index").contains(R"({"id":"coin","size":"300 × 300","title":"Coinflip"})"));

    // The addresses and the help text.
    HostSettings settings = default_host_settings();
    settings.overlay_port = 17999;
    QCOMPARE(overlay_addresses(settings).games.value(coin),
             QStringLiteral("http://127.0.0.1:17999/overlay/coin"));
    glimmer::host::CommandLine line;
    line.overlay_port = 17999;
    const QString help = QString::fromStdString(
        glimmer::host::help_text(line, glimmer::host::registered_game_ids()));
    QVERIFY(help.contains("http://127.0.0.1:17999/overlay/minebox\n"
                          "  http://127.0.0.1:17999/overlay/coin\n"));
}

QTEST_MAIN(GameRegistryTest)
#include "tst_game_registry.moc"
