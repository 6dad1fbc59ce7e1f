#include "hostcore/portal_shortcuts.h"

#include "runtime/logging.h"
#include "runtime/translation.h"

#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace glimmer::host {

namespace {

const QString portal_service = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portal_path = QStringLiteral("/org/freedesktop/portal/desktop");
const QString shortcuts_interface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString request_interface = QStringLiteral("org.freedesktop.portal.Request");

// A handle in an answer may come as an object path or, from older portals, as a string.
QString path_text(const QVariant& value) {
    if (value.canConvert<QDBusObjectPath>()) {
        const QString path = value.value<QDBusObjectPath>().path();
        if (!path.isEmpty()) {
            return path;
        }
    }
    return value.toString();
}

// The id the desktop shows and keeps the binding under: the command's words joined by dots.
QString shortcut_id(const Hotkey& hotkey) {
    return QString(hotkey.command).replace(u' ', u'.');
}

} // namespace

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut) {
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut) {
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

void register_portal_types() {
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<QList<PortalShortcut>>();
}

PortalShortcuts::PortalShortcuts(const QDBusConnection& bus, GlobalHotkeys::Run run,
                                 QObject* parent)
    : QObject(parent), bus_(bus), run_(std::move(run)) {
    register_portal_types();
}

QString PortalShortcuts::trigger_text(const Hotkey& hotkey) {
    // The modifier names and key names of the desktop shortcuts convention.
    QStringList parts;
    const std::pair<std::uint16_t, const char*> names[] = {
        {4, "CTRL"}, {8, "ALT"}, {1, "SHIFT"}, {64, "LOGO"}};
    for (const auto& [mask, name] : names) {
        if ((hotkey.modifiers & mask) != 0) {
            parts << QString::fromLatin1(name);
        }
    }
    if (hotkey.keysym >= 0xffbe && hotkey.keysym <= 0xffd5) {
        parts << QStringLiteral("F%1").arg(hotkey.keysym - 0xffbe + 1);
    } else if (hotkey.keysym == 0x20) {
        parts << QStringLiteral("space");
    } else {
        parts << QString(QChar(static_cast<char16_t>(hotkey.keysym)));
    }
    return parts.join(u'+');
}

void PortalShortcuts::bind(const QList<Hotkey>& hotkeys) {
    hotkeys_ = hotkeys;
    bus_.connect(portal_service, portal_path, shortcuts_interface, QStringLiteral("Activated"),
                 this, SLOT(activated(QDBusMessage)));
    call_with_request(QStringLiteral("CreateSession"),
                      {QVariantMap{{QStringLiteral("session_handle_token"),
                                    QStringLiteral("glimmerhall_session")}}},
                      Waiting::session);
}

void PortalShortcuts::call_with_request(const QString& method, QVariantList arguments,
                                        Waiting next) {
    // The answer comes as a signal on a request object whose path follows from our name and
    // the token; listening before the call means an answer that is quick cannot be missed.
    const QString token = QStringLiteral("glimmerhall_%1").arg(++token_);
    QString sender = bus_.baseService().mid(1);
    sender.replace(u'.', u'_');
    follow_request(QStringLiteral("%1/request/%2/%3").arg(portal_path, sender, token));
    QVariantMap options = arguments.takeLast().toMap();
    options.insert(QStringLiteral("handle_token"), token);
    arguments << options;
    waiting_ = next;

    QDBusMessage call =
        QDBusMessage::createMethodCall(portal_service, portal_path, shortcuts_interface, method);
    call.setArguments(arguments);
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, watcher](QDBusPendingCallWatcher*) {
                watcher->deleteLater();
                const QDBusPendingReply<QDBusObjectPath> reply = *watcher;
                if (reply.isError()) {
                    const QDBusError::ErrorType type = reply.error().type();
                    const bool absent = type == QDBusError::ServiceUnknown ||
                                        type == QDBusError::UnknownInterface ||
                                        type == QDBusError::UnknownMethod ||
                                        type == QDBusError::UnknownObject;
                    give_up(absent ? translated("hotkeys", "桌面没有全局快捷键门户")
                                   : reply.error().message());
                    return;
                }
                // A portal older than the handle token names its own path.
                if (reply.value().path() != request_path_) {
                    follow_request(reply.value().path());
                }
            });
}

void PortalShortcuts::follow_request(const QString& path) {
    if (!request_path_.isEmpty()) {
        bus_.disconnect(portal_service, request_path_, request_interface,
                        QStringLiteral("Response"), this,
                        SLOT(request_answered(uint, QVariantMap)));
    }
    request_path_ = path;
    bus_.connect(portal_service, path, request_interface, QStringLiteral("Response"), this,
                 SLOT(request_answered(uint, QVariantMap)));
}

void PortalShortcuts::request_answered(uint response, const QVariantMap& results) {
    const Waiting was = waiting_;
    waiting_ = Waiting::nothing;
    if (response != 0) {
        give_up(response == 1 ? translated("hotkeys", "桌面上取消了快捷键的设置")
                              : translated("hotkeys", "桌面没能设置快捷键"));
        return;
    }
    if (was == Waiting::session) {
        session_ = path_text(results.value(QStringLiteral("session_handle")));
        if (session_.isEmpty()) {
            give_up(translated("hotkeys", "桌面没有给出快捷键会话"));
            return;
        }
        bind_shortcuts();
    } else if (was == Waiting::binding) {
        const auto shortcuts =
            qdbus_cast<QList<PortalShortcut>>(results.value(QStringLiteral("shortcuts")));
        emit bound(static_cast<int>(shortcuts.size()));
    }
}

void PortalShortcuts::bind_shortcuts() {
    QList<PortalShortcut> shortcuts;
    for (const Hotkey& hotkey : std::as_const(hotkeys_)) {
        shortcuts.append(
            {shortcut_id(hotkey),
             {{QStringLiteral("description"), QStringLiteral("glimmerhall ctl ") + hotkey.command},
              {QStringLiteral("preferred_trigger"), trigger_text(hotkey)}}});
    }
    call_with_request(QStringLiteral("BindShortcuts"),
                      {QVariant::fromValue(QDBusObjectPath(session_)),
                       QVariant::fromValue(shortcuts), QString(), QVariantMap()},
                      Waiting::binding);
}

void PortalShortcuts::activated(const QDBusMessage& message) {
    // (o session_handle, s shortcut_id, t timestamp, a{sv} options)
    const QVariantList arguments = message.arguments();
    if (arguments.size() < 2 || path_text(arguments[0]) != session_) {
        return;
    }
    const QString id = arguments[1].toString();
    for (const Hotkey& hotkey : std::as_const(hotkeys_)) {
        if (shortcut_id(hotkey) == id) {
            run_(hotkey.request);
            return;
        }
    }
}

void PortalShortcuts::give_up(const QString& reason) {
    qCWarning(log_hotkeys) << "global shortcuts portal:" << reason;
    waiting_ = Waiting::nothing;
    emit unavailable(reason);
}

} // namespace glimmer::host
