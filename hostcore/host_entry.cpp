// The host runtime library's one export: hands the launcher the routine that runs the
// program's start-up sequence and message loop.

#include "hostcore/host_entry.h"
#include "hostcore/program_run.h"

#include <cstdio>
#include <cstdlib>

namespace {

void enter_program(const glimmer::host::ProgramImage* image) {
    if (!glimmer::host::program_image_valid(image)) {
        // A launcher of another layout: starting from a record we cannot read would be worse
        // than not starting at all, and a silent return would look like a normal end.
        std::fputs("hostcore: the program image is not one this runtime can start\n", stderr);
        std::fflush(stderr);
        std::_Exit(255);
    }
    glimmer::host::run_program();
}

} // namespace

extern "C" __attribute__((visibility("default"))) glimmer::host::HostEntry
GetHostEntry(int request) {
    return request == glimmer::host::host_entry_request ? &enter_program : nullptr;
}
