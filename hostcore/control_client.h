#pragma once

#include <string>

namespace glimmer::host {

// Exit statuses of "glimmerhall ctl".
inline constexpr int control_done = 0;
inline constexpr int control_refused = 1;
inline constexpr int control_usage = 2;
inline constexpr int control_no_program = 3;

// Sends one request to the program running in this user's session, prints its answer (the
// output on standard output, a refusal on standard error) and gives the exit status.
int send_control_request(const std::string& request);

// Asks a running program to bring its catalogue to the front; false when none answers.
bool raise_running_program();

} // namespace glimmer::host
