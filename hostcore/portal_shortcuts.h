#pragma once

#include "hostcore/global_hotkeys.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QObject>
#include <QString>
#include <QVariantMap>

namespace glimmer::host {

// One entry of the portal's a(sa{sv}) shortcut lists: an id and its properties
// ("description", "preferred_trigger", "trigger_description").
struct PortalShortcut {
    QString id;
    QVariantMap properties;
};
QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut);
const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut);
void register_portal_types();

// The desktop's GlobalShortcuts portal (org.freedesktop.portal.GlobalShortcuts), the one way a
// program may have keys of its own under Wayland: it asks the desktop to bind them, and the
// desktop (and the person, in its dialog) decides which keys they get. The keys of [hotkeys]
// are offered as the preferred triggers.
class PortalShortcuts : public QObject {
    Q_OBJECT
public:
    PortalShortcuts(const QDBusConnection& bus, GlobalHotkeys::Run run, QObject* parent = nullptr);

    // Asks for a session and binds the keys; bound() or unavailable() follows.
    void bind(const QList<Hotkey>& hotkeys);

    // The trigger as the portal names it, "CTRL+ALT+1".
    static QString trigger_text(const Hotkey& hotkey);

signals:
    // The desktop bound the shortcuts; count is how many it reported.
    void bound(int count);
    // No portal, an old one, or the person declined: a reason for the host.
    void unavailable(const QString& reason);

private slots:
    void request_answered(uint response, const QVariantMap& results);
    void activated(const QDBusMessage& message);

private:
    enum class Waiting { nothing, session, binding };

    // Calls a portal method whose answer comes later as a Request's Response signal.
    void call_with_request(const QString& method, QVariantList arguments, Waiting next);
    void follow_request(const QString& path);
    void bind_shortcuts();
    void give_up(const QString& reason);

    QDBusConnection bus_;
    GlobalHotkeys::Run run_;
    QList<Hotkey> hotkeys_;
    QString session_;
    QString request_path_;
    Waiting waiting_ = Waiting::nothing;
    int token_ = 0;
};

} // namespace glimmer::host

Q_DECLARE_METATYPE(glimmer::host::PortalShortcut)
