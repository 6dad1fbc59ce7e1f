#include "runtime/desktop.h"
#include "runtime/files.h"
#include "runtime/text.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace glimmer;

class FilesTest : public QObject {
    Q_OBJECT
private slots:
    void profile_lookup_follows_profile_rules_data();
    void profile_lookup_follows_profile_rules();
    void profile_lookup_of_a_missing_file_gives_the_default();
    void ini_file_reads_only_small_regular_files_data();
    void ini_file_reads_only_small_regular_files();
    void write_file_replaces_the_whole_content();
    void write_file_into_a_missing_folder_fails_without_a_trace();
    void make_folder_creates_missing_parents();
    void program_folder_has_no_trailing_separator();
    void config_home_leaves_an_unwritable_program_folder_data();
    void config_home_leaves_an_unwritable_program_folder();
    void open_folder_hands_on_only_existing_folders();
    void move_aside_with_every_name_taken_moves_nothing();
};

void FilesTest::profile_lookup_follows_profile_rules_data() {
    QTest::addColumn<QByteArray>("content"); // as UTF-8 here, stored as GBK
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");
    const QByteArray tally = "[玩家1]\r\n名字=玩家一\r\n数量=1+9\r\n\r\n[玩家2]\r\n名字=玩家二\r\n";
    QTest::newRow("crlf") << tally << "玩家2"
                          << "名字"
                          << "玩家二";
    QTest::newRow("first section") << tally << "玩家1"
                                   << "数量"
                                   << "1+9";
    QTest::newRow("lf only") << QByteArray("[a]\nk=v\n") << "a"
                             << "k"
                             << "v";
    QTest::newRow("missing key") << tally << "玩家1"
                                 << "字大小"
                                 << "default";
    QTest::newRow("missing section") << tally << "广告"
                                     << "内容"
                                     << "default";
    QTest::newRow("key of another section") << tally << "玩家1"
                                            << "名字"
                                            << "玩家一";
    QTest::newRow("ascii case ignored") << QByteArray("[Sec]\nKey=v\n") << "sEC"
                                        << "kEY"
                                        << "v";
    QTest::newRow("blanks trimmed") << QByteArray("[s]\n  k  =  a b  \n") << "s"
                                    << "k"
                                    << "a b";
    QTest::newRow("empty value is present") << QByteArray("[s]\nk=\n") << "s"
                                            << "k"
                                            << "";
    QTest::newRow("comment line") << QByteArray("[s]\n ;k=x\nk=y\n") << "s"
                                  << "k"
                                  << "y";
    QTest::newRow("first key wins") << QByteArray("[s]\nk=1\nk=2\n") << "s"
                                    << "k"
                                    << "1";
    QTest::newRow("first section wins") << QByteArray("[s]\na=1\n[t]\n[s]\nk=2\n") << "s"
                                        << "k"
                                        << "default";
    QTest::newRow("value keeps equals") << QByteArray("[s]\nk=a=b\n") << "s"
                                        << "k"
                                        << "a=b";
    QTest::newRow("plus kept as stored") << QByteArray("[广告]\n内容=a+b\n") << "广告"
                                         << "内容"
                                         << "a+b";
    QTest::newRow("no final line break") << QByteArray("[s]\nk=last") << "s"
                                         << "k"
                                         << "last";
    QTest::newRow("key outside any section") << QByteArray("k=v\n[s]\n") << "s"
                                             << "k"
                                             << "default";
    QTest::newRow("line without equals") << QByteArray("[s]\nk\nk=v\n") << "s"
                                         << "k"
                                         << "v";
}

void FilesTest::profile_lookup_follows_profile_rules() {
    QFETCH(QByteArray, content);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("profile.txt"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(to_gbk(QString::fromUtf8(content)));
    file.close();
    QCOMPARE(IniFile(path).value(section, key, QStringLiteral("default")), expected);
}

void FilesTest::profile_lookup_of_a_missing_file_gives_the_default() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("nothing.txt"));
    QCOMPARE(IniFile(path).value(QStringLiteral("s"), QStringLiteral("k"), QStringLiteral("d")),
             QStringLiteral("d"));
    QCOMPARE(IniFile(path).value(QStringLiteral("s"), QStringLiteral("k")), QString());
}

void FilesTest::ini_file_reads_only_small_regular_files_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("value");
    using S = IniFile::Status;
    QTest::newRow("regular") << "file" << int(S::ok) << "v";
    QTest::newRow("exactly at the cap") << "at cap" << int(S::ok) << "v";
    QTest::newRow("one byte over the cap") << "over cap" << int(S::too_large) << "d";
    // Opening a FIFO for reading would wait for a writer that never comes.
    QTest::newRow("fifo") << "fifo" << int(S::not_a_file) << "d";
    QTest::newRow("folder") << "folder" << int(S::not_a_file) << "d";
    QTest::newRow("missing") << "missing" << int(S::missing) << "d";
}

void FilesTest::ini_file_reads_only_small_regular_files() {
    QFETCH(QString, kind);
    QFETCH(int, status);
    QFETCH(QString, value);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("profile.txt"));
    QByteArray content("[s]\nk=v\n");
    if (kind == u"at cap" || kind == u"over cap") {
        content.append(IniFile::default_max_bytes - content.size() + (kind == u"over cap"), ';');
    }
    if (kind == u"fifo") {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (kind == u"folder") {
        QVERIFY(QDir().mkpath(path));
    } else if (kind != u"missing") {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    const IniFile ini(path);
    QCOMPARE(int(ini.status()), status);
    QCOMPARE(ini.value(QStringLiteral("s"), QStringLiteral("k"), QStringLiteral("d")), value);
}

void FilesTest::write_file_replaces_the_whole_content() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("f.txt"));
    QVERIFY(write_file(path, QByteArray("a much longer first content")));
    QVERIFY(write_file(path, QByteArray("short")));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("short"));
}

void FilesTest::write_file_into_a_missing_folder_fails_without_a_trace() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("missing/f.txt"));
    QString error;
    QVERIFY(!write_file(path, QByteArray("x"), &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!QFile::exists(path));
}

void FilesTest::make_folder_creates_missing_parents() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a/游戏配置们/c"));
    QVERIFY(make_folder(path));
    QVERIFY(QFileInfo(path).isDir());
    QVERIFY(make_folder(path)); // already there is fine
}

void FilesTest::program_folder_has_no_trailing_separator() {
    const QString folder = program_folder();
    QVERIFY(!folder.endsWith(u'/'));
    QVERIFY(QFileInfo::exists(folder + QStringLiteral("/tst_files")));
}

void FilesTest::config_home_leaves_an_unwritable_program_folder_data() {
    QTest::addColumn<QString>("program"); // "<tmp>" stands for a temporary folder
    QTest::addColumn<QString>("xdg");
    QTest::addColumn<QString>("expected");
    // Permission bits do not stop root, so the unwritable program folder is one that is not there.
    const QString missing = QStringLiteral("<tmp>/missing");
    QTest::newRow("writable stays beside the program") << "<tmp>"
                                                       << "<tmp>/xdg"
                                                       << "<tmp>";
    QTest::newRow("unwritable goes to XDG_CONFIG_HOME") << missing << "<tmp>/xdg"
                                                        << "<tmp>/xdg/glimmerhall";
    QTest::newRow("unset falls back to ~/.config") << missing << ""
                                                   << "<home>/.config/glimmerhall";
    QTest::newRow("relative is ignored") << missing << "rel/xdg"
                                         << "<home>/.config/glimmerhall";
    // Writable for root, as the package's folder is.
    QTest::newRow("never under /usr") << "/usr"
                                      << "<tmp>/xdg"
                                      << "<tmp>/xdg/glimmerhall";
}

void FilesTest::config_home_leaves_an_unwritable_program_folder() {
    QFETCH(QString, program);
    QFETCH(QString, xdg);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    const auto fill = [&dir](QString text) {
        return text.replace(QStringLiteral("<home>"), dir.filePath(QStringLiteral("home")))
            .replace(QStringLiteral("<tmp>"), dir.path());
    };
    const QByteArray old_xdg = qgetenv("XDG_CONFIG_HOME");
    const QByteArray old_home = qgetenv("HOME");
    qputenv("HOME", fill(QStringLiteral("<home>")).toUtf8());
    qputenv("XDG_CONFIG_HOME", fill(xdg).toUtf8());
    const QString home = config_home(fill(program));
    qputenv("XDG_CONFIG_HOME", old_xdg);
    qputenv("HOME", old_home);
    QCOMPARE(home, fill(expected));
}

void FilesTest::open_folder_hands_on_only_existing_folders() {
    QTemporaryDir dir;
    QStringList opened;
    set_folder_opener([&opened](const QString& path) { opened << path; });
    QVERIFY(open_folder(dir.path() + QStringLiteral("/")));
    QVERIFY(!open_folder(dir.filePath(QStringLiteral("missing"))));
    QVERIFY(write_file(dir.filePath(QStringLiteral("f.txt")), "x"));
    QVERIFY(!open_folder(dir.filePath(QStringLiteral("f.txt"))));
    set_folder_opener({});
    QCOMPARE(opened, QStringList{dir.path()});
}

void FilesTest::move_aside_with_every_name_taken_moves_nothing() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("history.sqlite"));
    for (const QString& name : {path, path + "-wal"}) {
        QFile file(name);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    // Every name of this second and the next, so that the clock ticking over changes nothing.
    const QDateTime now = QDateTime::currentDateTime();
    for (const QDateTime& second : {now, now.addSecs(1)}) {
        const QString stamp = second.toString(QStringLiteral("yyyyMMdd-HHmmss"));
        for (int n = 1; n <= 99; ++n) {
            QFile taken(path + ".damaged-" + stamp + (n > 1 ? QStringLiteral("-%1").arg(n) : ""));
            QVERIFY(taken.open(QIODevice::WriteOnly));
        }
    }
    const qsizetype before = QDir(dir.path()).entryList(QDir::Files).size();
    QCOMPARE(move_aside(path, {QStringLiteral("-wal")}, QStringLiteral("damaged")), QString());
    QVERIFY(QFile::exists(path) && QFile::exists(path + "-wal"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), before);
}

QTEST_GUILESS_MAIN(FilesTest)
#include "tst_files.moc"
