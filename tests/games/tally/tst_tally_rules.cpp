#include "games/tally/tally_config.h"
#include "games/tally/tally_rules.h"
#include "games/tally/tally_settings.h"
#include "runtime/files.h"
#include "runtime/text.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

#include <unistd.h>

using namespace glimmer;

Q_DECLARE_METATYPE(glimmer::Leader)

namespace {

const QString site = QStringLiteral("http://glimmerhall.example");
const QStringList presets{"1", "9", "99", "999", "9999"};

// The default file's first 329 bytes as GBK, taken from an independent encoder; the maker's
// address follows them.
const QByteArray default_file_hex =
    "5bcde6bcd2315d0d0ac3fbd7d63dcde6bcd2d2bb0d0acafdc1bf3d312b392b39392b3939392b393939390d0a0d0a5b"
    "cd"
    "e6bcd2325d0d0ac3fbd7d63dcde6bcd2b6fe0d0acafdc1bf3d312b392b39392b3939392b393939390d0a0d0a5bb9e3"
    "b8"
    "e65d0d0ad7d6b4f3d0a13d31300d0ac4dac8dd3dcab9d3c3cbb5c3f7a3ba2bcbabbbf7b6d4d3a6cde6bcd2b5c4c1d0"
    "b1"
    "edd6b1bdd3bdabb5e3bbf7b5c4cafdc1bfd4f6bcd3b5bd504bcafdc1bfd6d0a1a3b5a5bbf7b6d4d3a6cde6bcd2b5c4"
    "c1"
    "d0b1edceaad1a1d4f1cde6bcd2a3acc8bbbaf3bfc9d2d4d4dacafdc1bfcae4c8ebbff2cae4c8ebcfebd2aab5c4cafd"
    "c1"
    "bf2bcab9d3c3cab1bfc9d2d4b4f2bfaab3ccd0f2c4bfc2bcd5d2b5bd5bd3cecfb7c5e4d6c3c3c75dcec4bcfebcd0cf"
    "c2"
    "b5c45b51756f7276616e655dcec4bcfec5e4d6c3cfe0d3a6d3cecfb72bc4dac8dd4f737472756e652b";

void put_file(const QString& folder, const QByteArray& bytes) {
    QVERIFY(QDir().mkpath(folder + "/游戏配置们"));
    QFile file(tally_config_path(folder));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray file_bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TallyRulesTest : public QObject {
    Q_OBJECT
private slots:
    void default_file_is_exact_gbk_ending_with_the_site();
    void missing_file_gives_every_default_and_creates_nothing();
    void load_reads_each_key_with_its_default_data();
    void load_reads_each_key_with_its_default();
    void load_replaces_the_amounts_held_before();
    void gbk_names_read_back();
    void files_in_other_encodings_are_read_and_told_data();
    void files_in_other_encodings_are_read_and_told();
    void settings_the_file_cannot_hold_are_refused_data();
    void settings_the_file_cannot_hold_are_refused();
    void written_settings_read_back_the_same();
    void what_was_not_read_is_moved_aside_before_a_write_data();
    void what_was_not_read_is_moved_aside_before_a_write();
    void written_default_reads_back_as_the_table_shows();
    void write_into_a_read_only_folder_keeps_the_old_file();
    void totals_add_and_compare_data();
    void totals_add_and_compare();
};

void TallyRulesTest::default_file_is_exact_gbk_ending_with_the_site() {
    QCOMPARE(default_tally_config(site).toHex(), default_file_hex + site.toLatin1().toHex());
    const QByteArray other = default_tally_config(QStringLiteral("https://a.example:8080"));
    QVERIFY(other.endsWith("Ostrune+https://a.example:8080"));
    QCOMPARE(other.count("\r\n"), 10);
    QVERIFY(!other.contains('\0'));
}

void TallyRulesTest::missing_file_gives_every_default_and_creates_nothing() {
    QTemporaryDir dir;
    TallyConfig config;
    config.player_one_amounts = QStringList{"stale"};
    config.advert_raw = "stale";
    const TallyPage page = load_tally_config(config, dir.path());
    QCOMPARE(page.player_one_name, QStringLiteral("玩家1木有名字"));
    QCOMPARE(page.player_two_name, QStringLiteral("玩家2木有名字"));
    QCOMPARE(config.player_one_amounts, presets);
    QCOMPARE(config.player_two_amounts, presets);
    QCOMPARE(config.advert_raw, QString());
    QCOMPARE(page.advert_text, QString());
    QCOMPARE(page.advert_font_size, 0);
    QVERIFY(!QFile::exists(tally_config_path(dir.path())));
    QVERIFY(!QDir(dir.path() + "/游戏配置们").exists());
}

void TallyRulesTest::load_reads_each_key_with_its_default_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("name_one");
    QTest::addColumn<QString>("name_two");
    QTest::addColumn<QStringList>("amounts_one");
    QTest::addColumn<QStringList>("amounts_two");
    QTest::addColumn<QString>("advert");
    QTest::addColumn<int>("font_size");
    const QString nameless_one = QStringLiteral("玩家1木有名字");
    const QString nameless_two = QStringLiteral("玩家2木有名字");
    auto row = [](const char* name, const QString& file, const QString& one, const QString& two,
                  const QStringList& amounts_one, const QStringList& amounts_two,
                  const QString& advert, int size) {
        QTest::newRow(name) << file << one << two << amounts_one << amounts_two << advert << size;
    };

    row("only player one's name", "[玩家1]\r\n名字=阿强", "阿强", nameless_two, presets, presets,
        "", 0);
    row("amount without plus is one row", "[玩家1]\r\n数量=5\r\n[玩家2]\r\n数量=12.5", nameless_one,
        nameless_two, {"5"}, {"12.5"}, "", 0);
    row("empty pieces make no row", "[玩家1]\r\n数量=+1++2+\r\n[玩家2]\r\n数量=", nameless_one,
        nameless_two, {"1", "2"}, {}, "", 0);
    row("amounts stay text", "[玩家2]\r\n数量=abc+ 7+1e3", nameless_one, nameless_two, presets,
        {"abc", " 7", "1e3"}, "", 0);
    row("plus in the advert breaks the line", "[广告]\r\n内容=上+下\r\n字大小=14", nameless_one,
        nameless_two, presets, presets, "上\r\n下", 14);
    row("advert without plus is one line, names keep plus",
        "[广告]\r\n内容=一行\r\n[玩家1]\r\n名字=A+B", "A+B", nameless_two, presets, presets, "一行",
        0);
    row("several and trailing plus", "[广告]\r\n内容=a++b+", nameless_one, nameless_two, presets,
        presets, "a\r\n\r\nb\r\n", 0);
    row("font size not a number", "[广告]\r\n字大小=大", nameless_one, nameless_two, presets,
        presets, "", 0);
    row("font size with a fraction and LF lines", "[广告]\n字大小=12.9\n", nameless_one,
        nameless_two, presets, presets, "", 12);
    row("keys under the wrong section are not read", "[玩家2]\r\n名字=乙\r\n[玩家3]\r\n名字=丙",
        nameless_one, "乙", presets, presets, "", 0);

    // A hand-edited value never puts more than a bounded list or box on screen.
    QStringList many;
    for (int i = 1; i <= max_amount_rows + 50; ++i) {
        many << QString::number(i);
    }
    const QString many_lines = QStringLiteral("l+").repeated(max_advert_lines + 50);
    row("amounts beyond the limit are dropped",
        "[玩家1]\r\n数量=" + QString(many.join(u'+')) + "+++" + "\r\n[广告]\r\n内容=" + many_lines,
        nameless_one, nameless_two, many.mid(0, max_amount_rows), presets,
        QStringLiteral("l\r\n").repeated(max_advert_lines - 1) + "l", 0);
}

void TallyRulesTest::load_reads_each_key_with_its_default() {
    QFETCH(QString, file);
    QTemporaryDir dir;
    put_file(dir.path(), to_gbk(file));
    TallyConfig config;
    const TallyPage page = load_tally_config(config, dir.path());
    QTEST(page.player_one_name, "name_one");
    QTEST(page.player_two_name, "name_two");
    QTEST(config.player_one_amounts, "amounts_one");
    QTEST(config.player_two_amounts, "amounts_two");
    QTEST(page.advert_text, "advert");
    QTEST(page.advert_font_size, "font_size");
    QCOMPARE(advert_lines(config.advert_raw), page.advert_text);
    QVERIFY(page.file_problem.isEmpty());
}

void TallyRulesTest::load_replaces_the_amounts_held_before() {
    QTemporaryDir dir;
    put_file(dir.path(), to_gbk("[玩家1]\r\n数量=3+4\r\n[玩家2]\r\n数量=5\r\n[广告]\r\n内容=x+y"));
    TallyConfig config;
    load_tally_config(config, dir.path());
    load_tally_config(config, dir.path());
    QCOMPARE(config.player_one_amounts, (QStringList{"3", "4"}));
    QCOMPARE(config.player_two_amounts, QStringList{"5"});
    QCOMPARE(config.advert_raw, QStringLiteral("x+y"));
}

void TallyRulesTest::gbk_names_read_back() {
    QTemporaryDir dir;
    // [玩家1] 名字=张三 and [玩家2] 名字=李四, written byte by byte in GBK.
    put_file(dir.path(), QByteArray::fromHex("5bcde6bcd2315d0d0ac3fbd7d63dd5c5c8fd0d0a"
                                             "5bcde6bcd2325d0d0ac3fbd7d63dc0eecbc4"));
    TallyConfig config;
    const TallyPage page = load_tally_config(config, dir.path());
    QCOMPARE(page.player_one_name, QStringLiteral("张三"));
    QCOMPARE(page.player_two_name, QStringLiteral("李四"));
}

void TallyRulesTest::written_default_reads_back_as_the_table_shows() {
    QTemporaryDir dir;
    QVERIFY(write_default_tally_config(dir.path(), site));
    QCOMPARE(file_bytes(tally_config_path(dir.path())), default_tally_config(site));
    TallyConfig config;
    const TallyPage page = load_tally_config(config, dir.path());
    QCOMPARE(page.player_one_name, QStringLiteral("玩家一"));
    QCOMPARE(page.player_two_name, QStringLiteral("玩家二"));
    QCOMPARE(config.player_one_amounts, presets);
    QCOMPARE(config.player_two_amounts, presets);
    QCOMPARE(page.advert_font_size, 10);
    const QStringList lines = page.advert_text.split("\r\n");
    QCOMPARE(lines.size(), 5);
    QCOMPARE(lines[0], QStringLiteral("使用说明："));
    QCOMPARE(lines[1], QStringLiteral("双击对应玩家的列表直接将点击的数量增加到PK数量中。"
                                      "单击对应玩家的列表为选择玩家，然后可以在数量输入框输入"
                                      "想要的数量"));
    QCOMPARE(lines[2], QStringLiteral("使用时可以打开程序目录找到[游戏配置们]文件夹下的"
                                      "[Quorvane]文件配置相应游戏"));
    QCOMPARE(lines[3], QStringLiteral("内容Ostrune"));
    QCOMPARE(lines[4], site);
}

void TallyRulesTest::write_into_a_read_only_folder_keeps_the_old_file() {
    if (geteuid() == 0) {
        QSKIP("permissions do not bind the superuser");
    }
    QTemporaryDir dir;
    const QByteArray old = to_gbk("[玩家1]\r\n名字=旧");
    put_file(dir.path(), old);
    QFile::setPermissions(tally_config_folder(dir.path()), QFile::ReadOwner | QFile::ExeOwner);
    QVERIFY(!write_default_tally_config(dir.path(), site));
    QFile::setPermissions(tally_config_folder(dir.path()),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(file_bytes(tally_config_path(dir.path())), old);
}

void TallyRulesTest::totals_add_and_compare_data() {
    QTest::addColumn<QString>("total_one");
    QTest::addColumn<QString>("total_two");
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QString>("new_total_one");
    QTest::addColumn<Leader>("leader");
    QTest::addColumn<QString>("difference");
    auto row = [](const char* name, const QString& one, const QString& two, const QString& amount,
                  const QString& sum, Leader leader, const QString& difference) {
        QTest::newRow(name) << one << two << amount << sum << leader << difference;
    };

    row("whole", "0", "0", "99", "99", Leader::player_one, "99");
    row("two leads, gap positive", "1", "200", "9", "10", Leader::player_two, "190");
    row("equal", "5", "10", "5", "10", Leader::none, "");
    row("fractions within the tie margin", "0.1", "0.3", "0.2", "0.3", Leader::none, "");
    row("just beyond the margin", "0", "0", "0.000001", "0.000001", Leader::player_one, "0.000001");
    row("text that is no number adds 0", "7", "3", "abc", "7", Leader::player_one, "4");
    row("leading number of a text", "1", "0", "12abc", "13", Leader::player_one, "13");
    row("negative amount", "5", "0", "-8", "-3", Leader::player_two, "3");
    row("large totals stay plain digits", "9999999999999", "0", "9999999999999", "19999999999998",
        Leader::player_one, "19999999999998");
}

void TallyRulesTest::totals_add_and_compare() {
    QFETCH(QString, total_one);
    QFETCH(QString, total_two);
    QFETCH(QString, amount);
    QFETCH(QString, new_total_one);
    const QString added = added_total(total_one, amount);
    QCOMPARE(added, new_total_one);
    const Standing standing = compare_totals(added, total_two);
    QTEST(standing.leader, "leader");
    QTEST(standing.difference, "difference");
}

void TallyRulesTest::files_in_other_encodings_are_read_and_told_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("name_one");
    QTest::addColumn<QString>("told"); // the start of what the host hears; empty for nothing
    const QString text = QStringLiteral("[玩家1]\r\n名字=小鹿·α\r\n");
    QTest::newRow("GBK") << to_gbk(QStringLiteral("[玩家1]\r\n名字=小鹿\r\n")) << "小鹿"
                         << QString();
    QTest::newRow("ASCII") << QByteArray("[\xCD\xE6\xBC\xD2"
                                         "1]\r\nname=x\r\n")
                           << "玩家1木有名字" << QString();
    QTest::newRow("UTF-8") << text.toUtf8() << "小鹿·α"
                           << "配置文件是 UTF-8 编码，已按 UTF-8 读取；下次保存时会改写成 GBK";
    QTest::newRow("UTF-8 with a byte-order mark")
        << QByteArray("\xEF\xBB\xBF") + text.toUtf8() << "小鹿·α"
        << "配置文件是 UTF-8 编码";
    // As the setup dialog writes what GBK cannot hold: nothing to tell.
    QTest::newRow("UTF-8 that GBK cannot hold")
        << QByteArray("\xEF\xBB\xBF") + QStringLiteral("[玩家1]\r\n名字=小鹿🎮\r\n").toUtf8()
        << "小鹿🎮" << QString();
    QTest::newRow("neither") << QByteArray("[\xCD\xE6\xBC\xD2"
                                           "1]\r\n\x81\x7F=x\r\n")
                             << "玩家1木有名字"
                             << "配置文件既不是 GBK 编码也不是 UTF-8 编码";
}

void TallyRulesTest::files_in_other_encodings_are_read_and_told() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, told);
    QTemporaryDir dir;
    QVERIFY(QDir().mkpath(tally_config_folder(dir.path())));
    QFile file(tally_config_path(dir.path()));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    TallyConfig config;
    const TallyPage page = load_tally_config(config, dir.path());
    QTEST(page.player_one_name, "name_one");
    if (told.isEmpty()) {
        QCOMPARE(page.file_problem, QString());
    } else {
        QVERIFY2(page.file_problem.startsWith(told), qPrintable(page.file_problem));
        QVERIFY(page.file_problem.endsWith(tally_config_path(dir.path())));
    }
}

void TallyRulesTest::settings_the_file_cannot_hold_are_refused_data() {
    QTest::addColumn<QString>("name_one");
    QTest::addColumn<QStringList>("amounts_two");
    QTest::addColumn<QString>("advert");
    QTest::addColumn<QString>("problem"); // empty: accepted
    const QStringList fine{"1", "-2", "0.5", "99"};
    QTest::newRow("fine") << "小鹿" << fine << "第一行\n第二行" << QString();
    QTest::newRow("a name GBK cannot hold, kept in UTF-8")
        << QStringLiteral("小鹿🎮") << fine << "" << QString();
    QTest::newRow("an empty name") << " " << fine << ""
                                   << "玩家一的名字不能为空";
    QTest::newRow("an amount that is no number") << "小鹿" << QStringList{"1", "九"} << ""
                                                 << "玩家二的预设数量“九”不是数字";
    QTest::newRow("a plus in an amount") << "小鹿" << QStringList{"1+2"} << ""
                                         << "玩家二的预设数量“1+2”不是数字";
    QTest::newRow("a plus in the advert") << "小鹿" << fine << "a+b"
                                          << "广告文字里不能有“+”";
}

void TallyRulesTest::settings_the_file_cannot_hold_are_refused() {
    TallySettings settings;
    QFETCH(QString, name_one);
    QFETCH(QStringList, amounts_two);
    QFETCH(QString, advert);
    QFETCH(QString, problem);
    settings.name_one = name_one;
    settings.name_two = QStringLiteral("阿强");
    settings.amounts_two = amounts_two;
    settings.advert = advert;
    const QString found = tally_settings_problem(settings);
    if (problem.isEmpty()) {
        QCOMPARE(found, QString());
    } else {
        QVERIFY2(found.startsWith(problem), qPrintable(found));
    }
}

void TallyRulesTest::written_settings_read_back_the_same() {
    QTemporaryDir dir;
    TallySettings settings;
    settings.name_one = QStringLiteral("小鹿·α");
    settings.name_two = QStringLiteral("[阿强]");
    settings.amounts_one = QStringList{"5", "0.5", "-1"};
    settings.amounts_two = QStringList{"9999"};
    settings.advert = QStringLiteral("使用说明：\n双击列表加分\n");
    settings.advert_font_size = 14;
    QVERIFY(tally_settings_problem(settings).isEmpty());
    // A file the program could not read is replaced only with a copy of it kept beside.
    const QByteArray unread("[\xCD\xE6\xBC\xD2"
                            "1]\r\n\x81\x7F=x\r\n");
    QVERIFY(QDir().mkpath(tally_config_folder(dir.path())));
    QFile old_file(tally_config_path(dir.path()));
    QVERIFY(old_file.open(QIODevice::WriteOnly) && old_file.write(unread) == unread.size());
    old_file.close();
    QVERIFY(write_tally_settings(dir.path(), settings));
    const QStringList kept =
        QDir(tally_config_folder(dir.path())).entryList({"Quorvane.txt.unread-*"}, QDir::Files);
    QCOMPARE(kept.size(), 1);
    QFile copy(QDir(tally_config_folder(dir.path())).filePath(kept[0]));
    QVERIFY(copy.open(QIODevice::ReadOnly));
    QCOMPARE(copy.readAll(), unread);
    const QByteArray bytes = [&] {
        QFile file(tally_config_path(dir.path()));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    QVERIFY(
        bytes.startsWith(to_gbk(QStringLiteral("[玩家1]\r\n名字=小鹿·α\r\n数量=5+0.5+-1\r\n"))));
    QCOMPARE(bytes.count("\r\n"), 10);
    QVERIFY(!bytes.endsWith("\r\n"));
    TallyConfig config;
    const TallyPage page = load_tally_config(config, dir.path());
    QCOMPARE(page.file_problem, QString());
    QCOMPARE(page.player_one_name, settings.name_one);
    QCOMPARE(page.player_two_name, settings.name_two);
    QCOMPARE(config.player_one_amounts, settings.amounts_one);
    QCOMPARE(config.player_two_amounts, settings.amounts_two);
    QCOMPARE(page.advert_text, QStringLiteral("使用说明：\r\n双击列表加分\r\n"));
    QCOMPARE(page.advert_font_size, 14);

    settings.name_two = QStringLiteral("阿强🎮💯");
    QVERIFY(write_tally_settings(dir.path(), settings));
    QVERIFY(file_bytes(tally_config_path(dir.path())).startsWith("\xEF\xBB\xBF[玩家1]"));
    const TallyPage emoji = load_tally_config(config, dir.path());
    QCOMPARE(emoji.file_problem, QString());
    QCOMPARE(emoji.player_one_name, settings.name_one);
    QCOMPARE(emoji.player_two_name, settings.name_two);
}

void TallyRulesTest::what_was_not_read_is_moved_aside_before_a_write_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("a FIFO") << "fifo";
    QTest::newRow("a link") << "link";
    QTest::newRow("over a mebibyte") << "large";
}

void TallyRulesTest::what_was_not_read_is_moved_aside_before_a_write() {
    QFETCH(QString, kind);
    QTemporaryDir dir;
    QVERIFY(QDir().mkpath(tally_config_folder(dir.path())));
    const QString path = tally_config_path(dir.path());
    const QString target = dir.filePath(QStringLiteral("elsewhere.txt"));
    const QByteArray elsewhere("[玩家1]\r\n名字=别处\r\n");
    if (kind == u"fifo") {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else {
        QFile file(kind == u"link" ? target : path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(kind == u"link" ? elsewhere : QByteArray(IniFile::default_max_bytes + 1, ';'));
        file.close();
        if (kind == u"link") {
            QVERIFY(QFile::link(target, path));
        }
    }
    QVERIFY(write_default_tally_config(dir.path(), QStringLiteral("http://x")));
    const QFileInfo written(path);
    QVERIFY(written.isFile() && !written.isSymLink());
    QCOMPARE(QDir(tally_config_folder(dir.path()))
                 .entryList({"Quorvane.txt.unread-*"}, QDir::Files | QDir::System)
                 .size(),
             1);
    if (kind == u"link") {
        QFile untouched(target);
        QVERIFY(untouched.open(QIODevice::ReadOnly));
        QCOMPARE(untouched.readAll(), elsewhere); // never written through
    }
}

QTEST_GUILESS_MAIN(TallyRulesTest)
#include "tst_tally_rules.moc"
