#pragma once

#include "games/minebox/minebox_view.h"

#include "runtime/game_window.h"
#include <QPixmap>

#include <QWidget>

#include <memory>

namespace Ui {
class MineBoxWindow;
}

namespace glimmer {

struct MineBoxTallies;
class MineBoardModel;
class RandomSource;

// The mine-box game: the setup panel buries the mines, a double-click on the board opens
// the selected box, and the owner panel credits it to a player. The tallies are the
// program's; opening the window sets them back to zero.
class MineBoxWindow : public GameWindow {
    Q_OBJECT
public:
    // site_url is the maker's address shown along the bottom.
    MineBoxWindow(MineBoxTallies& tallies, RandomSource& random,
                  const QString& site_url = QString(), QWidget* parent = nullptr);
    ~MineBoxWindow() override;

    // What the window shows, read back from its board and labels.
    MineBoxView view() const;
    QJsonObject overlay_state() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Every change of the board or the tallies ends here.
    void notify_state_changed();
    void bury();
    void dig();
    void credit(int player);

    std::unique_ptr<Ui::MineBoxWindow> ui_;
    MineBoxTallies& tallies_;
    RandomSource& random_;
    MineBoardModel* board_;
    QPixmap background_;
};

} // namespace glimmer
