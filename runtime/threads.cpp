#include "threads.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QProgressDialog>

#include <optional>
#include <thread>

namespace glimmer {

void start_thread(std::function<void()> routine) {
    std::thread(std::move(routine)).detach();
}

void run_beside_the_windows(const std::function<void()>& work, const QString& label) {
    QEventLoop loop;
    std::optional<QProgressDialog> progress;
    if (QCoreApplication::instance()->inherits("QApplication")) {
        progress.emplace(label, QString(), 0, 0);
        progress->setWindowModality(Qt::ApplicationModal);
        progress->setCancelButton(nullptr);
        progress->setMinimumDuration(300);
    }
    std::thread worker([&work, &loop] {
        work();
        // Queued: the loop may not have started yet, and then quits as soon as it does.
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker.join();
}

} // namespace glimmer
