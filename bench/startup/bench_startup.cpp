// Time from process start to the catalogue's first paint, started both ways, beside two bare
// Qt programs: a window that draws one line of Chinese (the yardstick: it loads the same CJK
// fonts) and an empty one, all run in turn so that all see the same machine. Prints the
// medians and the ratios against both. --beside adds another build's programs to the rounds.
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
#include <vector>

namespace {

double run_once(const QString& program, const QStringList& arguments,
                const QProcessEnvironment& environment) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::SeparateChannels);
    QElapsedTimer clock;
    clock.start();
    process.start(program, arguments);
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

struct Program {
    QString label;
    QString path;
    QStringList arguments;
    bool judged = false; // the way a host starts it: through the launcher
    double ms = 0;       // the median
};

constexpr int rounds = 15;

// Every program in turn, rounds times, so that all see the same machine; false when one did
// not paint.
bool measure(std::vector<Program>& programs, const QProcessEnvironment& environment) {
    std::vector<std::vector<double>> times(programs.size());
    for (const Program& program : programs) {
        run_once(program.path, program.arguments, environment); // warm the file cache for all
    }
    for (int i = 0; i < rounds; ++i) {
        for (std::size_t p = 0; p < programs.size(); ++p) {
            const double ms = run_once(programs[p].path, programs[p].arguments, environment);
            if (ms < 0) {
                QTextStream(stdout) << "startup: " << programs[p].path << " did not paint\n";
                return false;
            }
            times[p].push_back(ms);
        }
    }
    for (std::size_t p = 0; p < programs.size(); ++p) {
        programs[p].ms = median(times[p]);
    }
    return true;
}

// The last two programs are the yardsticks: the window with a line of Chinese, the empty one.
void report(const QString& where, const std::vector<Program>& programs, bool judged) {
    QTextStream out(stdout);
    const double chinese = programs[programs.size() - 2].ms;
    const double empty = programs.back().ms;
    out << QStringLiteral("startup (%1): first paint, medians of %2; ratios against the window "
                          "with a line of Chinese (target at most 1.00) and the empty one (at "
                          "most 1.20)\n")
               .arg(where)
               .arg(rounds);
    for (const Program& program : programs) {
        out << QStringLiteral("startup (%1):   %2 %3 ms")
                   .arg(where, program.label.leftJustified(34))
                   .arg(program.ms, 6, 'f', 1);
        if (&program < &programs[programs.size() - 2]) {
            const bool ok = program.ms <= chinese && program.ms <= 1.2 * empty;
            out << QStringLiteral("  %1 / %2")
                       .arg(program.ms / chinese, 0, 'f', 2)
                       .arg(program.ms / empty, 0, 'f', 2);
            if (program.judged) {
                out << (judged ? (ok ? QStringLiteral("  ok") : QStringLiteral("  OVER TARGET"))
                               : QStringLiteral("  (reference)"));
            }
        }
        out << u'\n';
    }
}

// The probe and the launched program of the build whose bench programs are in folder.
void add_catalogue(std::vector<Program>& programs, const QDir& folder, const QString& build) {
    programs.push_back({QStringLiteral("catalogue, linked in") + build,
                        folder.filePath(QStringLiteral("startup_probe")),
                        {}});
    programs.push_back({QStringLiteral("catalogue, via launcher") + build,
                        folder.filePath(QStringLiteral("launched/glimmerhall")),
                        {},
                        true});
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // --beside FOLDER: another build's bench programs (its bench/bin) measured in the same
    // rounds, so that a change is seen against what came before on the same machine.
    const QStringList arguments = QCoreApplication::arguments();
    const qsizetype beside = arguments.indexOf(QStringLiteral("--beside"));
    if (arguments.size() > 1 && (beside != 1 || arguments.size() != 3)) {
        QTextStream(stderr) << "usage: bench_startup [--beside OTHER_BUILD/bench/bin]\n";
        return 2;
    }
    const QDir here(QCoreApplication::applicationDirPath());
    // The start-up sequence linked into one executable, the same started by the real
    // launcher from a runtime library, and the bare windows they are measured against.
    std::vector<Program> programs;
    add_catalogue(programs, here, QString());
    if (beside > 0) {
        add_catalogue(programs, QDir(arguments[2]), QStringLiteral(" (beside)"));
    }
    const QString bare = here.filePath(QStringLiteral("bare_window"));
    programs.push_back(
        {QStringLiteral("bare window, a line of Chinese"), bare, {QStringLiteral("--chinese")}});
    programs.push_back({QStringLiteral("bare window, empty"), bare, {}});
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
    if (on_display.contains(QStringLiteral("DISPLAY"))) {
        ok = measure(programs, on_display);
        if (ok) {
            report(QStringLiteral("X display"), programs, true);
        }
    } else {
        QTextStream(stdout) << "startup: no X display and no Xvfb; offscreen figures only\n";
    }
    QProcessEnvironment offscreen = system;
    offscreen.remove(QStringLiteral("DISPLAY"));
    offscreen.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    if (ok && measure(programs, offscreen)) {
        report(QStringLiteral("offscreen"), programs,
               !on_display.contains(QStringLiteral("DISPLAY")));
    }
    if (xvfb.state() != QProcess::NotRunning) {
        xvfb.terminate();
        xvfb.waitForFinished(5000);
    }
    return ok ? 0 : 1;
}
