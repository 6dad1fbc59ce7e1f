#include "desktop.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include <mutex>

namespace glimmer {

namespace {

// Where the desktop is handed something, replaceable by tests from any thread.
template <typename Opener> struct HandOff {
    std::mutex mutex;
    Opener replacement;

    void replace(Opener opener) {
        std::lock_guard lock(mutex);
        replacement = std::move(opener);
    }
    // The replacement with text when there is one, else the desktop with url.
    void give(const QString& text, const QUrl& url) {
        Opener opener;
        {
            std::lock_guard lock(mutex);
            opener = replacement;
        }
        if (opener) {
            opener(text);
        } else {
            QDesktopServices::openUrl(url);
        }
    }
};

HandOff<UrlOpener> browser;
HandOff<FolderOpener> file_manager;

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
    browser.give(address, url);
    return true;
}

void set_url_opener(UrlOpener opener) {
    browser.replace(std::move(opener));
}

bool open_folder(const QString& path) {
    const QString folder = QDir::cleanPath(path);
    if (!QFileInfo(folder).isDir()) {
        return false;
    }
    file_manager.give(folder, QUrl::fromLocalFile(folder));
    return true;
}

void set_folder_opener(FolderOpener opener) {
    file_manager.replace(std::move(opener));
}

} // namespace glimmer
