#include "transparent_label.h"

#include <QMouseEvent>

namespace glimmer {

TransparentLabel::TransparentLabel(QWidget* parent) : QLabel(parent) {
    setAutoFillBackground(false);
    setAttribute(Qt::WA_TranslucentBackground);
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, Qt::white);
    colours.setColor(QPalette::Window, Qt::transparent);
    setPalette(colours);
}

void TransparentLabel::mousePressEvent(QMouseEvent* event) {
    QLabel::mousePressEvent(event);
    if (event->button() == Qt::LeftButton) {
        emit left_pressed();
    }
}

} // namespace glimmer
