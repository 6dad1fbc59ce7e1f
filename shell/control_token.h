#pragma once

#include <QByteArray>
#include <QString>

namespace glimmer {

// The bearer token the control API asks of every request: 128 bits from the system's secure
// random source, as 32 hex digits, kept as [control] token in the settings file (mode 0600).
struct ControlToken {
    QByteArray token; // empty: the control API refuses every request
    // What the host should know: why there is no token, or why it holds for this run alone.
    QString problem;
};

// The file's token; a new one, stored, when it has none that is well formed. A token is never
// taken from a file that others may read: the program makes the file its user's alone when it
// owns it, and otherwise refuses the token and says why.
ControlToken control_token(const QString& settings_file);
// A fresh token in place of the old one. Stored when the file can be written; the program
// uses it either way, and the problem then says why it could not be kept.
ControlToken renew_control_token(const QString& settings_file);

} // namespace glimmer
