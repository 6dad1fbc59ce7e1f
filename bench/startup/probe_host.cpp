// A runtime library for the real launcher that runs the program as hostcore.rtl does and
// ends at the catalogue's first paint, so that bench_startup also times the way the program
// really starts: launcher, library load, entry. Run by bench_startup.

#include "first_paint.h"
#include "hostcore/host_entry.h"
#include "hostcore/program_run.h"

namespace {

void run_probe(const glimmer::host::ProgramImage* image) {
    if (!glimmer::host::program_image_valid(image)) {
        return;
    }
    FirstPaint probe;
    glimmer::host::run_program(&probe);
}

} // namespace

extern "C" __attribute__((visibility("default"))) glimmer::host::HostEntry
GetHostEntry(int request) {
    return request == glimmer::host::host_entry_request ? &run_probe : nullptr;
}
