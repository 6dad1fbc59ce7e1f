// Time from process start to the catalogue's first paint, started both ways, beside a bare Qt
// program that shows an empty window, run in turn so that all see the same machine. Prints
// the medians and the ratios against the target.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTextStream>

#include <algorithm>
#include <array>
#include <vector>

namespace {

double run_once(const QString& program) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!environment.contains(QStringLiteral("DISPLAY"))) {
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    }
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::SeparateChannels);
    QElapsedTimer clock;
    clock.start();
    process.start(program, {});
    while (!process.canReadLine()) {
        if (!process.waitForReadyRead(30000)) {
            return -1;
        }
    }
    const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    process.waitForFinished(5000);
    return ms;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QDir here(QCoreApplication::applicationDirPath());
    // The start-up sequence linked into one executable, the same started by the real
    // launcher from a runtime library, and the bare window they are measured against.
    const std::array programs{here.filePath(QStringLiteral("startup_probe")),
                              here.filePath(QStringLiteral("launched/glimmerhall")),
                              here.filePath(QStringLiteral("bare_window"))};
    constexpr int rounds = 15;
    std::array<std::vector<double>, 3> times;
    for (const QString& program : programs) {
        run_once(program); // warm the file cache for all
    }
    for (int i = 0; i < rounds; ++i) {
        for (std::size_t p = 0; p < programs.size(); ++p) {
            const double ms = run_once(programs[p]);
            if (ms < 0) {
                out << "startup: " << programs[p] << " did not paint\n";
                return 1;
            }
            times[p].push_back(ms);
        }
    }
    const double linked = median(times[0]);
    const double launched = median(times[1]);
    const double bare = median(times[2]);
    const auto verdict = [](double ratio) {
        return ratio <= 1.3 ? QStringLiteral("ok") : QStringLiteral("OVER TARGET");
    };
    out << QStringLiteral("startup: catalogue first paint, linked in     median %1 ms (%2 runs)\n")
               .arg(linked, 0, 'f', 1)
               .arg(rounds);
    out << QStringLiteral("startup: catalogue first paint, via launcher  median %1 ms\n")
               .arg(launched, 0, 'f', 1);
    out << QStringLiteral("startup: bare 500x330 window                  median %1 ms\n")
               .arg(bare, 0, 'f', 1);
    out << QStringLiteral("startup: ratio linked in %1, via launcher %2 (target at most 1.30) %3\n")
               .arg(linked / bare, 0, 'f', 2)
               .arg(launched / bare, 0, 'f', 2)
               .arg(verdict(std::max(linked, launched) / bare));
    return 0;
}
