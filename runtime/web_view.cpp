#include "web_view.h"

#include "modules.h"

#include <QMetaObject>

namespace glimmer {

HiddenWebView::HiddenWebView(QObject* parent) : QObject(parent) {}

bool HiddenWebView::set_address(const QString& address) {
    if (!page_) {
        using Create = QObject* (*)(QObject*);
        const auto create = reinterpret_cast<Create>(module_symbol("glimmer_web", "glimmer_create_web_page"));
        if (create == nullptr) {
            return false;
        }
        page_ = create(this);
        if (!page_) {
            return false;
        }
        // The page's class lives in the module, so the connection goes by signature.
        connect(page_, SIGNAL(document_complete(QString)), this,
                SIGNAL(document_complete(QString)));
    }
    return QMetaObject::invokeMethod(page_, "load", Q_ARG(QString, address));
}

} // namespace glimmer
