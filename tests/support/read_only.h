#pragma once

#include <QString>

namespace glimmer::testing {

// Makes a file or folder read-only for the life of the object, for root too: without write
// bits and, when running as root (who ignores them), marked immutable. ok() is false when
// the file system cannot do that.
class ReadOnly {
public:
    explicit ReadOnly(const QString& path);
    ~ReadOnly();
    ReadOnly(const ReadOnly&) = delete;
    ReadOnly& operator=(const ReadOnly&) = delete;

    bool ok() const { return ok_; }

private:
    QString path_;
    bool ok_ = false;
    bool immutable_ = false;
    unsigned mode_ = 0;
};

} // namespace glimmer::testing
