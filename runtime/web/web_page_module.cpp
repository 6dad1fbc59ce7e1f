// The browser engine, loaded the first time a hidden web view gets an address
// (see web_view.h).

#include <QPointer>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>

#include <unistd.h>

namespace {

class WebPageBridge : public QObject {
    Q_OBJECT
public:
    explicit WebPageBridge(QObject* parent) : QObject(parent), page_(new QWebEnginePage(this)) {
        connect(page_, &QWebEnginePage::loadingChanged, this, &WebPageBridge::loading_changed);
    }

public slots:
    void load(const QString& address) { page_->load(QUrl(address)); }

signals:
    void document_complete(const QString& visible_text);

private:
    void loading_changed(const QWebEngineLoadingInfo& info) {
        const bool answered =
            info.status() == QWebEngineLoadingInfo::LoadSucceededStatus ||
            (info.status() == QWebEngineLoadingInfo::LoadFailedStatus &&
             info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain);
        if (!answered) {
            return; // no server, no such host, refused: the engine's own error page is no document
        }
        QPointer<WebPageBridge> self(this);
        page_->toPlainText([self](const QString& text) {
            if (self) {
                emit self->document_complete(text);
            }
        });
    }

    QWebEnginePage* page_;
};

} // namespace

extern "C" Q_DECL_EXPORT QObject* glimmer_create_web_page(QObject* parent) {
    // The engine refuses to start its sandbox as root, as a host running the program from a
    // root shell would; it then runs unsandboxed rather than not at all.
    if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX")) {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    }
    return new WebPageBridge(parent);
}

#include "web_page_module.moc"
