#pragma once

#include "runtime/game_module.h"

#include <string>
#include <vector>

namespace glimmer::host {

// Exit statuses of "glimmerhall ctl".
inline constexpr int control_done = 0;
inline constexpr int control_refused = 1;
inline constexpr int control_usage = 2;
inline constexpr int control_no_program = 3;

// Sends one request to the program running in this user's session, prints its answer (the
// output on standard output, a refusal on standard error) and gives the exit status.
int send_control_request(const std::string& request);

// "glimmerhall ctl" with these words: the help, a usage error, or the request sent; the exit
// status.
int run_control_words(const std::vector<std::string>& words, const GameModules& games);

// Held from the look for a running program until this one serves the control socket, so that
// two starts at once (a double-click on the menu entry) end with one program; the descriptor
// to close then, or -1. Waits a few seconds at most for a start under way.
int take_start_lock();

// Asks a running program to bring its catalogue to the front; false when none answers.
bool raise_running_program();

} // namespace glimmer::host
