#include "overlay_settings.h"

#include "app_state.h"
#include "runtime/outside_numbers.h"
#include "runtime/settings_file.h"
#include "runtime/translation.h"

#include <QDir>

namespace glimmer {

namespace {

constexpr int highest_port = 65535;

// A value from a file, as a message quotes it: short, and never half a character.
QString quoted(const QString& value) {
    constexpr qsizetype longest = 20;
    if (value.size() <= longest) {
        return value;
    }
    qsizetype cut = longest;
    if (value.at(cut - 1).isHighSurrogate()) {
        --cut;
    }
    return value.left(cut) + u'…';
}

// A port from the settings file: digits only, so "1e4" or " 80x" is not read as a number.
// A file or value that cannot be used gives none, and says why in ignored.
std::optional<int> file_port(const QString& path, QString* ignored = nullptr) {
    if (path.isEmpty()) {
        return std::nullopt;
    }
    const SettingsFile file(path);
    const QString fallback = QString::number(default_overlay_port);
    QString why;
    if (!file.usable()) {
        why = file.problem() + translated("overlay", "，端口已改用 %1").arg(fallback);
    }
    const QString text = file.value(QStringLiteral("overlay"), QStringLiteral("port"));
    const std::optional<long long> read = read_whole(text.toStdString(), 0, highest_port);
    const int port = read ? static_cast<int>(*read) : -1;
    if (!text.isEmpty() && port < 0) {
        why = translated("overlay", "%1 中 [overlay] port 的值 “%2” 无效，已改用 %3")
                  .arg(path, quoted(text), fallback);
    }
    if (ignored != nullptr) {
        *ignored = why;
    }
    if (port < 0 || port > highest_port) {
        return std::nullopt;
    }
    return port;
}

} // namespace

QString default_settings_file() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base)) {
        base = QDir::homePath() + QStringLiteral("/.config");
    }
    return base + QStringLiteral("/glimmerhall/settings.ini");
}

int overlay_port(const HostSettings& settings) {
    if (settings.overlay_port) {
        const int port = *settings.overlay_port;
        return port >= 0 && port <= highest_port ? port : 0;
    }
    return file_port(settings.settings_file).value_or(default_overlay_port);
}

OverlayAddresses overlay_addresses(const HostSettings& settings, const GameModules& games) {
    OverlayAddresses addresses;
    if (settings.overlay_port &&
        (*settings.overlay_port < 0 || *settings.overlay_port > highest_port)) {
        addresses.off_reason =
            translated("overlay", "直播叠加未开启：端口 %1 无效").arg(*settings.overlay_port);
        return addresses;
    }
    addresses.port = settings.overlay_port
                         ? *settings.overlay_port
                         : file_port(settings.settings_file, &addresses.ignored_setting)
                               .value_or(default_overlay_port);
    if (addresses.port == 0) {
        addresses.off_reason = translated("overlay", "直播叠加已关闭（端口设为 0）");
        return addresses;
    }
    const QString base = QStringLiteral("http://127.0.0.1:%1/overlay/").arg(addresses.port);
    addresses.index = base;
    for (const std::unique_ptr<GameModule>& game : games) {
        addresses.games.append(base + game->info().id);
    }
    return addresses;
}

OverlayAddresses overlay_addresses_after_listen(OverlayAddresses addresses, bool listening) {
    if (!listening && addresses.on()) {
        addresses.off_reason =
            translated("overlay", "直播叠加未开启：端口 %1 已被占用或不可用").arg(addresses.port);
    }
    return addresses;
}

QString overlay_addresses_text(const OverlayAddresses& addresses, const GameModules& games) {
    if (!addresses.on()) {
        return addresses.off_reason + u'\n';
    }
    QString text = translated("overlay", "直播叠加（OBS 浏览器来源）：%1\n").arg(addresses.index);
    for (size_t i = 0; i < games.size() && static_cast<qsizetype>(i) < addresses.games.size();
         ++i) {
        text += QStringLiteral("  %1  %2\n")
                    .arg(games[i]->info().title, -9)
                    .arg(addresses.games[static_cast<qsizetype>(i)]);
    }
    return text;
}

} // namespace glimmer
