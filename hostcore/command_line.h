#pragma once

// The program's command line. Plain C++: it is read before Qt is set up, so that asking for
// the version or the help never needs a display.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace glimmer::host {

inline constexpr int default_overlay_port = 17610;
// The longest request the running program reads from its control socket.
inline constexpr std::size_t longest_control_request = 4096;

struct CommandLine {
    enum class Action { run, help, version, usage_error, control, control_help, verify };
    Action action = Action::run;
    std::optional<int> overlay_port; // none when the option was not given
    std::string error;               // one line, for a usage error
    // A copy of its own beside the running one, which then serves no control socket.
    bool new_instance = false;
    // For control: the request to the running program, one compact JSON object.
    std::string control_request;
    // A usage error in the words after "ctl": the usage shown is ctl's.
    bool about_control = false;
    // For verify: the words after "verify", read by the check itself.
    std::vector<std::string> verify_words;
};

// A command that "glimmerhall ctl" sends to the running program. Its arguments become the
// request's members: "player", "n" and "box" are whole numbers, the others texts.
struct ControlCommand {
    std::string game; // empty for the program's own commands
    std::string action;
    std::vector<std::string> arguments;
    std::string help;
};

// Every command, in the order the help lists them.
const std::vector<ControlCommand>& control_commands();
std::string control_usage_text();
std::string control_help_text();

// The arguments after the program's name, read in order: the first of --help, --version or a
// fault decides; options given before it still count (help shows the port given with it).
CommandLine parse_command_line(const std::vector<std::string>& arguments);

std::string version_text();
std::string usage_text();
std::string help_text(const CommandLine& line, const std::vector<std::string>& games);

// Prints what the command line asks for (help and version on standard output, a usage error
// on standard error) and gives the exit status: 0, or 2 for a usage error.
int answer_command_line(const CommandLine& line, const std::vector<std::string>& games);

} // namespace glimmer::host
