#include "runtime/text.h"

#include <QTest>

#include <cmath>
#include <limits>

using namespace glimmer;

class TextTest : public QObject {
    Q_OBJECT
private slots:
    void to_text_writes_plain_decimal_data();
    void to_text_writes_plain_decimal();
    void to_number_reads_the_leading_number_data();
    void to_number_reads_the_leading_number();
    void to_int_truncates_and_clamps_data();
    void to_int_truncates_and_clamps();
    void totals_survive_a_round_trip_through_text();
    void split_keeps_empty_pieces_and_the_rest_data();
    void split_keeps_empty_pieces_and_the_rest();
    void replace_does_not_rescan_data();
    void replace_does_not_rescan();
    void gbk_bytes_round_trip();
    void utf8_is_whole_sequences_only_data();
    void utf8_is_whole_sequences_only();
};

void TextTest::to_text_writes_plain_decimal_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 0.0 << "0";
    QTest::newRow("negative zero") << -0.0 << "0";
    QTest::newRow("whole") << 99.0 << "99";
    QTest::newRow("negative whole") << -10998.0 << "-10998";
    QTest::newRow("2^53") << 9007199254740992.0 << "9007199254740992";
    QTest::newRow("-2^53") << -9007199254740992.0 << "-9007199254740992";
    QTest::newRow("1e20 has no exponent") << 1e20 << "100000000000000000000";
    QTest::newRow("0.1+0.2") << (0.1 + 0.2) << "0.3";
    QTest::newRow("half") << 0.5 << "0.5";
    QTest::newRow("negative fraction") << -2.25 << "-2.25";
    QTest::newRow("tiny") << 1.5e-7 << "0.00000015";
    QTest::newRow("15 significant digits") << 1234.56789012345678 << "1234.56789012346";
    QTest::newRow("rounds up to whole") << 0.9999999999999999 << "1";
    QTest::newRow("large fraction") << 123456789012.5 << "123456789012.5";
    QTest::newRow("smallest denormal") << std::numeric_limits<double>::denorm_min()
                                       << "0." + QString(323, u'0') + "494065645841247";
}

void TextTest::to_text_writes_plain_decimal() {
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(to_text(value), text);
}

void TextTest::to_number_reads_the_leading_number_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("letters") << "abc" << 0.0;
    QTest::newRow("sign alone") << "-" << 0.0;
    QTest::newRow("hex is not read") << "0x10" << 0.0;
    QTest::newRow("dot alone") << "." << 0.0;
    QTest::newRow("inf is not a number") << "inf" << 0.0;
    QTest::newRow("nan is not a number") << "nan" << 0.0;
    QTest::newRow("plain") << "99" << 99.0;
    QTest::newRow("leading blanks") << "   42" << 42.0;
    QTest::newRow("trailing text") << "12abc" << 12.0;
    QTest::newRow("negative fraction") << "-3.5" << -3.5;
    QTest::newRow("plus sign") << "+7" << 7.0;
    QTest::newRow("leading dot") << ".5" << 0.5;
    QTest::newRow("trailing dot") << "5." << 5.0;
    QTest::newRow("exponent") << "1e3" << 1000.0;
    QTest::newRow("negative exponent") << "25E-1" << 2.5;
    QTest::newRow("dangling exponent") << "5e" << 5.0;
    QTest::newRow("dangling exponent sign") << "5e+" << 5.0;
    QTest::newRow("double zero") << "00" << 0.0;
    QTest::newRow("comma is not a decimal point") << "1,5" << 1.0;
    QTest::newRow("full-width digits are not read") << QStringLiteral("１２") << 0.0;
    QTest::newRow("overflow saturates") << "1e999" << std::numeric_limits<double>::max();
    QTest::newRow("underflow is zero") << "1e-999" << 0.0;
    QTest::newRow("negative overflow saturates") << "-1e999" << -std::numeric_limits<double>::max();
    QTest::newRow("400 digits saturate")
        << QString(400, u'9') << std::numeric_limits<double>::max();
    QTest::newRow("exponent of 30 digits")
        << "1e" + QString(30, u'9') << std::numeric_limits<double>::max();
    QTest::newRow("negative exponent of 30 digits") << "1e-" + QString(30, u'9') << 0.0;
    QTest::newRow("leading zeros") << QString(300, u'0') + "1.5" << 1.5;
    QTest::newRow("digits past a double's precision") << "0." + QString(400, u'0') + "1" << 0.0;
    QTest::newRow("largest double's own text")
        << to_text(std::numeric_limits<double>::max()) << std::numeric_limits<double>::max();
    QTest::newRow("small fraction, large exponent")
        << "0.001e999" << std::numeric_limits<double>::max();
    QTest::newRow("large whole, small exponent") << "1000e-999" << 0.0;
    QTest::newRow("exponent alone") << "e5" << 0.0;
    QTest::newRow("sign, dot and exponent") << "-.e5" << 0.0;
}

void TextTest::to_number_reads_the_leading_number() {
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(to_number(text), value);
}

void TextTest::to_int_truncates_and_clamps_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("fraction toward zero") << "3.9" << 3;
    QTest::newRow("negative toward zero") << "-3.9" << -3;
    QTest::newRow("max") << "2147483647" << 2147483647;
    QTest::newRow("above max") << "2147483648" << 2147483647;
    QTest::newRow("far above") << "1e30" << 2147483647;
    QTest::newRow("below min") << "-2147483649" << (-2147483647 - 1);
    QTest::newRow("text after") << "-2 mines" << -2;
}

void TextTest::to_int_truncates_and_clamps() {
    QFETCH(QString, text);
    QFETCH(int, value);
    QCOMPARE(to_int(text), value);
}

void TextTest::totals_survive_a_round_trip_through_text() {
    // A total is kept as text between additions; adding through text must match adding
    // the numbers directly for whole amounts.
    QString total = QStringLiteral("0");
    double direct = 0;
    for (const double amount : {1.0, 9.0, 99.0, 999.0, 9999.0, 12345678.0, -5.0}) {
        total = to_text(to_number(total) + amount);
        direct += amount;
    }
    QCOMPARE(to_number(total), direct);
    QCOMPARE(total, QStringLiteral("12356780"));
}

void TextTest::split_keeps_empty_pieces_and_the_rest_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<int>("max");
    QTest::addColumn<QStringList>("pieces");
    QTest::newRow("empty text") << ""
                                << "+" << 0 << QStringList();
    QTest::newRow("no separator") << "abc"
                                  << "+" << 0 << QStringList{"abc"};
    QTest::newRow("presets") << "1+9+99"
                             << "+" << 0 << QStringList{"1", "9", "99"};
    QTest::newRow("empty pieces kept") << "+a++b+"
                                       << "+" << 0 << QStringList{"", "a", "", "b", ""};
    QTest::newRow("separator alone") << "!"
                                     << "!" << 0 << QStringList{"", ""};
    QTest::newRow("max keeps rest") << "a!b!c!d!e!f!g"
                                    << "!" << 5 << QStringList{"a", "b", "c", "d", "e!f!g"};
    QTest::newRow("max not reached") << "a!b!c"
                                     << "!" << 5 << QStringList{"a", "b", "c"};
    QTest::newRow("max one") << "a!b"
                             << "!" << 1 << QStringList{"a!b"};
    QTest::newRow("trailing line break stays")
        << "a!b!c!d!http://x\r\n"
        << "!" << 5 << QStringList{"a", "b", "c", "d", "http://x\r\n"};
    QTest::newRow("long separator") << "a--b--c"
                                    << "--" << 0 << QStringList{"a", "b", "c"};
}

void TextTest::split_keeps_empty_pieces_and_the_rest() {
    QFETCH(QString, text);
    QFETCH(QString, separator);
    QFETCH(int, max);
    QFETCH(QStringList, pieces);
    QCOMPARE(split(text, separator, max), pieces);
}

void TextTest::replace_does_not_rescan_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("find");
    QTest::addColumn<QString>("with");
    QTest::addColumn<QString>("result");
    QTest::newRow("line marks") << "a+b+c"
                                << "+"
                                << "\r\n"
                                << "a\r\nb\r\nc";
    QTest::newRow("no re-scan") << "aaa"
                                << "a"
                                << "aa"
                                << "aaaaaa";
    QTest::newRow("overlap left to right") << "aaa"
                                           << "aa"
                                           << "b"
                                           << "ba";
    QTest::newRow("absent") << "abc"
                            << "x"
                            << "y"
                            << "abc";
    QTest::newRow("empty find") << "abc"
                                << ""
                                << "y"
                                << "abc";
    QTest::newRow("case-sensitive")
        << QStringLiteral("今日ip 今日IP") << QStringLiteral("今日IP") << QStringLiteral("今用户：")
        << QStringLiteral("今日ip 今用户：");
}

void TextTest::replace_does_not_rescan() {
    QFETCH(QString, text);
    QFETCH(QString, find);
    QFETCH(QString, with);
    QFETCH(QString, result);
    QCOMPARE(replace(text, find, with), result);
}

void TextTest::gbk_bytes_round_trip() {
    // 玩家一 in GBK: CD E6 BC D2 D2 BB
    const QByteArray bytes = QByteArray::fromHex("cde6bcd2d2bb");
    QCOMPARE(from_gbk(bytes), QStringLiteral("玩家一"));
    QCOMPARE(to_gbk(QStringLiteral("玩家一")), bytes);
    QCOMPARE(to_gbk(QStringLiteral("数量=1+9")), QByteArray::fromHex("cafdc1bf3d312b39"));
    const QString mixed = QStringLiteral("[广告]\r\n内容=直播间 Ostrune！+第二行");
    QCOMPARE(from_gbk(to_gbk(mixed)), mixed);
}

void TextTest::utf8_is_whole_sequences_only_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("utf8");
    QTest::newRow("ascii") << QByteArray("abc") << true;
    QTest::newRow("中") << QByteArray("\xE4\xB8\xAD") << true;
    // A file or an argument cut inside a character is not text that a line may follow.
    QTest::newRow("cut at the end") << QByteArray("a\xE4\xB8") << false;
    QTest::newRow("GBK") << QByteArray::fromHex("cde6bcd2") << false;
}

void TextTest::utf8_is_whole_sequences_only() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, utf8);
    QCOMPARE(is_utf8(bytes), utf8);
}

QTEST_GUILESS_MAIN(TextTest)
#include "tst_text.moc"
