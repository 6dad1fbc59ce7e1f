#include "board_view.h"

#include <QMouseEvent>

namespace glimmer {

BoardView::BoardView(QWidget* parent) : QListView(parent) {
    setViewMode(QListView::IconMode);
    setMovement(QListView::Static);
    setFlow(QListView::LeftToRight);
    setWrapping(true);
    setResizeMode(QListView::Adjust);
    setIconSize(QSize(30, 30));
    setGridSize(QSize(74, 52));
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
