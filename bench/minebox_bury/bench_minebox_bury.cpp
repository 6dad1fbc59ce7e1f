// Time to bury the mines and show the board of the mine-box window, for boards of 1,000,
// 10,000 and 100,000 boxes with one mine fewer than boxes, through the real window: the
// counts are typed into the setup panel, "埋啦" is pressed, and the clock stops when the
// window has painted the first screenful. "settled" is the time until the board list has
// laid out its last box as well (it does so in slices between events).
//
// It runs twice: with the program's own committed source (every draw from HMAC-SHA256 of
// the burial's seed), and with a plain source whose reseed costs nothing, which leaves the
// window's and the board's own share. Prints figures and ratios; never fails.

#include "games/minebox/board_view.h"
#include "games/minebox/mine_board.h"
#include "games/minebox/minebox_window.h"
#include "runtime/committed_random.h"
#include "runtime/random.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

using namespace glimmer;

namespace {

constexpr double target_ms = 150.0;
constexpr double target_growth = 15.0;
constexpr int runs = 5;

class FreeReseedRandom final : public RandomSource {
public:
    void seed_random() override {}
    int random_int(int low, int high) override {
        return std::uniform_int_distribution<int>(low, high)(engine_);
    }

private:
    std::mt19937 engine_{12345};
};

struct Timing {
    double shown_ms = 0;
    double settled_ms = 0;
};

Timing bury_once(int boxes, RandomSource& random) {
    MineBoxTallies tallies;
    MineBoxWindow window(tallies, random);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::printf("the window never showed\n");
    }
    window.findChild<QLineEdit*>(QStringLiteral("box_count_edit"))->setText(QString::number(boxes));
    window.findChild<QLineEdit*>(QStringLiteral("mine_count_edit"))
        ->setText(QString::number(boxes - 1));
    auto* bury = window.findChild<QPushButton*>(QStringLiteral("bury_button"));
    auto* board = window.findChild<BoardView*>(QStringLiteral("box_list"));

    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(bury, Qt::LeftButton);
    window.repaint();
    Timing timing;
    timing.shown_ms = clock.nsecsElapsed() / 1e6;
    const QModelIndex last = board->model()->index(boxes - 1, 0);
    while (!board->visualRect(last).isValid()) {
        QCoreApplication::processEvents();
    }
    timing.settled_ms = clock.nsecsElapsed() / 1e6;
    if (board->model()->rowCount() != boxes) {
        std::printf("the board has %d boxes instead of %d\n", board->model()->rowCount(), boxes);
    }
    return timing;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void run_series(const char* title, RandomSource& random) {
    std::printf("\n%s (median of %d runs)\n", title, runs);
    std::printf("%8s %11s %11s %14s\n", "boxes", "shown ms", "settled ms", "growth shown");
    double previous = 0;
    double worst_growth = 0;
    double largest = 0;
    for (const int boxes : {1000, 10000, 100000}) {
        std::vector<double> shown;
        std::vector<double> settled;
        for (int r = 0; r < runs; ++r) {
            const Timing timing = bury_once(boxes, random);
            shown.push_back(timing.shown_ms);
            settled.push_back(timing.settled_ms);
        }
        const double s = median(shown);
        if (previous > 0) {
            worst_growth = std::max(worst_growth, s / previous);
            std::printf("%8d %11.2f %11.2f %13.2fx\n", boxes, s, median(settled), s / previous);
        } else {
            std::printf("%8d %11.2f %11.2f %14s\n", boxes, s, median(settled), "-");
        }
        previous = s;
        largest = s;
    }
    std::printf("target: 100000 boxes shown in under %.0f ms: %.2f ms, ratio %.2f (%s)\n",
                target_ms, largest, largest / target_ms, largest < target_ms ? "met" : "missed");
    std::printf("target: growth per tenfold at most %.0f: worst %.2f, ratio %.2f (%s)\n",
                target_growth, worst_growth, worst_growth / target_growth,
                worst_growth <= target_growth ? "met" : "missed");
}

void time_reseeds(int count) {
    CommittedRandom random(DrawRecord::fresh(QStringLiteral("minebox"), 1));
    QElapsedTimer clock;
    clock.start();
    int sink = 0;
    for (int i = 0; i < count; ++i) {
        random.seed_random();
        sink += random.random_int(1, 2);
    }
    const double ms = clock.nsecsElapsed() / 1e6;
    std::printf("\n%d reseeds and draws of the committed source alone: %.2f ms "
                "(%.2f us each; sum %d)\n",
                count, ms, ms * 1000.0 / count, sink);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    std::printf("bench_minebox_bury: bury and show N boxes with N - 1 mines in the mine-box "
                "window\n");
    CommittedRandom committed(DrawRecord::fresh(QStringLiteral("minebox"), 1));
    run_series("program source (committed seed, HMAC-SHA256 draws)", committed);
    FreeReseedRandom free_reseed;
    run_series("source with a free reseed (the window and board alone)", free_reseed);
    time_reseeds(99999);
    return 0;
}
