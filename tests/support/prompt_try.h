// Included into every Qt Test executable (glimmer_add_qtest) ahead of its own source.
//
// Qt 6.4's QTRY_* macros look at their condition once every 50 ms, and each look is a
// qWait(50) that runs its whole step even when the condition came true at its start. Over a
// suite of short waits for windows, threads and processes that adds up to seconds of sleep.
// The same macros here look every 2 ms; their timeouts stay guards against hangs only.
#pragma once

#include <QtTest/qtestcase.h>

// clang-format off
#undef QTRY_IMPL
#define QTRY_IMPL(expr, timeout) \
    const int qt_test_step = 2; \
    const int qt_test_timeoutValue = timeout; \
    { QTRY_LOOP_IMPL(expr, qt_test_timeoutValue, qt_test_step) } \
    QTRY_TIMEOUT_DEBUG_IMPL(expr, qt_test_timeoutValue, qt_test_step)
// clang-format on
