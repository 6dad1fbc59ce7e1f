#include "network.h"

#include <QDesktopServices>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkInterface>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

#include <mutex>

namespace glimmer {

namespace {

bool is_web_scheme(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return scheme == u"http" || scheme == u"https";
}

std::mutex opener_mutex;
UrlOpener url_opener;

} // namespace

QByteArray download_page(const QString& address, const DownloadLimits& limits) {
    const QUrl url(address.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || !is_web_scheme(url) || url.host().isEmpty()) {
        return {};
    }

    // Everything lives on this thread: its own manager and event loop, so the worker never
    // waits for the main thread and the main thread never waits for the worker.
    QNetworkAccessManager manager;
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    QNetworkReply* reply = manager.get(request);

    QByteArray body;
    bool failed = false;
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);

    auto give_up = [&] {
        failed = true;
        reply->abort();
    };
    QObject::connect(&deadline, &QTimer::timeout, &loop, give_up);
    QObject::connect(reply, &QNetworkReply::downloadProgress, &loop,
                     [&](qint64, qint64 total) {
                         if (total > limits.max_body_bytes) {
                             give_up();
                         }
                     });
    QObject::connect(reply, &QIODevice::readyRead, &loop, [&] {
        if (failed) {
            return;
        }
        body += reply->readAll();
        if (body.size() > limits.max_body_bytes) {
            give_up();
        }
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);

    deadline.start(limits.transfer_timeout);
    if (!reply->isFinished()) {
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    deadline.stop();

    if (!failed) {
        body += reply->readAll();
    }
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const bool ok = !failed && reply->error() == QNetworkReply::NoError && status >= 200 &&
                    status < 300 && body.size() <= limits.max_body_bytes;
    delete reply;
    return ok ? body : QByteArray();
}

bool open_url(const QString& address) {
    const QUrl url(address.trimmed(), QUrl::TolerantMode);
    if (!url.isValid() || !is_web_scheme(url)) {
        return false;
    }
    UrlOpener opener;
    {
        std::lock_guard lock(opener_mutex);
        opener = url_opener;
    }
    if (opener) {
        opener(address);
    } else {
        QDesktopServices::openUrl(url);
    }
    return true;
}

void set_url_opener(UrlOpener opener) {
    std::lock_guard lock(opener_mutex);
    url_opener = std::move(opener);
}

int is_online() {
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& net : interfaces) {
        const auto flags = net.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) ||
            !flags.testFlag(QNetworkInterface::IsRunning) ||
            flags.testFlag(QNetworkInterface::IsLoopBack)) {
            continue;
        }
        if (!net.addressEntries().isEmpty()) {
            return 1;
        }
    }
    return 0;
}

} // namespace glimmer
