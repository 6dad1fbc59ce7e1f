#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>
#include <functional>

namespace glimmer {

struct DownloadLimits {
    qint64 max_body_bytes = 1024 * 1024;
    std::chrono::milliseconds transfer_timeout{30000};
};

// Plain HTTP GET. The body on a 2xx answer; empty on any failure, on a body over the
// limit, or when the whole transfer takes longer than the timeout. Safe to call from any
// thread: it runs its own event loop and never touches the main thread.
QByteArray download_page(const QString& address, const DownloadLimits& limits = {});

// Hands an http or https address (blanks around it aside) to the desktop's browser; anything
// else is ignored, since an address from the network must never start a local program.
// Returns whether the address was handed on.
bool open_url(const QString& address);

// Replaces the browser hand-off, for tests; an empty function restores the desktop's.
using UrlOpener = std::function<void(const QString& address)>;
void set_url_opener(UrlOpener opener);

// 1 when a network interface other than loopback is up and has an address, else 0.
int is_online();

} // namespace glimmer
