// Time from process start to the catalogue's first paint, started both ways, beside a bare Qt
// program that shows an empty window, run in turn so that all see the same machine. Prints
// the medians and the ratios against the target.
//
// The target is judged on an X display, where a host sees the program start: the one in
// DISPLAY, or a private Xvfb when there is none. The offscreen platform follows as a
// reference; without a display server to talk to, it shows the program's own share of the
// start-up at its largest.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <array>
#include <vector>

namespace {

double run_once(const QString& program, const QProcessEnvironment& environment) {
    QProcess process;
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

struct Medians {
    double linked = 0;
    double launched = 0;
    double bare = 0;
};

// The three programs in turn, rounds times; false when one did not paint.
bool measure(const std::array<QString, 3>& programs, const QProcessEnvironment& environment,
             Medians& result) {
    constexpr int rounds = 15;
    std::array<std::vector<double>, 3> times;
    for (const QString& program : programs) {
        run_once(program, environment); // warm the file cache for all
    }
    for (int i = 0; i < rounds; ++i) {
        for (std::size_t p = 0; p < programs.size(); ++p) {
            const double ms = run_once(programs[p], environment);
            if (ms < 0) {
                QTextStream(stdout) << "startup: " << programs[p] << " did not paint\n";
                return false;
            }
            times[p].push_back(ms);
        }
    }
    result = {median(times[0]), median(times[1]), median(times[2])};
    return true;
}

void report(const QString& where, const Medians& m, bool judged) {
    QTextStream out(stdout);
    const double worst = std::max(m.linked, m.launched) / m.bare;
    out << QStringLiteral("startup (%1): catalogue first paint, linked in %2 ms, via launcher %3 "
                          "ms; bare window %4 ms (medians of 15)\n")
               .arg(where)
               .arg(m.linked, 0, 'f', 1)
               .arg(m.launched, 0, 'f', 1)
               .arg(m.bare, 0, 'f', 1);
    out << QStringLiteral("startup (%1): ratio linked in %2, via launcher %3%4\n")
               .arg(where)
               .arg(m.linked / m.bare, 0, 'f', 2)
               .arg(m.launched / m.bare, 0, 'f', 2)
               .arg(judged ? (worst <= 1.3 ? QStringLiteral(" (target at most 1.30) ok")
                                           : QStringLiteral(" (target at most 1.30) OVER TARGET"))
                           : QStringLiteral(" (reference)"));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QDir here(QCoreApplication::applicationDirPath());
    // The start-up sequence linked into one executable, the same started by the real
    // launcher from a runtime library, and the bare window they are measured against.
    const std::array programs{here.filePath(QStringLiteral("startup_probe")),
                              here.filePath(QStringLiteral("launched/glimmerhall")),
                              here.filePath(QStringLiteral("bare_window"))};
    QProcessEnvironment system = QProcessEnvironment::systemEnvironment();
    // A runtime folder of its own: with the host's program running, a start would only bring
    // that one to the front, and the figures would be of a hand-over rather than a start.
    QTemporaryDir runtime;
    system.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());

    QProcess xvfb;
    QProcessEnvironment on_display = system;
    if (!system.contains(QStringLiteral("DISPLAY"))) {
        // Xvfb picks a free display itself and writes its number to standard output.
        xvfb.start(QStringLiteral("Xvfb"),
                   {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                    QStringLiteral("0"), QStringLiteral("800x600x24"), QStringLiteral("-nolisten"),
                    QStringLiteral("tcp")});
        if (xvfb.waitForStarted(5000)) {
            while (!xvfb.canReadLine() && xvfb.waitForReadyRead(10000)) {
            }
            const QString number = QString::fromLatin1(xvfb.readLine()).trimmed();
            if (!number.isEmpty()) {
                on_display.insert(QStringLiteral("DISPLAY"), u':' + number);
            }
        }
    }
    bool ok = true;
    Medians m;
    if (on_display.contains(QStringLiteral("DISPLAY"))) {
        ok = measure(programs, on_display, m);
        if (ok) {
            report(QStringLiteral("X display"), m, true);
        }
    } else {
        QTextStream(stdout) << "startup: no X display and no Xvfb; offscreen figures only\n";
    }
    QProcessEnvironment offscreen = system;
    offscreen.remove(QStringLiteral("DISPLAY"));
    offscreen.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    if (ok && measure(programs, offscreen, m)) {
        report(QStringLiteral("offscreen"), m, !on_display.contains(QStringLiteral("DISPLAY")));
    }
    if (xvfb.state() != QProcess::NotRunning) {
        xvfb.terminate();
        xvfb.waitForFinished(5000);
    }
    return ok ? 0 : 1;
}
