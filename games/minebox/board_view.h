#pragma once

#include <QListView>

namespace glimmer {

// The board list: an icon view of 30 x 30 box pictures with their captions beneath, in
// rows across its width in item order. Every cell has the same size, which lets the view
// lay out a hundred thousand boxes without measuring each one.
class BoardView : public QListView {
    Q_OBJECT
public:
    explicit BoardView(QWidget* parent = nullptr);

    // The selected item, negative when none.
    int selected_item() const;

signals:
    // A left double-click anywhere on the board: it acts on the selection, not on the spot.
    void double_clicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

} // namespace glimmer
