#include "shell/phone_remote.h"

#include "runtime/files.h"
#include "runtime/modules.h"
#include "runtime/overlay_server.h"
#include "runtime/remote_server_interface.h"
#include "runtime/settings_file.h"
#include "runtime/translation.h"

#include <QBuffer>
#include <QPainter>

#include <qrencode.h>

namespace glimmer {

namespace {

// An address as a URL's host: IPv6 in brackets.
QString host_part(const QString& address) {
    return address.contains(u':') ? u'[' + address + u']' : address;
}

} // namespace

QImage qr_code(const QString& text, int pixels) {
    const QByteArray bytes = text.toUtf8();
    QRcode* code = QRcode_encodeString8bit(bytes.constData(), 0, QR_ECLEVEL_M);
    if (code == nullptr) {
        return {};
    }
    constexpr int quiet = 4; // modules of white around, as readers expect
    const int side = (code->width + 2 * quiet) * pixels;
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    for (int y = 0; y < code->width; ++y) {
        for (int x = 0; x < code->width; ++x) {
            if ((code->data[y * code->width + x] & 1) != 0) {
                painter.fillRect((x + quiet) * pixels, (y + quiet) * pixels, pixels, pixels,
                                 Qt::black);
            }
        }
    }
    QRcode_free(code);
    return image;
}

PhoneRemote::PhoneRemote(GameHost& games, const QString& config_folder, QString settings_file,
                         QObject* parent)
    : QObject(parent), games_(games), settings_file_(std::move(settings_file)),
      devices_path_(config_folder + QStringLiteral("/remote_devices.json")) {
    connect(&games_, &GameHost::state_changed, this, [this](const QByteArray& state) {
        if (server_ != nullptr && on()) {
            server_->publish(state);
        }
    });
}

// Made when first needed: the devices file and the page are read then, not before the
// catalogue's first paint.
RemoteGate& PhoneRemote::gate() {
    if (!gate_) {
        gate_ = std::make_unique<RemoteGate>(games_, devices_path_);
        gate_->set_page(resource(QStringLiteral(":/remote/remote.html")));
        connect(gate_.get(), &RemoteGate::device_removed, this, [this](const QByteArray& id) {
            if (server_ != nullptr) {
                server_->drop_clients(id);
            }
        });
        connect(gate_.get(), &RemoteGate::devices_changed, this, &PhoneRemote::changed);
    }
    return *gate_;
}

PhoneRemote::~PhoneRemote() {
    turn_off();
}

Outcome PhoneRemote::turn_on() {
    if (on()) {
        return Outcome::ok();
    }
    bool number = false;
    const int port = SettingsFile(settings_file_)
                         .value(QStringLiteral("remote"), QStringLiteral("port"))
                         .toInt(&number);
    port_ = number && port > 0 && port <= 65535 ? port : default_port;
    if (server_ == nullptr) {
        server_ = module_object<RemoteServerInterface>("glimmer_overlay",
                                                       "glimmer_create_remote_server", this);
        if (server_ == nullptr) {
            return Outcome::refused(translated("remote", "程序缺少手机遥控的模块 glimmer_overlay"));
        }
        server_->set_handler(
            [this](const RemoteGate::Request& request) { return gate().handle(request); });
    }
    addresses_ = server_->listen(port_);
    if (addresses_.isEmpty()) {
        return Outcome::refused(
            translated("remote", "没有可用的局域网地址（10.x、172.16–31.x、192.168.x），或端口 %1 "
                                 "被占用：手机遥控没有打开")
                .arg(port_));
    }
    QStringList hosts;
    for (const QString& address : std::as_const(addresses_)) {
        hosts << host_part(address) + u':' + QString::number(port_);
    }
    gate().set_hosts(hosts);
    server_->publish(games_.state_json());
    emit changed();
    return Outcome::ok();
}

void PhoneRemote::turn_off() {
    if (server_ != nullptr) {
        server_->close();
    }
    const bool was_on = on();
    addresses_.clear();
    gate().set_hosts({});
    if (was_on) {
        emit changed();
    }
}

QStringList PhoneRemote::addresses() const {
    QStringList shown;
    for (const QString& address : addresses_) {
        shown << QStringLiteral("http://%1:%2/").arg(host_part(address)).arg(port_);
    }
    return shown;
}

QString PhoneRemote::pairing_address() {
    const QStringList known = addresses();
    return known.isEmpty() ? QString()
                           : known.first() + QStringLiteral("#pair=") + gate().new_ticket();
}

QString PhoneRemote::devices_text() {
    QStringList lines;
    for (const RemoteDevice& device : gate().devices()) {
        lines << QStringLiteral("%1  %2  %3  %4%5")
                     .arg(device.id, device.name,
                          device.operate ? translated("remote", "操作")
                                         : translated("remote", "只看"),
                          device.last_seen.isValid() && device.last_seen.toMSecsSinceEpoch() > 0
                              ? device.last_seen.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                              : translated("remote", "未见过"),
                          device.last_action.isEmpty() ? QString()
                                                       : QStringLiteral("  ") + device.last_action);
    }
    return lines.isEmpty() ? translated("remote", "没有配对的设备") : lines.join(u'\n');
}

void PhoneRemote::run(const QString& action, const ActionArguments& arguments,
                      const GameHost::Answer& answer) {
    if (action == u"on") {
        const Outcome turned = turn_on();
        answer(turned.done() ? Outcome::ok(addresses().join(u'\n').toUtf8()) : turned);
    } else if (action == u"off") {
        turn_off();
        answer(Outcome::ok(translated("remote", "手机遥控已关闭").toUtf8()));
    } else if (action == u"status") {
        const QString state = on() ? translated("remote", "手机遥控开着：") + addresses().join(u' ')
                                   : translated("remote", "手机遥控关着");
        answer(Outcome::ok((state + u'\n' + devices_text()).toUtf8()));
    } else if (action == u"pair") {
        const QString address = pairing_address();
        if (address.isEmpty()) {
            answer(Outcome::refused(translated("remote",
                                               "手机遥控关着：先用 glimmerhall ctl remote on "
                                               "打开它")));
            return;
        }
        if (arguments.has(QStringLiteral("qr"))) {
            QByteArray png;
            QBuffer buffer(&png);
            buffer.open(QIODevice::WriteOnly);
            QString error;
            if (!qr_code(address).save(&buffer, "PNG") ||
                !write_file(arguments.text(QStringLiteral("qr")), png, &error)) {
                answer(Outcome::refused(translated("remote", "二维码写不了：") + error));
                return;
            }
        }
        answer(Outcome::ok(address.toUtf8()));
    } else if (action == u"devices") {
        answer(Outcome::ok(devices_text().toUtf8()));
    } else if (action == u"role") {
        const QString device = arguments.text(QStringLiteral("device"));
        const QString role = arguments.text(QStringLiteral("role"));
        if (role != u"operate" && role != u"view") {
            answer(Outcome::invalid(translated("remote", "角色只能是 operate 或 view：") + role));
            return;
        }
        answer(gate().set_operate(device, role == u"operate")
                   ? Outcome::ok()
                   : Outcome::not_found(translated("remote", "没有这台设备：") + device));
    } else {
        const QString device = arguments.text(QStringLiteral("device"));
        answer(gate().remove(device)
                   ? Outcome::ok(translated("remote", "已移除").toUtf8())
                   : Outcome::not_found(translated("remote", "没有这台设备：") + device));
    }
}

} // namespace glimmer
