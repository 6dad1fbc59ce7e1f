#pragma once

class QWidget;

namespace glimmer {

struct AppState;

enum class Game { tally = 0, dice = 1, minebox = 2 };
inline constexpr int game_count = 3;

// A new window for the game, not yet shown, working on the game's part of the state.
QWidget* create_game_window(Game game, AppState& state);

} // namespace glimmer
