#include "games/tally/tally_keeper.h"

#include "runtime/logging.h"
#include "runtime/processes.h"
#include "runtime/thread_mail.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFileInfo>
#include <QHash>

#include <map>
#include <memory>
#include <set>

namespace glimmer {

namespace {

TallyKeeper* the_keeper = nullptr;

void stop_keeper() {
    delete the_keeper;
    the_keeper = nullptr;
}

} // namespace

// Works on the keeper's thread alone, and so do its history connections.
class TallyKeeper::Worker {
public:
    Worker(TallyKeeper& keeper, ThreadMail::Sender mail)
        : keeper_(keeper), mail_(std::move(mail)) {}

    void keep(const QString& path, const ArchivedPk& pk, const QString& key, HeldJournal journal) {
        if (save(path, pk, key)) {
            journal.remove();
        } else if (!journal.held()) {
            // Nowhere on the disk: kept here for the next try, as long as the program runs.
            waiting_.append({path, pk, key});
        }
        // A journal not removed stays, unlocked, with its end mark, for the next try.
        retry(path);
    }

    void retry(const QString& path) {
        for (qsizetype i = 0; i < waiting_.size();) {
            if (waiting_[i].path != path || !save(path, waiting_[i].pk, waiting_[i].key)) {
                ++i;
                continue;
            }
            waiting_.removeAt(i);
        }
        // One pass over the slots: a journal whose removal failed is not met twice.
        const QString folder = QFileInfo(path).absolutePath();
        std::set<QString> tried;
        for (int n = 0; n < journal_slots; ++n) {
            std::optional<EndedJournal> ended = take_ended_journal(folder);
            if (!ended || !tried.insert(ended->file.path()).second) {
                return;
            }
            TallyHistory history;
            const TallyBoard board = replay_journal(ended->contents.events, history);
            if (history.record().isEmpty()) {
                ended->file.remove(); // nothing in it to keep
                continue;
            }
            const JournalEvent end = ended->contents.end.value_or(JournalEvent{});
            const ArchivedPk pk =
                archived_pk(history, board, end.name, end.name_two,
                            end.time.isValid() ? end.time : QDateTime::currentDateTime());
            if (!save(path, pk, archive_key(history))) {
                return; // still busy or failing: the journal waits on
            }
            ended->file.remove();
        }
    }

private:
    struct Waiting {
        QString path;
        ArchivedPk pk;
        QString key;
    };

    TallyArchive& archive(const QString& path) {
        std::unique_ptr<TallyArchive>& slot = archives_[path];
        if (!slot) {
            slot = std::make_unique<TallyArchive>(path, keeper_.busy_wait_ms_);
        }
        return *slot;
    }

    bool save(const QString& path, const ArchivedPk& pk, const QString& key) {
        TallyArchive& history = archive(path);
        const bool saved = history.save(pk, key);
        tell(history.take_notice());
        if (saved) {
            told_.remove(path);
            mail_.post([keeper = &keeper_, path] { emit keeper->kept(path); });
            return true;
        }
        // Once while the trouble lasts, not once for every PK it holds up.
        const QString trouble = history.busy() ? QStringLiteral("busy") : history.problem();
        if (told_.value(path) != trouble) {
            told_.insert(path, trouble);
            tell(history.busy()
                     ? QStringLiteral("PK历史文件正被其他程序占用，这场PK暂时没有存入历史。\r\n"
                                      "它的记录保留在磁盘上，历史文件空闲后会自动存入"
                                      "（下一场PK结束时，或下次启动时）。\r\n") +
                           path
                     : QStringLiteral("这场PK没有存入历史，它的记录保留在磁盘上，"
                                      "下一场PK结束时或下次启动时会再试。\r\n") +
                           history.problem());
        }
        return false;
    }

    void tell(const QString& text) {
        if (!text.isEmpty()) {
            mail_.post([keeper = &keeper_, text] { emit keeper->notice(text); });
        }
    }

    TallyKeeper& keeper_;
    ThreadMail::Sender mail_;
    std::map<QString, std::unique_ptr<TallyArchive>> archives_;
    QHash<QString, QString> told_; // the trouble last told of, per history file
    QList<Waiting> waiting_;
};

TallyKeeper& TallyKeeper::instance() {
    if (the_keeper == nullptr) {
        the_keeper = new TallyKeeper;
        qAddPostRoutine(stop_keeper);
        // A PK handed over as the catalogue closes still goes in; past the bound its journal
        // keeps it for the next start.
        add_end_step([] {
            if (the_keeper != nullptr) {
                the_keeper->wait_until_idle(
                    std::chrono::milliseconds(2 * the_keeper->busy_wait_ms_ + 1000));
            }
        });
    }
    return *the_keeper;
}

TallyKeeper::TallyKeeper() : mail_(new ThreadMail(this)) {
    worker_ = std::make_unique<Worker>(*this, mail_->sender());
    thread_ = std::thread([this] { run(); });
}

TallyKeeper::~TallyKeeper() {
    wait_until_idle(std::chrono::milliseconds(busy_wait_ms_ * 2));
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void TallyKeeper::run() {
    for (;;) {
        std::function<void(Worker&)> job;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            if (jobs_.empty()) {
                break; // stopping, and nothing left to do
            }
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        job(*worker_);
        {
            std::lock_guard lock(mutex_);
            --pending_;
        }
        changed_.notify_all();
    }
    // The history connections were opened on this thread and are closed on it.
    worker_.reset();
}

void TallyKeeper::submit(std::function<void(Worker&)> job) {
    {
        std::lock_guard lock(mutex_);
        ++pending_;
        jobs_.push_back(std::move(job));
    }
    changed_.notify_all();
}

void TallyKeeper::keep(const QString& archive_path, ArchivedPk pk, const QString& key,
                       HeldJournal journal) {
    // A journal moves along but a job must be copyable.
    auto held = std::make_shared<HeldJournal>(std::move(journal));
    submit([archive_path, pk = std::move(pk), key, held](Worker& worker) {
        worker.keep(archive_path, pk, key, std::move(*held));
    });
}

void TallyKeeper::keep_ended_journals(const QString& archive_path) {
    submit([archive_path](Worker& worker) { worker.retry(archive_path); });
}

bool TallyKeeper::wait_until_idle(std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit, [this] { return pending_ == 0; });
}

QString archive_key(const TallyHistory& history) {
    const TallyAddition& first = history.record().first();
    const QByteArray line = journal_line(
        {JournalEvent::Kind::addition, first.time, first.player, first.name, first.amount});
    return QString::fromLatin1(QCryptographicHash::hash(line, QCryptographicHash::Sha1).toHex());
}

} // namespace glimmer
