#include "games/tally/tally_config.h"
#include "games/tally/tally_rules.h"
#include "runtime/files.h"
#include "runtime/text.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace glimmer;

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
    void path_lies_in_the_config_folder_under_the_program();
    void missing_file_gives_every_default_and_creates_nothing();
    void load_reads_each_key_with_its_default_data();
    void load_reads_each_key_with_its_default();
    void load_replaces_the_amounts_held_before();
    void gbk_names_read_back();
    void written_default_reads_back_as_the_table_shows();
    void write_replaces_a_hand_edited_file();
    void write_into_a_blocked_folder_reports_failure_and_keeps_it();
    void write_into_a_read_only_folder_keeps_the_old_file();
    void totals_add_and_compare_data();
    void totals_add_and_compare();
    void only_empty_and_zero_submit_nothing_data();
    void only_empty_and_zero_submit_nothing();
};

void TallyRulesTest::default_file_is_exact_gbk_ending_with_the_site() {
    QCOMPARE(default_tally_config(site).toHex(), default_file_hex + site.toLatin1().toHex());
    const QByteArray other = default_tally_config(QStringLiteral("https://a.example:8080"));
    QVERIFY(other.endsWith("Ostrune+https://a.example:8080"));
    QCOMPARE(other.count("\r\n"), 10);
    QVERIFY(!other.contains('\0'));
}

void TallyRulesTest::path_lies_in_the_config_folder_under_the_program() {
    QCOMPARE(tally_config_path("/opt/gh"), QStringLiteral("/opt/gh/游戏配置们/Quorvane.txt"));
    QCOMPARE(tally_config_folder("/opt/gh"), QStringLiteral("/opt/gh/游戏配置们/"));
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

    QTest::newRow("only player one's name") << "[玩家1]\r\n名字=阿强"
                                            << "阿强"
                                            << "玩家2木有名字" << presets << presets << "" << 0;
    QTest::newRow("amount without plus is one row")
        << "[玩家1]\r\n数量=5\r\n[玩家2]\r\n数量=12.5"
        << "玩家1木有名字"
        << "玩家2木有名字" << QStringList{"5"} << QStringList{"12.5"} << "" << 0;
    QTest::newRow("empty pieces make no row")
        << "[玩家1]\r\n数量=+1++2+\r\n[玩家2]\r\n数量="
        << "玩家1木有名字"
        << "玩家2木有名字" << QStringList{"1", "2"} << QStringList{} << "" << 0;
    QTest::newRow("amounts stay text")
        << "[玩家2]\r\n数量=abc+ 7+1e3"
        << "玩家1木有名字"
        << "玩家2木有名字" << presets << QStringList{"abc", " 7", "1e3"} << "" << 0;
    QTest::newRow("plus in the advert breaks the line")
        << "[广告]\r\n内容=上+下\r\n字大小=14"
        << "玩家1木有名字"
        << "玩家2木有名字" << presets << presets << "上\r\n下" << 14;
    QTest::newRow("advert without plus is one line, every plus counts")
        << "[广告]\r\n内容=一行\r\n[玩家1]\r\n名字=A+B"
        << "A+B"
        << "玩家2木有名字" << presets << presets << "一行" << 0;
    QTest::newRow("several and trailing plus")
        << "[广告]\r\n内容=a++b+"
        << "玩家1木有名字"
        << "玩家2木有名字" << presets << presets << "a\r\n\r\nb\r\n"
        << 0;
    QTest::newRow("font size not a number") << "[广告]\r\n字大小=大"
                                            << "玩家1木有名字"
                                            << "玩家2木有名字" << presets << presets << "" << 0;
    QTest::newRow("font size with a fraction and LF lines")
        << "[广告]\n字大小=12.9\n"
        << "玩家1木有名字"
        << "玩家2木有名字" << presets << presets << "" << 12;
    QTest::newRow("keys under the wrong section are not read")
        << "[玩家2]\r\n名字=乙\r\n[玩家3]\r\n名字=丙"
        << "玩家1木有名字"
        << "乙" << presets << presets << "" << 0;
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

void TallyRulesTest::write_replaces_a_hand_edited_file() {
    QTemporaryDir dir;
    put_file(dir.path(), QByteArray(5000, 'x'));
    QVERIFY(write_default_tally_config(dir.path(), site));
    QCOMPARE(file_bytes(tally_config_path(dir.path())), default_tally_config(site));
    // Nothing is left beside it.
    QCOMPARE(QDir(tally_config_folder(dir.path())).entryList(QDir::Files),
             QStringList{"Quorvane.txt"});
}

void TallyRulesTest::write_into_a_blocked_folder_reports_failure_and_keeps_it() {
    QTemporaryDir dir;
    // A plain file where the folder should be: no folder, no write, and no crash.
    QFile blocker(dir.path() + "/游戏配置们");
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.write("keep");
    blocker.close();
    QVERIFY(!write_default_tally_config(dir.path(), site));
    QCOMPARE(file_bytes(dir.path() + "/游戏配置们"), QByteArray("keep"));
    TallyConfig config;
    QCOMPARE(load_tally_config(config, dir.path()).player_one_name,
             QStringLiteral("玩家1木有名字"));
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
    QTest::addColumn<int>("leader");
    QTest::addColumn<QString>("difference");

    const int none = int(Leader::none);
    const int one = int(Leader::player_one);
    const int two = int(Leader::player_two);
    QTest::newRow("whole") << "0"
                           << "0"
                           << "99"
                           << "99" << one << "99";
    QTest::newRow("two leads, gap positive") << "1"
                                             << "200"
                                             << "9"
                                             << "10" << two << "190";
    QTest::newRow("equal") << "5"
                           << "10"
                           << "5"
                           << "10" << none << "";
    QTest::newRow("fractions within the tie margin") << "0.1"
                                                     << "0.3"
                                                     << "0.2"
                                                     << "0.3" << none << "";
    QTest::newRow("just beyond the margin") << "0"
                                            << "0"
                                            << "0.000001"
                                            << "0.000001" << one << "0.000001";
    QTest::newRow("text that is no number adds 0") << "7"
                                                   << "3"
                                                   << "abc"
                                                   << "7" << one << "4";
    QTest::newRow("leading number of a text") << "1"
                                              << "0"
                                              << "12abc"
                                              << "13" << one << "13";
    QTest::newRow("negative amount") << "5"
                                     << "0"
                                     << "-8"
                                     << "-3" << two << "3";
    QTest::newRow("large totals stay plain digits") << "9999999999999"
                                                    << "0"
                                                    << "9999999999999"
                                                    << "19999999999998" << one << "19999999999998";
}

void TallyRulesTest::totals_add_and_compare() {
    QFETCH(QString, total_one);
    QFETCH(QString, total_two);
    QFETCH(QString, amount);
    QFETCH(QString, new_total_one);
    const QString added = added_total(total_one, amount);
    QCOMPARE(added, new_total_one);
    const Standing standing = compare_totals(added, total_two);
    QTEST(int(standing.leader), "leader");
    QTEST(standing.difference, "difference");
}

void TallyRulesTest::only_empty_and_zero_submit_nothing_data() {
    QTest::addColumn<QString>("amount");
    QTest::addColumn<bool>("submits");
    QTest::newRow("empty") << "" << false;
    QTest::newRow("zero") << "0" << false;
    QTest::newRow("double zero") << "00" << true;
    QTest::newRow("blank zero") << " 0" << true;
    QTest::newRow("zero point zero") << "0.0" << true;
    QTest::newRow("amount") << "5" << true;
    QTest::newRow("blank") << " " << true;
}

void TallyRulesTest::only_empty_and_zero_submit_nothing() {
    QFETCH(QString, amount);
    QTEST(submits_amount(amount), "submits");
}

QTEST_GUILESS_MAIN(TallyRulesTest)
#include "tst_tally_rules.moc"
