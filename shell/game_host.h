#pragma once

#include "runtime/game_module.h"

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QPointer>

#include <memory>
#include <vector>

class QWidget;

namespace glimmer {

// The program's games: it owns each open game's session and window, runs every action asked
// of a game, whatever way it came in (the catalogue, ctl, HTTP, a global key), and keeps the
// games' state for the overlays. It is no widget: the catalogue is one view of it, the control
// socket and the overlay server are others. No action waits for anything; one that a box
// stands in front of is refused at once with the reason.
class GameHost : public QObject {
    Q_OBJECT
public:
    GameHost(GameModules modules, GameEnvironment environment, QObject* parent = nullptr);
    ~GameHost() override;

    const GameModules& modules() const { return modules_; }
    // The module with that id, or null; its place in the catalogue's order, or -1.
    GameModule* module(const QString& id) const;
    int index_of(const QString& id) const;
    // The open game's session and window, or null.
    GameSession* session(const QString& id) const;
    QWidget* window(const QString& id) const;

    // Opens the game's window over a new session, or brings the open one to the front.
    Outcome open(const QString& id);
    // Where a new game window goes, decided before it shows; by default where the system
    // puts it.
    void set_placer(std::function<void(QWidget* window, const QString& id)> placer) {
        placer_ = std::move(placer);
    }
    // Closes every open game, as the end of the program does.
    void close_all();
    // What the games do once the catalogue is on screen.
    void after_start();

    // One request from outside: "action" and, for a game's action, "game", with the action's
    // arguments as members. A service's request names it by "service" and goes through
    // run_later.
    Outcome run(const QJsonObject& request);
    // The same as JSON text, as ctl and the global keys send it; the answer as JSON text.
    QByteArray run_json(const QByteArray& request);

    // What runs a service's actions (see program_services()): it reads nothing more than the
    // arguments, checked against the table, and calls answer exactly once, now or later.
    using Answer = std::function<void(const Outcome& outcome)>;
    using ServiceRunner =
        std::function<void(const QString& action, const ActionArguments& arguments, Answer)>;
    void set_service(const QString& word, ServiceRunner runner);
    // Any request, a service's among them, answered when it ends; the others at once.
    void run_later(const QJsonObject& request, const Answer& answer);
    void run_json_later(const QByteArray& request, const std::function<void(QByteArray)>& answer);

    // The games' state for the overlays: {"revision": n, "<id>": {"open": ..., ...}, ...} in
    // the catalogue's order, compact UTF-8; the revision grows with every change.
    const QByteArray& state_json() const { return state_json_; }
    // One game's part of that state, {"open": false} for a closed or unknown one.
    QJsonObject state_of(const QString& id) const;
    quint64 revision() const { return revision_; }

signals:
    void state_changed(const QByteArray& state_json);
    // The "raise" command: whoever shows the program brings it to the front.
    void raise_requested();
    void game_opened(const QString& id);
    void game_closed(const QString& id);

private:
    struct Open {
        std::unique_ptr<GameSession> session;
        QPointer<QWidget> window;
    };
    Outcome run_game_action(const QString& game, const QString& action, const QJsonObject& request);
    void end_game(int index);
    void refresh(int index);

    GameModules modules_;
    GameEnvironment environment_;
    std::function<void(QWidget*, const QString&)> placer_;
    QHash<QString, ServiceRunner> services_;
    std::vector<Open> open_;
    QList<QJsonObject> parts_;
    quint64 revision_ = 0;
    QByteArray state_json_;
};

} // namespace glimmer
