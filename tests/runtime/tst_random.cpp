#include "runtime/committed_random.h"

#include <QTest>

#include <map>
#include <vector>

using namespace glimmer;

namespace {

// Pearson's statistic against a uniform expectation.
double chi_square(const std::vector<int>& counts, int draws) {
    const double expected = static_cast<double>(draws) / static_cast<double>(counts.size());
    double sum = 0;
    for (const int c : counts) {
        sum += (c - expected) * (c - expected) / expected;
    }
    return sum;
}

} // namespace

class RandomTest : public QObject {
    Q_OBJECT
private slots:
    void draws_cover_both_bounds_and_nothing_else_data();
    void draws_cover_both_bounds_and_nothing_else();
    void draws_are_uniform();
};

void RandomTest::draws_cover_both_bounds_and_nothing_else_data() {
    QTest::addColumn<int>("low");
    QTest::addColumn<int>("high");
    QTest::newRow("coin") << 1 << 2;
    QTest::newRow("die") << 1 << 6;
    QTest::newRow("negative range") << -3 << 3;
    QTest::newRow("swapped bounds") << 6 << 1;
    QTest::newRow("single value") << 5 << 5;
}

void RandomTest::draws_cover_both_bounds_and_nothing_else() {
    QFETCH(int, low);
    QFETCH(int, high);
    const int lo = std::min(low, high);
    const int hi = std::max(low, high);
    CommittedRandom source(DrawRecord::fresh(QStringLiteral("dice"), 1));
    std::map<int, int> seen;
    for (int i = 0; i < 2000; ++i) {
        const int draw = source.random_int(low, high);
        QVERIFY2(draw >= lo && draw <= hi, qPrintable(QString::number(draw)));
        ++seen[draw];
    }
    QCOMPARE(static_cast<int>(seen.size()), hi - lo + 1);
}

void RandomTest::draws_are_uniform() {
    // The program's own source: a committed stream, as every draw of the games comes from.
    CommittedRandom source(DrawRecord::fresh(QStringLiteral("dice"), 1));
    constexpr int faces = 6;
    constexpr int draws = 60000;
    std::vector<int> counts(faces, 0);
    for (int i = 0; i < draws; ++i) {
        ++counts[static_cast<size_t>(source.random_int(1, faces) - 1)];
    }
    // 5 degrees of freedom; 25.74 is exceeded by chance once in ten thousand runs.
    const double statistic = chi_square(counts, draws);
    QVERIFY2(statistic < 25.74, qPrintable(QStringLiteral("chi-square %1").arg(statistic)));
}

QTEST_GUILESS_MAIN(RandomTest)
#include "tst_random.moc"
