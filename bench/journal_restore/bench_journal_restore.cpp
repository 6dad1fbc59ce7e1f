// Restoring a PK after a crash, and then closing it, for journals of 10,000, 100,000 and
// 1,000,000 additions: how long the tally window takes to open, to read the journal and to
// have its PK back, the process's peak memory, and then how long closing the window takes
// and how long the PK then takes to reach the history. For both, the longest gap between two
// ticks of a 1 ms timer on the window's thread: how long the windows stood frozen. Each size
// runs in a process of its own, so that the peak is that size's alone.

#include "games/tally/tally_archive.h"
#include "games/tally/tally_config.h"
#include "games/tally/tally_journal.h"
#include "games/tally/tally_keeper.h"
#include "games/tally/tally_pk.h"
#include "games/tally/tally_window.h"
#include "tests/support/message_box_answerer.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <sys/resource.h>

using namespace glimmer;

namespace {

void write_journal(const QString& path, int additions) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return;
    }
    const QDateTime start = QDateTime::currentDateTime().addSecs(-additions);
    QByteArray block;
    for (int i = 0; i < additions; ++i) {
        block += journal_line({JournalEvent::Kind::addition, start.addSecs(i), 1 + i % 2,
                               i % 2 == 0 ? QStringLiteral("玩家一") : QStringLiteral("玩家二"),
                               QString::number(1 + i % 9999)});
        if (i % 50 == 49) {
            block += journal_line({JournalEvent::Kind::undo, {}, 1, {}, {}});
        }
        if (block.size() > (1 << 20)) {
            file.write(block);
            block.clear();
        }
    }
    file.write(block);
}

// Spins the event loop until done() holds, at most limit_ms; whether it did.
template <typename Done> bool spin_until(Done done, int limit_ms) {
    QElapsedTimer waited;
    waited.start();
    while (!done() && waited.elapsed() < limit_ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return done();
}

int restore_one(int additions) {
    QTemporaryDir dir(QDir::current().filePath(QStringLiteral("bench_journal_restore-XXXXXX")));
    const QString folder = tally_config_folder(dir.path());
    QDir().mkpath(folder);
    write_journal(journal_path(folder, 1), additions);
    const qint64 bytes = QFileInfo(journal_path(folder, 1)).size();

    QElapsedTimer since_tick;
    qint64 longest_gap = 0;
    QTimer ticks;
    ticks.setInterval(1);
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        longest_gap = std::max(longest_gap, since_tick.nsecsElapsed());
        since_tick.restart();
    });
    glimmer::testing::MessageBoxAnswerer answer(QMessageBox::Ok);
    ticks.start();
    since_tick.start();
    QElapsedTimer clock;
    clock.start();
    TallyConfig config;
    auto* window = new TallyWindow(config, dir.path(), QStringLiteral("http://example"));
    window->show();
    const qint64 open_ns = clock.nsecsElapsed();
    const bool restored =
        spin_until([&] { return answer.seen().size() == 1 && !window->pk().asking(); }, 600000);
    const qint64 restored_ns = clock.nsecsElapsed();
    const qsizetype records = window->history().record().size();
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    QTextStream out(stdout);
    out << additions << " additions (" << bytes / 1024 << " KiB): window open in "
        << QString::number(open_ns / 1e6, 'f', 1) << " ms, " << records << " restored in "
        << QString::number(restored_ns / 1e6, 'f', 0) << " ms (box answered), "
        << "longest main-thread stall " << QString::number(longest_gap / 1e6, 'f', 1)
        << " ms, peak RSS " << usage.ru_maxrss / 1024 << " MiB\n";

    // Closed as the host closes it: the PK goes to the history on the keeper's thread.
    longest_gap = 0;
    since_tick.restart();
    clock.restart();
    window->close();
    delete window;
    const qint64 close_ns = clock.nsecsElapsed();
    const bool kept = spin_until(
        [] { return TallyKeeper::instance().wait_until_idle(std::chrono::milliseconds(0)); },
        600000);
    const qint64 kept_ns = clock.nsecsElapsed();
    ticks.stop();
    const qsizetype in_history = TallyArchive(tally_archive_path(dir.path())).list().size();
    out << additions << " additions closed: window gone in "
        << QString::number(close_ns / 1e6, 'f', 1) << " ms, the PK in the history after "
        << QString::number(kept_ns / 1e6, 'f', 0) << " ms, longest main-thread stall "
        << QString::number(longest_gap / 1e6, 'f', 1) << " ms\n";
    return restored && kept && records > 0 && in_history == 1 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    if (argc == 3 && QByteArray(argv[1]) == "--restore") {
        QApplication app(argc, argv);
        return restore_one(QByteArray(argv[2]).toInt());
    }
    QCoreApplication app(argc, argv);
    for (const int additions : {10000, 100000, 1000000}) {
        QProcess one;
        one.setProcessChannelMode(QProcess::ForwardedChannels);
        one.start(QCoreApplication::applicationFilePath(),
                  {QStringLiteral("--restore"), QString::number(additions)});
        if (!one.waitForFinished(600000) || one.exitCode() != 0) {
            return 1;
        }
    }
    return 0;
}
