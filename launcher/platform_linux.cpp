#include "platform.h"

#include <dlfcn.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <vector>

extern char** environ;

namespace launcher {

Library load_library(const std::string& path) {
    return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* find_export(Library library, const char* name) {
    return dlsym(library, name);
}

void release_library(Library library) {
    dlclose(library);
}

namespace {

std::string configuration_folder() {
    // A relative XDG_CONFIG_HOME is to be ignored, as the base directory rules say.
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && xdg[0] == '/') {
        return xdg;
    }
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == '\0') {
        const passwd* user = getpwuid(getuid());
        home = user != nullptr ? user->pw_dir : nullptr;
    }
    if (home == nullptr || home[0] == '\0') {
        return {};
    }
    return std::string(home) + "/.config";
}

} // namespace

std::string user_key_file(const std::string& key) {
    const std::string folder = configuration_folder();
    if (folder.empty()) {
        return {};
    }
    std::string relative = key;
    const std::string software = "Software\\";
    if (relative.compare(0, software.size(), software) == 0) {
        relative.erase(0, software.size());
    }
    for (char& c : relative) {
        if (c == '\\') {
            c = '/';
        }
    }
    return folder + '/' + relative;
}

std::optional<std::string> read_user_value(const std::string& key, const std::string& name) {
    const std::string file_name = user_key_file(key);
    if (file_name.empty()) {
        return std::nullopt;
    }
    std::ifstream file(file_name, std::ios::binary);
    if (!file) {
        return std::nullopt;
    }
    const std::string prefix = name + '=';
    std::string line;
    while (std::getline(file, line)) {
        if (line.compare(0, prefix.size(), prefix) == 0) {
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            return line.substr(prefix.size());
        }
    }
    return std::nullopt;
}

void show_error(const char* text, const char* caption) {
    std::fprintf(stderr, "%s: %s\n", caption, text);
    std::fflush(stderr);

    // xmessage speaks to the X server itself, so the launcher needs no toolkit for its one
    // box. It is started directly, never through a shell, and the launcher waits for the
    // box to be closed as it would for a modal one.
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || display[0] == '\0') {
        return;
    }
    // The text is the last argument; it never starts with "-", so xmessage cannot take it
    // for an option.
    std::vector<std::string> arguments{"xmessage", "-center",  "-title", caption, "-buttons",
                                       "OK:0",     "-default", "OK",     text};
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    pid_t child = 0;
    if (posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        return;
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
}

std::string module_path() {
    // The link's length is not known beforehand; grow the buffer until the whole path fits.
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) {
            return {};
        }
        if (static_cast<std::size_t>(length) < buffer.size()) {
            return std::string(buffer.data(), static_cast<std::size_t>(length));
        }
        buffer.resize(buffer.size() * 2);
    }
}

} // namespace launcher
