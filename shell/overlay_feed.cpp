#include "overlay_feed.h"

#include "game_registry.h"
#include "overlay_state.h"
#include "runtime/game_window.h"

namespace glimmer {

namespace {

QJsonObject game_state(const QObject* object) {
    const auto* window = qobject_cast<const GameWindow*>(object);
    if (window == nullptr) {
        return closed_game_state();
    }
    QJsonObject state = window->overlay_state();
    state.insert(QStringLiteral("open"), true);
    return state;
}

} // namespace

OverlayFeed::OverlayFeed(QObject* parent) : QObject(parent) {
    const qsizetype games = game_registry().size();
    windows_.resize(games);
    parts_.fill(closed_game_state(), games);
    json_ = overlay_state_json(revision_, parts_);
}

void OverlayFeed::watch(int game, GameWindow* window) {
    if (window == nullptr || game < 0 || game >= windows_.size()) {
        return;
    }
    if (windows_[game]) {
        disconnect(windows_[game], nullptr, this, nullptr);
    }
    windows_[game] = window;
    connect(window, &GameWindow::state_changed, this, [this, game] { refresh(game); });
    // A closed window is deleted; its game then shows as closed.
    const QObject* watched = window;
    connect(window, &QObject::destroyed, this, [this, game, watched] {
        if (windows_[game].isNull() || windows_[game].data() == watched) {
            windows_[game] = nullptr;
            refresh(game);
        }
    });
    refresh(game);
}

void OverlayFeed::refresh(int game) {
    QJsonObject part = game_state(windows_[game].data());
    // A signal that changed nothing on show is no new revision.
    if (part == parts_[game]) {
        return;
    }
    parts_[game] = std::move(part);
    ++revision_;
    json_ = overlay_state_json(revision_, parts_);
    emit changed(json_);
}

} // namespace glimmer
