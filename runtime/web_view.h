#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

namespace glimmer {

// A web view that is never shown: it loads a page as a browser would (scripts run) and
// reports the visible text of each document it completes. The browser engine is a module
// loaded when the first address is set (see modules.h), never before.
//
// A load the engine could not complete (no server, no such host) completes no document; a
// page the server answered, an HTTP error page included, does.
class HiddenWebView : public QObject {
    Q_OBJECT
public:
    explicit HiddenWebView(QObject* parent = nullptr);

    // Starts loading the address. False when the engine cannot be had.
    bool set_address(const QString& address);

signals:
    void document_complete(const QString& visible_text);

private:
    QPointer<QObject> page_;
};

} // namespace glimmer
