#pragma once

#include "runtime/outcome.h"
#include "shell/game_host.h"
#include "shell/remote_gate.h"

#include <QImage>
#include <QObject>
#include <QStringList>

#include <memory>

namespace glimmer {

class RemoteServerInterface;

// The QR code of text, black on white with its quiet zone, each module pixels wide (made by
// libqrencode); a null image when the text is too long for any QR code.
QImage qr_code(const QString& text, int pixels = 8);

// The room controller's phone remote: off until the host turns it on, then a page and its API
// on the port of [remote] (17611) at each private address of this machine's network, never on
// loopback nor on an address that routes off a private network. Turning it off closes every
// connection at once. Phones pair by a QR code whose address carries a one-time ticket in its
// fragment; what a request may do is the gate's to say, and every action goes through the
// game host like ctl's.
class PhoneRemote : public QObject {
    Q_OBJECT
public:
    PhoneRemote(GameHost& games, const QString& config_folder, QString settings_file,
                QObject* parent = nullptr);
    ~PhoneRemote() override;

    Outcome turn_on();
    void turn_off();
    bool on() const { return !addresses_.isEmpty(); }
    int port() const { return port_; }
    // Where phones reach it, "http://192.168.1.5:17611/"; empty while it is off.
    QStringList addresses() const;
    // A new pairing address on the first private address, its ticket in the fragment; empty
    // while the remote is off.
    QString pairing_address();

    RemoteGate& gate();

    // The "remote" commands of ctl (see program_services()).
    void run(const QString& action, const ActionArguments& arguments,
             const GameHost::Answer& answer);

    static constexpr int default_port = 17611;

signals:
    void changed();

private:
    QString devices_text();

    GameHost& games_;
    QString settings_file_;
    QString devices_path_;
    std::unique_ptr<RemoteGate> gate_;
    RemoteServerInterface* server_ = nullptr;
    QStringList addresses_;
    int port_ = default_port;
};

} // namespace glimmer
