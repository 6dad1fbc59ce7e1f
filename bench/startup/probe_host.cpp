// A runtime library for the real launcher that runs the program's start-up sequence and
// ends at the catalogue's first paint, so that bench_startup also times the way the program
// really starts: launcher, library load, entry. Run by bench_startup.

#include "first_paint.h"
#include "hostcore/host_entry.h"
#include "shell/app_state.h"
#include "shell/startup_window.h"

#include <QApplication>

namespace {

void run_probe(const glimmer::host::ProgramImage* image) {
    if (!glimmer::host::program_image_valid(image)) {
        return;
    }
    static int argc = 1;
    static char name[] = "glimmerhall";
    static char* argv[] = {name, nullptr};
    // As the program does: this alone makes Qt set up a shared GL context at start.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    FirstPaint probe;
    app.installEventFilter(&probe);
    glimmer::AppState state;
    glimmer::start_program(state);
    QApplication::exec();
}

} // namespace

extern "C" __attribute__((visibility("default"))) glimmer::host::HostEntry
GetHostEntry(int request) {
    return request == glimmer::host::host_entry_request ? &run_probe : nullptr;
}
