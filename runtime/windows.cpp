#include "windows.h"

#include "processes.h"

#include <QApplication>
#include <QCursor>
#include <QFontMetrics>
#include <QLabel>
#include <QLibraryInfo>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>
#include <QTranslator>
#include <QWidget>

#include <algorithm>

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

QPoint place_beside(const QRect& anchor, const QSize& size, const QList<QRect>& taken,
                    const QRect& screen) {
    constexpr int gap = 12;
    // The anchor's sides first, then those of the windows already beside it.
    QList<QPoint> sides;
    QList<QRect> beside{anchor};
    beside += taken;
    for (const QRect& next_to : beside) {
        sides << QPoint(next_to.right() + 1 + gap, next_to.top())
              << QPoint(next_to.left(), next_to.bottom() + 1 + gap)
              << QPoint(next_to.left() - gap - size.width(), next_to.top())
              << QPoint(next_to.left(), next_to.top() - gap - size.height());
    }
    const auto fits = [&](const QPoint& at) { return screen.contains(QRect(at, size)); };
    const auto free = [&](const QPoint& at) {
        const QRect rect(at, size);
        return std::none_of(taken.cbegin(), taken.cend(),
                            [&](const QRect& other) { return other.intersects(rect); });
    };
    for (const QPoint& at : sides) {
        if (fits(at) && free(at)) {
            return at;
        }
    }
    QPoint at = sides.front();
    for (const QPoint& side : sides) {
        if (fits(side)) {
            at = side;
            break;
        }
    }
    // Inside the screen first (a window larger than it keeps its top-left corner on it).
    const auto inside = [&](QPoint point) {
        point.setX(std::max(screen.left(), std::min(point.x(), screen.right() + 1 - size.width())));
        point.setY(
            std::max(screen.top(), std::min(point.y(), screen.bottom() + 1 - size.height())));
        return point;
    };
    at = inside(at);
    const auto on_one = [&](const QPoint& point) {
        return std::any_of(taken.cbegin(), taken.cend(),
                           [&](const QRect& other) { return other.topLeft() == point; });
    };
    for (int step = 0; step < 64 && on_one(at); ++step) {
        const QPoint next = inside(at + QPoint(gap * 2, gap * 2));
        // Pinned in the corner: go back up to the screen's top-left and on from there.
        at = next == at ? inside(screen.topLeft() + QPoint(step * gap, step * gap)) : next;
    }
    return at;
}

void move_beside(QWidget* window, const QWidget* anchor) {
    if (window == nullptr || anchor == nullptr) {
        return;
    }
    const QWidget* top = anchor->window();
    const QScreen* screen = top->screen();
    if (screen == nullptr) {
        return;
    }
    window->move(place_beside(top->frameGeometry(), window->frameGeometry().size(),
                              {top->frameGeometry()}, screen->availableGeometry()));
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

void popup_menu(std::unique_ptr<QMenu> menu, const QPoint& at) {
    QMenu* shown = menu.release();
    shown->setAttribute(Qt::WA_DeleteOnClose);
    shown->popup(at);
}

void end_program() {
    run_end_steps();
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

QString fit_text_lines(const QString& text, const QFontMetrics& metrics, int width, int max_lines) {
    // Walks only as far as the lines allowed reach, so a text of a megabyte costs no more
    // than one that fills the box.
    int lines = 1;
    int x = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\n') {
            ++lines;
            x = 0;
        } else if (c != u'\r') {
            const int advance = metrics.horizontalAdvance(c);
            if (x > 0 && x + advance > width) {
                ++lines;
                x = 0;
            }
            x += advance;
        }
        if (lines > max_lines) {
            QString cut = text.left(i);
            while (cut.endsWith(u'\n') || cut.endsWith(u'\r')) {
                cut.chop(1);
            }
            return cut + QStringLiteral("…");
        }
    }
    return text;
}

bool load_qt_chinese() {
    if (QCoreApplication::instance() == nullptr) {
        return false;
    }
    // Parented to the application, so it lives as long as the texts it gives.
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QStringLiteral("qtbase_zh_CN"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

namespace {

// The look every box of the program shares: plain text cut to the screen, the title, the
// icon and buttons of the style.
void dress_box(QMessageBox& box, const QString& text, int style, const QString& title) {
    // Notes and paths come from pages and files: shown as they are written, never as markup
    // and never as links that would reach the desktop past open_url's checks.
    box.setTextFormat(Qt::PlainText);
    if (auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
        label->setOpenExternalLinks(false);
    }
    // A box taller than the screen would hide its buttons. The width is the narrowest the box
    // wraps its text at, less room for the icon, so the count of lines errs on the long side.
    const QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    if (screen != nullptr) {
        const QRect area = screen->availableGeometry();
        const QFontMetrics metrics(box.font());
        const int wrap_width = std::max(100, std::min(area.width() / 2, 500) - 150);
        const int max_lines = std::max(3, (area.height() - 200) / metrics.lineSpacing());
        box.setText(fit_text_lines(text, metrics, wrap_width, max_lines));
    } else {
        box.setText(text);
    }
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
}

} // namespace

int message_box(const QString& text, int style, const QString& title) {
    QMessageBox box;
    dress_box(box, text, style, title);
    const int answer = box.exec();
    return answer == QMessageBox::Ok ? 0 : 2;
}

void ask(const QString& text, const QString& title, QWidget* parent,
         std::function<void(bool ok)> answered) {
    auto* box = new QMessageBox(parent);
    dress_box(*box, text, style_ok_cancel_question, title);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    QObject::connect(box, &QMessageBox::finished, box,
                     [box, answered = std::move(answered)](int result) {
                         // finished() comes once, whichever way the box was closed.
                         answered(result == QMessageBox::Ok ||
                                  box->clickedButton() == box->button(QMessageBox::Ok));
                     });
    box->open();
}

bool box_in_front_of(const QWidget* window) {
    for (const QWidget* widget : QApplication::topLevelWidgets()) {
        if (!widget->isVisible() || !widget->isModal()) {
            continue;
        }
        if (widget->windowModality() == Qt::ApplicationModal) {
            return true;
        }
        const QWidget* parent = widget->parentWidget();
        if (window != nullptr && parent != nullptr && parent->window() == window) {
            return true;
        }
    }
    return false;
}

void show_notice(const QString& text, const QString& title, QWidget* parent) {
    auto* box = new QMessageBox(QMessageBox::Information, title, text, QMessageBox::Ok, parent);
    box->setTextFormat(Qt::PlainText);
    box->setWindowModality(Qt::NonModal);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->adjustSize();
    if (parent != nullptr) {
        // Beside its window rather than over it: a question the window asks meanwhile stands
        // centred on it, and neither box may hide the other.
        const QRect window = parent->window()->frameGeometry();
        const QScreen* screen = parent->window()->screen();
        const QRect area = screen != nullptr ? screen->availableGeometry() : QRect();
        const QSize size = box->frameGeometry().size();
        const QList<QPoint> places{window.bottomLeft() + QPoint(0, 8),
                                   window.topRight() + QPoint(8, 0),
                                   window.topLeft() - QPoint(0, size.height() + 8),
                                   window.topLeft() - QPoint(size.width() + 8, 0)};
        QPoint chosen = places.first();
        for (const QPoint& place : places) {
            if (area.isEmpty() || area.contains(QRect(place, size))) {
                chosen = place;
                break;
            }
        }
        if (!area.isEmpty()) {
            chosen.setX(std::clamp(chosen.x(), area.left(),
                                   std::max(area.left(), area.right() - size.width())));
            chosen.setY(std::clamp(chosen.y(), area.top(),
                                   std::max(area.top(), area.bottom() - size.height())));
        }
        box->move(chosen);
    }
    box->show();
}

} // namespace glimmer
