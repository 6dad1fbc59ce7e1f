#include "web_view.h"

#include "modules.h"
#include "processes.h"

#include <QProcess>
#include <QTimer>

#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace glimmer {

HiddenWebView::HiddenWebView(QObject* parent, PageReaderLimits limits)
    : QObject(parent), limits_(std::move(limits)), check_timer_(new QTimer(this)) {
    check_timer_->setInterval(limits_.check_interval);
    connect(check_timer_, &QTimer::timeout, this, &HiddenWebView::check_reader);
}

HiddenWebView::~HiddenWebView() {
    if (reader_ != nullptr) {
        reader_->disconnect(this);
        kill_reader(ending_);
        untrack_helper_group(static_cast<pid_t>(group_));
    }
}

bool HiddenWebView::set_address(const QString& address) {
    if (reader_ != nullptr) {
        reader_->disconnect(this);
        kill_reader(ending_);
        untrack_helper_group(static_cast<pid_t>(group_));
        delete reader_; // waits for the killed process, briefly
        reader_ = nullptr;
        check_timer_->stop();
    }
    const QString program =
        limits_.program.isEmpty() ? helper_program("glimmer_page_reader") : limits_.program;
    if (program.isEmpty()) {
        return false;
    }
    frames_ = DocumentFrameReader();
    ending_ = Ending::by_itself;
    reader_ = new QProcess(this);
    reader_->setProgram(program);
    reader_->setArguments({QStringLiteral("--quiet-ms=%1").arg(limits_.quiet.count()),
                           QStringLiteral("--lifetime-ms=%1").arg(limits_.lifetime.count()),
                           address});
    reader_->setStandardInputFile(QProcess::nullDevice());
    // The engine talks a lot on its error output; nobody reads it.
    reader_->setStandardErrorFile(QProcess::nullDevice());
    const pid_t program_pid = getpid();
    reader_->setChildProcessModifier([program_pid] {
        // A group of its own, so the reader goes with everything it starts; and it dies with
        // the program, which ends without running any destructor.
        setpgid(0, 0);
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != program_pid) {
            _exit(127);
        }
    });
    connect(reader_, &QProcess::readyReadStandardOutput, this, &HiddenWebView::take_output);
    connect(reader_, &QProcess::finished, this, &HiddenWebView::reader_finished);
    connect(reader_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            reader_finished();
        }
    });
    started_ = std::chrono::steady_clock::now();
    reader_->start();
    if (reader_ == nullptr) {
        return false; // it could not even be started, and has been cleared away
    }
    group_ = reader_->processId();
    if (group_ <= 0) {
        reader_->disconnect(this);
        reader_->deleteLater();
        reader_ = nullptr;
        return false;
    }
    track_helper_group(static_cast<pid_t>(group_));
    check_timer_->start();
    return true;
}

qint64 HiddenWebView::reader_pid() const {
    return reader_ != nullptr ? group_ : 0;
}

void HiddenWebView::take_output() {
    if (reader_ == nullptr) {
        return;
    }
    const QByteArray output = reader_->readAllStandardOutput();
    if (ending_ != Ending::by_itself) {
        return; // being killed: whatever it still says is too late
    }
    for (const QString& text : frames_.take(output)) {
        emit document_complete(text);
    }
    if (frames_.broken()) {
        kill_reader(Ending::garbage);
    }
}

void HiddenWebView::check_reader() {
    const ProcessTreeUsage usage = process_tree_usage(static_cast<pid_t>(group_));
    if (usage.pids.empty() || ending_ != Ending::by_itself) {
        return; // its end is already on its way
    }
    if (usage.rss_bytes > limits_.max_rss_bytes) {
        kill_reader(Ending::over_memory);
    } else if (usage.cpu > limits_.max_cpu) {
        kill_reader(Ending::over_cpu);
    } else if (std::chrono::steady_clock::now() - started_ >
               limits_.lifetime + limits_.hang_grace) {
        kill_reader(Ending::hung);
    }
}

void HiddenWebView::kill_reader(Ending ending) {
    ending_ = ending;
    check_timer_->stop();
    if (group_ <= 0) {
        return; // kill(0) would hit the program's own group
    }
    // Everything below the reader first, while it still has it; then its whole group.
    kill_processes(process_tree_usage(static_cast<pid_t>(group_)).pids);
    ::kill(-static_cast<pid_t>(group_), SIGKILL);
}

void HiddenWebView::reader_finished() {
    if (reader_ == nullptr) {
        return;
    }
    take_output();
    check_timer_->stop();
    // A reader that died (a crash, a kill from outside) leaves the engine's processes behind
    // in its group, where nothing would ever end them.
    if (group_ > 0) {
        ::kill(-static_cast<pid_t>(group_), SIGKILL);
    }
    untrack_helper_group(static_cast<pid_t>(group_));
    reader_->disconnect(this);
    reader_->deleteLater();
    reader_ = nullptr;
    emit reader_ended(ending_);
}

} // namespace glimmer
