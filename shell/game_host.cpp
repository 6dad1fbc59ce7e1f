#include "shell/game_host.h"

#include "runtime/text.h"
#include "runtime/translation.h"
#include "runtime/windows.h"

#include <QJsonDocument>
#include <QWidget>

namespace glimmer {

namespace {

QJsonObject closed_state() {
    return QJsonObject{{QStringLiteral("open"), false}};
}

} // namespace

GameHost::GameHost(GameModules modules, GameEnvironment environment, QObject* parent)
    : QObject(parent), modules_(std::move(modules)), environment_(std::move(environment)),
      open_(modules_.size()) {
    // A request names the program's own actions by name alone; a game's action of the same
    // name could never be reached, and its request would open a window instead.
    for (const std::unique_ptr<GameModule>& module : modules_) {
        if (program_service(module->info().id) != nullptr) {
            qFatal("game '%s' is named like one of the program's services",
                   qPrintable(module->info().id));
        }
        for (const GameAction& action : module->actions()) {
            if (program_action(action.name) != nullptr) {
                qFatal("game '%s' has an action named like the program's own: '%s'",
                       qPrintable(module->info().id), qPrintable(action.name));
            }
        }
    }
    parts_.fill(closed_state(), static_cast<qsizetype>(modules_.size()));
    refresh(-1);
}

GameHost::~GameHost() {
    // Windows go first: they draw from the sessions.
    for (Open& game : open_) {
        disconnect(game.window, nullptr, this, nullptr);
        delete game.window.data();
    }
}

GameModule* GameHost::module(const QString& id) const {
    const int index = index_of(id);
    return index >= 0 ? modules_[static_cast<size_t>(index)].get() : nullptr;
}

int GameHost::index_of(const QString& id) const {
    for (size_t i = 0; i < modules_.size(); ++i) {
        if (modules_[i]->info().id == id) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

GameSession* GameHost::session(const QString& id) const {
    const int index = index_of(id);
    return index >= 0 ? open_[static_cast<size_t>(index)].session.get() : nullptr;
}

QJsonObject GameHost::state_of(const QString& id) const {
    const int index = index_of(id);
    return index >= 0 ? parts_[index] : closed_state();
}

QWidget* GameHost::window(const QString& id) const {
    const int index = index_of(id);
    return index >= 0 ? open_[static_cast<size_t>(index)].window.data() : nullptr;
}

Outcome GameHost::open(const QString& id) {
    const int index = index_of(id);
    if (index < 0) {
        return Outcome::not_found(translated("ctl", "没有这个游戏：") + id);
    }
    Open& game = open_[static_cast<size_t>(index)];
    if (game.window) {
        // A game never has two windows: its state is the program's.
        if (game.window->isMinimized()) {
            game.window->showNormal();
        }
        game.window->raise();
        game.window->activateWindow();
        return Outcome::ok();
    }
    GameModule& module = *modules_[static_cast<size_t>(index)];
    GameEnvironment environment = environment_;
    environment.act = [this, id](const QString& action, QJsonObject arguments) {
        arguments.insert(QStringLiteral("game"), id);
        arguments.insert(QStringLiteral("action"), action);
        return run(arguments);
    };
    game.session = module.create_session(environment);
    connect(game.session.get(), &GameSession::state_changed, this,
            [this, index] { refresh(index); });
    game.window = module.make_window(*game.session, environment);
    // The game ends with its window, however the window goes. By now only its QObject is
    // left: the session may no longer call the window's slots as it ends.
    connect(game.window, &QObject::destroyed, this, [this, index](QObject* gone) {
        if (GameSession* session = open_[static_cast<size_t>(index)].session.get()) {
            disconnect(session, nullptr, gone, nullptr);
        }
        end_game(index);
    });
    refresh(index);
    if (placer_) {
        placer_(game.window, id);
    }
    open_window(game.window);
    emit game_opened(id);
    return Outcome::ok();
}

void GameHost::end_game(int index) {
    Open& game = open_[static_cast<size_t>(index)];
    if (!game.session) {
        return;
    }
    std::unique_ptr<GameSession> ended = std::move(game.session);
    ended->end();
    disconnect(ended.get(), nullptr, this, nullptr);
    refresh(index);
    emit game_closed(modules_[static_cast<size_t>(index)]->info().id);
}

void GameHost::close_all() {
    for (Open& game : open_) {
        if (game.window) {
            game.window->close();
        }
    }
}

void GameHost::after_start() {
    for (const std::unique_ptr<GameModule>& module : modules_) {
        module->after_start(environment_);
    }
}

Outcome GameHost::run(const QJsonObject& request) {
    const QString action = request.value(QStringLiteral("action")).toString();
    const QString game = request.value(QStringLiteral("game")).toString();
    if (action == u"state" && game.isEmpty()) {
        return Outcome::ok(state_json_);
    }
    if (action == u"raise" && game.isEmpty()) {
        emit raise_requested();
        return Outcome::ok();
    }
    if (action == u"open") {
        if (index_of(game) < 0) {
            return Outcome::not_found(translated("ctl", "没有这个游戏：") + game);
        }
        // A box that waits for the host in front of every window: nothing opens behind it.
        if (box_in_front_of(nullptr)) {
            return Outcome::refused(translated("ctl", "有对话框开着，请先处理它"));
        }
        return open(game);
    }
    return run_game_action(game, action, request);
}

Outcome GameHost::run_game_action(const QString& game, const QString& action,
                                  const QJsonObject& request) {
    const int index = index_of(game);
    const GameAction* known =
        index >= 0 ? modules_[static_cast<size_t>(index)]->action(action) : nullptr;
    if (known == nullptr) {
        return Outcome::not_found(translated("ctl", "没有这个命令：") + game + u' ' + action);
    }
    ActionArguments arguments;
    if (const Outcome read = read_arguments(*known, request, &arguments); !read.done()) {
        return read;
    }
    Open& open = open_[static_cast<size_t>(index)];
    if (!open.session) {
        return Outcome::refused(modules_[static_cast<size_t>(index)]->info().title +
                                translated("ctl", " 没有打开"));
    }
    // A box waits for the host's answer; acting behind it would change what it asks about.
    if (box_in_front_of(open.window)) {
        return Outcome::refused(translated("ctl", "有对话框开着，请先处理它"));
    }
    return known->invoke(*open.session, arguments);
}

namespace {

std::optional<QJsonObject> request_object(const QByteArray& request, Outcome* refusal) {
    if (!is_utf8(request)) {
        *refusal = Outcome::bad_request(translated("ctl", "请求不是有效的 UTF-8 文字"));
        return std::nullopt;
    }
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(request, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        *refusal = Outcome::bad_request(translated("ctl", "请求不是一个 JSON 对象"));
        return std::nullopt;
    }
    return document.object();
}

} // namespace

QByteArray GameHost::run_json(const QByteArray& request) {
    Outcome refusal;
    const std::optional<QJsonObject> object = request_object(request, &refusal);
    return outcome_json(object ? run(*object) : refusal);
}

void GameHost::set_service(const QString& word, ServiceRunner runner) {
    services_.insert(word, std::move(runner));
}

void GameHost::run_later(const QJsonObject& request, const Answer& answer) {
    const QJsonValue word_value = request.value(QStringLiteral("service"));
    if (word_value.isUndefined()) {
        answer(run(request));
        return;
    }
    const QString word = word_value.toString();
    const QString name = request.value(QStringLiteral("action")).toString();
    const GameAction* known = service_action(word, name);
    const auto runner = services_.constFind(word);
    if (known == nullptr || runner == services_.constEnd()) {
        answer(Outcome::not_found(translated("ctl", "没有这个命令：") + word + u' ' + name));
        return;
    }
    ActionArguments arguments;
    if (const Outcome read = read_arguments(*known, request, &arguments); !read.done()) {
        answer(read);
        return;
    }
    (*runner)(name, arguments, answer);
}

void GameHost::run_json_later(const QByteArray& request,
                              const std::function<void(QByteArray)>& answer) {
    Outcome refusal;
    const std::optional<QJsonObject> object = request_object(request, &refusal);
    if (!object) {
        answer(outcome_json(refusal));
        return;
    }
    run_later(*object, [answer](const Outcome& outcome) { answer(outcome_json(outcome)); });
}

void GameHost::refresh(int index) {
    if (index >= 0) {
        const Open& game = open_[static_cast<size_t>(index)];
        QJsonObject part = closed_state();
        if (game.session) {
            part = game.session->state();
            part.insert(QStringLiteral("open"), true);
            const QJsonObject hints =
                modules_[static_cast<size_t>(index)]->remote_hints(*game.session, part);
            if (!hints.isEmpty()) {
                part.insert(QStringLiteral("remote"), hints);
            }
        }
        // A signal that changed nothing on show is no new revision.
        if (part == parts_[index]) {
            return;
        }
        parts_[index] = part;
        ++revision_;
    }
    QJsonObject root{{QStringLiteral("revision"), static_cast<qint64>(revision_)}};
    for (size_t i = 0; i < modules_.size(); ++i) {
        root.insert(modules_[i]->info().id, parts_[static_cast<qsizetype>(i)]);
    }
    state_json_ = QJsonDocument(root).toJson(QJsonDocument::Compact);
    if (index >= 0) {
        emit state_changed(state_json_);
    }
}

} // namespace glimmer
