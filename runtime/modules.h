#pragma once

#include <QFunctionPointer>
#include <QObject>
#include <QString>

namespace glimmer {

// Heavy parts of Qt (the network stack) live in modules that are loaded the first time they
// are needed, so that the catalogue is on screen before any of them is mapped into the
// process; the heaviest (the web engine) lives in a helper executable of its own. A module is
// found beside the executable, beside the library the runtime is linked into (the launcher may
// have loaded it from an install folder), or in the build tree for programs that run from
// there (tests, benchmarks).
//
// Returns the symbol of the module, or null when the module or symbol cannot be had.
// Thread-safe; a loaded module stays loaded.
QFunctionPointer module_symbol(const char* module, const char* symbol);

// The object a module's factory makes (extern "C" QObject* symbol(QObject* parent)), as the
// interface it implements; null, with nothing left behind, when the module, the symbol or
// the interface cannot be had.
template <typename Interface>
Interface* module_object(const char* module, const char* symbol, QObject* parent) {
    using Create = QObject* (*)(QObject*);
    const auto create = reinterpret_cast<Create>(module_symbol(module, symbol));
    QObject* made = create != nullptr ? create(parent) : nullptr;
    auto* object = qobject_cast<Interface*>(made);
    if (object == nullptr) {
        delete made;
    }
    return object;
}

// The path of a helper executable, looked for in the same folders as the modules; empty
// when there is none.
QString helper_program(const char* name);

} // namespace glimmer
