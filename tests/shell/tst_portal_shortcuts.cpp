// The Wayland path of the global keys: the program's side of the desktop's GlobalShortcuts
// portal, against a stand-in portal on a private D-Bus bus of the test's own.

#include "hostcore/portal_shortcuts.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace glimmer::host;

namespace {

const QString portal_path = QStringLiteral("/org/freedesktop/portal/desktop");

// The portal as a desktop offers it: each call answers at once with a request path, and the
// result follows as that request's Response signal.
class StandInPortal : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.GlobalShortcuts")
public:
    StandInPortal(QObject* parent, QDBusConnection bus, uint answer)
        : QDBusAbstractAdaptor(parent), bus_(std::move(bus)), answer_(answer) {}

    QList<PortalShortcut> shortcuts;
    QString session = QStringLiteral("/org/freedesktop/portal/desktop/session/a/glimmerhall");

    void activate(const QString& session_path, const QString& id) {
        QDBusMessage signal = QDBusMessage::createSignal(
            portal_path, QStringLiteral("org.freedesktop.portal.GlobalShortcuts"),
            QStringLiteral("Activated"));
        signal << QVariant::fromValue(QDBusObjectPath(session_path)) << id << qulonglong(1)
               << QVariantMap();
        bus_.send(signal);
    }

public slots:
    QDBusObjectPath CreateSession(const QVariantMap& options, const QDBusMessage& call) {
        return answer_later(call, options, {{QStringLiteral("session_handle"), session}});
    }
    // Spelt out in full: the bus finds the slot by the type's registered name.
    QDBusObjectPath BindShortcuts(const QDBusObjectPath&,
                                  const QList<glimmer::host::PortalShortcut>& given, const QString&,
                                  const QVariantMap& options, const QDBusMessage& call) {
        shortcuts = given;
        return answer_later(call, options,
                            {{QStringLiteral("shortcuts"), QVariant::fromValue(given)}});
    }

private:
    QDBusObjectPath answer_later(const QDBusMessage& call, const QVariantMap& options,
                                 const QVariantMap& results) {
        QString sender = call.service().mid(1);
        sender.replace(u'.', u'_');
        const QString path =
            QStringLiteral("%1/request/%2/%3")
                .arg(portal_path, sender, options.value(QStringLiteral("handle_token")).toString());
        QTimer::singleShot(0, this, [this, path, results] {
            QDBusMessage response = QDBusMessage::createSignal(
                path, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
            response << answer_ << (answer_ == 0 ? results : QVariantMap());
            bus_.send(response);
        });
        return QDBusObjectPath(path);
    }

    QDBusConnection bus_;
    uint answer_;
};

Hotkey hotkey(std::uint32_t keysym, std::uint16_t modifiers, const QString& command) {
    return {keysym, modifiers, command.toUtf8(), command, QString()};
}

} // namespace

class PortalShortcutsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();
    void portal_binds_keys_and_runs_their_commands();
    void portal_that_cannot_bind_is_reported_data();
    void portal_that_cannot_bind_is_reported();

private:
    QTemporaryDir folder_;
    QProcess bus_daemon_;
    QString address_;
    int connections_ = 0;
};

void PortalShortcutsTest::initTestCase() {
    register_portal_types();
    // A bus of our own, which can start nothing: the desktop's real portal never answers here.
    const QString config = folder_.filePath(QStringLiteral("bus.conf"));
    QFile file(config);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("<busconfig><type>session</type><listen>unix:dir=" + folder_.path().toUtf8() +
               "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
               "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
               "<allow own=\"*\"/></policy></busconfig>");
    file.close();
    bus_daemon_.start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--nofork"), QStringLiteral("--print-address"),
                       QStringLiteral("--config-file=") + config});
    QVERIFY2(bus_daemon_.waitForStarted(), "dbus-daemon is missing");
    QTRY_VERIFY(bus_daemon_.canReadLine());
    address_ = QString::fromUtf8(bus_daemon_.readLine()).trimmed();
    QVERIFY(!address_.isEmpty());
}

void PortalShortcutsTest::cleanupTestCase() {
    bus_daemon_.terminate();
    bus_daemon_.waitForFinished();
}

void PortalShortcutsTest::cleanup() {
    // Each case's desktop leaves the bus, so the next can take the portal's name.
    QDBusConnection::disconnectFromBus(QStringLiteral("desktop%1").arg(connections_ - 1));
    QDBusConnection::disconnectFromBus(QStringLiteral("program%1").arg(connections_));
}

void PortalShortcutsTest::portal_binds_keys_and_runs_their_commands() {
    QDBusConnection desktop =
        QDBusConnection::connectToBus(address_, QStringLiteral("desktop%1").arg(++connections_));
    QObject portal_object;
    auto* portal = new StandInPortal(&portal_object, desktop, 0);
    QVERIFY(desktop.registerObject(portal_path, &portal_object, QDBusConnection::ExportAdaptors));
    QVERIFY(desktop.registerService(QStringLiteral("org.freedesktop.portal.Desktop")));

    QList<QByteArray> ran;
    PortalShortcuts shortcuts(
        QDBusConnection::connectToBus(address_, QStringLiteral("program%1").arg(++connections_)),
        [&ran](const QByteArray& request) { ran << request; });
    QSignalSpy bound(&shortcuts, &PortalShortcuts::bound);
    shortcuts.bind({hotkey('z', 4 | 8, QStringLiteral("tally undo")),
                    hotkey(0x20, 4 | 8 | 1, QStringLiteral("dice step")),
                    hotkey(0xffc9, 64, QStringLiteral("tally preset 2 3"))});
    QVERIFY(bound.wait());
    QCOMPARE(bound.first().first().toInt(), 3);

    // The desktop is offered each command under a readable id, with our key as its wish.
    QCOMPARE(portal->shortcuts.size(), 3);
    const QStringList expected[] = {{"tally.undo", "CTRL+ALT+z"},
                                    {"dice.step", "CTRL+ALT+SHIFT+space"},
                                    {"tally.preset.2.3", "LOGO+F12"}};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(portal->shortcuts[i].id, expected[i][0]);
        QCOMPARE(portal->shortcuts[i].properties.value("preferred_trigger").toString(),
                 expected[i][1]);
    }

    // Another session's key and an id we never bound do nothing; ours runs its command.
    portal->activate(QStringLiteral("/org/freedesktop/portal/desktop/session/a/other"),
                     QStringLiteral("tally.undo"));
    portal->activate(portal->session, QStringLiteral("tally.fly"));
    portal->activate(portal->session, QStringLiteral("dice.step"));
    QTRY_COMPARE(ran.size(), 1);
    QCOMPARE(ran.first(), QByteArray("dice step"));
}

void PortalShortcutsTest::portal_that_cannot_bind_is_reported_data() {
    QTest::addColumn<int>("answer"); // -1: no portal on the bus at all
    QTest::newRow("no portal") << -1;
    QTest::newRow("declined in the desktop's dialog") << 1;
    QTest::newRow("failed") << 2;
}

void PortalShortcutsTest::portal_that_cannot_bind_is_reported() {
    QFETCH(int, answer);
    QDBusConnection desktop =
        QDBusConnection::connectToBus(address_, QStringLiteral("desktop%1").arg(++connections_));
    QObject portal_object;
    if (answer >= 0) {
        new StandInPortal(&portal_object, desktop, static_cast<uint>(answer));
        QVERIFY(
            desktop.registerObject(portal_path, &portal_object, QDBusConnection::ExportAdaptors));
        QVERIFY(desktop.registerService(QStringLiteral("org.freedesktop.portal.Desktop")));
    }
    PortalShortcuts shortcuts(
        QDBusConnection::connectToBus(address_, QStringLiteral("program%1").arg(++connections_)),
        [](const QByteArray&) { QFAIL("nothing is bound, so nothing may run"); });
    QSignalSpy bound(&shortcuts, &PortalShortcuts::bound);
    QSignalSpy unavailable(&shortcuts, &PortalShortcuts::unavailable);
    shortcuts.bind({hotkey('z', 4 | 8, QStringLiteral("tally undo"))});
    QVERIFY(unavailable.wait());
    QVERIFY(!unavailable.first().first().toString().isEmpty());
    QCOMPARE(bound.size(), 0);
}

QTEST_GUILESS_MAIN(PortalShortcutsTest)
#include "tst_portal_shortcuts.moc"
