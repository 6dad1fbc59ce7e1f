#pragma once

#include "hostcore/command_line.h"
#include "runtime/game_module.h"

#include <string>
#include <vector>

class QObject;

namespace glimmer::host {

// Sets Qt up as the program needs it, runs the start-up sequence and the message loop, then
// ends the program. A filter, when given, sees every event of the application first (the
// start-up benchmark's probe uses it). The command line's settings go into the host settings.
// The games' ids, in order, for the help text.
std::vector<std::string> game_ids(const GameModules& games);

// start_lock, when not -1, is closed once the control socket is served (see take_start_lock).
void run_program(QObject* application_filter = nullptr, const CommandLine& line = {},
                 int start_lock = -1);

} // namespace glimmer::host
