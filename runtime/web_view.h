#pragma once

#include "page_frames.h"

#include <QObject>
#include <QString>

#include <chrono>

class QProcess;
class QTimer;

namespace glimmer {

// Bounds on the page reader, the short-lived process that holds the browser engine.
struct PageReaderLimits {
    // Kept by the reader itself: it ends this long after its last document (or its start),
    // and at the latest this long after its start.
    std::chrono::milliseconds quiet{30000};
    std::chrono::milliseconds lifetime{120000};
    // Kept by the program, which checks every interval and kills the reader with everything
    // it started once the sum over them goes past a bound, or once the reader has outlived
    // its own lifetime by the grace (it hangs).
    long long max_rss_bytes = 512LL * 1024 * 1024;
    std::chrono::milliseconds max_cpu{10000};
    std::chrono::milliseconds check_interval{1000};
    std::chrono::milliseconds hang_grace{5000};
    // The reader executable; empty for the one installed beside the runtime.
    QString program;
};

// A web view that is never shown: it loads a page as a browser would (scripts run) and
// reports the visible text of each document it completes. The browser engine never enters
// this process: the page loads in a page reader process started for it, which reports back
// over a pipe and ends within its limits. Documents the reader would complete after it has
// ended are never seen.
//
// A load the engine could not complete (no server, no such host) completes no document and
// ends the reader; a page the server answered, an HTTP error page included, completes one.
class HiddenWebView : public QObject {
    Q_OBJECT
public:
    enum class Ending { by_itself, over_memory, over_cpu, hung, garbage };
    Q_ENUM(Ending)

    explicit HiddenWebView(QObject* parent = nullptr, PageReaderLimits limits = {});
    // Kills a reader that is still running.
    ~HiddenWebView() override;

    // Starts a reader on the address, ending one that still runs. False when none can start.
    bool set_address(const QString& address);

    // The running reader's process id (its process group's too), or 0.
    qint64 reader_pid() const;

signals:
    void document_complete(const QString& visible_text);
    void reader_ended(glimmer::HiddenWebView::Ending ending);

private:
    void take_output();
    void check_reader();
    void kill_reader(Ending ending);
    void reader_finished();

    PageReaderLimits limits_;
    QProcess* reader_ = nullptr;
    QTimer* check_timer_;
    DocumentFrameReader frames_;
    qint64 group_ = 0;
    Ending ending_ = Ending::by_itself;
    std::chrono::steady_clock::time_point started_;
};

} // namespace glimmer
