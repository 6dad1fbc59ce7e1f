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

// Shows text in a label of a fixed size: cut with "…" when too wide for it, and then whole in
// its tip; the accessible name is always the whole text.
void show_elided(QLabel* label, const QString& text);

// Shows "Ostrune" and the maker's address as configured, in the label's own font. An address
// too long for the label is cut with an ellipsis; the tip and the accessible name keep it whole,
// cut or not.
void show_maker_line(QLabel* label, const QString& site_url);

} // namespace glimmer
