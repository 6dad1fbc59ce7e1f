#pragma once

#include "games/dice/dice_state.h"
#include "games/dice/dice_view.h"

#include <QPixmap>
#include <QPointer>

#include <QWidget>

#include <memory>

class QMenu;

namespace Ui {
class DiceWindow;
}

namespace glimmer {

class DiceTurn;
class FairnessBox;
class RandomSource;

// The dice game's window: it draws its turn (a DiceTurn of its own) and turns the start
// prompt, the start button, the reveal buttons, the count box and Space into the turn's
// actions. The tallies live in the program-wide DiceState, so a new window starts from its
// first phase but carries the tallies on.
class DiceWindow : public QWidget {
    Q_OBJECT
public:
    // site_url is the maker's address shown along the bottom. The program's window draws
    // from its turn's committed seeds.
    explicit DiceWindow(DiceState& state, const QString& site_url = QString(),
                        QWidget* parent = nullptr);
    // Outcomes from the given source instead, for tests that replay exact draws.
    DiceWindow(DiceState& state, RandomSource& random, const QString& site_url = QString(),
               QWidget* parent = nullptr);
    // A window over a turn it does not own: the game host's, which outlives the window.
    explicit DiceWindow(DiceTurn& turn, const QString& site_url = QString(),
                        QWidget* parent = nullptr);
    ~DiceWindow() override;

    DiceTurn& turn() { return *turn_; }
    // Space: the next step of a turn that the shown buttons offer, nothing while shaking.
    void next_step();
    // What the window shows, as its turn has it.
    DiceView view() const;
    // The right-click menu: the fairness box.
    std::unique_ptr<QMenu> context_menu();
    // Opens the "公平验证" box, or raises it.
    void show_fairness();

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    DiceWindow(DiceTurn* turn, bool own, const QString& site_url, QWidget* parent);
    void show_draws();
    // Shows and hides the controls for the turn's phase, places the badge, writes the tallies.
    void draw();
    void add_settled_words(Side winner, const QString& left_word, const QString& right_word);

    std::unique_ptr<Ui::DiceWindow> ui_;
    DiceTurn* turn_;
    QPixmap background_;
    QPointer<FairnessBox> fairness_;
};

} // namespace glimmer
