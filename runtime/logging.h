#pragma once

#include <QLoggingCategory>

// One category per subsystem. Failures the program handles quietly are logged once at
// warning level; nothing is printed in normal use. QT_LOGGING_RULES turns more on.
Q_DECLARE_LOGGING_CATEGORY(log_journal)
Q_DECLARE_LOGGING_CATEGORY(log_overlay)
Q_DECLARE_LOGGING_CATEGORY(log_net)
Q_DECLARE_LOGGING_CATEGORY(log_reader)
Q_DECLARE_LOGGING_CATEGORY(log_config)
Q_DECLARE_LOGGING_CATEGORY(log_history)
Q_DECLARE_LOGGING_CATEGORY(log_hotkeys)
Q_DECLARE_LOGGING_CATEGORY(log_startup)

namespace glimmer {

// With glimmer.startup.debug=true, prints each step of the start-up with the milliseconds
// since the first step: what each one costs before and after the catalogue's first paint.
void startup_step(const char* step);

} // namespace glimmer
