#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>

namespace glimmer {

struct DownloadLimits {
    qint64 max_body_bytes = 1024 * 1024;
    std::chrono::milliseconds transfer_timeout{30000};
};

// Plain HTTP GET. The body on a 2xx answer; empty on any failure, on a body over the
// limit, or when the whole transfer takes longer than the timeout. Safe to call from any
// thread: it runs its own event loop and never touches the main thread.
QByteArray download_page(const QString& address, const DownloadLimits& limits = {});

// 1 when a network interface other than loopback is up and has an address, else 0.
int is_online();

} // namespace glimmer
