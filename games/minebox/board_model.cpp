#include "board_model.h"

namespace glimmer {

MineBoardModel::MineBoardModel(QObject* parent)
    : QAbstractListModel(parent), pictures_{QIcon(QStringLiteral(":/minebox/box_closed.png")),
                                            QIcon(QStringLiteral(":/minebox/box_empty.png")),
                                            QIcon(QStringLiteral(":/minebox/box_mine.png"))} {}

bool MineBoardModel::bury(const QString& box_text, const QString& mine_text, RandomSource& random) {
    // The views must hear of the reset before the boxes go away, not after.
    beginResetModel();
    const bool built = bury_mines(board_, box_text, mine_text, random);
    endResetModel();
    return built;
}

bool MineBoardModel::dig(int position, PendingDig& pending) {
    if (!dig_box(board_, pending, position)) {
        return false;
    }
    box_changed(position);
    return true;
}

int MineBoardModel::credit(MineBoxTallies& tallies, int player) {
    const int position = assign_owner(board_, tallies, player);
    if (position >= 0) {
        box_changed(position);
    }
    return position;
}

int MineBoardModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(board_.boxes.size());
}

QVariant MineBoardModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const MineBox& box = board_.boxes[static_cast<size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return caption_at(board_, index.row());
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
