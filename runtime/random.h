#pragma once

#include <array>
#include <cstdint>

namespace glimmer {

// A source of draws. Rules that draw take one as a parameter, so tests can hand them a
// scripted source and replay exact draws, while the program's games draw from a committed
// source (committed_random.h) of their own.
class RandomSource {
public:
    virtual ~RandomSource() = default;
    // A fresh seed for the next draw (the clock's, for ClockRandom); a committed source's
    // stream is fixed by its seed, and this does nothing there.
    virtual void seed_random() = 0;
    // Uniform in [low, high], both bounds included. low > high swaps them.
    virtual int random_int(int low, int high) = 0;
};

// xoshiro256** seeded through splitmix64. The games reseed before every single draw (the
// mine burial does so once per box), so a reseed has to cost nanoseconds, not the
// microseconds that filling a Mersenne Twister's state takes.
class ClockRandom final : public RandomSource {
public:
    ClockRandom();
    void seed_random() override;
    int random_int(int low, int high) override;

private:
    std::uint64_t next();
    std::array<std::uint64_t, 4> state_{};
};

// A clock-seeded source for draws nobody needs to check; the games no longer use it.
RandomSource& program_random();

} // namespace glimmer
