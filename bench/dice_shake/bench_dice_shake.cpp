// Times whole shakings the way a host plays them: start prompt, count, start button, then the
// window's own timer until the reveal buttons show. Each throw should cost one 1 ms tick, so
// the ideal for N throws is N ms; the figure that matters is the ratio to that ideal.

#include "games/dice/dice_window.h"
#include "runtime/controls/count_box.h"
#include "runtime/controls/transparent_label.h"
#include "runtime/random.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QTest>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <vector>

using namespace glimmer;

namespace {

constexpr int runs = 7;
constexpr double target_ratio = 1.10;

// Quits the loop the moment the watched control is shown.
double ms_since(const QElapsedTimer& clock) {
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

class ShowWatcher : public QObject {
public:
    ShowWatcher(QWidget* watched, QEventLoop& loop) : loop_(loop) {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            loop_.quit();
        }
        return false;
    }

private:
    QEventLoop& loop_;
};

struct Shaking {
    double total_ms = 0;
    std::vector<double> tick_gaps_ms;
};

Shaking shake(DiceWindow& window, int throws) {
    auto* prompt = window.findChild<TransparentLabel*>(QStringLiteral("start_prompt"));
    auto* count = window.findChild<CountBox*>(QStringLiteral("count_edit"));
    auto* start = window.findChild<QPushButton*>(QStringLiteral("start_button"));
    auto* dragon = window.findChild<QPushButton*>(QStringLiteral("dragon_button"));

    QTest::mouseClick(prompt, Qt::LeftButton);
    count->setText(QString::number(throws));
    QEventLoop loop;
    ShowWatcher watcher(dragon, loop);
    Shaking result;
    QElapsedTimer clock;
    double last_tick = 0;
    // Only watches the ticks; the turn's own handler makes the throws.
    const auto tick = QObject::connect(window.findChild<QTimer*>(QStringLiteral("shake_timer")),
                                       &QTimer::timeout, [&] {
                                           const double now = ms_since(clock);
                                           result.tick_gaps_ms.push_back(now - last_tick);
                                           last_tick = now;
                                       });
    clock.start();
    QTest::mouseClick(start, Qt::LeftButton);
    loop.exec();
    result.total_ms = ms_since(clock);
    QObject::disconnect(tick);
    QTest::mouseClick(dragon, Qt::LeftButton);
    return result;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    DiceState state;
    DiceWindow window(state);
    window.show();
    QCoreApplication::processEvents();

    QTextStream out(stdout);
    out << "bench_dice_shake: whole shakings through the dice window, median of " << runs
        << " runs\n";
    for (const int throws : {1000, 188}) {
        std::vector<double> times;
        std::vector<double> gaps;
        for (int run = 0; run < runs; ++run) {
            const Shaking shaking = shake(window, throws);
            times.push_back(shaking.total_ms);
            gaps.insert(gaps.end(), shaking.tick_gaps_ms.begin(), shaking.tick_gaps_ms.end());
        }
        const auto [fastest, slowest] = std::minmax_element(times.begin(), times.end());
        const double typical = median(times);
        const double ratio = typical / throws;
        out << Qt::fixed << qSetRealNumberPrecision(1) << "  " << throws << " throws: median "
            << typical << " ms (min " << *fastest << ", max " << *slowest << "), ideal " << throws
            << " ms (1 ms a throw), ratio " << qSetRealNumberPrecision(3) << ratio
            << ", target <= " << target_ratio << " " << (ratio <= target_ratio ? "met" : "MISSED")
            << "; median tick " << median(gaps) << " ms\n";
    }
    return 0;
}
