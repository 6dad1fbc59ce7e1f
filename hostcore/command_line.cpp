#include "hostcore/command_line.h"

#include "build_config.h"
#include "runtime/outside_numbers.h"
#include "runtime/translation.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace glimmer::host {

namespace {

// 0 to 65535, in plain digits: no sign, no blanks, no other base.
std::optional<int> parse_port(const std::string& text) {
    const std::optional<long long> port = read_whole(text, 0, 65535);
    return port ? std::optional<int>(static_cast<int>(*port)) : std::nullopt;
}

CommandLine usage_error(const QString& error) {
    CommandLine line;
    line.action = CommandLine::Action::usage_error;
    line.error = error.toStdString();
    return line;
}

QString shown(const std::string& text) {
    return QString::fromStdString(shown_argument(text));
}

} // namespace

std::string shown_argument(const std::string& text) {
    constexpr std::size_t longest = 40;
    std::string shown;
    std::size_t cut = text.size();
    if (cut > longest) {
        cut = longest;
        while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) {
            --cut;
        }
    }
    for (std::size_t i = 0; i < cut; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        shown += byte < 0x20 || byte == 0x7F ? '?' : text[i];
    }
    return cut < text.size() ? shown + "\u2026" : shown;
}

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
                return usage_error(
                    translated("command line", "option '--overlay-port' needs a port number"));
            }
            value = arguments[++i];
        } else if (argument.compare(0, port_option.size() + 1, port_option + "=") == 0) {
            value = argument.substr(port_option.size() + 1);
        }
        if (value) {
            line.overlay_port = parse_port(*value);
            if (!line.overlay_port) {
                return usage_error(
                    translated("command line",
                               "invalid overlay port '%1': give a whole number from 0 to 65535")
                        .arg(shown(*value)));
            }
            continue;
        }
        if (argument == "--new-instance") {
            line.new_instance = true;
            continue;
        }
        if (argument == "ctl" || argument == "verify") {
            line.action =
                argument == "ctl" ? CommandLine::Action::control : CommandLine::Action::verify;
            line.words.assign(arguments.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                              arguments.end());
            return line;
        }
        if (argument.size() > 1 && argument[0] == '-') {
            return usage_error(
                translated("command line", "unrecognised option '%1'").arg(shown(argument)));
        }
        return usage_error(
            translated("command line", "unexpected argument '%1'").arg(shown(argument)));
    }
    return line;
}

std::string version_text() {
    return std::string("glimmerhall ") + build::program_version + "\n";
}

std::string usage_text() {
    return translated("command line", "Usage: glimmerhall [--overlay-port N] [--new-instance]\n"
                                      "       glimmerhall ctl COMMAND [ARGUMENTS]\n"
                                      "       glimmerhall verify GAME SEED [PHRASE] --round N ...\n"
                                      "       glimmerhall --help | --version | ctl --help | "
                                      "verify --help\n")
        .toStdString();
}

std::string help_text(const CommandLine& line, const std::vector<std::string>& games) {
    const int port = line.overlay_port.value_or(default_overlay_port);
    std::string text = usage_text();
    text += translated(
                "command line",
                "\n"
                "Party games for hosts of live video streams, played between two players and\n"
                "opened from one catalogue window.\n"
                "\n"
                "Options:\n"
                "  --overlay-port N  serve the live overlays on 127.0.0.1, port N (0 to 65535);\n"
                "                    default %1, 0 turns the live overlays off. Also settable as\n"
                "                    'port' in section [overlay] of\n"
                "                    ${XDG_CONFIG_HOME:-~/.config}/glimmerhall/settings.ini\n"
                "  --new-instance    start another copy even when one is running; it takes no\n"
                "                    ctl commands (without it, a second start raises the first)\n"
                "  -h, --help        show this help and exit\n"
                "  --version         show the version and exit\n"
                "\n"
                "Commands to the running program: glimmerhall ctl --help\n"
                "Checking a game's revealed draw from its published seed, phrase and outcome\n"
                "(no running program needed): glimmerhall verify --help\n"
                "\n")
                .arg(default_overlay_port)
                .toStdString();
    if (port == 0) {
        text += translated("command line", "Live overlays: off.\n").toStdString();
    } else {
        const std::string base = "http://127.0.0.1:" + std::to_string(port) + "/overlay/";
        text += translated("command line",
                           "Live overlays, as browser sources for streaming software:\n")
                    .toStdString();
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
    case CommandLine::Action::usage_error:
        std::fprintf(stderr, "glimmerhall: %s\n%s", line.error.c_str(), usage_text().c_str());
        std::fflush(stderr);
        return 2;
    case CommandLine::Action::control:
    case CommandLine::Action::verify:
        // Read by the host, which has the games' tables and rules.
        return 0;
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}

} // namespace glimmer::host
