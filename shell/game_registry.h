#pragma once

#include <QList>
#include <QString>

#include <functional>

namespace glimmer {

struct AppState;
class GameWindow;

// One game as the program lists it. Everything that lists games (the catalogue, the overlay
// feed and its state, the overlay pages, the help text) goes through the registry, in its
// order; a game adds itself with one register line.
struct GameDescriptor {
    QString id;    // "tally": the overlay page's name and the game's key in the state
    QString title; // "Quorvane"
    // The catalogue button's faces, resource paths.
    QString picture;
    QString hover_picture;
    QString overlay_page; // resource path of the game's overlay page
    QString overlay_size; // the suggested browser-source size, "640 × 260"
    // A new window for the game over its part of the program-wide state, with the game's
    // model in it; not yet shown.
    std::function<GameWindow*(AppState&)> make_window;
    // What the game does once the catalogue is on screen, whether or not its window opens (a
    // PK that ended while its history was busy goes in then); none for most games.
    std::function<void(AppState&)> after_start = {};
};

// The games in catalogue order.
const QList<GameDescriptor>& game_registry();
// Adds a game after the others.
void register_game(const GameDescriptor& game);
// The game's place in the registry, or -1.
int game_index(const QString& id);

} // namespace glimmer
