#include "runtime/committed_random.h"

#include <QCryptographicHash>
#include <QMessageAuthenticationCode>
#include <QSet>
#include <QTest>

using namespace glimmer;

namespace {

QByteArray counting_seed() {
    QByteArray seed(draw_seed_size, '\0');
    for (int i = 0; i < draw_seed_size; ++i) {
        seed[i] = static_cast<char>(i);
    }
    return seed;
}

DrawRecord record(const QString& game, std::uint32_t round, const QString& phrase) {
    return DrawRecord{game, round, counting_seed(), phrase};
}

} // namespace

class TestCommittedRandom : public QObject {
    Q_OBJECT

private slots:
    void commitment_is_sha256_of_the_seed_bytes();
    void block_message_is_the_documented_utf8_text();
    void draws_follow_the_known_answers_data();
    void draws_follow_the_known_answers();
    void reseeding_does_not_move_the_stream();
    void every_input_changes_the_stream_data();
    void every_input_changes_the_stream();
    void fresh_seeds_are_32_bytes_and_differ();
    void seed_hex_is_read_only_in_full();
    void verify_link_escapes_every_reserved_character();
};

void TestCommittedRandom::commitment_is_sha256_of_the_seed_bytes() {
    QCOMPARE(hex_text(draw_commitment(counting_seed())),
             QStringLiteral("630dcd2966c4336691125448bbb25b4ff412a49c732db2c8abc1b8581bd710dd"));
    QCOMPARE(record(QStringLiteral("dice"), 1, {}).commitment(), draw_commitment(counting_seed()));
}

void TestCommittedRandom::block_message_is_the_documented_utf8_text() {
    QCOMPARE(draw_message(QStringLiteral("minebox"), 12, 3, QStringLiteral("主播|加油")),
             QByteArray("glimmerhall-draw|minebox|12|3|") + QStringLiteral("主播|加油").toUtf8());
    // The first block of the stream, as any HMAC-SHA256 gives it.
    QCOMPARE(QMessageAuthenticationCode::hash(draw_message(QStringLiteral("dice"), 1, 0, {}),
                                              counting_seed(), QCryptographicHash::Sha256)
                 .toHex(),
             QByteArray("9db9463d35729842654bef12d20f0b4340a4607c1706f7cc6136859b971dbb80"));
}

void TestCommittedRandom::draws_follow_the_known_answers_data() {
    QTest::addColumn<QString>("game");
    QTest::addColumn<int>("round");
    QTest::addColumn<QString>("phrase");
    QTest::addColumn<int>("low");
    QTest::addColumn<int>("high");
    QTest::addColumn<QList<int>>("draws");
    // Words one by one: the block's eight words, then the next block's first two.
    QTest::newRow("words of block 0 and 1")
        << "dice" << 1 << "" << 0 << -1
        << QList<int>{int(0x9db9463du), int(0x35729842u), int(0x654bef12u), int(0xd20f0b43u),
                      int(0x40a4607cu), int(0x1706f7ccu), int(0x6136859bu), int(0x971dbb80u),
                      int(0xbff1e1f6u), int(0xe6c900d3u)};
    QTest::newRow("faces 1..6") << "test" << 42 << "x" << 1 << 6
                                << QList<int>{6, 6, 5, 6, 2, 2, 4, 4, 2, 5, 1, 3};
    // A span of 2^31 + 1 throws back about every other word: 3401309147, 2282456995, ...
    QTest::newRow("rejection") << "test" << 42 << "x" << -1 << 2147483647
                               << QList<int>{599580880,  2088763503, 1537218952,
                                             1810224498, 84095006,   515295771};
}

void TestCommittedRandom::draws_follow_the_known_answers() {
    QFETCH(QString, game);
    QFETCH(int, round);
    QFETCH(QString, phrase);
    QFETCH(int, low);
    QFETCH(int, high);
    QFETCH(QList<int>, draws);
    CommittedRandom stream(record(game, static_cast<std::uint32_t>(round), phrase));
    QList<int> seen;
    for (qsizetype i = 0; i < draws.size(); ++i) {
        // low > high stands for the whole word: [INT_MIN, INT_MAX] shifted by 2^31.
        seen.append(low > high
                        ? int(std::uint32_t(stream.random_int(INT_MIN, INT_MAX)) ^ 0x80000000u)
                        : stream.random_int(low, high));
    }
    QCOMPARE(seen, draws);
}

void TestCommittedRandom::reseeding_does_not_move_the_stream() {
    CommittedRandom plain(record(QStringLiteral("dice"), 5, QStringLiteral("p")));
    CommittedRandom reseeded(record(QStringLiteral("dice"), 5, QStringLiteral("p")));
    for (int i = 0; i < 50; ++i) {
        reseeded.seed_random();
        QCOMPARE(reseeded.random_int(1, 1000), plain.random_int(1, 1000));
    }
    QCOMPARE(plain.words_read(), 50u);
}

void TestCommittedRandom::every_input_changes_the_stream_data() {
    QTest::addColumn<QString>("game");
    QTest::addColumn<int>("round");
    QTest::addColumn<QString>("phrase");
    QTest::addColumn<int>("seed_byte");
    QTest::newRow("game") << "minebox" << 1 << "" << -1;
    QTest::newRow("round") << "dice" << 2 << "" << -1;
    QTest::newRow("phrase") << "dice" << 1 << "a" << -1;
    QTest::newRow("seed, first byte") << "dice" << 1 << "" << 0;
    QTest::newRow("seed, last byte") << "dice" << 1 << "" << 31;
}

void TestCommittedRandom::every_input_changes_the_stream() {
    QFETCH(QString, game);
    QFETCH(int, round);
    QFETCH(QString, phrase);
    QFETCH(int, seed_byte);
    DrawRecord changed = record(game, static_cast<std::uint32_t>(round), phrase);
    if (seed_byte >= 0) {
        changed.seed[seed_byte] = static_cast<char>(changed.seed[seed_byte] ^ 1);
    }
    CommittedRandom base(record(QStringLiteral("dice"), 1, {}));
    CommittedRandom other(changed);
    QList<int> a;
    QList<int> b;
    for (int i = 0; i < 8; ++i) {
        a.append(base.random_int(0, 1 << 30));
        b.append(other.random_int(0, 1 << 30));
    }
    QVERIFY(a != b);
}

void TestCommittedRandom::fresh_seeds_are_32_bytes_and_differ() {
    QSet<QByteArray> seen;
    for (int i = 0; i < 100; ++i) {
        const DrawRecord fresh = DrawRecord::fresh(QStringLiteral("dice"), 9);
        QCOMPARE(fresh.seed.size(), draw_seed_size);
        QCOMPARE(fresh.round, 9u);
        QVERIFY(fresh.phrase.isEmpty());
        seen.insert(fresh.seed);
    }
    QCOMPARE(seen.size(), 100);
}

void TestCommittedRandom::seed_hex_is_read_only_in_full() {
    const QString hex = hex_text(counting_seed());
    QCOMPARE(seed_from_hex(hex), counting_seed());
    QVERIFY(seed_from_hex(hex.left(62)).isEmpty());
    QVERIFY(seed_from_hex(hex + u'0').isEmpty());
    QVERIFY(seed_from_hex(hex.left(63) + u'g').isEmpty());
    QVERIFY(seed_from_hex(QString(hex).replace(0, 1, u' ')).isEmpty());
}

void TestCommittedRandom::verify_link_escapes_every_reserved_character() {
    const DrawRecord draw = record(QStringLiteral("dice"), 3, QStringLiteral("a+b &c=d#/"));
    const QString link = verify_link(draw, {{QStringLiteral("throws"), QStringLiteral("5")}});
    QVERIFY2(link.startsWith(QStringLiteral("/overlay/verify?game=dice&round=3&seed=")),
             qPrintable(link));
    QVERIFY2(link.contains(QStringLiteral("&phrase=a%2Bb%20%26c%3Dd%23%2F&")), qPrintable(link));
    QVERIFY(link.endsWith(QStringLiteral("&throws=5")));
    const QString command = verify_command(draw, {{QStringLiteral("throws"), QStringLiteral("5")}});
    QVERIFY2(command.contains(QStringLiteral(" 'a+b &c=d#/' --round 3 --commitment ")),
             qPrintable(command));
    const QString quoted =
        verify_command(record(QStringLiteral("dice"), 3, QStringLiteral("-it's")), {});
    QVERIFY2(quoted.endsWith(QStringLiteral(" -- '-it'\\''s'")), qPrintable(quoted));
}

QTEST_GUILESS_MAIN(TestCommittedRandom)
#include "tst_committed_random.moc"
