// The browser engine, loaded the first time a hidden web view gets an address
// (see web_view.h).

#include <QPointer>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>

#include <QCoreApplication>
#include <QOpenGLContext>

#include <unistd.h>

// Exported by Qt Gui for this purpose; its declaration lives in a private header.
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);

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

// The engine expects the OpenGL context that Qt shares between all windows when the
// application asked for one (Qt::AA_ShareOpenGLContexts) before it started. Asking then
// would make every start-up create that context before the catalogue can paint, for a page
// that is loaded only afterwards; so the module makes it here, on first use, as Qt would have.
void provide_shared_context() {
    // Exactly what Qt does at start-up for the attribute: the context is handed over even when
    // it could not be created (no OpenGL, as on the offscreen platform), and the engine, seeing
    // it invalid, goes without graphics.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    if (QOpenGLContext::globalShareContext() != nullptr) {
        return;
    }
    auto* context = new QOpenGLContext(QCoreApplication::instance());
    context->setFormat(QSurfaceFormat::defaultFormat());
    context->create();
    qt_gl_set_global_share_context(context);
}

} // namespace

extern "C" Q_DECL_EXPORT QObject* glimmer_create_web_page(QObject* parent) {
    // The engine refuses to start its sandbox as root, as a host running the program from a
    // root shell would; it then runs unsandboxed rather than not at all.
    if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX")) {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    }
    provide_shared_context();
    return new WebPageBridge(parent);
}

#include "web_page_module.moc"
