#include "picture_button.h"

#include <QEnterEvent>
#include <QPainter>

namespace glimmer {

PictureButton::PictureButton(QWidget* parent) : QAbstractButton(parent) {
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
}

void PictureButton::setNormalFace(const QPixmap& face) {
    normal_ = face;
    update();
}

void PictureButton::setHoverFace(const QPixmap& face) {
    hover_ = face;
    update();
}

QSize PictureButton::sizeHint() const {
    return normal_.isNull() ? QSize(160, 200) : normal_.deviceIndependentSize().toSize();
}

void PictureButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPixmap& face = (pointer_over_ && !hover_.isNull()) ? hover_ : normal_;
    if (!face.isNull()) {
        painter.drawPixmap(QPoint(0, 0), face);
    }
}

void PictureButton::enterEvent(QEnterEvent* event) {
    pointer_over_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void PictureButton::leaveEvent(QEvent* event) {
    pointer_over_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

} // namespace glimmer
