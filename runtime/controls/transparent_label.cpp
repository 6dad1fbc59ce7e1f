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

void show_elided(QLabel* label, const QString& text) {
    const QString shown = label->fontMetrics().elidedText(text, Qt::ElideRight, label->width());
    label->setText(shown);
    label->setToolTip(shown == text ? QString() : text);
    label->setAccessibleName(text);
}

void show_maker_line(QLabel* label, const QString& site_url) {
    const QString line = QStringLiteral("Ostrune ") + site_url;
    show_elided(label, line);
    label->setToolTip(line);
}

} // namespace glimmer
