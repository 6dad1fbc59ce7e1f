// Times what a host waits for after a double-click in the PK tally window: the addition, its
// journal line written and fsynced, the new board shown. The journal lies in a folder beside
// the working directory, so the figures are those of the disk the program would run from
// rather than of a memory-backed /tmp.

#include "bench/bench_figures.h"
#include "games/tally/tally_config.h"
#include "games/tally/tally_journal.h"
#include "games/tally/tally_window.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <chrono>
#include <vector>

#include <sys/vfs.h>

using namespace glimmer;
using namespace glimmer::bench;

namespace {

constexpr int rounds = 2000;

template <typename Step> std::vector<double> time_each(Step step) {
    std::vector<double> micros;
    micros.reserve(rounds);
    for (int i = 0; i < rounds; ++i) {
        const auto start = std::chrono::steady_clock::now();
        step(i);
        const auto end = std::chrono::steady_clock::now();
        micros.push_back(std::chrono::duration<double, std::micro>(end - start).count());
    }
    return micros;
}

void report(QTextStream& out, const char* what, const std::vector<double>& micros) {
    out << what << ": median " << QString::number(percentile(micros, 0.5), 'f', 1) << " µs, p99 "
        << QString::number(percentile(micros, 0.99), 'f', 1) << " µs, max "
        << QString::number(*std::max_element(micros.begin(), micros.end()), 'f', 1) << " µs ("
        << rounds << " rounds)\n";
}

} // namespace

// The program's own share: the same appends where fdatasync has no device to wait for.
void time_memory_backed(QTextStream& out) {
    QTemporaryDir shm(QStringLiteral("/dev/shm/bench_tally_journal-XXXXXX"));
    TallyJournal journal;
    if (!shm.isValid() || !journal.open(shm.path())) {
        out << "no /dev/shm here; the memory-backed figure is left out\n";
        return;
    }
    const JournalEvent add{JournalEvent::Kind::addition, QDateTime::currentDateTime(), 1,
                           QStringLiteral("玩家一"), QStringLiteral("9999")};
    report(out, "journal append + fdatasync on tmpfs (no disk flush)",
           time_each([&](int) { journal.append(add); }));
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QTextStream out(stdout);
    QTemporaryDir dir(QDir::current().filePath(QStringLiteral("bench_tally_journal-XXXXXX")));
    struct statfs fs {};
    statfs(dir.path().toLocal8Bit().constData(), &fs);
    out << "journal folder: " << dir.path() << " (filesystem type 0x" << Qt::hex
        << static_cast<unsigned long>(fs.f_type) << Qt::dec << ")\n";

    {
        TallyJournal journal;
        if (!journal.open(dir.filePath(QStringLiteral("alone")))) {
            out << "cannot open a journal there\n";
            return 1;
        }
        const JournalEvent add{JournalEvent::Kind::addition, QDateTime::currentDateTime(), 1,
                               QStringLiteral("玩家一"), QStringLiteral("9999")};
        report(out, "journal append + fdatasync", time_each([&](int) { journal.append(add); }));
    }

    TallyConfig config;
    TallyWindow window(config, dir.path(), QStringLiteral("http://example"));
    window.show();
    auto* amount = window.findChild<QLineEdit*>(QStringLiteral("amount_edit"));
    report(out, "addition in the window (journal + fdatasync + board)", time_each([&](int i) {
               amount->setText(i % 2 == 0 ? QStringLiteral("99") : QStringLiteral("9999"));
               window.submit_typed_quantity();
           }));
    report(out, "undo in the window (journal + fdatasync + board)",
           time_each([&](int) { window.undo_addition(); }));
    time_memory_backed(out);
    out << "journal ok after the run: " << (window.journal().is_open() ? "yes" : "no") << '\n';
    return 0;
}
