#include "random.h"

#include <atomic>
#include <chrono>
#include <utility>

namespace glimmer {

namespace {

std::uint64_t splitmix64(std::uint64_t& x) {
    std::uint64_t z = (x += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::uint64_t rotl(std::uint64_t x, int k) {
    return (x << k) | (x >> (64 - k));
}

// Two reseeds within one clock tick would otherwise start from the same state; the counter
// keeps them apart, and splitmix spreads neighbouring seeds over the whole state.
std::atomic<std::uint64_t> reseed_counter{0};

} // namespace

ClockRandom::ClockRandom() {
    seed_random();
}

void ClockRandom::seed_random() {
    const auto now = std::chrono::high_resolution_clock::now().time_since_epoch();
    const auto ns = static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(now).count());
    std::uint64_t count = reseed_counter.fetch_add(1, std::memory_order_relaxed);
    std::uint64_t seed = ns ^ splitmix64(count);
    for (std::uint64_t& word : state_) {
        word = splitmix64(seed);
    }
}

std::uint64_t ClockRandom::next() {
    const std::uint64_t result = rotl(state_[1] * 5, 7) * 9;
    const std::uint64_t t = state_[1] << 17;
    state_[2] ^= state_[0];
    state_[3] ^= state_[1];
    state_[1] ^= state_[2];
    state_[0] ^= state_[3];
    state_[2] ^= t;
    state_[3] = rotl(state_[3], 45);
    return result;
}

int ClockRandom::random_int(int low, int high) {
    if (low > high) {
        std::swap(low, high);
    }
    const std::uint64_t span =
        static_cast<std::uint64_t>(static_cast<std::int64_t>(high) - low) + 1;
    // Rejection keeps every value equally likely: draws at or above the largest multiple of
    // the span are thrown back.
    const std::uint64_t limit = UINT64_MAX - (UINT64_MAX % span);
    std::uint64_t draw = next();
    while (draw >= limit) {
        draw = next();
    }
    return static_cast<int>(static_cast<std::int64_t>(low) +
                            static_cast<std::int64_t>(draw % span));
}

RandomSource& program_random() {
    static ClockRandom source;
    return source;
}

} // namespace glimmer
