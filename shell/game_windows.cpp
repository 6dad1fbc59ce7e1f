#include "game_windows.h"

#include "app_state.h"
#include "games/dice/dice_window.h"
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
        return placeholder_window(QStringLiteral("Quorvane"));
    case Game::dice:
        return new DiceWindow(state.dice, program_random());
    case Game::minebox:
        return placeholder_window(QStringLiteral("Krallow"));
    }
    return nullptr;
}

} // namespace glimmer
