// The program's own start-up sequence linked straight into an executable, ended at the
// catalogue's first paint. Run by bench_startup.

#include "first_paint.h"
#include "shell/app_state.h"
#include "shell/startup_window.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    FirstPaint probe;
    app.installEventFilter(&probe);
    glimmer::AppState state;
    glimmer::start_program(state);
    return QApplication::exec();
}
