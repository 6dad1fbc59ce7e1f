#include "hostcore/command_line.h"

#include "build_config.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace glimmer::host {

namespace {

// Decimal digits only, at most max_digits of them: no sign, no blanks, no other base.
std::optional<int> parse_digits(const std::string& text, std::size_t max_digits) {
    if (text.empty() || text.size() > max_digits) {
        return std::nullopt;
    }
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

// 0 to 65535.
std::optional<int> parse_port(const std::string& text) {
    const std::optional<int> value = parse_digits(text, 5);
    return value && *value <= 65535 ? value : std::nullopt;
}

// What the user typed, as an error line echoes it: long values are cut (never inside a UTF-8
// sequence), so a pasted screenful still gives one short line.
std::string shown(const std::string& text) {
    constexpr std::size_t longest = 40;
    if (text.size() <= longest) {
        return text;
    }
    std::size_t cut = longest;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) {
        --cut;
    }
    return text.substr(0, cut) + "\u2026";
}

CommandLine usage_error(std::string error) {
    CommandLine line;
    line.action = CommandLine::Action::usage_error;
    line.error = std::move(error);
    return line;
}

std::string json_string(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (byte < 0x20) {
            constexpr char hex[] = "0123456789abcdef";
            quoted += "\\u00";
            quoted += hex[byte >> 4];
            quoted += hex[byte & 0xF];
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

bool is_number_argument(const std::string& name) {
    return name == "player" || name == "n" || name == "box";
}

// A whole number of at most six digits: players, presets and boxes are all small.
std::optional<int> parse_small_number(const std::string& text) {
    return parse_digits(text, 6);
}

CommandLine control_usage_error(std::string error) {
    CommandLine line = usage_error(std::move(error));
    line.about_control = true;
    return line;
}

// Whether text is whole UTF-8: the running program takes nothing else.
bool is_utf8_text(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80           ? 1
                                   : (lead >> 5) == 0x6  ? 2
                                   : (lead >> 4) == 0xE  ? 3
                                   : (lead >> 3) == 0x1E ? 4
                                                         : 0;
        if (length == 0 || i + length > text.size()) {
            return false;
        }
        std::uint32_t code = length == 1 ? lead : lead & (0x3F >> (length - 1));
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            code = (code << 6) | (next & 0x3F);
        }
        // No overlong forms, no surrogates, nothing past U+10FFFF.
        static constexpr std::uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < smallest[length] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) {
            return false;
        }
        i += length;
    }
    return true;
}

// The words after "ctl": a command of the table and exactly its arguments.
CommandLine parse_control(const std::vector<std::string>& words) {
    CommandLine line;
    for (const std::string& word : words) {
        if (!is_utf8_text(word)) {
            return control_usage_error("an argument is not UTF-8 text; the program reads UTF-8 "
                                       "only (参数不是有效的 UTF-8 文字)");
        }
    }
    if (!words.empty() && (words[0] == "--help" || words[0] == "-h")) {
        line.action = CommandLine::Action::control_help;
        return line;
    }
    if (words.empty()) {
        return control_usage_error("ctl needs a command");
    }
    for (const ControlCommand& command : control_commands()) {
        std::size_t used = 0;
        if (!command.game.empty()) {
            if (words[0] != command.game) {
                continue;
            }
            used = 1;
        }
        if (words.size() <= used || words[used] != command.action) {
            continue;
        }
        ++used;
        const std::string name =
            command.game.empty() ? command.action : command.game + " " + command.action;
        if (words.size() - used != command.arguments.size()) {
            return control_usage_error("'" + name + "' takes " +
                                       std::to_string(command.arguments.size()) +
                                       " argument(s); see 'glimmerhall ctl --help'");
        }
        std::string request = "{";
        if (!command.game.empty()) {
            request += "\"game\":" + json_string(command.game) + ",";
        }
        request += "\"action\":" + json_string(command.action);
        for (std::size_t i = 0; i < command.arguments.size(); ++i) {
            const std::string& argument = command.arguments[i];
            const std::string& value = words[used + i];
            request += "," + json_string(argument) + ":";
            if (is_number_argument(argument)) {
                const std::optional<int> number = parse_small_number(value);
                if (!number || (argument == "player" && *number != 1 && *number != 2) ||
                    *number == 0) {
                    return control_usage_error("invalid " + argument + " '" + shown(value) +
                                               "' for '" + name + "'");
                }
                request += std::to_string(*number);
            } else {
                request += json_string(value);
            }
        }
        request += "}";
        if (request.size() > longest_control_request) {
            return control_usage_error("'" + name + "' is too long: a request takes at most " +
                                       std::to_string(longest_control_request) +
                                       " bytes (命令太长)");
        }
        line.action = CommandLine::Action::control;
        line.control_request = request;
        return line;
    }
    return control_usage_error("unknown ctl command '" + shown(words[0]) +
                               (words.size() > 1 ? " " + shown(words[1]) : std::string()) +
                               "'; see 'glimmerhall ctl --help'");
}

} // namespace

CommandLine parse_command_line(const std::vector<std::string>& arguments) {
    CommandLine line;
    const std::string port_option = "--overlay-port";
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            line.action = CommandLine::Action::help;
            return line;
        }
        if (argument == "--version") {
            line.action = CommandLine::Action::version;
            return line;
        }
        std::optional<std::string> value;
        if (argument == port_option) {
            if (i + 1 == arguments.size()) {
                return usage_error("option '--overlay-port' needs a port number");
            }
            value = arguments[++i];
        } else if (argument.compare(0, port_option.size() + 1, port_option + "=") == 0) {
            value = argument.substr(port_option.size() + 1);
        }
        if (value) {
            line.overlay_port = parse_port(*value);
            if (!line.overlay_port) {
                return usage_error("invalid overlay port '" + shown(*value) +
                                   "': give a whole number from 0 to 65535");
            }
            continue;
        }
        if (argument == "--new-instance") {
            line.new_instance = true;
            continue;
        }
        if (argument == "ctl") {
            return parse_control(
                {arguments.begin() + static_cast<std::ptrdiff_t>(i) + 1, arguments.end()});
        }
        if (argument == "verify") {
            line.action = CommandLine::Action::verify;
            line.verify_words.assign(arguments.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                                     arguments.end());
            return line;
        }
        if (argument.size() > 1 && argument[0] == '-') {
            return usage_error("unrecognised option '" + shown(argument) + "'");
        }
        return usage_error("unexpected argument '" + shown(argument) + "'");
    }
    return line;
}

std::string version_text() {
    return std::string("glimmerhall ") + build::program_version + "\n";
}

std::string usage_text() {
    return "Usage: glimmerhall [--overlay-port N] [--new-instance]\n"
           "       glimmerhall ctl COMMAND [ARGUMENTS]\n"
           "       glimmerhall verify dice|minebox SEED [PHRASE] --round N ...\n"
           "       glimmerhall --help | --version | ctl --help | verify --help\n";
}

const std::vector<ControlCommand>& control_commands() {
    static const std::vector<ControlCommand> commands{
        {"", "open", {"game"}, "open a game's window (tally, dice, minebox), or raise it"},
        {"", "state", {}, "print the games' state, the JSON of GET /api/state"},
        {"", "raise", {}, "bring the catalogue to the front"},
        {"tally", "add", {"player", "amount"}, "add the amount to player 1 or 2"},
        {"tally", "preset", {"player", "n"}, "add the player's n-th preset amount (from 1)"},
        {"tally", "select", {"player"}, "select player 1 or 2 for typed amounts"},
        {"tally", "switch", {}, "select the other player"},
        {"tally", "undo", {}, "take back the last addition"},
        {"tally", "redo", {}, "add the last addition taken back again"},
        {"dice", "step", {}, "the next step of the turn, as Space does"},
        {"dice", "prompt", {}, "open the count frame from the start prompt"},
        {"dice", "count", {"count"}, "set the number of throws"},
        {"dice", "start", {}, "start shaking"},
        {"dice", "throw", {}, "make one throw of the shaking"},
        {"dice", "reveal", {}, "reveal the dice once the throws are done"},
        {"dice", "phrase", {"text"}, "mix the chat's phrase into the next turn's draws"},
        {"minebox", "counts", {"boxes", "mines"}, "set the numbers of boxes and mines"},
        {"minebox", "bury", {}, "build the board and bury the mines"},
        {"minebox", "dig", {"box"}, "open the box with that number (from 1)"},
        {"minebox", "credit", {"player"}, "credit the opened box to player 1 or 2"},
        {"minebox", "phrase", {"text"}, "mix the chat's phrase into the burial's draws"},
    };
    return commands;
}

std::string control_usage_text() {
    return "Usage: glimmerhall ctl COMMAND [ARGUMENTS]  (glimmerhall ctl --help lists them)\n";
}

std::string control_help_text() {
    std::string text =
        "Usage: glimmerhall ctl COMMAND [ARGUMENTS]\n"
        "\n"
        "Sends one command to the program running in this user's session and prints its\n"
        "answer. Commands act as the game windows' own buttons and keys do.\n"
        "\n"
        "Commands:\n";
    for (const ControlCommand& command : control_commands()) {
        std::string words =
            command.game.empty() ? command.action : command.game + " " + command.action;
        for (const std::string& argument : command.arguments) {
            words += " " + std::string(argument == "player" ? "1|2" : argument);
        }
        words.resize(std::max<std::size_t>(words.size() + 2, 26), ' ');
        text += "  " + words + command.help + "\n";
    }
    text += "\n"
            "Exit status: 0 done; 1 refused (the reason on standard error: the game is not\n"
            "open, the action is not allowed now, a message box is open); 2 usage error;\n"
            "3 no program running.\n";
    return text;
}

std::string help_text(const CommandLine& line, const std::vector<std::string>& games) {
    const int port = line.overlay_port.value_or(default_overlay_port);
    std::string text = usage_text();
    text += "\n"
            "Party games for hosts of live video streams: a PK tally scoreboard, a dice game\n"
            "and a mine-box game, opened from one catalogue window.\n"
            "\n"
            "Options:\n"
            "  --overlay-port N  serve the live overlays on 127.0.0.1, port N (0 to 65535);\n"
            "                    default " +
            std::to_string(default_overlay_port) +
            ", 0 turns the live overlays off. Also settable as\n"
            "                    'port' in section [overlay] of\n"
            "                    ${XDG_CONFIG_HOME:-~/.config}/glimmerhall/settings.ini\n"
            "  --new-instance    start another copy even when one is running; it takes no\n"
            "                    ctl commands (without it, a second start raises the first)\n"
            "  -h, --help        show this help and exit\n"
            "  --version         show the version and exit\n"
            "\n"
            "Commands to the running program: glimmerhall ctl --help\n"
            "Checking a revealed dice turn or mine burial from its published seed, phrase and\n"
            "outcome (no running program needed): glimmerhall verify --help\n"
            "\n";
    if (port == 0) {
        text += "Live overlays: off.\n";
    } else {
        const std::string base = "http://127.0.0.1:" + std::to_string(port) + "/overlay/";
        text += "Live overlays, as browser sources for streaming software:\n";
        for (const std::string& game : games) {
            text += "  " + base + game + "\n";
        }
    }
    return text;
}

int answer_command_line(const CommandLine& line, const std::vector<std::string>& games) {
    switch (line.action) {
    case CommandLine::Action::run:
        return 0;
    case CommandLine::Action::help:
        std::fputs(help_text(line, games).c_str(), stdout);
        break;
    case CommandLine::Action::version:
        std::fputs(version_text().c_str(), stdout);
        break;
    case CommandLine::Action::control_help:
        std::fputs(control_help_text().c_str(), stdout);
        break;
    case CommandLine::Action::usage_error:
        std::fprintf(stderr, "glimmerhall: %s\n%s", line.error.c_str(),
                     line.about_control ? control_usage_text().c_str() : usage_text().c_str());
        std::fflush(stderr);
        return 2;
    case CommandLine::Action::control:
        // Sent by the host, which knows the socket; nothing to answer here.
        return 0;
    case CommandLine::Action::verify:
        // Checked by the host, which has the games' rules.
        return 0;
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}

} // namespace glimmer::host
