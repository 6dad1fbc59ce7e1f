#pragma once

#include "games/dice/dice_state.h"
#include "games/dice/dice_view.h"

#include "runtime/game_window.h"
#include <QPixmap>

#include <QWidget>

#include <memory>

class QTimer;

namespace Ui {
class DiceWindow;
}

namespace glimmer {

class RandomSource;

// The dice game: the start prompt opens the throw-count frame, the start button shakes the
// dice on a 1 ms timer, and a reveal button settles the turn. The turn's phase lives in which
// controls are shown; the outcome and the tallies live in the program-wide DiceState, so a
// new window starts from its first phase but carries the tallies on.
class DiceWindow : public GameWindow {
    Q_OBJECT
public:
    // site_url is the maker's address shown along the bottom.
    DiceWindow(DiceState& state, RandomSource& random, const QString& site_url = QString(),
               QWidget* parent = nullptr);
    ~DiceWindow() override;

    // Space: the next step of a turn that the shown buttons offer, nothing while shaking.
    void next_step();
    // What the window shows, read back from its controls.
    DiceView view() const;
    QJsonObject overlay_state() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Every change of the phase, badge or tallies ends here.
    void notify_state_changed();
    void open_count_frame();
    void start_turn_shaking();
    void throw_once();
    void reveal_turn();

    std::unique_ptr<Ui::DiceWindow> ui_;
    DiceState& state_;
    RandomSource& random_;
    QTimer* shake_timer_;
    QPixmap background_;
};

} // namespace glimmer
