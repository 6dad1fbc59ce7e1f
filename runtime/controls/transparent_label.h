#pragma once

#include <QLabel>

namespace glimmer {

// A label with no fill of its own: the window's backdrop shows through and the text is white.
// A press of the left mouse button is reported, since several labels act as links.
class TransparentLabel : public QLabel {
    Q_OBJECT
public:
    explicit TransparentLabel(QWidget* parent = nullptr);

signals:
    void left_pressed();

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

} // namespace glimmer
