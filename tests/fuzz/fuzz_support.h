#pragma once

// What the fuzz targets share. Each target is one LLVMFuzzerTestOneInput: libFuzzer calls it
// in the fuzz build (make fuzz), and the replay driver calls it on every seed and regression
// input in the ordinary builds, so that they run as tests everywhere.

#include "runtime/game_module.h"

#include <QByteArray>
#include <QList>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace glimmer::fuzz {

inline QByteArray bytes(const std::uint8_t* data, std::size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

// Ends the run as a crash would, naming the broken expectation: libFuzzer keeps the input,
// and the replay test fails.
[[noreturn]] void fail(const char* expectation, const char* file, int line);

// The input cut at a separator into at most max pieces (the last one takes the rest).
QList<QByteArray> pieces(const QByteArray& input, char separator, qsizetype max);

// Two made-up games whose actions take one parameter of each kind, with the ranges the real
// games use: the readers of ctl's words, of hotkey lines and of control bodies are made from
// the tables alone, so these reach every path without linking the games' windows.
const GameModules& made_up_games();

} // namespace glimmer::fuzz

#define FUZZ_EXPECT(condition)                                                                     \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            ::glimmer::fuzz::fail(#condition, __FILE__, __LINE__);                                 \
        }                                                                                          \
    } while (false)
