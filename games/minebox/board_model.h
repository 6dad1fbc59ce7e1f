#pragma once

#include "games/minebox/mine_board.h"

#include <QAbstractListModel>
#include <QIcon>

#include <array>

namespace glimmer {

class RandomSource;

// The board as the board list shows it: one item per box, in box order, captioned with the
// box's caption and pictured by its state. Each change goes through the rules and tells the
// views exactly what moved, so a board of many boxes costs nothing to keep on screen.
class MineBoardModel : public QAbstractListModel {
    Q_OBJECT
public:
    // The box's state number, which is also its picture index.
    static constexpr int picture_role = Qt::UserRole + 1;
    // has_mine, the whole number the list keeps with each item.
    static constexpr int mine_role = Qt::UserRole + 2;

    explicit MineBoardModel(QObject* parent = nullptr);

    const MineBoard& board() const { return board_; }

    // The rules' operations; each returns what its rule returns.
    bool bury(const QString& box_text, const QString& mine_text, RandomSource& random);
    bool dig(int position, PendingDig& pending);
    int credit(MineBoxTallies& tallies, int player);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    void box_changed(int position);

    MineBoard board_;
    std::array<QIcon, 3> pictures_; // indexed by BoxState
};

} // namespace glimmer
