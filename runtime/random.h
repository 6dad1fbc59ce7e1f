#pragma once

namespace glimmer {

// A source of draws. Rules that draw take one as a parameter, so tests can hand them a
// scripted source and replay exact draws, while the program's games draw from a committed
// source (committed_random.h) of their own.
class RandomSource {
public:
    virtual ~RandomSource() = default;
    // A fresh seed for the next draw, for a source that has one to take; a committed
    // source's stream is fixed by its seed, and this does nothing there.
    virtual void seed_random() = 0;
    // Uniform in [low, high], both bounds included. low > high swaps them.
    virtual int random_int(int low, int high) = 0;
};

} // namespace glimmer
