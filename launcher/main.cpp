// The process entry: finds the host runtime library, asks it for its entry routine and hands
// that routine the program image. It does no program work of its own.

#include "hostcore/host_entry.h"
#include "platform.h"

#include <cstdlib>
#include <string>

namespace {

constexpr const char* beside_library = "hostcore.rtl";
constexpr const char* installed_library = "hostcore.rtx";
constexpr const char* install_key = "Software\\HostCore\\Install";
constexpr const char* install_value = "Path";
constexpr const char* error_text = "Not found the kernel library or the kernel library is invalid!";
constexpr const char* error_caption = "Error";

// The launcher's own copy of the program image; it outlives the runtime's entry.
glimmer::host::ProgramImage program_image = glimmer::host::current_program_image;

[[noreturn]] void error_exit() {
    launcher::show_error(error_text, error_caption);
    // -1 as far as an exit status goes: all eight bits set.
    std::exit(255);
}

// The executable's folder with its trailing separator; empty when the path is unknown.
std::string executable_folder() {
    const std::string path = launcher::module_path();
    const std::string::size_type slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

launcher::Library load_installed_runtime() {
    const auto folder = launcher::read_user_value(install_key, install_value);
    if (!folder) {
        return nullptr;
    }
    std::string path = *folder;
    if (path.empty() || path.back() != '/') {
        path += '/';
    }
    return launcher::load_library(path + installed_library);
}

} // namespace

int main(int argc, char** argv) {
    // The runtime reads the command line; the launcher only carries it there.
    program_image.argc = argc;
    program_image.argv = argv;

    launcher::Library library = nullptr;
    const std::string folder = executable_folder();
    if (!folder.empty()) {
        library = launcher::load_library(folder + beside_library);
    }
    if (library == nullptr) {
        library = load_installed_runtime();
    }
    if (library == nullptr) {
        error_exit();
    }

    // dlsym hands back an object pointer; a function pointer of the agreed type is what
    // GetHostEntry is.
    const auto get_host_entry = reinterpret_cast<glimmer::host::GetHostEntryFunction>(
        launcher::find_export(library, glimmer::host::host_entry_export));
    if (get_host_entry == nullptr) {
        launcher::release_library(library);
        error_exit();
    }
    const glimmer::host::HostEntry entry = get_host_entry(glimmer::host::host_entry_request);
    if (entry == nullptr) {
        launcher::release_library(library);
        error_exit();
    }
    entry(&program_image);
    return 0;
}
