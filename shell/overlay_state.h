#pragma once

#include "runtime/game_module.h"

#include <QByteArray>
#include <QHash>

namespace glimmer {

// The pages under /overlay/: each game's own, by its id, "index", which lists them all, and
// "verify", which checks a revealed draw in the browser. Every page knows the parts each game
// can leave out; the verify page checks the games that have a verifier.
QHash<QByteArray, QByteArray> overlay_pages(const GameModules& games);

} // namespace glimmer
