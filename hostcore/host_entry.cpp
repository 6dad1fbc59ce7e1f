// The host runtime library's one export: hands the launcher the routine that runs the
// program's start-up sequence and message loop.

#include "hostcore/host_entry.h"
#include "hostcore/command_line.h"
#include "hostcore/control_client.h"
#include "hostcore/draw_verify.h"
#include "hostcore/program_run.h"
#include "runtime/logging.h"
#include "runtime/translation.h"
#include "shell/app_state.h"
#include "shell/overlay_settings.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void enter_program(const glimmer::host::ProgramImage* image) {
    if (!glimmer::host::program_image_valid(image)) {
        // A launcher of another layout: starting from a record we cannot read would be worse
        // than not starting at all, and a silent return would look like a normal end.
        std::fputs("hostcore: the program image is not one this runtime can start\n", stderr);
        std::fflush(stderr);
        std::_Exit(255);
    }
    glimmer::startup_step("runtime entered");
    // The host's language for everything the program says outside its designed windows.
    glimmer::load_program_translation();
    // Help, version and usage errors are answered before Qt is set up, so they need no
    // display.
    const std::vector<std::string> arguments(image->argv + (image->argc > 0 ? 1 : 0),
                                             image->argv + image->argc);
    glimmer::host::CommandLine line = glimmer::host::parse_command_line(arguments);
    if (line.action == glimmer::host::CommandLine::Action::help && !line.overlay_port) {
        // The help names the addresses the program would serve, the settings file's port
        // included; reading that file needs no display either.
        line.overlay_port = glimmer::overlay_port(glimmer::default_host_settings());
    }
    if (line.action == glimmer::host::CommandLine::Action::control) {
        // A client only: no Qt application, no display. Its commands are the games' actions.
        std::exit(glimmer::host::run_control_words(line.words, glimmer::built_in_games()));
    }
    if (line.action == glimmer::host::CommandLine::Action::verify) {
        // Plain computation: no Qt application, no display.
        std::exit(glimmer::host::run_verify(line.words, glimmer::built_in_games()));
    }
    if (line.action != glimmer::host::CommandLine::Action::run) {
        std::exit(glimmer::host::answer_command_line(
            line, glimmer::host::game_ids(glimmer::built_in_games())));
    }
    // One program per session: a second start shows the first one's catalogue instead.
    int start_lock = -1;
    if (!line.new_instance) {
        start_lock = glimmer::host::take_start_lock();
        glimmer::startup_step("start lock taken");
        if (glimmer::host::raise_running_program()) {
            std::exit(0);
        }
        glimmer::startup_step("no program running: this one starts");
    }
    glimmer::host::run_program(nullptr, line, start_lock);
}

} // namespace

extern "C" __attribute__((visibility("default"))) glimmer::host::HostEntry
GetHostEntry(int request) {
    return request == glimmer::host::host_entry_request ? &enter_program : nullptr;
}
