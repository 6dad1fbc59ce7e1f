#include "threads.h"

#include <thread>

namespace glimmer {

void start_thread(std::function<void()> routine) {
    std::thread(std::move(routine)).detach();
}

} // namespace glimmer
