#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

namespace glimmer::testing {

// What a modal message box showed before the test answered it.
struct SeenBox {
    QString text;
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QStringList button_texts; // in the order the box lays them out
    Qt::TextFormat format = Qt::AutoText;
    bool fits_screen = false; // the whole box, buttons included, lies on its screen
};

// Waits (spinning the event loop from a timer) for the next modal QMessageBox, records it
// and presses the given button as a person would. Call before the code that opens the box.
class MessageBoxAnswerer {
public:
    explicit MessageBoxAnswerer(QMessageBox::StandardButton answer);
    // Answers the next boxes in turn with these buttons.
    explicit MessageBoxAnswerer(QList<QMessageBox::StandardButton> answers);
    ~MessageBoxAnswerer();

    const QList<SeenBox>& seen() const { return seen_; }

private:
    void poll();

    QList<QMessageBox::StandardButton> answers_;
    QList<SeenBox> seen_;
    class QTimer* timer_;
};

// The boxes on screen that block nothing (show_notice's), with that title when one is given.
QList<QMessageBox*> shown_notices(const QString& title = QString());
// Deletes every message box without a parent that is still about, shown or not: a notice that
// outlives its window (the history's) is the program's to keep, the test's to clean up.
void delete_stray_boxes();

} // namespace glimmer::testing
