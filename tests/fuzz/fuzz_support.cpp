#include "fuzz_support.h"

#include <QtGlobal>

#include <cstdio>
#include <cstdlib>

namespace glimmer::fuzz {

namespace {

// The readers warn about what they refuse, as they should; a million warnings a second would
// bury libFuzzer's own lines.
const bool quiet = [] {
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    return true;
}();

class MadeUpSession : public GameSession {
public:
    QJsonObject state() const override { return {}; }
    void end() override {}
};

class MadeUpGame : public GameModule {
public:
    MadeUpGame(QString id, QList<GameAction> actions) : actions_(std::move(actions)) {
        info_.id = std::move(id);
    }
    const GameInfo& info() const override { return info_; }
    const QList<GameAction>& actions() const override { return actions_; }
    std::unique_ptr<GameSession> create_session(const GameEnvironment&) override {
        return std::make_unique<MadeUpSession>();
    }
    QWidget* make_window(GameSession&, const GameEnvironment&) override { return nullptr; }

private:
    GameInfo info_;
    QList<GameAction> actions_;
};

GameAction made_up(const char* name, QList<ActionParameter> parameters) {
    return {QString::fromLatin1(name), std::move(parameters), QStringLiteral("试一试"),
            [](GameSession&, const ActionArguments&) { return Outcome::ok(); }};
}

GameModules make_games() {
    using Kind = ActionParameter::Kind;
    const ActionParameter player{QStringLiteral("player"), Kind::player, 1, 2};
    GameModules games;
    games.push_back(std::make_unique<MadeUpGame>(
        QStringLiteral("left"),
        QList<GameAction>{made_up("add", {player, {QStringLiteral("amount"), Kind::amount, 0, 0}}),
                          made_up("undo", {}),
                          made_up("name", {player, {QStringLiteral("name"), Kind::text, 0, 64}})}));
    games.push_back(std::make_unique<MadeUpGame>(
        QStringLiteral("right"),
        QList<GameAction>{
            made_up("roll", {}), made_up("pick", {{QStringLiteral("box"), Kind::whole, 1, 25}}),
            made_up("bet",
                    {player, {QStringLiteral("stake"), Kind::whole, 1, 1'000'000'000'000LL}})}));
    return games;
}

} // namespace

void fail(const char* expectation, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: expected %s\n", file, line, expectation);
    std::abort();
}

QList<QByteArray> pieces(const QByteArray& input, char separator, qsizetype max) {
    QList<QByteArray> found;
    qsizetype from = 0;
    while (found.size() + 1 < max) {
        const qsizetype at = input.indexOf(separator, from);
        if (at < 0) {
            break;
        }
        found << input.mid(from, at - from);
        from = at + 1;
    }
    found << input.mid(from);
    return found;
}

const GameModules& made_up_games() {
    static const GameModules games = make_games();
    return games;
}

} // namespace glimmer::fuzz
