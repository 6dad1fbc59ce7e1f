#pragma once

#include <QAbstractListModel>
#include <QIcon>

#include <array>

namespace glimmer {

class MineBoxRound;

// The round's board as the board list shows it: one item per box, in box order, captioned
// with the box's caption and pictured by its state. It follows the round's signals and tells
// the views exactly what moved, so a board of many boxes costs nothing to keep on screen.
class MineBoardModel : public QAbstractListModel {
    Q_OBJECT
public:
    // The box's state number, which is also its picture index.
    static constexpr int picture_role = Qt::UserRole + 1;
    // has_mine, the whole number the list keeps with each item.
    static constexpr int mine_role = Qt::UserRole + 2;

    explicit MineBoardModel(const MineBoxRound& round, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    void box_changed(int position);

    const MineBoxRound& round_;
    std::array<QIcon, 3> pictures_; // indexed by BoxState
};

} // namespace glimmer
