#include "read_only.h"

#include <QFile>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace glimmer::testing {

namespace {

bool set_immutable(const QString& path, bool on) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return done;
}

} // namespace

ReadOnly::ReadOnly(const QString& path) : path_(path) {
    struct stat info {};
    const QByteArray name = QFile::encodeName(path);
    if (::stat(name.constData(), &info) != 0) {
        return;
    }
    mode_ = info.st_mode & 07777;
    if (::chmod(name.constData(), mode_ & ~0222U) != 0) {
        return;
    }
    if (::geteuid() == 0) {
        immutable_ = set_immutable(path, true);
        ok_ = immutable_;
    } else {
        ok_ = true;
    }
}

ReadOnly::~ReadOnly() {
    if (immutable_) {
        set_immutable(path_, false);
    }
    if (mode_ != 0) {
        ::chmod(QFile::encodeName(path_).constData(), mode_);
    }
}

} // namespace glimmer::testing
