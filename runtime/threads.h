#pragma once

#include <QString>

#include <functional>

namespace glimmer {

// Runs the routine on a new detached thread; nobody waits for it, and ending the program
// abandons it.
void start_thread(std::function<void()> routine);

// Runs the work on a thread of its own and returns once it is done. Meanwhile the windows
// keep painting but take no input, and a box with the label shows if the wait is long
// enough to notice. For work that would otherwise freeze a window, such as reading a long
// file before the window can go on.
void run_beside_the_windows(const std::function<void()>& work, const QString& label);

} // namespace glimmer
