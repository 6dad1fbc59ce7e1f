#pragma once

#include <QObject>

#include <functional>
#include <memory>

class QSocketNotifier;

namespace glimmer {

// Work a thread of ours hands back to the main thread. It waits in a queue under a mutex, and
// an eventfd wakes the main thread's event loop, so that every hand-over is one that
// ThreadSanitizer sees (Qt's own event queue it cannot, its libraries not being built for it).
// The mail goes with its owner: what arrives after that is dropped where it was posted.
class ThreadMail : public QObject {
public:
    explicit ThreadMail(QObject* owner);
    ~ThreadMail() override;

    struct Box;
    // What a thread posts through; a copy may outlive the mail.
    class Sender {
    public:
        // Runs work on the main thread, soon; never when the mail has gone.
        void post(std::function<void()> work) const;

    private:
        friend class ThreadMail;
        std::shared_ptr<Box> box_;
    };
    Sender sender() const;

private:
    void deliver();

    std::shared_ptr<Box> box_;
    QSocketNotifier* wake_ = nullptr;
};

} // namespace glimmer
