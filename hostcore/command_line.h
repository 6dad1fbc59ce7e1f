#pragma once

// The program's command line. Plain C++: it is read before Qt is set up, so that asking for
// the version or the help never needs a display.

#include "runtime/control_limits.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace glimmer::host {

inline constexpr int default_overlay_port = 17610;

struct CommandLine {
    enum class Action { run, help, version, usage_error, control, verify };
    Action action = Action::run;
    std::optional<int> overlay_port; // none when the option was not given
    std::string error;               // one line, for a usage error
    // A copy of its own beside the running one, which then serves no control socket.
    bool new_instance = false;
    // For control and verify: the words after "ctl" or "verify", read by the games' tables
    // (control_words.h) and by the check (draw_verify.h).
    std::vector<std::string> words;
};

// The arguments after the program's name, read in order: the first of --help, --version or a
// fault decides; options given before it still count (help shows the port given with it).
CommandLine parse_command_line(const std::vector<std::string>& arguments);

// What the user typed, as an error line echoes it: long values cut (never inside a UTF-8
// sequence) and control characters shown as "?", so that anything pasted gives one short line.
std::string shown_argument(const std::string& text);

std::string version_text();
std::string usage_text();
std::string help_text(const CommandLine& line, const std::vector<std::string>& games);

// Prints what the command line asks for (help and version on standard output, a usage error
// on standard error) and gives the exit status: 0, or 2 for a usage error.
int answer_command_line(const CommandLine& line, const std::vector<std::string>& games);

} // namespace glimmer::host
