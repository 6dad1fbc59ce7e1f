#pragma once

#include <QByteArray>
#include <QString>

namespace glimmer {

// The bearer token the control API asks of every request: 128 bits from the system's secure
// random source, as 32 hex digits, kept as [control] token in the settings file (mode 0600).

// The file's token; a new one, stored, when it has none that is well formed.
QByteArray control_token(const QString& settings_file);
// A fresh token in place of the old one. Stored when the file can be written; the program
// uses it either way, and error (when given) says why it could not be kept.
QByteArray renew_control_token(const QString& settings_file, QString* error = nullptr);

} // namespace glimmer
