#include "game_windows.h"

#include "app_state.h"
#include "games/dice/dice_window.h"
#include "games/minebox/minebox_window.h"
#include "games/tally/tally_window.h"
#include "runtime/random.h"

#include <QWidget>

namespace glimmer {

QWidget* create_game_window(Game game, AppState& state) {
    switch (game) {
    case Game::tally:
        return new TallyWindow(state.tally, state.host.config_home, state.host.site_url);
    case Game::dice:
        return new DiceWindow(state.dice, program_random(), state.host.site_url);
    case Game::minebox:
        return new MineBoxWindow(state.minebox, program_random(), state.host.site_url);
    }
    return nullptr;
}

} // namespace glimmer
