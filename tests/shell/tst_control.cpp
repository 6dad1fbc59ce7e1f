// Commands from outside reach the games' models as the windows' own controls do.
#include "games/tally/tally_keeper.h"
#include "games/tally/tally_pk.h"
#include "games/tally/tally_window.h"
#include "hostcore/command_line.h"
#include "hostcore/control_words.h"
#include "hostcore/global_hotkeys.h"
#include "runtime/windows.h"
#include "shell/app_state.h"
#include "shell/catalogue_window.h"
#include "shell/control_server.h"
#include "shell/game_host.h"
#include "shell/startup_window.h"
#include "tests/support/offline_program.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QJsonDocument>
#include <QJsonValue>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace glimmer;
using Status = Outcome::Kind;

Q_DECLARE_METATYPE(Status)

namespace {

using testing::offline_settings;

// The request ctl sends for these words.
QJsonObject ctl_request(const QStringList& words) {
    std::vector<std::string> arguments;
    for (const QString& word : words) {
        arguments.push_back(word.toStdString());
    }
    return QJsonDocument::fromJson(host::parse_control_words(arguments, built_in_games()).request)
        .object();
}

} // namespace

class ControlTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void every_ctl_command_reaches_its_game();
    void commands_answer_as_the_models_do_data();
    void commands_answer_as_the_models_do();
    void amounts_from_outside_are_plain_numbers_data();
    void amounts_from_outside_are_plain_numbers();
    void a_modal_box_refuses_commands_without_change();
    void state_is_the_overlays_json();
    void hotkeys_read_keys_and_commands_data();
    void hotkeys_read_keys_and_commands();
    void hotkeys_default_only_without_section_data();
    void hotkeys_default_only_without_section();
    void hotkeys_read_a_bounded_section_and_never_wait_data();
    void hotkeys_read_a_bounded_section_and_never_wait();
    void control_folder_is_private_data();
    void control_folder_is_private();

private:
    QTemporaryDir folder_;
    std::unique_ptr<AppState> state_;
    QPointer<CatalogueWindow> catalogue_;
};

void ControlTest::init() {
    set_end_program_handler([] {});
    state_ = std::make_unique<AppState>(offline_settings(folder_.path()));
    catalogue_ = start_program(*state_)->catalogue();
    QVERIFY(catalogue_);
}

void ControlTest::cleanup() {
    // Closed as the program closes them, so that their PKs end and leave nothing to restore.
    if (catalogue_) {
        catalogue_->close();
    }
    QVERIFY(TallyKeeper::instance().wait_until_idle(std::chrono::seconds(10)));
    for (QWidget* window : QApplication::topLevelWidgets()) {
        delete window;
    }
    set_end_program_handler({});
    state_.reset();
}

void ControlTest::every_ctl_command_reaches_its_game() {
    // Sample words for each argument: the table of ctl and the program must agree on every
    // command and every argument's name.
    const QHash<QString, QString> sample{{"player", "1"}, {"amount", "5"},  {"n", "1"},
                                         {"count", "3"},  {"boxes", "5"},   {"mines", "2"},
                                         {"box", "1"},    {"game", "dice"}, {"text", "老铁"}};
    for (const char* game : {"tally", "dice", "minebox"}) {
        catalogue_->open_game(QString::fromLatin1(game));
    }
    const GameModules games = built_in_games();
    for (const host::ControlCommand& command : host::control_commands(games)) {
        // A service answers later; tst_obs drives OBS's.
        if (command.service) {
            continue;
        }
        QStringList words;
        if (!command.game.isEmpty()) {
            words << command.game;
        }
        words << command.action->name;
        for (const ActionParameter& parameter : command.action->parameters) {
            words << sample.value(parameter.name);
        }
        const Outcome answer = catalogue_->games().run(ctl_request(words));
        QVERIFY2(answer.kind == Status::done || answer.kind == Status::refused,
                 qPrintable(words.join(u' ') + u' ' + answer.reason));
    }
}

void ControlTest::commands_answer_as_the_models_do_data() {
    QTest::addColumn<QStringList>("open");
    QTest::addColumn<QList<QStringList>>("commands");
    QTest::addColumn<Status>("last");
    QTest::addColumn<QString>("reason"); // part of the last answer's reason

    using Words = QList<QStringList>;
    QTest::newRow("closed game") << QStringList{} << Words{{"tally", "add", "1", "5"}}
                                 << Status::refused << QStringLiteral("没有打开");
    QTest::newRow("add") << QStringList{"tally"} << Words{{"tally", "add", "1", "9999"}}
                         << Status::done << QString();
    QTest::newRow("nothing to undo") << QStringList{"tally"} << Words{{"tally", "undo"}}
                                     << Status::refused << QStringLiteral("没有可以撤销");
    QTest::newRow("undo then redo")
        << QStringList{"tally"}
        << Words{{"tally", "add", "2", "7"}, {"tally", "undo"}, {"tally", "redo"}} << Status::done
        << QString();
    QTest::newRow("reveal before the throws")
        << QStringList{"dice"} << Words{{"dice", "reveal"}} << Status::refused << QString();
    QTest::newRow("dig before the burial")
        << QStringList{"minebox"} << Words{{"minebox", "dig", "1"}} << Status::refused
        << QStringLiteral("还没埋雷");
    QTest::newRow("dig and credit") << QStringList{"minebox"}
                                    << Words{{"minebox", "counts", "5", "2"},
                                             {"minebox", "bury"},
                                             {"minebox", "dig", "3"},
                                             {"minebox", "credit", "2"}}
                                    << Status::done << QString();
    QTest::newRow("dice phrase before the turn")
        << QStringList{"dice"} << Words{{"dice", "phrase", "老铁 666"}} << Status::done
        << QString();
    QTest::newRow("dice phrase once shaking") << QStringList{"dice"}
                                              << Words{{"dice", "prompt"},
                                                       {"dice", "count", "1000"},
                                                       {"dice", "start"},
                                                       {"dice", "phrase", "late"}}
                                              << Status::refused << QStringLiteral("口令不能再改");
    QTest::newRow("minebox phrase before the burial")
        << QStringList{"minebox"} << Words{{"minebox", "phrase", "x"}} << Status::done << QString();
    QTest::newRow("minebox phrase after the burial")
        << QStringList{"minebox"} << Words{{"minebox", "bury"}, {"minebox", "phrase", "x"}}
        << Status::refused << QStringLiteral("口令不能再改");
    QTest::newRow("unknown action")
        << QStringList{"tally"} << Words{{"tally", "fly"}} << Status::not_found << QString();
}

void ControlTest::commands_answer_as_the_models_do() {
    QFETCH(QStringList, open);
    QFETCH(QList<QStringList>, commands);
    QFETCH(Status, last);
    QFETCH(QString, reason);

    for (const QString& game : open) {
        catalogue_->open_game(game);
    }
    Outcome answer;
    for (const QStringList& words : commands) {
        QJsonObject request = ctl_request(words);
        if (request.isEmpty()) { // not a ctl command: as the control API would send it
            request = {{"game", words.value(0)}, {"action", words.value(1)}};
        }
        answer = catalogue_->games().run(request);
    }
    QCOMPARE(answer.kind, last);
    QVERIFY2(answer.reason.contains(reason), qPrintable(answer.reason));
}

void ControlTest::amounts_from_outside_are_plain_numbers_data() {
    QTest::addColumn<QJsonValue>("amount"); // as the request carries it
    QTest::addColumn<Status>("status");
    QTest::addColumn<QString>("total"); // player one's afterwards
    const auto refused = [](const char* name, const QJsonValue& amount) {
        QTest::newRow(name) << amount << Status::invalid << QStringLiteral("0");
    };
    refused("words", QStringLiteral("abc"));
    refused("NaN", QStringLiteral("NaN"));
    refused("Infinity", QStringLiteral("Infinity"));
    refused("zero", QStringLiteral("00"));
    refused("full-width digits", QStringLiteral("８８"));
    refused("Arabic-Indic digits", QStringLiteral("١٢٣"));
    refused("past any double", QStringLiteral("1e999999"));
    refused("past any total", QStringLiteral("1e400"));
    refused("blank around", QStringLiteral(" 5"));
    refused("empty", QStringLiteral(""));
    refused("a JSON number past any total", QJsonValue(1e308 * 10));
    const auto done = [](const char* name, const QJsonValue& amount, const char* total) {
        QTest::newRow(name) << amount << Status::done << QString::fromLatin1(total);
    };
    done("digits", QStringLiteral("520"), "520");
    done("signed", QStringLiteral("-3"), "-3");
    done("point", QStringLiteral("2.5"), "2.5");
    done("exponent", QStringLiteral("1e3"), "1000");
    done("plus", QStringLiteral("+7"), "7");
    done("a JSON number", QJsonValue(66), "66");
}

void ControlTest::amounts_from_outside_are_plain_numbers() {
    QFETCH(QJsonValue, amount);
    QFETCH(Status, status);
    QFETCH(QString, total);
    catalogue_->open_game(QStringLiteral("tally"));
    const QJsonObject request{
        {"game", "tally"}, {"action", "add"}, {"player", 1}, {"amount", amount}};
    const Outcome answer = catalogue_->games().run(request);
    QCOMPARE(answer.kind, status);
    auto* tally = qobject_cast<TallyWindow*>(catalogue_->game_window(QStringLiteral("tally")));
    QCOMPARE(tally->pk().board().total_one, total);
    // Nothing refused is recorded, so undo has nothing of it to walk through.
    QCOMPARE(tally->pk().history().record().size(), status == Status::done ? 1 : 0);
    QCOMPARE(outcome_kind(answer.kind).http_status, status == Status::done ? 200 : 400);
}

void ControlTest::a_modal_box_refuses_commands_without_change() {
    catalogue_->open_game(QStringLiteral("tally"));
    const QByteArray before = catalogue_->games().state_json();
    QDialog box(catalogue_);
    box.setModal(true);
    box.show();
    QVERIFY(QApplication::activeModalWidget() != nullptr);

    const Outcome refused = catalogue_->games().run(ctl_request({"tally", "add", "1", "5"}));
    QCOMPARE(refused.kind, Status::refused);
    QCOMPARE(catalogue_->games().state_json(), before);

    box.close();
    const Outcome done = catalogue_->games().run(ctl_request({"tally", "add", "1", "5"}));
    QCOMPARE(done.kind, Status::done);
    QVERIFY(catalogue_->games().state_json() != before);
}

void ControlTest::state_is_the_overlays_json() {
    catalogue_->open_game(QStringLiteral("dice"));
    const Outcome answer = catalogue_->games().run(ctl_request({"state"}));
    QCOMPARE(answer.kind, Status::done);
    QCOMPARE(answer.output, catalogue_->games().state_json());
    // What the socket carries gives back the very same bytes.
    const QJsonObject sent = QJsonDocument::fromJson(outcome_json(answer)).object();
    QCOMPARE(sent.value("output").toString().toUtf8(), answer.output);
}

void ControlTest::hotkeys_read_keys_and_commands_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<uint>("keysym"); // 0: the line is passed over
    QTest::addColumn<uint>("modifiers");
    QTest::addColumn<QByteArray>("request");

    const uint control = 4, alt = 8, shift = 1, super = 64;
    QTest::newRow("ctrl alt digit")
        << QByteArray("Ctrl+Alt+1 = tally add 1 520") << uint('1') << (control | alt)
        << QByteArray(R"({"action":"add","amount":"520","game":"tally","player":1})");
    QTest::newRow("letter as capital")
        << QByteArray("Shift+Super+K=dice step") << uint('k') << (shift | super)
        << QByteArray(R"({"action":"step","game":"dice"})");
    QTest::newRow("space") << QByteArray("Ctrl+Alt+Space = dice step") << 0x20u << (control | alt)
                           << QByteArray(R"({"action":"step","game":"dice"})");
    QTest::newRow("function key") << QByteArray("F12 = open minebox") << 0xffc9u << 0u
                                  << QByteArray(R"({"action":"open","game":"minebox"})");
    QTest::newRow("unknown modifier")
        << QByteArray("Hyper+1 = tally undo") << 0u << 0u << QByteArray();
    QTest::newRow("unknown key") << QByteArray("Ctrl+Enter = tally undo") << 0u << 0u
                                 << QByteArray();
    QTest::newRow("F25") << QByteArray("F25 = tally undo") << 0u << 0u << QByteArray();
    QTest::newRow("unknown command")
        << QByteArray("Ctrl+1 = tally fly") << 0u << 0u << QByteArray();
    QTest::newRow("bad argument") << QByteArray("Ctrl+1 = tally add 3 5") << 0u << 0u
                                  << QByteArray();
    QTest::newRow("an amount that is no number")
        << QByteArray("Ctrl+1 = tally add 1 abc") << 0u << 0u << QByteArray();
    QTest::newRow("no key") << QByteArray("= tally undo") << 0u << 0u << QByteArray();
}

void ControlTest::hotkeys_read_keys_and_commands() {
    QFETCH(QByteArray, line);
    QFETCH(uint, keysym);
    QFETCH(uint, modifiers);
    QFETCH(QByteArray, request);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("settings.ini"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    // The same line in another section counts for nothing.
    file.write("[overlay]\n" + line + "\n[hotkeys]\n; a comment\n" + line + "\n");
    file.close();
    QStringList ignored;
    const QList<host::Hotkey> keys = host::read_hotkeys(path, built_in_games(), &ignored);
    QCOMPARE(keys.size(), keysym != 0 ? 1 : 0);
    QCOMPARE(ignored.size(), keysym != 0 ? 0 : 1);
    if (keysym != 0) {
        QCOMPARE(uint(keys[0].keysym), keysym);
        QCOMPARE(uint(keys[0].modifiers), modifiers);
        QCOMPARE(keys[0].request, request);
    }
}

void ControlTest::hotkeys_default_only_without_section_data() {
    QTest::addColumn<QByteArray>("settings"); // "-": no settings file at all
    QTest::addColumn<int>("keys");
    QTest::newRow("no file") << QByteArray("-") << 21;
    QTest::newRow("no section") << QByteArray("[overlay]\nport=17610\n") << 21;
    QTest::newRow("empty section") << QByteArray("[hotkeys]\n[overlay]\n") << 0;
    QTest::newRow("own keys only") << QByteArray("[hotkeys]\nF9 = dice step\n") << 1;
}

void ControlTest::hotkeys_default_only_without_section() {
    QFETCH(QByteArray, settings);
    QFETCH(int, keys);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("settings.ini"));
    if (settings != "-") {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(settings);
    }
    const QList<host::Hotkey> read = host::read_hotkeys(path, built_in_games());
    QCOMPARE(read.size(), keys);
    if (keys == 21) {
        // Every default names a real command, and no key is given twice.
        QSet<QString> seen;
        for (const host::Hotkey& key : read) {
            QVERIFY2(!key.request.isEmpty(), qPrintable(key.key_text));
            seen.insert(key.key_text.toLower());
        }
        QCOMPARE(seen.size(), keys);
        QCOMPARE(read.first().command, QStringLiteral("tally preset 1 1"));
        QCOMPARE(read.last().key_text, QStringLiteral("Ctrl+Alt+Space"));
    }
}

void ControlTest::hotkeys_read_a_bounded_section_and_never_wait_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("keys");
    QTest::addColumn<QString>("told"); // part of the one line the host is told
    QTest::newRow("ten thousand lines") << "lines" << int(host::max_hotkey_lines) << "9800";
    QTest::newRow("a FIFO") << "fifo" << 21 << "不是普通文件";
}

void ControlTest::hotkeys_read_a_bounded_section_and_never_wait() {
    QFETCH(QString, kind);
    QFETCH(int, keys);
    QFETCH(QString, told);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("settings.ini"));
    if (kind == u"fifo") {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[hotkeys]\n" + QByteArray("F9 = dice step\n").repeated(10000));
    }
    QStringList ignored;
    QCOMPARE(host::read_hotkeys(path, built_in_games(), &ignored).size(), keys);
    QCOMPARE(ignored.size(), 1);
    QVERIFY2(ignored[0].contains(told), qPrintable(ignored[0]));
}

void ControlTest::control_folder_is_private_data() {
    QTest::addColumn<QString>("runtime"); // XDG_RUNTIME_DIR, "<tmp>" for a fresh folder
    QTest::addColumn<QString>("prepare"); // what lies at the folder's place beforehand
    QTest::addColumn<bool>("usable");

    QTest::newRow("fresh") << "<tmp>"
                           << "" << true;
    QTest::newRow("too open, tightened") << "<tmp>"
                                         << "folder 0755" << true;
    QTest::newRow("a link elsewhere") << "<tmp>"
                                      << "link" << false;
    QTest::newRow("a plain file") << "<tmp>"
                                  << "file" << false;
    QTest::newRow("no runtime folder") << ""
                                       << "" << true;
}

void ControlTest::control_folder_is_private() {
    QFETCH(QString, runtime);
    QFETCH(QString, prepare);
    QFETCH(bool, usable);
    QTemporaryDir dir;
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    const QString expected = runtime.isEmpty()
                                 ? QStringLiteral("/tmp/glimmerhall-%1").arg(::geteuid())
                                 : dir.filePath(QStringLiteral("glimmerhall"));
    if (runtime.isEmpty()) {
        qunsetenv("XDG_RUNTIME_DIR");
    } else {
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir.path()));
    }
    const QByteArray place = QFile::encodeName(expected);
    if (prepare == u"folder 0755") {
        QCOMPARE(::mkdir(place.constData(), 0755), 0);
    } else if (prepare == u"link") {
        QVERIFY(QFile::link(dir.path(), expected));
    } else if (prepare == u"file") {
        QFile file(expected);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    const QString folder = control_folder();
    qputenv("XDG_RUNTIME_DIR", saved);
    QCOMPARE(folder, usable ? expected : QString());
    if (usable) {
        struct stat status {};
        QCOMPARE(::lstat(place.constData(), &status), 0);
        QVERIFY(S_ISDIR(status.st_mode));
        QCOMPARE(status.st_mode & 0777, 0700u);
        QCOMPARE(status.st_uid, ::geteuid());
    }
}

QTEST_MAIN(ControlTest)
#include "tst_control.moc"
