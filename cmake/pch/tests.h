// Precompiled for every Qt Test program: the libraries' set, Qt Test, and the QTRY_* that look
// every 2 ms (tests/support/prompt_try.h), which every test program is built with.
#pragma once

#include "widgets.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "../../tests/support/prompt_try.h"
