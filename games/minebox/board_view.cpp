#include "board_view.h"

#include <QMouseEvent>
#include <QStyledItemDelegate>

namespace glimmer {

namespace {

constexpr QSize cell_size(74, 52);

// Every box gets the whole cell, whatever its caption: the view measures only the first
// item, and "1号箱" alone would leave "属于玩家1" too little room.
class CellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
        return cell_size - QSize(2, 2);
    }
};

} // namespace

BoardView::BoardView(QWidget* parent) : QListView(parent) {
    setViewMode(QListView::IconMode);
    setMovement(QListView::Static);
    setFlow(QListView::LeftToRight);
    setWrapping(true);
    setResizeMode(QListView::Adjust);
    setIconSize(QSize(30, 30));
    setGridSize(cell_size);
    setItemDelegate(new CellDelegate(this));
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(false);
    // The first screenful is laid out at once and the rest in slices between events, so
    // the window keeps answering while a large board settles.
    setLayoutMode(QListView::Batched);
    setBatchSize(2000);
}

int BoardView::selected_item() const {
    if (selectionModel() == nullptr) {
        return -1;
    }
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.front().row();
}

void BoardView::mouseDoubleClickEvent(QMouseEvent* event) {
    QListView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton) {
        emit double_clicked();
    }
}

} // namespace glimmer
