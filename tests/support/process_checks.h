#pragma once

#include <QFile>
#include <QString>

#include <algorithm>
#include <vector>

#include <sys/types.h>

namespace glimmer::testing {

// Whether the process still runs; a zombie nobody has reaped yet counts as gone.
inline bool running(pid_t pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray line = stat.readAll();
    return !line.mid(line.lastIndexOf(')') + 2, 1).startsWith('Z');
}

inline bool all_gone(const std::vector<pid_t>& pids) {
    return std::none_of(pids.begin(), pids.end(), running);
}

} // namespace glimmer::testing
