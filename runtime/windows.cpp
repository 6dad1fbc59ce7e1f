#include "windows.h"

#include "processes.h"

#include <QApplication>
#include <QMessageBox>
#include <QPainter>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <iostream>

namespace glimmer {

namespace {
EndProgramHandler end_handler;
}

void open_window(QWidget* window) {
    if (window == nullptr) {
        return;
    }
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    window->raise();
    window->activateWindow();
}

void paint_backdrop(QWidget* window, const QPixmap& backdrop) {
    QPainter painter(window);
    painter.fillRect(window->rect(), Qt::white);
    painter.drawPixmap(0, 0, backdrop);
}

void close_window(QWidget* window) {
    if (window == nullptr) {
        return;
    }
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->close();
}

void end_program() {
    // Helpers go with the program, whichever way it ends.
    kill_helper_groups();
    if (end_handler) {
        end_handler();
        return;
    }
    // No destructors and no waiting: a worker thread may still sit in a download, and the
    // host expects the program to vanish the moment the catalogue closes.
    std::cout.flush();
    std::fflush(nullptr);
    std::_Exit(0);
}

void set_end_program_handler(EndProgramHandler handler) {
    end_handler = std::move(handler);
}

int message_box(const QString& text, int style, const QString& title) {
    QMessageBox box;
    box.setText(text);
    box.setWindowTitle(title.isEmpty() ? QApplication::applicationDisplayName() : title);
    switch (style) {
    case style_ok_cancel_question:
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case style_error:
        box.setIcon(QMessageBox::Critical);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    default:
        box.setIcon(QMessageBox::NoIcon);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    }
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(style == style_ok_cancel_question ? QMessageBox::Cancel : QMessageBox::Ok);
    const int answer = box.exec();
    return answer == QMessageBox::Ok ? 0 : 2;
}

} // namespace glimmer
