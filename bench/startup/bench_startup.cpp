// Time from process start to the catalogue's first paint, beside a bare Qt program that
// shows an empty window, run alternately so that both see the same machine. Prints both
// medians and their ratio against the target.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTextStream>

#include <algorithm>
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
    const QString program = here.filePath(QStringLiteral("startup_probe"));
    const QString bare = here.filePath(QStringLiteral("bare_window"));
    constexpr int rounds = 15;
    std::vector<double> program_ms;
    std::vector<double> bare_ms;
    run_once(program); // warm the file cache for both
    run_once(bare);
    for (int i = 0; i < rounds; ++i) {
        const double a = run_once(program);
        const double b = run_once(bare);
        if (a < 0 || b < 0) {
            out << "startup: a program did not paint\n";
            return 1;
        }
        program_ms.push_back(a);
        bare_ms.push_back(b);
    }
    const double p = median(program_ms);
    const double b = median(bare_ms);
    out << QStringLiteral("startup: catalogue first paint   median %1 ms (%2 runs)\n")
               .arg(p, 0, 'f', 1)
               .arg(rounds);
    out << QStringLiteral("startup: bare 500x330 window     median %1 ms\n").arg(b, 0, 'f', 1);
    out << QStringLiteral("startup: ratio %1 (target at most 1.30) %2\n")
               .arg(p / b, 0, 'f', 2)
               .arg(p / b <= 1.3 ? QStringLiteral("ok") : QStringLiteral("OVER TARGET"));
    return 0;
}
