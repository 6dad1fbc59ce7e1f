#include "control_token.h"

#include "runtime/files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <sys/random.h>
#include <sys/stat.h>

namespace glimmer {

namespace {

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

// The file with [control] token set, every other line kept as it was.
QByteArray with_token(const QByteArray& content, const QByteArray& token) {
    QList<QByteArray> lines = content.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) {
        lines.removeLast();
    }
    qsizetype section_end = -1;
    bool in_control = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        if (line.startsWith('[')) {
            if (in_control) {
                break;
            }
            in_control = line == "[control]";
            section_end = in_control ? i + 1 : section_end;
            continue;
        }
        if (in_control) {
            if (line.startsWith("token") && line.mid(5).trimmed().startsWith('=')) {
                lines[i] = "token=" + token;
                return lines.join('\n') + '\n';
            }
            section_end = i + 1;
        }
    }
    if (section_end < 0) {
        lines << QByteArray() << "[control]"
              << "token=" + token;
    } else {
        lines.insert(section_end, "token=" + token);
    }
    return lines.join('\n') + '\n';
}

bool store(const QString& settings_file, const QByteArray& token, QString* error) {
    if (settings_file.isEmpty()) {
        if (error != nullptr) {
            *error = QStringLiteral("没有设置文件");
        }
        return false;
    }
    QFile old(settings_file);
    QByteArray content;
    if (old.exists()) {
        if (!old.open(QIODevice::ReadOnly) || old.size() > IniFile::default_max_bytes) {
            if (error != nullptr) {
                *error = old.errorString();
            }
            return false;
        }
        content = old.readAll();
    }
    QDir().mkpath(QFileInfo(settings_file).absolutePath());
    QSaveFile file(settings_file);
    // Private before the first byte: the token is as good as the host's password.
    const bool written = file.open(QIODevice::WriteOnly) && ::fchmod(file.handle(), 0600) == 0 &&
                         file.write(with_token(content, token)) >= 0 && file.commit();
    if (!written) {
        if (error != nullptr) {
            *error = file.errorString();
        }
        file.cancelWriting();
    }
    return written;
}

} // namespace

QByteArray control_token(const QString& settings_file) {
    const QByteArray token =
        IniFile(settings_file).value(QStringLiteral("control"), QStringLiteral("token")).toLatin1();
    return well_formed(token) ? token : renew_control_token(settings_file);
}

QByteArray renew_control_token(const QString& settings_file, QString* error) {
    const QByteArray token = random_token();
    if (!token.isEmpty()) {
        store(settings_file, token, error);
    }
    return token;
}

} // namespace glimmer
