#include "app_state.h"
#include "runtime/windows.h"
#include "startup_window.h"

#include <QApplication>

int main(int argc, char** argv) {
    // The statistics line's browser engine shares its graphics contexts with the windows;
    // that has to be said before the application object exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    // The program's life follows the catalogue alone, not the last window on screen.
    QApplication::setQuitOnLastWindowClosed(false);

    glimmer::AppState state;
    glimmer::start_program(state);
    QApplication::exec();
    glimmer::end_program();
    return 0;
}
