#pragma once

#include <QJsonObject>
#include <QWidget>

namespace glimmer {

// A game's window as the program at large sees it: the overlays' part of the game's state,
// and a signal after every change of it. The window draws itself from the game's model,
// which it holds; the program knows no more of any one game than this.
class GameWindow : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

    // The game's part of the overlay state, texts as the window shows them; the pages put
    // them into the document as text, never as markup.
    virtual QJsonObject overlay_state() const = 0;

signals:
    void state_changed();
};

} // namespace glimmer
