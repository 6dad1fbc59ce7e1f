#include "processes.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

#include <dirent.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

namespace glimmer {

namespace {

struct ProcessStat {
    pid_t parent = 0;
    long long rss_pages = 0;
    long long cpu_ticks = 0;
};

// Fields of /proc/<pid>/stat after the command name, which may itself hold blanks and
// parentheses and so ends at the last ')'.
bool read_stat(pid_t pid, ProcessStat& stat) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/stat", static_cast<int>(pid));
    FILE* file = std::fopen(path, "re");
    if (file == nullptr) {
        return false;
    }
    char line[1024];
    const size_t length = std::fread(line, 1, sizeof line - 1, file);
    std::fclose(file);
    line[length] = '\0';
    const char* rest = std::strrchr(line, ')');
    if (rest == nullptr) {
        return false;
    }
    // state ppid pgrp session tty tpgid flags minflt cminflt majflt cmajflt utime stime cutime
    // cstime priority nice threads itrealvalue starttime vsize rss
    char state = 0;
    int parent = 0;
    unsigned long long utime = 0, stime = 0;
    long long cutime = 0, cstime = 0, rss = 0;
    const int read = std::sscanf(rest + 1,
                                 " %c %d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu %lld %lld "
                                 "%*d %*d %*d %*d %*u %*u %lld",
                                 &state, &parent, &utime, &stime, &cutime, &cstime, &rss);
    if (read != 7) {
        return false;
    }
    stat.parent = parent;
    stat.rss_pages = rss;
    stat.cpu_ticks = static_cast<long long>(utime + stime) + cutime + cstime;
    return true;
}

std::map<pid_t, ProcessStat> all_processes() {
    std::map<pid_t, ProcessStat> processes;
    DIR* proc = opendir("/proc");
    if (proc == nullptr) {
        return processes;
    }
    while (const dirent* entry = readdir(proc)) {
        char* end = nullptr;
        const long pid = std::strtol(entry->d_name, &end, 10);
        if (pid <= 0 || *end != '\0') {
            continue;
        }
        ProcessStat stat;
        if (read_stat(static_cast<pid_t>(pid), stat)) {
            processes.emplace(static_cast<pid_t>(pid), stat);
        }
    }
    closedir(proc);
    return processes;
}

std::vector<pid_t>& helper_groups() {
    static std::vector<pid_t> groups;
    return groups;
}

} // namespace

ProcessTreeUsage process_tree_usage(pid_t root) {
    ProcessTreeUsage usage;
    const std::map<pid_t, ProcessStat> processes = all_processes();
    if (root <= 0 || !processes.contains(root)) {
        return usage;
    }
    usage.pids.push_back(root);
    // Breadth first: every process whose parent is already in the tree joins it.
    for (size_t i = 0; i < usage.pids.size(); ++i) {
        for (const auto& [pid, stat] : processes) {
            if (stat.parent == usage.pids[i]) {
                usage.pids.push_back(pid);
            }
        }
    }
    long long pages = 0;
    long long ticks = 0;
    for (const pid_t pid : usage.pids) {
        pages += processes.at(pid).rss_pages;
        ticks += processes.at(pid).cpu_ticks;
    }
    usage.rss_bytes = pages * sysconf(_SC_PAGESIZE);
    usage.cpu = std::chrono::milliseconds(ticks * 1000 / sysconf(_SC_CLK_TCK));
    return usage;
}

void kill_processes(const std::vector<pid_t>& pids) {
    for (const pid_t pid : pids) {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
        }
    }
}

void track_helper_group(pid_t group) {
    if (group > 0) {
        helper_groups().push_back(group);
    }
}

void untrack_helper_group(pid_t group) {
    std::erase(helper_groups(), group);
}

void kill_helper_groups() {
    for (const pid_t group : helper_groups()) {
        // Whatever left the group still counts as the helper's as long as it descends from it.
        kill_processes(process_tree_usage(group).pids);
        ::kill(-group, SIGKILL);
    }
    helper_groups().clear();
}

namespace {

std::vector<std::function<void()>>& end_steps() {
    static std::vector<std::function<void()>> steps;
    return steps;
}

} // namespace

void add_end_step(std::function<void()> step) {
    end_steps().push_back(std::move(step));
}

void run_end_steps() {
    // A copy: a step may add another.
    const std::vector<std::function<void()>> steps = end_steps();
    for (const std::function<void()>& step : steps) {
        step();
    }
}

void raise_file_limit() {
    struct rlimit limit {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        (void)::setrlimit(RLIMIT_NOFILE, &limit);
    }
}

} // namespace glimmer
