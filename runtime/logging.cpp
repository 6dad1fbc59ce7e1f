#include "logging.h"

Q_LOGGING_CATEGORY(log_journal, "glimmer.journal", QtWarningMsg)
Q_LOGGING_CATEGORY(log_overlay, "glimmer.overlay", QtWarningMsg)
Q_LOGGING_CATEGORY(log_net, "glimmer.net", QtWarningMsg)
Q_LOGGING_CATEGORY(log_reader, "glimmer.reader", QtWarningMsg)
Q_LOGGING_CATEGORY(log_config, "glimmer.config", QtWarningMsg)
Q_LOGGING_CATEGORY(log_hotkeys, "glimmer.hotkeys", QtWarningMsg)
Q_LOGGING_CATEGORY(log_history, "glimmer.history", QtWarningMsg)
