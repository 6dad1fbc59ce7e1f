#pragma once

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
class MineBoxWindow : public QWidget {
    Q_OBJECT
public:
    // site_url is the maker's address shown along the bottom.
    MineBoxWindow(MineBoxTallies& tallies, RandomSource& random,
                  const QString& site_url = QString(), QWidget* parent = nullptr);
    ~MineBoxWindow() override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
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
