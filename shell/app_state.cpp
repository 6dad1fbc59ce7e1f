#include "app_state.h"

#include "game_host.h"

#include "build_config.h"
#include "overlay_settings.h"
#include "runtime/files.h"
#include "runtime/network.h"

namespace glimmer {

void VersionState::publish(const QString& page_text, Result result) {
    std::lock_guard lock(mutex_);
    result_ = std::move(result);
    page_text_ = page_text;
    finished_ = true;
}

QString VersionState::page_text() const {
    std::lock_guard lock(mutex_);
    return page_text_;
}

bool VersionState::download_finished() const {
    std::lock_guard lock(mutex_);
    return finished_;
}

VersionState::Result VersionState::result() const {
    std::lock_guard lock(mutex_);
    return result_;
}

void FirstPaintGate::open() {
    {
        std::lock_guard lock(mutex_);
        opened_ = true;
    }
    opened_changed_.notify_all();
}

bool FirstPaintGate::wait_for(std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    return opened_changed_.wait_for(lock, limit, [this] { return opened_; });
}

HostSettings default_host_settings() {
    HostSettings settings;
    settings.site_url = QString::fromUtf8(build::site_url);
    settings.page_marker = QString::fromUtf8(build::page_marker);
    settings.program_folder = program_folder();
    settings.config_home = config_home(settings.program_folder);
    settings.is_online = [] { return glimmer::is_online(); };
    settings.settings_file = default_settings_file();
    return settings;
}

AppState::AppState(HostSettings settings, GameModules modules)
    : host(std::move(settings)),
      games(std::make_unique<GameHost>(std::move(modules),
                                       GameEnvironment{host.config_home, host.site_url})) {}

AppState::~AppState() = default;

} // namespace glimmer
