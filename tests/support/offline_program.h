#pragma once

// The program as a test starts it: its catalogue on settings of the test's own folder, with
// no site to reach (127.0.0.1:1), no overlay port taken and no window left behind. For tests
// that link glimmer_shell.

#include "games/tally/tally_keeper.h"
#include "runtime/windows.h"
#include "shell/app_state.h"
#include "shell/catalogue_window.h"
#include "shell/startup_window.h"

#include <QApplication>
#include <QPointer>
#include <QTest>

#include <memory>

namespace glimmer::testing {

inline HostSettings offline_settings(const QString& folder) {
    HostSettings settings = default_host_settings();
    settings.site_url = QStringLiteral("http://127.0.0.1:1");
    settings.program_folder = folder;
    settings.config_home = folder;
    settings.is_online = [] { return 0; };
    settings.overlay_port = 0; // the host's own overlay port stays free
    settings.settings_file = folder + QStringLiteral("/settings.ini");
    return settings;
}

class OfflineProgram {
public:
    // Starts it; catalogue() is null when it could not start.
    explicit OfflineProgram(const QString& folder) {
        set_end_program_handler([] {});
        state_ = std::make_unique<AppState>(offline_settings(folder));
        catalogue_ = start_program(*state_)->catalogue();
    }
    // Closed as the program closes it, so that a PK ends and leaves nothing to restore.
    ~OfflineProgram() {
        if (catalogue_) {
            catalogue_->close();
        }
        TallyKeeper::instance().wait_until_idle(std::chrono::seconds(10));
        for (QWidget* window : QApplication::topLevelWidgets()) {
            delete window;
        }
        set_end_program_handler({});
    }
    OfflineProgram(const OfflineProgram&) = delete;
    OfflineProgram& operator=(const OfflineProgram&) = delete;

    CatalogueWindow* catalogue() const { return catalogue_; }

private:
    std::unique_ptr<AppState> state_;
    QPointer<CatalogueWindow> catalogue_;
};

} // namespace glimmer::testing
