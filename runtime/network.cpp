#include "network.h"

#include "logging.h"
#include "modules.h"

#include <QUrl>

#include <ifaddrs.h>
#include <net/if.h>
#include <sys/socket.h>

namespace glimmer {

namespace {

bool is_web_scheme(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return scheme == u"http" || scheme == u"https";
}

} // namespace

QByteArray download_page(const QString& address, const DownloadLimits& limits) {
    const QUrl url(address.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || !is_web_scheme(url) || url.host().isEmpty()) {
        return {};
    }
    using Download = void (*)(const QUrl*, qint64, qint64, QByteArray*);
    const auto download =
        reinterpret_cast<Download>(module_symbol("glimmer_net", "glimmer_download_page"));
    if (download == nullptr) {
        qCWarning(log_net) << "the download module cannot be loaded";
        return {};
    }
    QByteArray body;
    download(&url, limits.max_body_bytes, limits.transfer_timeout.count(), &body);
    return body;
}

int is_online() {
    // Straight from the system rather than through Qt's network library, which the catalogue
    // would otherwise have to load before it can paint.
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) {
        return 0;
    }
    int online = 0;
    for (const ifaddrs* entry = list; entry != nullptr && online == 0; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr) {
            continue;
        }
        const int family = entry->ifa_addr->sa_family;
        const unsigned flags = entry->ifa_flags;
        if ((family == AF_INET || family == AF_INET6) && (flags & IFF_UP) != 0 &&
            (flags & IFF_RUNNING) != 0 && (flags & IFF_LOOPBACK) == 0) {
            online = 1;
        }
    }
    freeifaddrs(list);
    return online;
}

} // namespace glimmer
