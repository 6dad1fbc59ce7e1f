#pragma once

#include "runtime/random.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <random>

namespace glimmer::testing {

// Hands out the draws a test lays down, in order, and logs every call so a test can see that
// a reseed came before each draw. When the script runs out it repeats its last draw; an
// empty script draws the low bound.
class ScriptedRandom final : public RandomSource {
public:
    explicit ScriptedRandom(QList<int> draws = {}) : draws_(std::move(draws)) {}

    void seed_random() override { log.append(QStringLiteral("seed")); }

    int random_int(int low, int high) override {
        log.append(QStringLiteral("draw %1..%2").arg(low).arg(high));
        if (draws_.isEmpty()) {
            return low;
        }
        const int value = draws_.at(std::min(next_, draws_.size() - 1));
        ++next_;
        return value;
    }

    QStringList log;

private:
    QList<int> draws_;
    qsizetype next_ = 0;
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
