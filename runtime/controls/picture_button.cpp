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
    hover_file_.clear();
    update();
}

void PictureButton::setHoverFaceFile(const QString& file) {
    hover_file_ = file;
    hover_ = QPixmap();
    update();
}

QPixmap PictureButton::hoverFace() const {
    if (hover_.isNull() && !hover_file_.isEmpty()) {
        hover_.load(hover_file_);
    }
    return hover_;
}

QSize PictureButton::sizeHint() const {
    return normal_.isNull() ? QSize(160, 200) : normal_.deviceIndependentSize().toSize();
}

void PictureButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPixmap hover = pointer_over_ ? hoverFace() : QPixmap();
    const QPixmap& face = hover.isNull() ? normal_ : hover;
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
