#include "desktop.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include <mutex>

namespace glimmer {

namespace {

std::mutex opener_mutex;
UrlOpener url_opener;

bool is_web_scheme(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return scheme == u"http" || scheme == u"https";
}

} // namespace

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

namespace {

std::mutex folder_opener_mutex;
FolderOpener folder_opener;

} // namespace

bool open_folder(const QString& path) {
    const QString folder = QDir::cleanPath(path);
    if (!QFileInfo(folder).isDir()) {
        return false;
    }
    FolderOpener opener;
    {
        std::lock_guard lock(folder_opener_mutex);
        opener = folder_opener;
    }
    if (opener) {
        opener(folder);
    } else {
        QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
    }
    return true;
}

void set_folder_opener(FolderOpener opener) {
    std::lock_guard lock(folder_opener_mutex);
    folder_opener = std::move(opener);
}

} // namespace glimmer
