// The network stack, loaded on first use by download_page (see modules.h).

#include <QByteArray>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

extern "C" Q_DECL_EXPORT void glimmer_download_page(const QUrl* url, qint64 max_body_bytes,
                                                    qint64 timeout_ms, QByteArray* out) {
    // Everything lives on the calling thread: its own manager and event loop, so the worker
    // never waits for the main thread and the main thread never waits for the worker.
    QNetworkAccessManager manager;
    QNetworkRequest request(*url);
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
    QObject::connect(reply, &QNetworkReply::downloadProgress, &loop, [&](qint64, qint64 total) {
        if (total > max_body_bytes) {
            give_up();
        }
    });
    QObject::connect(reply, &QIODevice::readyRead, &loop, [&] {
        if (failed) {
            return;
        }
        body += reply->readAll();
        if (body.size() > max_body_bytes) {
            give_up();
        }
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);

    deadline.start(static_cast<int>(timeout_ms));
    if (!reply->isFinished()) {
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    deadline.stop();

    if (!failed) {
        body += reply->readAll();
    }
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const bool ok = !failed && reply->error() == QNetworkReply::NoError && status >= 200 &&
                    status < 300 && body.size() <= max_body_bytes;
    delete reply;
    *out = ok ? body : QByteArray();
}
