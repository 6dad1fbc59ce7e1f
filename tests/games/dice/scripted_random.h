#pragma once

#include "runtime/random.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <algorithm>

// Hands out the draws a test lays down, in order, and logs every call so a test can see that
// a reseed came before each draw. When the script runs out it repeats its last draw.
class ScriptedRandom final : public glimmer::RandomSource {
public:
    explicit ScriptedRandom(QList<int> draws = {1}) : draws_(std::move(draws)) {}

    void seed_random() override { calls.append(QStringLiteral("seed")); }

    int random_int(int low, int high) override {
        calls.append(QStringLiteral("draw %1..%2").arg(low).arg(high));
        const int value = draws_.isEmpty() ? low : draws_.at(std::min(next_, draws_.size() - 1));
        ++next_;
        return value;
    }

    QStringList calls;

private:
    QList<int> draws_;
    qsizetype next_ = 0;
};
