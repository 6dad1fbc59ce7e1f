#pragma once

#include "build_config.h"
#include "runtime/game_module.h"

#include <QString>
#include <QStringList>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace glimmer {

// What the version check learns from the maker's page. The worker thread fills the fields
// and publishes the page text last, under the mutex the main thread's poll also takes; the
// main thread reads the other fields only after it has seen a non-empty page text.
class VersionState {
public:
    struct Result {
        QStringList pieces;
        QString latest_version;
        QString update_notes;
        QString download_url;
    };

    const QString program_version = QString::fromUtf8(build::program_version);

    // Worker side: called once, after the download, whatever it gave.
    void publish(const QString& page_text, Result result);

    // Main-thread side. Empty until a download with content has been published.
    QString page_text() const;
    // Whether the worker has published, a download that gave no page included.
    bool download_finished() const;
    // Only meaningful once page_text() is non-empty.
    Result result() const;

private:
    mutable std::mutex mutex_;
    QString page_text_;
    Result result_;
    bool finished_ = false;
};

// Opens once the catalogue has been painted. Work that would compete with the first paint
// for the processor or the dynamic loader (the network stack above all) waits for it.
class FirstPaintGate {
public:
    void open();
    // True once open; false when the wait timed out first.
    bool wait_for(std::chrono::milliseconds limit);

private:
    std::mutex mutex_;
    std::condition_variable opened_changed_;
    bool opened_ = false;
};

// Where the program finds the outside world. The program uses the defaults; tests build a
// state that points at their own server and folders instead.
struct HostSettings {
    QString site_url;       // scheme and host, no path
    QString page_marker;    // the version page's marker
    QString program_folder; // the running program's own folder
    QString config_home;    // the folder the configuration folder lives under
    std::function<int()> is_online;
    // The overlay server's port as given on the command line (0 turns overlays off); empty
    // when the command line says nothing, so the settings file or the default decides.
    std::optional<int> overlay_port;
    // The host's settings file, ${XDG_CONFIG_HOME:-~/.config}/glimmerhall/settings.ini.
    QString settings_file;
    // How often the start-up window looks for the version page the worker published.
    std::chrono::milliseconds version_poll_interval{500};
};

HostSettings default_host_settings();

class GameHost;

// The games the program was built with, in the catalogue's order; generated from the games'
// folders (see games/CMakeLists.txt).
GameModules built_in_games();

// The program-wide state: one per process, created before the first window and released
// when the program ends. Each game keeps its own part in its module, so a game window that is
// closed and reopened finds whatever its opening does not reset.
struct AppState {
    explicit AppState(HostSettings settings = default_host_settings(),
                      GameModules modules = built_in_games());
    ~AppState();

    HostSettings host;
    // Shared with the version-check worker, which may outlive a window or a test's state.
    std::shared_ptr<VersionState> version = std::make_shared<VersionState>();
    std::shared_ptr<FirstPaintGate> first_paint = std::make_shared<FirstPaintGate>();
    // The games, their sessions and windows.
    std::unique_ptr<GameHost> games;
};

} // namespace glimmer
