#pragma once

#include "games/tally/tally_archive.h"
#include "games/tally/tally_journal.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace glimmer {

class ThreadMail;

// Puts finished PKs into the history on a thread of its own, so that neither a long PK nor a
// history file another program holds ever stalls a window. A PK is handed over with its
// journal, which carries the end mark and stays locked until the PK is in the history; only
// then does the journal go. When the history is busy or cannot take the PK, the journal stays
// on the disk and the PK goes in at the next try: the next PK's end, or the program's next
// start (keep_ended_journals).
class TallyKeeper : public QObject {
    Q_OBJECT
public:
    // The program's one keeper, made on first use; its thread stops with the application.
    static TallyKeeper& instance();
    ~TallyKeeper() override;

    // How long one try waits for a history file another program holds.
    static constexpr int default_busy_wait_ms = 2000;
    // For the tries from now on; tests shorten it.
    void set_busy_wait(int ms) { busy_wait_ms_ = ms; }

    // Keeps the finished PK under key in the history at archive_path, then removes its journal.
    // Whatever is waiting in the folder's ended journals is tried again after it.
    void keep(const QString& archive_path, ArchivedPk pk, const QString& key, HeldJournal journal);
    // Tries again every ended PK whose journal waits beside the history at archive_path.
    void keep_ended_journals(const QString& archive_path);

    // Waits at most limit for everything handed over so far; false when some is still going.
    bool wait_until_idle(std::chrono::milliseconds limit);

signals:
    // For the host, once for each thing worth telling: a damaged history moved aside, a PK
    // waiting for a busy history, a PK that could not be kept.
    void notice(const QString& text);
    // A PK went into the history at that path.
    void kept(const QString& archive_path);

private:
    TallyKeeper();
    class Worker;
    void submit(std::function<void(Worker&)> job);
    void run();

    ThreadMail* mail_;
    std::unique_ptr<Worker> worker_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::function<void(Worker&)>> jobs_;
    int pending_ = 0; // handed over and not yet done
    bool stopping_ = false;
    std::atomic<int> busy_wait_ms_{default_busy_wait_ms};
    std::thread thread_;
};

// The key a PK is kept under: its first addition, which stays the same however often its
// journal is restored, so keeping it again replaces it instead of adding a second one.
QString archive_key(const TallyHistory& history);

} // namespace glimmer
