#pragma once

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QList>

namespace glimmer {

// The overlays' JSON: {"revision": n, "<game id>": {...}, ...}, one object per game in the
// registry's order, {"open": false} while its window is closed; compact UTF-8. parts holds
// each open game's own state, already marked open.
QByteArray overlay_state_json(quint64 revision, const QList<QJsonObject>& parts);

// The pages under /overlay/: each registered game's own, by its id, "index", which lists
// them all, and "verify", which checks a revealed draw in the browser.
QHash<QByteArray, QByteArray> overlay_pages();

// A game whose window is closed.
QJsonObject closed_game_state();

} // namespace glimmer
