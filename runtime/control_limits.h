#pragma once

// Bounds shared by both ends of the control socket. Plain C++: the command line reads them
// before Qt is set up.

#include <cstddef>

namespace glimmer {

// The longest request line the running program reads from its control socket; ctl refuses
// to send a longer one.
inline constexpr std::size_t longest_control_request = 4096;

} // namespace glimmer
