#include "runtime/thread_mail.h"

#include <QPointer>
#include <QSocketNotifier>

#include <deque>
#include <mutex>

#include <sys/eventfd.h>
#include <unistd.h>

namespace glimmer {

struct ThreadMail::Box {
    std::mutex mutex;
    std::deque<std::function<void()>> waiting;
    bool closed = false;
    int fd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);

    ~Box() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
};

ThreadMail::ThreadMail(QObject* owner) : QObject(owner), box_(std::make_shared<Box>()) {
    if (box_->fd >= 0) {
        wake_ = new QSocketNotifier(box_->fd, QSocketNotifier::Read, this);
        connect(wake_, &QSocketNotifier::activated, this, &ThreadMail::deliver);
    }
}

ThreadMail::~ThreadMail() {
    std::deque<std::function<void()>> dropped;
    {
        std::lock_guard lock(box_->mutex);
        box_->closed = true;
        dropped.swap(box_->waiting);
    }
}

ThreadMail::Sender ThreadMail::sender() const {
    Sender sender;
    sender.box_ = box_;
    return sender;
}

void ThreadMail::Sender::post(std::function<void()> work) const {
    {
        std::lock_guard lock(box_->mutex);
        if (box_->closed) {
            return; // work goes here, on this thread, with whatever it holds
        }
        box_->waiting.push_back(std::move(work));
    }
    const std::uint64_t one = 1;
    (void)::write(box_->fd, &one, sizeof one);
}

void ThreadMail::deliver() {
    std::uint64_t count = 0;
    (void)::read(box_->fd, &count, sizeof count);
    std::deque<std::function<void()>> arrived;
    {
        std::lock_guard lock(box_->mutex);
        arrived.swap(box_->waiting);
    }
    const QPointer<ThreadMail> alive(this);
    for (std::function<void()>& work : arrived) {
        if (!alive) {
            break; // its owner went in the work before; the rest is dropped with it
        }
        work();
    }
}

} // namespace glimmer
