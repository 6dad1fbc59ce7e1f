#include "logging.h"

#include <QElapsedTimer>

Q_LOGGING_CATEGORY(log_journal, "glimmer.journal", QtWarningMsg)
Q_LOGGING_CATEGORY(log_overlay, "glimmer.overlay", QtWarningMsg)
Q_LOGGING_CATEGORY(log_net, "glimmer.net", QtWarningMsg)
Q_LOGGING_CATEGORY(log_reader, "glimmer.reader", QtWarningMsg)
Q_LOGGING_CATEGORY(log_config, "glimmer.config", QtWarningMsg)
Q_LOGGING_CATEGORY(log_hotkeys, "glimmer.hotkeys", QtWarningMsg)
Q_LOGGING_CATEGORY(log_history, "glimmer.history", QtWarningMsg)
Q_LOGGING_CATEGORY(log_startup, "glimmer.startup", QtInfoMsg)

namespace glimmer {

void startup_step(const char* step) {
    if (!log_startup().isDebugEnabled()) {
        return;
    }
    static QElapsedTimer clock;
    if (!clock.isValid()) {
        clock.start();
    }
    qCDebug(log_startup, "%7.2f ms  %s", static_cast<double>(clock.nsecsElapsed()) / 1e6, step);
}

} // namespace glimmer
