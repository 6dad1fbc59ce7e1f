#pragma once

#include <QIcon>
#include <QList>
#include <QListWidget>
#include <QTreeWidget>

namespace glimmer {

// A plain list box of text lines.
class ListBox : public QListWidget {
    Q_OBJECT
public:
    explicit ListBox(QWidget* parent = nullptr);
};

void list_add(ListBox* list, const QString& text);

// A report-style list view: items (rows) with cells (columns; column 0 is the caption),
// a picture index per cell into the view's picture list, and a whole-number value per item.
// The row-selection event fires on every click on a row, also on the selected one, and when
// the selection moves with the keyboard.
class ReportList : public QTreeWidget {
    Q_OBJECT
public:
    explicit ReportList(QWidget* parent = nullptr);

    void set_pictures(const QList<QIcon>& pictures);
    QIcon picture(int index) const;

signals:
    // The selected row after a click or a keyboard move; -1 never occurs here.
    void selection_made(int item);
    // A double-click on a row.
    void item_double_clicked(int item);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QList<QIcon> pictures_;
};

void list_clear(ReportList* list);
// Appends an item with an empty caption, picture 0 and value 0; returns its index.
int list_append(ReportList* list);
int list_count(const ReportList* list);
// Selected item, negative when none.
int list_selected(const ReportList* list);
void list_select(ReportList* list, int item);
// Out-of-range items and columns are ignored on writes and read as empty or 0.
void set_cell_text(ReportList* list, int item, int column, const QString& text);
QString get_cell_text(const ReportList* list, int item, int column);
void set_cell_picture(ReportList* list, int item, int column, int picture);
int get_cell_picture(const ReportList* list, int item, int column);
void set_item_value(ReportList* list, int item, qint64 value);
qint64 get_item_value(const ReportList* list, int item);

} // namespace glimmer
