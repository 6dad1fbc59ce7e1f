#include "control_token.h"

#include "runtime/files.h"
#include "runtime/settings_file.h"

#include <cerrno>
#include <sys/random.h>

namespace glimmer {

namespace {

const QString section = QStringLiteral("control");
const QString key = QStringLiteral("token");

bool well_formed(const QByteArray& token) {
    if (token.size() != 32) {
        return false;
    }
    for (const char c : token) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) {
            return false;
        }
    }
    return true;
}

QByteArray random_token() {
    unsigned char bits[16];
    std::size_t got = 0;
    while (got < sizeof(bits)) {
        const ssize_t n = ::getrandom(bits + got, sizeof(bits) - got, 0);
        if (n > 0) {
            got += static_cast<std::size_t>(n);
        } else if (errno != EINTR) {
            // No secure source at all: no token, so the control API refuses everything.
            return {};
        }
    }
    return QByteArray(reinterpret_cast<const char*>(bits), sizeof(bits)).toHex();
}

ControlToken renew(SettingsFile& file) {
    ControlToken fresh{random_token(), {}};
    if (fresh.token.isEmpty()) {
        fresh.problem = QStringLiteral("系统没有安全的随机数来源，控制接口不可用");
        return fresh;
    }
    QString error;
    if (!file.set_value(section, key, QString::fromLatin1(fresh.token), &error)) {
        fresh.problem =
            QStringLiteral("控制令牌没能写入设置文件（%1），只在这次运行中有效").arg(error);
    }
    return fresh;
}

} // namespace

ControlToken control_token(const QString& settings_file) {
    SettingsFile file(settings_file);
    const QByteArray token = file.value(section, key).toLatin1();
    if (!well_formed(token)) {
        return renew(file);
    }
    if (file.open_to_others()) {
        // As good as the host's password: others may not read it.
        QString error;
        if (!file.ours() || !make_private(settings_file, &error)) {
            return {{},
                    QStringLiteral("设置文件 %1 其他用户也能读取，而程序无法改成只有你能读"
                                   "（%2），所以不使用其中的控制令牌：请把它的权限改为 600，"
                                   "或生成新的控制令牌")
                        .arg(settings_file, file.ours() ? error : QStringLiteral("它不属于你"))};
        }
    }
    return {token, {}};
}

ControlToken renew_control_token(const QString& settings_file) {
    SettingsFile file(settings_file);
    return renew(file);
}

} // namespace glimmer
