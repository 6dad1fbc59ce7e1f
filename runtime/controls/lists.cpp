#include "lists.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

namespace glimmer {

namespace {
constexpr int picture_role = Qt::UserRole + 1;
constexpr int value_role = Qt::UserRole + 2;
} // namespace

ListBox::ListBox(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
}

void list_add(ListBox* list, const QString& text) {
    if (list != nullptr) {
        list->addItem(text);
    }
}

ReportList::ReportList(QWidget* parent) : QTreeWidget(parent) {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    header()->setSectionsMovable(false);
}

void ReportList::set_pictures(const QList<QIcon>& pictures) {
    pictures_ = pictures;
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = topLevelItem(i);
        for (int c = 0; c < columnCount(); ++c) {
            row->setIcon(c, picture(row->data(c, picture_role).toInt()));
        }
    }
}

QIcon ReportList::picture(int index) const {
    return (index >= 0 && index < pictures_.size()) ? pictures_[index] : QIcon();
}

void ReportList::mousePressEvent(QMouseEvent* event) {
    QTreeWidget::mousePressEvent(event);
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const QModelIndex at = indexAt(event->position().toPoint());
    if (at.isValid()) {
        emit selection_made(at.row());
    }
}

void ReportList::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeWidget::mouseDoubleClickEvent(event);
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const QModelIndex at = indexAt(event->position().toPoint());
    if (at.isValid()) {
        emit item_double_clicked(at.row());
    }
}

void ReportList::keyPressEvent(QKeyEvent* event) {
    const int before = list_selected(this);
    QTreeWidget::keyPressEvent(event);
    const int after = list_selected(this);
    if (after >= 0 && after != before) {
        emit selection_made(after);
    }
}

void list_clear(ReportList* list) {
    if (list != nullptr) {
        list->clear();
    }
}

int list_append(ReportList* list) {
    if (list == nullptr) {
        return -1;
    }
    auto* row = new QTreeWidgetItem;
    for (int c = 0; c < std::max(1, list->columnCount()); ++c) {
        row->setData(c, picture_role, 0);
        row->setIcon(c, list->picture(0));
    }
    row->setData(0, value_role, qint64{0});
    list->addTopLevelItem(row);
    return list->topLevelItemCount() - 1;
}

int list_count(const ReportList* list) {
    return list == nullptr ? 0 : list->topLevelItemCount();
}

int list_selected(const ReportList* list) {
    if (list == nullptr) {
        return -1;
    }
    const auto rows = list->selectedItems();
    return rows.isEmpty() ? -1 : list->indexOfTopLevelItem(rows.front());
}

void list_select(ReportList* list, int item) {
    if (list == nullptr) {
        return;
    }
    if (QTreeWidgetItem* row = list->topLevelItem(item)) {
        list->setCurrentItem(row);
    } else {
        list->clearSelection();
    }
}

namespace {
QTreeWidgetItem* cell_row(const ReportList* list, int item, int column) {
    if (list == nullptr || column < 0 || column >= std::max(1, list->columnCount())) {
        return nullptr;
    }
    return list->topLevelItem(item);
}
} // namespace

void set_cell_text(ReportList* list, int item, int column, const QString& text) {
    if (QTreeWidgetItem* row = cell_row(list, item, column)) {
        row->setText(column, text);
    }
}

QString get_cell_text(const ReportList* list, int item, int column) {
    const QTreeWidgetItem* row = cell_row(list, item, column);
    return row == nullptr ? QString() : row->text(column);
}

void set_cell_picture(ReportList* list, int item, int column, int picture) {
    if (QTreeWidgetItem* row = cell_row(list, item, column)) {
        row->setData(column, picture_role, picture);
        row->setIcon(column, list->picture(picture));
    }
}

int get_cell_picture(const ReportList* list, int item, int column) {
    const QTreeWidgetItem* row = cell_row(list, item, column);
    return row == nullptr ? 0 : row->data(column, picture_role).toInt();
}

void set_item_value(ReportList* list, int item, qint64 value) {
    if (QTreeWidgetItem* row = cell_row(list, item, 0)) {
        row->setData(0, value_role, value);
    }
}

qint64 get_item_value(const ReportList* list, int item) {
    const QTreeWidgetItem* row = cell_row(list, item, 0);
    return row == nullptr ? 0 : row->data(0, value_role).toLongLong();
}

} // namespace glimmer
