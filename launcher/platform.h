#pragma once

// The few services of the operating system the launcher uses, kept apart from its algorithm:
// dynamic libraries, the per-user key, the error box and the executable's own path.

#include <optional>
#include <string>

namespace launcher {

using Library = void*;

// Loads the dynamic library at the path, resolving every symbol now; null on failure.
Library load_library(const std::string& path);
// The address of an exported symbol, or null.
void* find_export(Library library, const char* name);
void release_library(Library library);

// A value stored under a per-user key such as "Software\HostCore\Install". The key is a file
// under the user's configuration folder, ${XDG_CONFIG_HOME:-$HOME/.config}, named after the
// key without its leading "Software\" and with "/" for "\": HostCore/Install. Each line holds
// Name=value; the first line with the name gives the value, a line end "\r" dropped.
// Empty when the key or the value is missing.
std::optional<std::string> read_user_value(const std::string& key, const std::string& name);
// The file that read_user_value reads for the key; empty when no configuration folder is known.
std::string user_key_file(const std::string& key);

// Writes "caption: text" to standard error and, when a desktop is there, shows the text in a
// message box with one OK button and waits for it to be closed.
void show_error(const char* text, const char* caption);

// The full path of the running executable, whatever its length; empty if it cannot be read.
std::string module_path();

} // namespace launcher
