// Restoring a PK after a crash, for journals of 10,000, 100,000 and 1,000,000 additions: how
// long the tally window takes to open and offer it, the process's peak memory, and the
// longest gap between two ticks of a 1 ms timer on the window's thread meanwhile, which is
// how long the windows stood frozen. Each size runs in a process of its own, so that the
// peak is that size's alone.

#include "games/tally/tally_config.h"
#include "games/tally/tally_journal.h"
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
    TallyWindow window(config, dir.path(), QStringLiteral("http://example"));
    const qint64 open_ns = clock.nsecsElapsed();
    ticks.stop();
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    QTextStream(stdout) << additions << " additions (" << bytes / 1024 << " KiB): window open with "
                        << window.history().record().size() << " restored in "
                        << QString::number(open_ns / 1e6, 'f', 0) << " ms (box answered), "
                        << "longest main-thread stall "
                        << QString::number(longest_gap / 1e6, 'f', 1) << " ms, peak RSS "
                        << usage.ru_maxrss / 1024 << " MiB\n";
    return answer.seen().size() == 1 ? 0 : 1;
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
