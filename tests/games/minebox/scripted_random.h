#pragma once

#include "runtime/random.h"

#include <QList>
#include <QStringList>

#include <random>

namespace glimmer::testing {

// Hands out the draws a test chose in advance (the low bound once they run out) and keeps
// a log of every call, so a test can check both what was drawn and when it reseeded.
class ScriptedRandom final : public RandomSource {
public:
    explicit ScriptedRandom(QList<int> draws = {}) : draws_(std::move(draws)) {}

    void seed_random() override { log.append(QStringLiteral("seed")); }

    int random_int(int low, int high) override {
        log.append(QStringLiteral("draw %1..%2").arg(low).arg(high));
        return draws_.isEmpty() ? low : draws_.takeFirst();
    }

    QStringList log;

private:
    QList<int> draws_;
};

// Uniform draws from a fixed seed, remembering each one so a reference can replay them.
class RecordingRandom final : public RandomSource {
public:
    explicit RecordingRandom(unsigned seed) : engine_(seed) {}

    void seed_random() override { ++reseeds; }

    int random_int(int low, int high) override {
        const int k = std::uniform_int_distribution<int>(low, high)(engine_);
        draws.append(k);
        return k;
    }

    QList<int> draws;
    int reseeds = 0;

private:
    std::mt19937 engine_;
};

} // namespace glimmer::testing
