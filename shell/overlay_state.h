#pragma once

#include "games/dice/dice_view.h"
#include "games/minebox/minebox_view.h"
#include "games/tally/tally_view.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

namespace glimmer {

// The overlays' JSON: one object per game, {"open": false} while its window is closed.
// Texts are the windows' own; the pages put them into the document as text, never markup.

// A total for the stream: below 10000 as written; from 1万 (10^4) below 1亿 (10^8) in 万,
// from there on in 亿, with at most two decimals, cut rather than rounded (so 19999 is 1.99万,
// never an overstated 2万) and without trailing zeros. Texts that are not plain decimal
// numbers are given back unchanged.
QString readable_amount(const QString& amount);

QJsonObject tally_json(const TallyView* view);
QJsonObject dice_json(const DiceView* view);
QJsonObject minebox_json(const MineBoxView* view);

// {"revision": n, "tally": {...}, "dice": {...}, "minebox": {...}}, compact UTF-8.
QByteArray overlay_state_json(quint64 revision, const QJsonObject& tally, const QJsonObject& dice,
                              const QJsonObject& minebox);

} // namespace glimmer
