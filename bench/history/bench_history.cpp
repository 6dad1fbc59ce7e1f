// Times what the host waits for around the PK history: a PK of an hour at one addition a
// second kept as it ends, and the history window opened over a thousand kept PKs. The file
// lies in a folder beside the working directory, so the figures are those of the disk the
// program would run from rather than of a memory-backed /tmp.

#include "bench/bench_figures.h"
#include "games/tally/tally_archive.h"
#include "games/tally/tally_history_window.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTextStream>

#include <chrono>

using namespace glimmer;
using namespace glimmer::bench;

namespace {

ArchivedPk long_pk(const QDateTime& start, int additions) {
    TallyHistory history;
    TallyBoard board;
    for (int i = 0; i < additions; ++i) {
        const int player = i % 3 == 0 ? 2 : 1;
        board = history
                    .add(board, start.addSecs(i), player,
                         player == 1 ? QStringLiteral("小鹿") : QStringLiteral("阿强"),
                         QString::number(1 + i % 99))
                    .after;
    }
    return archived_pk(history, board, QStringLiteral("小鹿"), QStringLiteral("阿强"),
                       start.addSecs(additions));
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QTextStream out(stdout);
    QTemporaryDir dir(QDir::current().filePath(QStringLiteral("bench_history-XXXXXX")));
    TallyArchive archive(dir.filePath(QStringLiteral("history.sqlite")));
    const QDateTime start(QDate(2026, 1, 1), QTime(20, 0));

    const double open_file_ms = millis([&] { archive.prepare(); });
    out << "make the history file (done after a PK's first addition): "
        << QString::number(open_file_ms, 'f', 1) << " ms\n";
    const ArchivedPk hour = long_pk(start, 3600);
    bool kept = true;
    const double save_ms = millis([&] { kept = archive.save(hour, QStringLiteral("hour")); });
    out << "keep a PK of 3600 additions (one transaction): " << QString::number(save_ms, 'f', 1)
        << " ms" << (kept ? "" : " (FAILED: " + archive.problem() + ")") << '\n';

    const ArchivedPk short_pk = long_pk(start, 30);
    const double fill_ms = millis([&] {
        for (int i = 0; i < 1000 && kept; ++i) {
            ArchivedPk pk = short_pk;
            pk.started = start.addSecs(i * 3600);
            kept = archive.save(pk, QStringLiteral("pk%1").arg(i));
        }
    });
    out << "keep 1000 PKs of 30 additions: " << QString::number(fill_ms / 1000, 'f', 2)
        << " ms each\n";

    double open_ms = 0;
    int listed = 0;
    open_ms = millis([&] {
        TallyHistoryWindow window(archive);
        window.show();
        QCoreApplication::processEvents();
        listed = static_cast<int>(window.listed().size());
    });
    out << "open the history window over " << listed
        << " PKs (list, the newest PK's chart and additions, the day's summary): "
        << QString::number(open_ms, 'f', 1) << " ms\n";
    return kept ? 0 : 1;
}
