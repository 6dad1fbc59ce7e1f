#pragma once

#include <QList>
#include <QRect>
#include <QString>

#include <functional>
#include <memory>

class QFontMetrics;
class QMenu;
class QPixmap;
class QPoint;
class QWidget;

namespace glimmer {

// Shows a window that has no owner and does not block the others; its constructor has
// already played the part of the created handler.
void open_window(QWidget* window);

// Where a window of the given size opens beside the anchor (a window of ours): to its right,
// else below, to its left or above, the first side where it fits on the screen and covers
// none of the taken rectangles, then the same beside each taken one; where none is free, the
// anchor's first side that fits, stepped down and right until it stands exactly on no taken
// window. Always inside the screen.
QPoint place_beside(const QRect& anchor, const QSize& size, const QList<QRect>& taken,
                    const QRect& screen);

// Moves a box or window of ours beside the window it belongs to, on that window's screen,
// before it is first shown.
void move_beside(QWidget* window, const QWidget* anchor);

// Paints a window's backdrop picture at its top-left corner on white, so that any strip the
// picture does not cover (the designs' pictures are a pixel narrower than the windows) stays
// plain. For the windows' paint events.
void paint_backdrop(QWidget* window, const QPixmap& backdrop);

// Closes and destroys the window; the program goes on.
void close_window(QWidget* window);

// Shows a window's right-click menu at the pointer; made afresh for each click, it goes once
// closed.
void popup_menu(std::unique_ptr<QMenu> menu, const QPoint& at);

// On X11, a window manager's request to close the window reaches its closeEvent even while a
// modal box blocks the window (Qt would drop it). For the window whose closing ends the
// program.
void close_even_under_modal_boxes(QWidget* window);

// Ends the process at once with exit code 0, even while another thread waits in a download.
// With a handler installed (tests), the handler runs instead and end_program returns.
void end_program();

// Tests observe the end of the program through this instead of losing their own process;
// an empty function restores the real exit.
using EndProgramHandler = std::function<void()>;
void set_end_program_handler(EndProgramHandler handler);

// Puts Qt's own Chinese texts (qtbase_zh_CN from Qt's translations folder) on its standard
// buttons, file dialogs and edit menus, so they speak the program's language. Call once a
// QApplication exists; false when the translations are not installed, and Qt's English stays.
bool load_qt_chinese();

enum MessageStyle : int { style_ok = 0, style_error = 16, style_ok_cancel_question = 33 };

// A real modal QMessageBox. Returns 0 for OK, 2 for Cancel or a closed box.
// An empty title gives the program's default title. The text is plain text, never markup;
// one too long for the screen is cut with an ellipsis so the buttons stay on screen.
int message_box(const QString& text, int style, const QString& title = QString());

// The question of message_box style 33 (OK and Cancel), over the parent window alone and
// without waiting for it: answered() runs once the host has answered, true for OK. The box
// goes with the parent, unanswered.
void ask(const QString& text, const QString& title, QWidget* parent,
         std::function<void(bool ok)> answered);

// Whether a box waits for the host in front of the window: one modal to the whole program,
// or one modal to this window.
bool box_in_front_of(const QWidget* window);

// A box with an OK button that blocks nothing: the host reads it while the game goes on. It
// closes and deletes itself; plain text, as message_box.
void show_notice(const QString& text, const QString& title, QWidget* parent);

// The text as it stands when it fits in max_lines lines of width pixels (lines wrapped at any
// character), else its beginning that does, ended with an ellipsis.
QString fit_text_lines(const QString& text, const QFontMetrics& metrics, int width, int max_lines);

} // namespace glimmer
