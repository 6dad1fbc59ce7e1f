#include "game_registry.h"

#include "app_state.h"
#include "games/dice/dice_window.h"
#include "games/minebox/minebox_window.h"
#include "games/tally/tally_archive.h"
#include "games/tally/tally_keeper.h"
#include "games/tally/tally_window.h"

#include <QFileInfo>

namespace glimmer {

namespace {

QList<GameDescriptor> built_in_games() {
    QList<GameDescriptor> games;
    games.append({QStringLiteral("tally"), QStringLiteral("Quorvane"),
                  QStringLiteral(":/catalogue/quorvane_normal.jpg"),
                  QStringLiteral(":/catalogue/quorvane_hover.jpg"),
                  QStringLiteral(":/overlay/tally_overlay.html"), QStringLiteral("640 × 260"),
                  [](AppState& state) -> GameWindow* {
                      return new TallyWindow(state.tally, state.host.config_home,
                                             state.host.site_url);
                  },
                  [](AppState& state) {
                      if (QFileInfo(tally_config_folder(state.host.config_home)).isDir()) {
                          TallyKeeper::instance().keep_ended_journals(
                              tally_archive_path(state.host.config_home));
                      }
                  }});
    games.append({QStringLiteral("dice"), QStringLiteral("Vessmoor"),
                  QStringLiteral(":/catalogue/vessmoor_normal.jpg"),
                  QStringLiteral(":/catalogue/vessmoor_hover.jpg"),
                  QStringLiteral(":/overlay/dice_overlay.html"), QStringLiteral("640 × 300"),
                  [](AppState& state) -> GameWindow* {
                      return new DiceWindow(state.dice, state.host.site_url);
                  }});
    games.append({QStringLiteral("minebox"), QStringLiteral("Krallow"),
                  QStringLiteral(":/catalogue/krallow_normal.jpg"),
                  QStringLiteral(":/catalogue/krallow_hover.jpg"),
                  QStringLiteral(":/overlay/minebox_overlay.html"), QStringLiteral("640 × 360"),
                  [](AppState& state) -> GameWindow* {
                      return new MineBoxWindow(state.minebox, state.host.site_url);
                  }});
    return games;
}

QList<GameDescriptor>& registry() {
    static QList<GameDescriptor> games = built_in_games();
    return games;
}

} // namespace

const QList<GameDescriptor>& game_registry() {
    return registry();
}

void register_game(const GameDescriptor& game) {
    registry().append(game);
}

int game_index(const QString& id) {
    const QList<GameDescriptor>& games = registry();
    for (qsizetype i = 0; i < games.size(); ++i) {
        if (games[i].id == id) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

} // namespace glimmer
