#include "overlay_settings.h"

#include "app_state.h"
#include "runtime/files.h"

#include <QDir>

namespace glimmer {

namespace {

constexpr int highest_port = 65535;

// A port from the settings file: digits only, so "1e4" or " 80x" is not read as a number.
std::optional<int> file_port(const QString& path) {
    if (path.isEmpty()) {
        return std::nullopt;
    }
    const QString text = read_ini(path, QStringLiteral("overlay"), QStringLiteral("port"));
    if (text.isEmpty() || text.size() > 5) {
        return std::nullopt;
    }
    for (const QChar c : text) {
        if (c < u'0' || c > u'9') {
            return std::nullopt;
        }
    }
    const int port = text.toInt();
    if (port > highest_port) {
        return std::nullopt;
    }
    return port;
}

const char16_t* const game_paths[game_count] = {u"tally", u"dice", u"minebox"};

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

OverlayAddresses overlay_addresses(const HostSettings& settings) {
    OverlayAddresses addresses;
    if (settings.overlay_port &&
        (*settings.overlay_port < 0 || *settings.overlay_port > highest_port)) {
        addresses.off_reason =
            QStringLiteral("直播叠加未开启：端口 %1 无效").arg(*settings.overlay_port);
        return addresses;
    }
    addresses.port = overlay_port(settings);
    if (addresses.port == 0) {
        addresses.off_reason = QStringLiteral("直播叠加已关闭（端口设为 0）");
        return addresses;
    }
    const QString base = QStringLiteral("http://127.0.0.1:%1/overlay/").arg(addresses.port);
    addresses.index = base;
    for (int i = 0; i < game_count; ++i) {
        addresses.games[static_cast<size_t>(i)] = base + QString::fromUtf16(game_paths[i]);
    }
    return addresses;
}

OverlayAddresses overlay_addresses_after_listen(OverlayAddresses addresses, bool listening) {
    if (!listening && addresses.on()) {
        addresses.off_reason =
            QStringLiteral("直播叠加未开启：端口 %1 已被占用或不可用").arg(addresses.port);
    }
    return addresses;
}

QString overlay_addresses_text(const OverlayAddresses& addresses) {
    if (!addresses.on()) {
        return addresses.off_reason + u'\n';
    }
    QString text = QStringLiteral("直播叠加（OBS 浏览器来源）：%1\n").arg(addresses.index);
    for (int i = 0; i < game_count; ++i) {
        text += QStringLiteral("  %1  %2\n")
                    .arg(game_title(static_cast<Game>(i)), -9)
                    .arg(addresses.games[static_cast<size_t>(i)]);
    }
    return text;
}

QString game_title(Game game) {
    switch (game) {
    case Game::tally:
        return QStringLiteral("Quorvane");
    case Game::dice:
        return QStringLiteral("Vessmoor");
    case Game::minebox:
        return QStringLiteral("Krallow");
    }
    return {};
}

} // namespace glimmer
