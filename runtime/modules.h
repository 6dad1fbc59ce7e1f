#pragma once

#include <QFunctionPointer>

namespace glimmer {

// Heavy parts of Qt (the network stack, the web engine) live in modules that are loaded the
// first time they are needed, so that the catalogue is on screen before any of them is
// mapped into the process. A module is found beside the executable, beside the library the
// runtime is linked into (the launcher may have loaded it from an install folder), or in the
// build tree for programs that run from there (tests, benchmarks).
//
// Returns the symbol of the module, or null when the module or symbol cannot be had.
// Thread-safe; a loaded module stays loaded.
QFunctionPointer module_symbol(const char* module, const char* symbol);

} // namespace glimmer
