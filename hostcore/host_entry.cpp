// The host runtime library's one export: hands the launcher the routine that runs the
// program's start-up sequence and message loop.

#include "hostcore/host_entry.h"
#include "runtime/windows.h"
#include "shell/app_state.h"
#include "shell/startup_window.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

namespace glimmer::host {

namespace {

void run_program(const ProgramImage* image) {
    if (!program_image_valid(image)) {
        // A launcher of another layout: starting from a record we cannot read would be worse
        // than not starting at all, and a silent return would look like a normal end.
        std::fputs("hostcore: the program image is not one this runtime can start\n", stderr);
        std::fflush(stderr);
        std::_Exit(255);
    }

    // The program reads no command line; Qt only needs a name to show for the process.
    static int argc = 1;
    static char name[] = "glimmerhall";
    static char* argv[] = {name, nullptr};

    // The statistics line's browser engine shares its graphics contexts with the windows;
    // that has to be said before the application object exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    // The program's life follows the catalogue alone, not the last window on screen.
    QApplication::setQuitOnLastWindowClosed(false);

    AppState state;
    start_program(state);
    QApplication::exec();
    end_program();
}

} // namespace

} // namespace glimmer::host

extern "C" __attribute__((visibility("default"))) glimmer::host::HostEntry
GetHostEntry(int request) {
    return request == glimmer::host::host_entry_request ? &glimmer::host::run_program : nullptr;
}
