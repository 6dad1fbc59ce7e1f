#include "transparent_label.h"

#include <QMouseEvent>

namespace glimmer {

TransparentLabel::TransparentLabel(QWidget* parent) : QLabel(parent) {
    // These labels show names, notes and pages from outside: never as markup, never as links.
    setTextFormat(Qt::PlainText);
    setOpenExternalLinks(false);
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

void show_maker_line(QLabel* label, const QString& site_url) {
    const QString line = QStringLiteral("Ostrune ") + site_url;
    label->setText(label->fontMetrics().elidedText(line, Qt::ElideRight, label->width()));
    label->setToolTip(line);
    label->setAccessibleName(line);
}

} // namespace glimmer
