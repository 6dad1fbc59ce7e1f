#pragma once

#include "games/minebox/minebox_view.h"

#include <QPixmap>
#include <QPointer>

#include <QWidget>

#include <memory>

class QMenu;

namespace Ui {
class MineBoxWindow;
}

namespace glimmer {

struct MineBoxTallies;
class FairnessBox;
class MineBoardModel;
class MineBoxRound;
class RandomSource;

// The mine-box game's window: it draws its round (a MineBoxRound of its own) and turns the
// count fields, the bury button, a double-click on the board and the two player buttons into
// the round's actions. The tallies are the program's; opening the window starts a new round,
// which sets them back to zero.
class MineBoxWindow : public QWidget {
    Q_OBJECT
public:
    // site_url is the maker's address shown along the bottom. The program's window buries
    // from its round's committed seed.
    explicit MineBoxWindow(MineBoxTallies& tallies, const QString& site_url = QString(),
                           QWidget* parent = nullptr);
    // The burial draws from the given source instead, for tests that replay exact draws.
    MineBoxWindow(MineBoxTallies& tallies, RandomSource& random,
                  const QString& site_url = QString(), QWidget* parent = nullptr);
    // A window over a round it does not own: the game host's, which outlives the window.
    explicit MineBoxWindow(MineBoxRound& round, const QString& site_url = QString(),
                           QWidget* parent = nullptr);
    ~MineBoxWindow() override;

    MineBoxRound& round() { return *round_; }
    // What the window shows, as its round has it.
    MineBoxView view() const;
    // The right-click menu: the fairness box.
    std::unique_ptr<QMenu> context_menu();
    // Opens the "公平验证" box, or raises it.
    void show_fairness();

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    MineBoxWindow(MineBoxRound* round, bool own, const QString& site_url, QWidget* parent);
    void show_draws();
    // Shows the panels for the round's stage, locks the board while a player is to be named
    // and writes the tallies.
    void draw();
    void show_count_texts(const QString& box_text, const QString& mine_text);

    std::unique_ptr<Ui::MineBoxWindow> ui_;
    MineBoxRound* round_;
    MineBoardModel* board_model_;
    QPixmap background_;
    QPointer<FairnessBox> fairness_;
};

} // namespace glimmer
