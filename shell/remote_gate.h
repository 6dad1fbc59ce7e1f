#pragma once

#include "runtime/overlay/control_endpoint.h"
#include "runtime/remote_server_interface.h"

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <map>

namespace glimmer {

class GameHost;

// A phone paired with the remote: its name (from the phone, editable), what it may do, and
// the key it proves each request with. The key never leaves the program again after pairing.
struct RemoteDevice {
    QString id;
    QString name;
    bool operate = true; // 操作; else 只看 (view only)
    QByteArray key;      // 16 random bytes
    qint64 counter = 0;  // the last counter it used; a request must go above it
    QDateTime last_seen;
    QString last_action; // what it last did, as the host reads it
};

// What the phone remote lets through, with no socket of its own (the overlay module's remote
// server hands each request here): the remote's own Host and Origin only, pairing by a ticket
// used once within 5 minutes, then every request signed with the device's key (HMAC-SHA256
// over the method, path, time, counter and body) within 30 s of now and above the device's
// last counter, so a replay is refused; a device's requests are limited per second, its own
// budget apart from the others'. Devices live in a file of the program's own, readable by this
// user alone.
class RemoteGate : public QObject {
    Q_OBJECT
public:
    using Request = RemoteServerInterface::Request;
    using Reply = RemoteServerInterface::Reply;

    // clock: milliseconds since the epoch (tests pass their own).
    RemoteGate(GameHost& games, QString devices_path, std::function<qint64()> clock = {},
               QObject* parent = nullptr);

    // The Host values the remote answers to ("192.168.1.5:17611"); every other is refused.
    void set_hosts(const QStringList& hosts) { hosts_ = hosts; }
    // The page served at "/".
    void set_page(QByteArray page) { page_ = std::move(page); }

    // A new pairing ticket, good once within ticket_life_ms; older ones stay good until used
    // or expired, at most max_tickets of them.
    QString new_ticket();

    Reply handle(const Request& request);

    const QList<RemoteDevice>& devices() const { return devices_; }
    // By id, or "all" for remove; false when there is no such device.
    bool rename(const QString& id, const QString& name);
    bool set_operate(const QString& id, bool operate);
    bool remove(const QString& id);
    // Why the devices file was set aside or could not be written; empty when all is well.
    const QString& problem() const { return problem_; }

    static constexpr qint64 ticket_life_ms = 5 * 60 * 1000;
    static constexpr qint64 allowed_skew_ms = 30 * 1000;
    static constexpr qsizetype max_tickets = 8;
    static constexpr qsizetype requests_per_second = 10;
    static constexpr qsizetype longest_name = 32;

    // The signature a request carries: lowercase hex of HMAC-SHA256(key, method "\n" path "\n"
    // time "\n" counter "\n" body).
    static QByteArray signature(const QByteArray& key, const QByteArray& method,
                                const QByteArray& path, const QByteArray& time,
                                const QByteArray& counter, const QByteArray& body);

signals:
    void devices_changed();
    // A device is gone: its connections go too.
    void device_removed(const QByteArray& id);

private:
    Reply pair(const Request& request);
    // The device that signed the request, or null with the refusal in refusal.
    RemoteDevice* signed_by(const Request& request, Reply* refusal);
    Reply act(RemoteDevice& device, const QByteArray& body);
    Reply setup(const RemoteDevice& device) const;
    void load();
    void save();
    qint64 now() const;

    GameHost& games_;
    QString path_;
    std::function<qint64()> clock_;
    QStringList hosts_;
    QByteArray page_;
    QList<RemoteDevice> devices_;
    struct Ticket {
        QByteArray hash; // SHA-256 of the ticket: the tickets themselves are not kept
        qint64 expires = 0;
    };
    QList<Ticket> tickets_;
    std::map<QString, overlay::SlidingBudget> budgets_;
    QElapsedTimer monotonic_; // the budgets' clock, which never goes back
    QString problem_;
};

} // namespace glimmer
