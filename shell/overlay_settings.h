#pragma once

#include "runtime/game_module.h"

#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace glimmer {

struct HostSettings;

inline constexpr int default_overlay_port = 17610;

// ${XDG_CONFIG_HOME:-~/.config}/glimmerhall/settings.ini
QString default_settings_file();

// The port the overlay server listens on, 0 when overlays are off. The command line wins
// over the settings file's [overlay] port; a file value that is not a port is ignored.
int overlay_port(const HostSettings& settings);

// Where the host finds the overlays, as the catalogue's menu and the help text show them.
struct OverlayAddresses {
    int port = 0;       // 0 when overlays are off
    QString off_reason; // why they are off; empty when on
    // A setting in the settings file that was not used, and what was used instead; empty
    // when there is none.
    QString ignored_setting;
    QString index;     // the page listing the games
    QStringList games; // each game's, in the catalogue's order

    bool on() const { return port > 0 && off_reason.isEmpty(); }
};

OverlayAddresses overlay_addresses(const HostSettings& settings, const GameModules& games);

// The same addresses once the server has tried to listen: a port it could not have turns
// overlays off with that reason.
OverlayAddresses overlay_addresses_after_listen(OverlayAddresses addresses, bool listening);

// Lines for the program's help text: each game's overlay address, or why overlays are off.
QString overlay_addresses_text(const OverlayAddresses& addresses, const GameModules& games);

} // namespace glimmer
