#include "hostcore/command_line.h"
#include "hostcore/control_words.h"
#include "shell/app_state.h"

#include <QProcess>
#include <QTest>

using glimmer::host::CommandLine;
using Action = CommandLine::Action;

Q_DECLARE_METATYPE(Action)

class TestCommandLine : public QObject {
    Q_OBJECT
private slots:
    void parses_options_in_order_data();
    void parses_options_in_order();
    void help_lists_the_options_and_the_overlay_addresses();
    void parses_ctl_commands_data();
    void parses_ctl_commands();
    void real_program_answers_without_a_display_data();
    void real_program_answers_without_a_display();
};

void TestCommandLine::parses_options_in_order_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<Action>("action");
    QTest::addColumn<int>("port"); // -1: not given

    QTest::newRow("nothing") << QStringList{} << Action::run << -1;
    QTest::newRow("port") << QStringList{"--overlay-port", "9000"} << Action::run << 9000;
    QTest::newRow("port with =") << QStringList{"--overlay-port=0"} << Action::run << 0;
    QTest::newRow("highest port") << QStringList{"--overlay-port", "65535"} << Action::run << 65535;
    QTest::newRow("last port wins")
        << QStringList{"--overlay-port=1", "--overlay-port=2"} << Action::run << 2;
    QTest::newRow("port too high")
        << QStringList{"--overlay-port", "65536"} << Action::usage_error << -1;
    QTest::newRow("port far too high")
        << QStringList{"--overlay-port", "99999999999"} << Action::usage_error << -1;
    QTest::newRow("negative port")
        << QStringList{"--overlay-port", "-1"} << Action::usage_error << -1;
    QTest::newRow("signed port") << QStringList{"--overlay-port", "+80"} << Action::usage_error
                                 << -1;
    QTest::newRow("port with blank")
        << QStringList{"--overlay-port", " 80"} << Action::usage_error << -1;
    QTest::newRow("empty port") << QStringList{"--overlay-port="} << Action::usage_error << -1;
    QTest::newRow("port missing") << QStringList{"--overlay-port"} << Action::usage_error << -1;
    QTest::newRow("help") << QStringList{"--help"} << Action::help << -1;
    QTest::newRow("short help") << QStringList{"-h"} << Action::help << -1;
    QTest::newRow("version") << QStringList{"--version"} << Action::version << -1;
    QTest::newRow("help keeps the port before it")
        << QStringList{"--overlay-port", "81", "--help"} << Action::help << 81;
    QTest::newRow("help first wins over a later fault")
        << QStringList{"--help", "--bogus"} << Action::help << -1;
    QTest::newRow("fault first wins over help")
        << QStringList{"--bogus", "--help"} << Action::usage_error << -1;
    QTest::newRow("unknown option") << QStringList{"--verbose"} << Action::usage_error << -1;
    QTest::newRow("prefix of an option") << QStringList{"--overlay"} << Action::usage_error << -1;
    QTest::newRow("argument") << QStringList{"file.txt"} << Action::usage_error << -1;
    QTest::newRow("new instance") << QStringList{"--new-instance"} << Action::run << -1;
}

void TestCommandLine::parses_options_in_order() {
    QFETCH(QStringList, arguments);
    QFETCH(Action, action);
    QFETCH(int, port);
    std::vector<std::string> list;
    for (const QString& argument : arguments) {
        list.push_back(argument.toStdString());
    }
    const CommandLine line = glimmer::host::parse_command_line(list);
    QCOMPARE(line.action, action);
    QCOMPARE(line.overlay_port.value_or(-1), port);
    QCOMPARE(line.error.empty(), action != Action::usage_error);
    QVERIFY(line.error.find('\n') == std::string::npos);
}

void TestCommandLine::parses_ctl_commands_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("request"); // the JSON sent; "usage" for a usage error, "help"

    QTest::newRow("add") << QStringList{"ctl", "tally", "add", "1", "9999"}
                         << QStringLiteral(
                                R"({"action":"add","amount":"9999","game":"tally","player":1})");
    // The amount goes as typed; the running program judges it, as it judges what it is sent.
    QTest::newRow("amount kept as typed")
        << QStringList{"ctl", "tally", "add", "2", "1\"2\n"}
        << QStringLiteral(R"({"action":"add","amount":"1\"2\n","game":"tally","player":2})");
    QTest::newRow("preset") << QStringList{"ctl", "tally", "preset", "2", "3"}
                            << QStringLiteral(
                                   R"({"action":"preset","game":"tally","n":3,"player":2})");
    QTest::newRow("open") << QStringList{"ctl", "open", "minebox"}
                          << QStringLiteral(R"({"action":"open","game":"minebox"})");
    QTest::newRow("state") << QStringList{"ctl", "state"}
                           << QStringLiteral(R"({"action":"state"})");
    QTest::newRow("options before ctl") << QStringList{"--new-instance", "ctl", "dice", "step"}
                                        << QStringLiteral(R"({"action":"step","game":"dice"})");
    QTest::newRow("ctl help") << QStringList{"ctl", "--help"} << "help";
    // A service's optional argument and option, in any order.
    QTest::newRow("obs setup") << QStringList{"ctl", "obs", "setup"}
                               << QStringLiteral(R"({"action":"setup","service":"obs"})");
    QTest::newRow("obs setup game and scene")
        << QStringList{"ctl", "obs", "setup", "--scene", "直播 场景", "dice"}
        << QStringLiteral(
               R"({"action":"setup","game":"dice","scene":"直播 场景","service":"obs"})");
    QTest::newRow("obs option without value")
        << QStringList{"ctl", "obs", "setup", "--scene"} << "usage";
    QTest::newRow("obs unknown option") << QStringList{"ctl", "obs", "remove", "--all"} << "usage";
    QTest::newRow("obs two games")
        << QStringList{"ctl", "obs", "setup", "dice", "tally"} << "usage";
    QTest::newRow("obs status extra") << QStringList{"ctl", "obs", "status", "x"} << "usage";
    QTest::newRow("nothing after ctl") << QStringList{"ctl"} << "usage";
    QTest::newRow("player 3") << QStringList{"ctl", "tally", "add", "3", "5"} << "usage";
    QTest::newRow("preset 0") << QStringList{"ctl", "tally", "preset", "1", "0"} << "usage";
    QTest::newRow("box not a number") << QStringList{"ctl", "minebox", "dig", "x"} << "usage";
    QTest::newRow("missing argument") << QStringList{"ctl", "minebox", "credit"} << "usage";
    QTest::newRow("extra argument") << QStringList{"ctl", "tally", "undo", "1"} << "usage";
    QTest::newRow("unknown game") << QStringList{"ctl", "chess", "move"} << "usage";
}

void TestCommandLine::parses_ctl_commands() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, request);
    std::vector<std::string> list;
    for (const QString& argument : arguments) {
        list.push_back(argument.toStdString());
    }
    const CommandLine line = glimmer::host::parse_command_line(list);
    QCOMPARE(line.action, Action::control);
    const glimmer::host::ControlRequest read =
        glimmer::host::parse_control_words(line.words, glimmer::built_in_games());
    if (request == u"usage") {
        QVERIFY(read.request.isEmpty() && !read.error.isEmpty() && !read.error.contains(u'\n'));
    } else if (request == u"help") {
        QVERIFY(read.help);
    } else {
        QCOMPARE(QString::fromUtf8(read.request), request);
    }
}

void TestCommandLine::help_lists_the_options_and_the_overlay_addresses() {
    const QString defaults =
        QString::fromStdString(glimmer::host::help_text({}, {"tally", "dice", "minebox"}));
    for (const char* expected :
         {"--overlay-port N", "--help", "--version", "17610", "[overlay]", "settings.ini",
          "http://127.0.0.1:17610/overlay/tally", "http://127.0.0.1:17610/overlay/dice",
          "http://127.0.0.1:17610/overlay/minebox"}) {
        QVERIFY2(defaults.contains(QLatin1String(expected)), expected);
    }
    CommandLine given;
    given.overlay_port = 9000;
    QVERIFY(QString::fromStdString(glimmer::host::help_text(given, {"tally", "dice", "minebox"}))
                .contains(QLatin1String("http://127.0.0.1:9000/overlay/dice")));
    given.overlay_port = 0;
    QVERIFY(!QString::fromStdString(glimmer::host::help_text(given, {"tally", "dice", "minebox"}))
                 .contains(QLatin1String("/overlay/dice")));
}

void TestCommandLine::real_program_answers_without_a_display_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exit_code");
    QTest::addColumn<QString>("out");    // start of standard output
    QTest::addColumn<QString>("err");    // start of standard error
    QTest::addColumn<QString>("locale"); // LANG; C.UTF-8 unless the row is about the language

    QTest::newRow("version") << QStringList{"--version"} << 0
                             << QStringLiteral("glimmerhall " GLIMMER_VERSION "\n") << QString()
                             << QStringLiteral("C.UTF-8");
    QTest::newRow("help") << QStringList{"--help"} << 0 << QStringLiteral("Usage: glimmerhall")
                          << QString() << QStringLiteral("C.UTF-8");
    QTest::newRow("unknown option")
        << QStringList{"--frobnicate"} << 2 << QString()
        << QStringLiteral("glimmerhall: unrecognised option '--frobnicate'\nUsage: glimmerhall")
        << QStringLiteral("C.UTF-8");
    QTest::newRow("ctl help") << QStringList{"ctl", "--help"} << 0
                              << QStringLiteral("Usage: glimmerhall ctl") << QString()
                              << QStringLiteral("C.UTF-8");
    QTest::newRow("ctl usage") << QStringList{"ctl", "tally"} << 2 << QString()
                               << QStringLiteral("glimmerhall: unknown ctl command 'tally'; see "
                                                 "'glimmerhall ctl --help'\n"
                                                 "Usage: glimmerhall ctl")
                               << QStringLiteral("C.UTF-8");
    QTest::newRow("bad port") << QStringList{"--overlay-port", "70000"} << 2 << QString()
                              << QStringLiteral("glimmerhall: invalid overlay port '70000'")
                              << QStringLiteral("C.UTF-8");
    // A pasted screenful is echoed cut short, on one short line.
    QTest::newRow("100000-digit port")
        << QStringList{QStringLiteral("--overlay-port=") + QString(100000, u'7')} << 2 << QString()
        << QStringLiteral("glimmerhall: invalid overlay port '%1…': give a whole number from 0 "
                          "to 65535\nUsage: glimmerhall")
               .arg(QString(40, u'7'))
        << QStringLiteral("C.UTF-8");
    QTest::newRow("long option cut between characters")
        << QStringList{QStringLiteral("--") + QString(100, u'端')} << 2 << QString()
        << QStringLiteral("glimmerhall: unrecognised option '--%1…'\nUsage: glimmerhall")
               .arg(QString(12, u'端'))
        << QStringLiteral("C.UTF-8");
    // Chinese for every zh_* locale, English for every other.
    QTest::newRow("help in Chinese")
        << QStringList{"--help"} << 0 << QStringLiteral("用法：glimmerhall") << QString()
        << QStringLiteral("zh_CN.UTF-8");
    QTest::newRow("help in Chinese, Taiwan")
        << QStringList{"--help"} << 0 << QStringLiteral("用法：glimmerhall") << QString()
        << QStringLiteral("zh_TW.UTF-8");
    QTest::newRow("help in English, France")
        << QStringList{"--help"} << 0 << QStringLiteral("Usage: glimmerhall") << QString()
        << QStringLiteral("fr_FR.UTF-8");
    QTest::newRow("ctl usage in Chinese")
        << QStringList{"ctl", "tally"} << 2 << QString()
        << QStringLiteral("glimmerhall: 没有这个 ctl 命令：'tally'")
        << QStringLiteral("zh_CN.UTF-8");
    QTest::newRow("verify in Chinese")
        << QStringList{"verify", "dice", QString(64, u'a'), "--round", "1", "--throws", "3"} << 0
        << QStringLiteral("dice 第 1 轮\n种子  ") << QString() << QStringLiteral("zh_CN.UTF-8");
}

// Through the real launcher and runtime, with no display at all: a window would fail here.
void TestCommandLine::real_program_answers_without_a_display() {
    QFETCH(QStringList, arguments);
    QFETCH(int, exit_code);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QFETCH(QString, locale);
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LANG"), locale);
    environment.remove(QStringLiteral("LC_ALL"));
    environment.remove(QStringLiteral("LC_MESSAGES"));
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(LAUNCHER), arguments);
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), exit_code);
    const QString standard_output = QString::fromUtf8(process.readAllStandardOutput());
    const QString standard_error = QString::fromUtf8(process.readAllStandardError());
    QVERIFY2(out.isEmpty() ? standard_output.isEmpty() : standard_output.startsWith(out),
             qPrintable(standard_output));
    QVERIFY2(err.isEmpty() ? standard_error.isEmpty() : standard_error.startsWith(err),
             qPrintable(standard_error));
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_command_line.moc"
