// Stand-ins for the runtime library, built three ways:
//   HOST_ENTERS   GetHostEntry grants the request; the entry writes which library file was
//                 entered and whether the program image checked out to $GLIMMER_TEST_MARKER
//   HOST_REFUSES  GetHostEntry exists and always answers 0
//   (neither)     the library exports no GetHostEntry at all

#include "hostcore/host_entry.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>

using glimmer::host::HostEntry;
using glimmer::host::ProgramImage;

#if defined(HOST_ENTERS)

namespace {

void entry(const ProgramImage* image) {
    const char* marker = std::getenv("GLIMMER_TEST_MARKER");
    Dl_info info{};
    if (marker == nullptr || dladdr(reinterpret_cast<void*>(&entry), &info) == 0) {
        return;
    }
    std::FILE* file = std::fopen(marker, "w");
    if (file == nullptr) {
        return;
    }
    std::fprintf(file, "%s\n%s\n", info.dli_fname,
                 glimmer::host::program_image_valid(image) ? "image ok" : "image bad");
    std::fclose(file);
}

} // namespace

extern "C" __attribute__((visibility("default"))) HostEntry GetHostEntry(int request) {
    return request == glimmer::host::host_entry_request ? &entry : nullptr;
}

#elif defined(HOST_REFUSES)

extern "C" __attribute__((visibility("default"))) HostEntry GetHostEntry(int) {
    return nullptr;
}

#else

extern "C" __attribute__((visibility("default"))) int GetHostVersion() {
    return 1;
}

#endif
