#include "random.h"

#include <atomic>
#include <chrono>
#include <utility>

namespace glimmer {

namespace {

// The clock alone can repeat when two reseeds fall in the same tick; a counter mixed in keeps
// back-to-back reseeds apart, and splitmix spreads neighbouring values over the whole state.
std::uint64_t splitmix64(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

std::atomic<std::uint64_t> reseed_counter{0};

} // namespace

ClockRandom::ClockRandom() { seed_random(); }

void ClockRandom::seed_random() {
    const auto now = std::chrono::high_resolution_clock::now().time_since_epoch();
    const auto ns = static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(now).count());
    const std::uint64_t count = reseed_counter.fetch_add(1, std::memory_order_relaxed);
    const std::uint64_t a = splitmix64(ns ^ splitmix64(count));
    const std::uint64_t b = splitmix64(a ^ count);
    std::seed_seq seq{static_cast<std::uint32_t>(a), static_cast<std::uint32_t>(a >> 32),
                      static_cast<std::uint32_t>(b), static_cast<std::uint32_t>(b >> 32)};
    engine_.seed(seq);
}

int ClockRandom::random_int(int low, int high) {
    if (low > high) {
        std::swap(low, high);
    }
    std::uniform_int_distribution<int> pick(low, high);
    return pick(engine_);
}

RandomSource& program_random() {
    static ClockRandom source;
    return source;
}

} // namespace glimmer
