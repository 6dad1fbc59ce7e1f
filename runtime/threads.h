#pragma once

#include <QString>

#include <functional>

namespace glimmer {

// Runs the routine on a new detached thread; nobody waits for it, and ending the program
// abandons it.
void start_thread(std::function<void()> routine);

} // namespace glimmer
