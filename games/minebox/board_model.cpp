#include "board_model.h"

#include "games/minebox/minebox_round.h"

namespace glimmer {

MineBoardModel::MineBoardModel(const MineBoxRound& round, QObject* parent)
    : QAbstractListModel(parent),
      round_(round), pictures_{QIcon(QStringLiteral(":/minebox/box_closed.png")),
                               QIcon(QStringLiteral(":/minebox/box_empty.png")),
                               QIcon(QStringLiteral(":/minebox/box_mine.png"))} {
    connect(&round, &MineBoxRound::board_about_to_be_built, this, &MineBoardModel::beginResetModel);
    connect(&round, &MineBoxRound::board_built, this, &MineBoardModel::endResetModel);
    connect(&round, &MineBoxRound::box_changed, this, &MineBoardModel::box_changed);
}

int MineBoardModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(round_.board().boxes.size());
}

QVariant MineBoardModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const MineBox& box = round_.board().boxes[static_cast<size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return round_.caption(index.row());
    case Qt::DecorationRole:
        return pictures_[static_cast<size_t>(box.state)];
    case picture_role:
        return static_cast<int>(box.state);
    case mine_role:
        return box.has_mine;
    default:
        return {};
    }
}

Qt::ItemFlags MineBoardModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren
                           : Qt::NoItemFlags;
}

void MineBoardModel::box_changed(int position) {
    const QModelIndex at = index(position);
    emit dataChanged(at, at, {Qt::DisplayRole, Qt::DecorationRole, picture_role});
}

} // namespace glimmer
