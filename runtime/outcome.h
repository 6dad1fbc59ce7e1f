#pragma once

#include <QString>

namespace glimmer {

// What a game's action came to: done, or refused with the reason for whoever asked (a
// window, a command, a control request). Quiet refusals are those a window passes over
// without a word, such as an empty amount; the others it shows to the host.
struct Outcome {
    QString refusal; // empty when done
    bool quiet = false;

    bool done() const { return refusal.isEmpty(); }
    static Outcome ok() { return {}; }
    static Outcome refused(const QString& reason, bool quiet = false) { return {reason, quiet}; }
};

} // namespace glimmer
