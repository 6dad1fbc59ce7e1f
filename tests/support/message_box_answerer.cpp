#include "message_box_answerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QScreen>
#include <QTest>
#include <QTimer>

namespace glimmer::testing {

MessageBoxAnswerer::MessageBoxAnswerer(QMessageBox::StandardButton answer)
    : MessageBoxAnswerer(QList<QMessageBox::StandardButton>{answer}) {}

MessageBoxAnswerer::MessageBoxAnswerer(QList<QMessageBox::StandardButton> answers)
    : answers_(std::move(answers)), timer_(new QTimer) {
    QObject::connect(timer_, &QTimer::timeout, [this] { poll(); });
    timer_->start(10);
}

MessageBoxAnswerer::~MessageBoxAnswerer() {
    delete timer_;
}

void MessageBoxAnswerer::poll() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible() || answers_.isEmpty()) {
        return;
    }
    SeenBox seen;
    seen.text = box->text();
    seen.title = box->windowTitle();
    seen.icon = box->icon();
    seen.buttons = box->standardButtons();
    seen.format = box->textFormat();
    for (QAbstractButton* button : box->buttons()) {
        seen.button_texts << button->text();
    }
    const QScreen* screen = box->screen();
    seen.fits_screen =
        screen != nullptr && screen->availableGeometry().contains(box->frameGeometry());
    seen_.append(seen);
    const QMessageBox::StandardButton answer = answers_.takeFirst();
    if (QAbstractButton* button = box->button(answer)) {
        QTest::mouseClick(button, Qt::LeftButton);
    } else {
        box->reject(); // the person closed the box
    }
}

QList<QMessageBox*> shown_notices(const QString& title) {
    QList<QMessageBox*> notices;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        if (box != nullptr && box->isVisible() && !box->isModal() &&
            (title.isEmpty() || box->windowTitle() == title)) {
            notices << box;
        }
    }
    return notices;
}

void delete_stray_boxes() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (qobject_cast<QMessageBox*>(widget) != nullptr) {
            delete widget;
        }
    }
}

} // namespace glimmer::testing
