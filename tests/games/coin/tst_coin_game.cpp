// A fourth game, made in its own folder and named nowhere else, is on every way in: the
// catalogue, ctl with its help, HTTP, a global key's line, the state, its overlay page and the
// help's addresses.
#include "hostcore/command_line.h"
#include "hostcore/control_words.h"
#include "hostcore/global_hotkeys.h"
#include "hostcore/program_run.h"
#include "runtime/controls/picture_button.h"
#include "shell/game_host.h"
#include "shell/overlay_state.h"
#include "tests/support/overlay_fixture.h"

#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

namespace glimmer {
std::unique_ptr<GameModule> make_coin_module();
}

using namespace glimmer;
using namespace glimmer::testing;

namespace {

GameModules with_coin() {
    GameModules games = built_in_games();
    games.push_back(make_coin_module());
    return games;
}

int heads(const OverlayProgram& program) {
    return QJsonDocument::fromJson(program.catalogue()->games().state_json())
        .object()
        .value("coin")
        .toObject()
        .value("heads")
        .toInt(-1);
}

} // namespace

class CoinGameTest : public QObject {
    Q_OBJECT
private slots:
    void its_actions_are_commands_keys_and_help();
    void the_program_opens_drives_and_shows_it();
};

void CoinGameTest::its_actions_are_commands_keys_and_help() {
    const GameModules games = with_coin();
    QVERIFY(host::control_help_text(games).contains(QStringLiteral("coin set HEADS")));
    QCOMPARE(host::parse_control_words({"coin", "flip"}, games).request,
             QByteArray(R"({"action":"flip","game":"coin"})"));
    // Its parameter's range, from its table, on ctl's side.
    QVERIFY(!host::parse_control_words({"coin", "set", "100"}, games).error.isEmpty());

    QTemporaryDir dir;
    const QString settings = dir.filePath(QStringLiteral("settings.ini"));
    QFile file(settings);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[hotkeys]\nF9 = coin set 3\n");
    file.close();
    const QList<host::Hotkey> keys = host::read_hotkeys(settings, games);
    QCOMPARE(keys.size(), 1);
    QCOMPARE(keys[0].request, QByteArray(R"({"action":"set","game":"coin","heads":3})"));
    const QList<host::Hotkey> defaults = host::default_hotkeys(games);
    QVERIFY(std::any_of(defaults.cbegin(), defaults.cend(),
                        [](const host::Hotkey& key) { return key.command == u"coin flip"; }));

    host::CommandLine line;
    line.overlay_port = 17999;
    QVERIFY(QString::fromStdString(host::help_text(line, host::game_ids(games)))
                .contains(QStringLiteral("http://127.0.0.1:17999/overlay/coin\n")));
}

void CoinGameTest::the_program_opens_drives_and_shows_it() {
    OverlayProgram program(0, with_coin());
    QVERIFY(program.started());
    QCOMPARE(heads(program), -1); // closed
    // A place the catalogue made for it, beside the design's three.
    auto* button = program.catalogue()->findChild<PictureButton*>(QStringLiteral("game_button_4"));
    QVERIFY(button != nullptr && button->isVisible());
    QTest::mouseClick(button, Qt::LeftButton);
    auto* window = program.catalogue()->game_window(QStringLiteral("coin"));
    QVERIFY(window != nullptr);
    QTest::mouseClick(window, Qt::LeftButton);
    QCOMPARE(heads(program), 1);

    const QByteArray token = program.catalogue()->control_token();
    const QByteArray post = "POST /api/control/coin/flip HTTP/1.1\r\nHost: 127.0.0.1:" +
                            QByteArray::number(program.port()) + "\r\nAuthorization: Bearer " +
                            token + "\r\nContent-Length: 0\r\n\r\n";
    QCOMPARE(status_of(program.exchange(post)), 200);
    QCOMPARE(heads(program), 2);
    QCOMPARE(program.catalogue()->games().run_json(R"({"game":"coin","action":"set","heads":7})"),
             QByteArray(R"({"status":"done"})"));
    QCOMPARE(heads(program), 7);

    const auto get = [&program](const QByteArray& path) {
        return program.exchange("GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1:" +
                                QByteArray::number(program.port()) + "\r\n\r\n");
    };
    QVERIFY(body_of(get("/api/state")).contains(R"("coin":{"heads":7,"open":true})"));
    QVERIFY(body_of(get("/overlay/coin")).contains("<title>Coinflip</title>"));
    QVERIFY(body_of(get("/overlay/")).contains(R"("label":"正面","name":"heads")"));
    // No draws to verify: the verify page leaves it out.
    QVERIFY(!body_of(get("/overlay/verify")).contains("value=\"coin\""));
}

QTEST_MAIN(CoinGameTest)
#include "tst_coin_game.moc"
