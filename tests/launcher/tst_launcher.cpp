// Runs the real launcher, copied into temporary folders beside stand-in runtime libraries,
// with its configuration folder pointed into the same temporary tree.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/inotify.h>
#include <unistd.h>

namespace {

const QByteArray error_line =
    "Error: Not found the kernel library or the kernel library is invalid!\n";

// Which stand-in goes into a folder: nothing, one that enters, one that refuses, one without
// the export, or a file that is no library at all.
enum class Host { none, enters, refuses, no_entry, not_a_library };
// What the per-user key holds.
enum class Key { none, folder, folder_with_separator, folder_crlf, no_path_value, other_folder };
// Where the configuration folder is found.
enum class Config { xdg, home, relative_xdg };

QString host_file(Host host) {
    switch (host) {
    case Host::enters:
        return QStringLiteral(TEST_HOST_ENTERS);
    case Host::refuses:
        return QStringLiteral(TEST_HOST_REFUSES);
    case Host::no_entry:
        return QStringLiteral(TEST_HOST_NO_ENTRY);
    default:
        return {};
    }
}

bool place(Host host, const QString& path) {
    if (host == Host::none) {
        return true;
    }
    if (host == Host::not_a_library) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write("not a library\n") > 0;
    }
    return QFile::copy(host_file(host), path);
}

bool write_bytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray read_bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A folder under the root; a deep one has a path far longer than 128 characters, and longer
// than the 260 bytes an old path buffer held.
QString make_folder(const QString& root, const QString& name, bool deep) {
    QString path = root + u'/' + name;
    if (deep) {
        for (int i = 0; i < 6; ++i) {
            path += u'/' + QString(48, QChar(u'a' + i));
        }
    }
    return QDir().mkpath(path) ? path : QString();
}

// Counts the times a file is opened while it is watched.
class OpenWatch {
public:
    explicit OpenWatch(const QString& path) : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        if (fd_ >= 0) {
            inotify_add_watch(fd_, QFile::encodeName(path).constData(), IN_OPEN);
        }
    }
    ~OpenWatch() {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    OpenWatch(const OpenWatch&) = delete;
    OpenWatch& operator=(const OpenWatch&) = delete;

    int opens() const {
        int count = 0;
        alignas(inotify_event) char buffer[4096];
        for (;;) {
            const ssize_t length = read(fd_, buffer, sizeof buffer);
            if (length <= 0) {
                return count;
            }
            for (ssize_t at = 0; at < length;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                count += (event->mask & IN_OPEN) != 0 ? 1 : 0;
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
    }

private:
    int fd_;
};

struct Run {
    int exit_code = -1;
    QByteArray error_output;
};

Run run_launcher(const QString& launcher, const QProcessEnvironment& environment) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(QFileInfo(launcher).absolutePath());
    process.start(launcher, {});
    Run run;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exit_code = process.exitCode();
    run.error_output = process.readAllStandardError();
    return run;
}

// A clean environment: no desktop, so no box waits for a click, and nothing of the caller's
// configuration folder.
QProcessEnvironment base_environment(const QString& root) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.insert(QStringLiteral("HOME"), root + QStringLiteral("/home"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), root + QStringLiteral("/config"));
    environment.insert(QStringLiteral("GLIMMER_TEST_MARKER"), root + QStringLiteral("/entered"));
    return environment;
}

QString copy_launcher(const QString& folder) {
    const QString path = folder + QStringLiteral("/glimmerhall");
    if (!QFile::copy(QStringLiteral(LAUNCHER), path)) {
        return {};
    }
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

} // namespace

class TestLauncher : public QObject {
    Q_OBJECT

private slots:
    void finds_and_enters_runtime_data();
    void finds_and_enters_runtime();
    void error_box_shown_only_on_desktop_data();
    void error_box_shown_only_on_desktop();
};

void TestLauncher::finds_and_enters_runtime_data() {
    QTest::addColumn<Host>("beside");
    QTest::addColumn<Host>("installed");
    QTest::addColumn<Key>("key");
    QTest::addColumn<Config>("config");
    QTest::addColumn<bool>("deep");
    QTest::addColumn<int>("exit_code");
    QTest::addColumn<QString>("entered"); // folder of the library entered, empty for none

    const QString beside = QStringLiteral("app/hostcore.rtl");
    const QString installed = QStringLiteral("runtime/hostcore.rtx");
    // clang-format off
    QTest::newRow("library beside wins over the key")
        << Host::enters << Host::enters << Key::folder << Config::xdg << false << 0 << beside;
    QTest::newRow("library beside, no key")
        << Host::enters << Host::none << Key::none << Config::xdg << false << 0 << beside;
    QTest::newRow("key folder without trailing separator")
        << Host::none << Host::enters << Key::folder << Config::xdg << false << 0 << installed;
    QTest::newRow("key folder with trailing separator")
        << Host::none << Host::enters << Key::folder_with_separator << Config::xdg << false << 0 << installed;
    QTest::newRow("key written with CR LF line ends")
        << Host::none << Host::enters << Key::folder_crlf << Config::xdg << false << 0 << installed;
    QTest::newRow("key under HOME/.config when XDG_CONFIG_HOME is unset")
        << Host::none << Host::enters << Key::folder << Config::home << false << 0 << installed;
    QTest::newRow("relative XDG_CONFIG_HOME ignored")
        << Host::none << Host::enters << Key::folder << Config::relative_xdg << false << 0 << installed;
    QTest::newRow("file beside that is no library falls back to the key")
        << Host::not_a_library << Host::enters << Key::folder << Config::xdg << false << 0 << installed;
    QTest::newRow("program in a folder longer than 128 characters")
        << Host::enters << Host::none << Key::none << Config::xdg << true << 0 << beside;
    QTest::newRow("install folder longer than 260 bytes")
        << Host::none << Host::enters << Key::folder << Config::xdg << true << 0 << installed;
    QTest::newRow("neither library nor key")
        << Host::none << Host::none << Key::none << Config::xdg << false << 255 << QString();
    QTest::newRow("key without a Path value")
        << Host::none << Host::enters << Key::no_path_value << Config::xdg << false << 255 << QString();
    QTest::newRow("key naming a folder without the library")
        << Host::none << Host::enters << Key::other_folder << Config::xdg << false << 255 << QString();
    QTest::newRow("key present, installed library missing")
        << Host::none << Host::none << Key::folder << Config::xdg << false << 255 << QString();
    QTest::newRow("library beside without GetHostEntry, no fallback")
        << Host::no_entry << Host::enters << Key::folder << Config::xdg << false << 255 << QString();
    QTest::newRow("library beside refusing the request, no fallback")
        << Host::refuses << Host::enters << Key::folder << Config::xdg << false << 255 << QString();
    QTest::newRow("installed library without GetHostEntry")
        << Host::none << Host::no_entry << Key::folder << Config::xdg << false << 255 << QString();
    QTest::newRow("installed library refusing the request")
        << Host::none << Host::refuses << Key::folder << Config::xdg << false << 255 << QString();
    // clang-format on
}

void TestLauncher::finds_and_enters_runtime() {
    QFETCH(Host, beside);
    QFETCH(Host, installed);
    QFETCH(Key, key);
    QFETCH(Config, config);
    QFETCH(bool, deep);
    QFETCH(int, exit_code);
    QFETCH(QString, entered);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString app = make_folder(root.path(), QStringLiteral("app"), deep);
    const QString runtime = make_folder(root.path(), QStringLiteral("runtime"), deep);
    QVERIFY(!app.isEmpty() && !runtime.isEmpty());
    if (deep) {
        QVERIFY(app.size() > 260 && runtime.size() > 260);
    }
    const QString launcher = copy_launcher(app);
    QVERIFY(!launcher.isEmpty());
    QVERIFY(place(beside, app + QStringLiteral("/hostcore.rtl")));
    QVERIFY(place(installed, runtime + QStringLiteral("/hostcore.rtx")));

    QProcessEnvironment environment = base_environment(root.path());
    QString config_folder = root.path() + QStringLiteral("/config");
    if (config == Config::home || config == Config::relative_xdg) {
        config_folder = root.path() + QStringLiteral("/home/.config");
        if (config == Config::home) {
            environment.remove(QStringLiteral("XDG_CONFIG_HOME"));
        } else {
            environment.insert(QStringLiteral("XDG_CONFIG_HOME"), QStringLiteral("config"));
        }
    }
    const QString key_folder = config_folder + QStringLiteral("/HostCore");
    const QString key_file = key_folder + QStringLiteral("/Install");
    QVERIFY(QDir().mkpath(key_folder));
    const QByteArray folder_bytes = QFile::encodeName(runtime);
    QByteArray key_text;
    switch (key) {
    case Key::none:
        break;
    case Key::folder:
        key_text = "Path=" + folder_bytes + '\n';
        break;
    case Key::folder_with_separator:
        key_text = "Path=" + folder_bytes + "/\n";
        break;
    case Key::folder_crlf:
        key_text = "Version=2\r\nPath=" + folder_bytes + "\r\n";
        break;
    case Key::no_path_value:
        key_text = "Folder=" + folder_bytes + "\nPathname=" + folder_bytes + '\n';
        break;
    case Key::other_folder:
        key_text = "Path=" + QFile::encodeName(app) + '\n';
        break;
    }
    if (key != Key::none) {
        QVERIFY(write_bytes(key_file, key_text));
    }

    const OpenWatch watch(key_file);
    const Run run = run_launcher(launcher, environment);

    QCOMPARE(run.exit_code, exit_code);
    const QByteArray marker = read_bytes(root.path() + QStringLiteral("/entered"));
    if (entered.isEmpty()) {
        QCOMPARE(marker, QByteArray());
        QVERIFY2(run.error_output.contains(error_line), run.error_output.constData());
    } else {
        const QString library = (entered.startsWith(QStringLiteral("app")) ? app : runtime) + u'/' +
                                QFileInfo(entered).fileName();
        QCOMPARE(marker, QFile::encodeName(library) + "\nimage ok\n");
        QVERIFY(!run.error_output.contains(error_line));
    }
    // A library that loads beside the program settles the matter before the key is looked
    // at; otherwise the key is read, which also shows that the watch sees the reads.
    if (key != Key::none) {
        const bool loads_beside =
            beside == Host::enters || beside == Host::refuses || beside == Host::no_entry;
        QCOMPARE(watch.opens() > 0, !loads_beside);
    }
}

void TestLauncher::error_box_shown_only_on_desktop_data() {
    QTest::addColumn<QString>("display");
    QTest::addColumn<bool>("box_program_present");
    QTest::addColumn<bool>("box_shown");

    QTest::newRow("desktop") << QStringLiteral(":57") << true << true;
    QTest::newRow("no desktop") << QString() << true << false;
    QTest::newRow("desktop without a box program") << QStringLiteral(":57") << false << false;
}

void TestLauncher::error_box_shown_only_on_desktop() {
    QFETCH(QString, display);
    QFETCH(bool, box_program_present);
    QFETCH(bool, box_shown);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString app = make_folder(root.path(), QStringLiteral("app"), false);
    const QString tools = make_folder(root.path(), QStringLiteral("tools"), false);
    const QString launcher = copy_launcher(app);
    QVERIFY(!launcher.isEmpty());
    // Stands in for xmessage: records its arguments, one a line, and closes at once.
    const QString record = root.path() + QStringLiteral("/box");
    if (box_program_present) {
        const QString fake = tools + QStringLiteral("/xmessage");
        QVERIFY(write_bytes(fake, "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$BOX_RECORD\"\n"));
        QFile::setPermissions(fake, QFile::ReadOwner | QFile::ExeOwner);
    }

    QProcessEnvironment environment = base_environment(root.path());
    environment.insert(QStringLiteral("PATH"), tools);
    environment.insert(QStringLiteral("BOX_RECORD"), record);
    if (!display.isEmpty()) {
        environment.insert(QStringLiteral("DISPLAY"), display);
    }
    const Run run = run_launcher(launcher, environment);

    QCOMPARE(run.exit_code, 255);
    QCOMPARE(run.error_output, error_line);
    const QList<QByteArray> arguments = read_bytes(record).split('\n');
    if (box_shown) {
        const qsizetype title = arguments.indexOf("-title");
        QVERIFY(title >= 0 && title + 1 < arguments.size());
        QCOMPARE(arguments[title + 1], QByteArray("Error"));
        QCOMPARE(arguments.value(arguments.size() - 2),
                 QByteArray("Not found the kernel library or the kernel library is invalid!"));
    } else {
        QVERIFY(!QFile::exists(record));
    }
}

QTEST_GUILESS_MAIN(TestLauncher)
#include "tst_launcher.moc"
