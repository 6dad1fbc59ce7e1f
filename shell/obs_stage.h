#pragma once

#include "runtime/game_module.h"
#include "shell/game_host.h"
#include "shell/obs_link.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QTimer>

#include <deque>
#include <functional>

namespace glimmer {

// The games in OBS. For each game the host adds, one thing of the program's own in a scene:
// where OBS has a browser source, a browser source showing the game's overlay page; where it
// has none (Debian builds OBS without it), a scene of the game's own drawn with OBS's text and
// picture sources, which the program keeps up to date as the game changes. A game whose window
// is closed has its source hidden. Everything the program makes carries its name
// ("Glimmerhall · <title>"), and nothing else in OBS is ever changed or removed.
class ObsStage : public QObject {
    Q_OBJECT
public:
    // folder: where the pictures OBS shows are written; settings: the host's settings file,
    // whose [obs] section holds OBS's address and password.
    ObsStage(GameHost& games, QString folder, QString settings, QObject* parent = nullptr);
    ~ObsStage() override;

    ObsLink& link() { return link_; }

    // Connects when the host has set OBS up before (an [obs] section); otherwise the link
    // waits until the host first asks something of OBS, and tries the default address then.
    void start();
    struct Target {
        QString address;
        QString password;
    };
    Target target() const;
    // Keeps a new address and password and connects with them; false, with the reason, when
    // the settings file cannot be written.
    bool set_target(const Target& target, QString* error);
    static inline const QString default_address = QStringLiteral("ws://127.0.0.1:4455");
    // Where the game's overlay page answers, for a browser source; empty while overlays are off.
    void set_overlay_address(std::function<QString(const QString& game)> address) {
        overlay_address_ = std::move(address);
    }

    // The "obs" commands: setup, status, remove (see program_services()).
    void run(const QString& action, const ActionArguments& arguments, GameHost::Answer answer);
    // Games by id, all of them when empty; scene empty for OBS's current program scene.
    void setup(QStringList games, const QString& scene, GameHost::Answer answer);
    void remove(QStringList games, GameHost::Answer answer);
    void status(GameHost::Answer answer);

    enum class Path { none, browser, native };
    // How the game is in OBS, as far as the program knows.
    Path path(const QString& game) const { return paths_.value(game, Path::none); }

    // The names of what the program makes in OBS.
    static QString source_name(const GameInfo& game);
    static QString part_name(const GameInfo& game, const NativePart& part);
    // Where a game goes in a 1920 × 1080 scene: the games side by side in two columns.
    static QPoint place_of(int index);

    // At most this many rounds of updates a second go to OBS.
    static constexpr int updates_per_second = 30;

private:
    struct Turn;
    void queue(std::function<void()> job);
    // Queues the job once the link has made its attempt.
    void queue_connected(std::function<void()> job);
    void next_job();
    ObsJob setup_job(QStringList games, QString scene, GameHost::Answer answer);
    ObsJob remove_job(QStringList games, GameHost::Answer answer);
    ObsJob status_job(GameHost::Answer answer);
    ObsJob discover_job();
    ObsJob visibility_job();
    void show_later();
    void update_later();
    void push_updates();
    QJsonObject part_settings(const NativePart& part, const QString& value) const;
    QJsonObject first_settings(const NativePart& part, const QString& value) const;
    bool write_pictures();
    std::optional<QStringList> games_named(const QStringList& ids, GameHost::Answer& answer) const;

    GameHost& games_;
    QString folder_;
    QString settings_;
    ObsLink link_;
    std::function<QString(const QString&)> overlay_address_;
    QHash<QString, Path> paths_;
    // What each of our inputs was last sent, so that only changes go out.
    QHash<QString, QString> sent_;
    QTimer update_timer_;
    QElapsedTimer last_push_;
    std::deque<std::function<void()>> jobs_;
    bool job_running_ = false;
    bool visibility_queued_ = false;
    bool ending_ = false;
};

} // namespace glimmer
