#include "overlay_feed.h"

#include "games/dice/dice_window.h"
#include "games/minebox/minebox_window.h"
#include "games/tally/tally_window.h"
#include "overlay_state.h"

namespace glimmer {

namespace {

QJsonObject game_json(Game game, QWidget* window) {
    switch (game) {
    case Game::tally: {
        const auto* tally = qobject_cast<TallyWindow*>(window);
        const TallyView view = tally != nullptr ? tally->view() : TallyView{};
        return tally_json(tally != nullptr ? &view : nullptr);
    }
    case Game::dice: {
        const auto* dice = qobject_cast<DiceWindow*>(window);
        const DiceView view = dice != nullptr ? dice->view() : DiceView{};
        return dice_json(dice != nullptr ? &view : nullptr);
    }
    case Game::minebox: {
        const auto* minebox = qobject_cast<MineBoxWindow*>(window);
        const MineBoxView view = minebox != nullptr ? minebox->view() : MineBoxView{};
        return minebox_json(minebox != nullptr ? &view : nullptr);
    }
    }
    return {};
}

} // namespace

OverlayFeed::OverlayFeed(QObject* parent) : QObject(parent) {
    for (int i = 0; i < game_count; ++i) {
        parts_[static_cast<size_t>(i)] = game_json(static_cast<Game>(i), nullptr);
    }
    json_ = overlay_state_json(revision_, parts_[0], parts_[1], parts_[2]);
}

void OverlayFeed::watch(Game game, QWidget* window) {
    if (window == nullptr) {
        return;
    }
    const auto index = static_cast<size_t>(game);
    if (windows_[index]) {
        disconnect(windows_[index], nullptr, this, nullptr);
    }
    windows_[index] = window;
    const auto follow = [this, game] { refresh(game); };
    if (auto* tally = qobject_cast<TallyWindow*>(window)) {
        connect(tally, &TallyWindow::state_changed, this, follow);
    } else if (auto* dice = qobject_cast<DiceWindow*>(window)) {
        connect(dice, &DiceWindow::state_changed, this, follow);
    } else if (auto* minebox = qobject_cast<MineBoxWindow*>(window)) {
        connect(minebox, &MineBoxWindow::state_changed, this, follow);
    }
    // A closed window is deleted; its game then shows as closed.
    connect(window, &QObject::destroyed, this, [this, game, window] {
        const auto slot = static_cast<size_t>(game);
        if (windows_[slot] == nullptr || windows_[slot] == window) {
            windows_[slot] = nullptr;
            refresh(game);
        }
    });
    refresh(game);
}

void OverlayFeed::refresh(Game game) {
    const auto index = static_cast<size_t>(game);
    QJsonObject part = game_json(game, windows_[index].data());
    // A signal that changed nothing on show is no new revision.
    if (part == parts_[index]) {
        return;
    }
    parts_[index] = std::move(part);
    ++revision_;
    json_ = overlay_state_json(revision_, parts_[0], parts_[1], parts_[2]);
    emit changed(json_);
}

} // namespace glimmer
