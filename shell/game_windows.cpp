#include "game_windows.h"

#include "app_state.h"
#include "games/tally/tally_window.h"
#include "games/minebox/minebox_window.h"
#include "runtime/random.h"

#include <QWidget>

namespace glimmer {

namespace {

// Stands in for a game whose window is not built yet.
QWidget* placeholder_window(const QString& caption) {
    auto* window = new QWidget;
    window->setObjectName(QStringLiteral("placeholder"));
    window->setWindowTitle(caption);
    window->resize(500, 300);
    return window;
}

} // namespace

QWidget* create_game_window(Game game, AppState& state) {
    (void)state;
    switch (game) {
    case Game::tally:
        return new TallyWindow(state.tally, state.host.program_folder, state.host.site_url);
    case Game::dice:
        return placeholder_window(QStringLiteral("Vessmoor"));
    case Game::minebox:
        return new MineBoxWindow(state.minebox, program_random());
    }
    return nullptr;
}

} // namespace glimmer
