#pragma once

#include <chrono>
#include <functional>
#include <vector>

#include <sys/types.h>

namespace glimmer {

// What a process and everything it started cost right now, read from /proc.
struct ProcessTreeUsage {
    std::vector<pid_t> pids; // the root first, then its descendants; empty when the root is gone
    long long rss_bytes = 0; // resident memory, summed over the processes
    // User and system time of the processes, and of the children they have already reaped.
    std::chrono::milliseconds cpu{0};
};

ProcessTreeUsage process_tree_usage(pid_t root);

// SIGKILL to each of them; the ones already gone are skipped.
void kill_processes(const std::vector<pid_t>& pids);

// Process groups of helpers the program has started. end_program kills them before it goes,
// since it ends the process without running any destructor. Main thread only.
void track_helper_group(pid_t group);
void untrack_helper_group(pid_t group);
void kill_helper_groups();

// Work that must be done before the program goes (a PK going into the history): end_program
// runs each step, in the order added, before it ends the process. Main thread only.
void add_end_step(std::function<void()> step);
void run_end_steps();

// Raises the soft limit on open descriptors to the hard one: the overlay server sizes its
// connections to the soft limit, and the default 1024 is small for a server. At start-up,
// before any thread.
void raise_file_limit();

} // namespace glimmer
