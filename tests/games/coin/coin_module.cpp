// The smallest game there is, a coin that counts its heads: made only for the tests, to show
// that a game's folder is all it takes for the program to list, drive and show it.
#include "runtime/game_module.h"

#include <QPushButton>

namespace glimmer {

namespace {

class CoinSession final : public GameSession {
public:
    QJsonObject state() const override { return {{QStringLiteral("heads"), heads_}}; }
    void end() override {}
    Outcome flip() {
        ++heads_;
        emit state_changed();
        return Outcome::ok();
    }
    Outcome set(long long heads) {
        if (heads == heads_) {
            return Outcome::refused(QStringLiteral("已经是这个数了"));
        }
        heads_ = static_cast<int>(heads);
        emit state_changed();
        return Outcome::ok();
    }

private:
    int heads_ = 0;
};

class CoinModule final : public GameModule {
public:
    const GameInfo& info() const override {
        static const GameInfo info{QStringLiteral("coin"),
                                   QStringLiteral("Coinflip"),
                                   QStringLiteral("抛硬币"),
                                   QString(),
                                   QString(),
                                   QStringLiteral(":/overlay/coin_overlay.html"),
                                   QSize(300, 300),
                                   {{QStringLiteral("heads"), QStringLiteral("正面")}}};
        return info;
    }
    const QList<GameAction>& actions() const override {
        static const QList<GameAction> actions{
            game_action<CoinSession>(
                QStringLiteral("flip"), {}, QStringLiteral("抛一次"),
                [](CoinSession& coin, const ActionArguments&) { return coin.flip(); }),
            game_action<CoinSession>(
                QStringLiteral("set"),
                {{QStringLiteral("heads"), ActionParameter::Kind::whole, 0, 99}},
                QStringLiteral("把正面的次数设成这个数"),
                [](CoinSession& coin, const ActionArguments& arguments) {
                    return coin.set(arguments.whole(QStringLiteral("heads")));
                }),
        };
        return actions;
    }
    std::unique_ptr<GameSession> create_session(const GameEnvironment&) override {
        return std::make_unique<CoinSession>();
    }
    QWidget* make_window(GameSession& session, const GameEnvironment&) override {
        auto* window = new QPushButton(QStringLiteral("抛"));
        window->setObjectName(QStringLiteral("coin_window"));
        QObject::connect(window, &QPushButton::clicked, &session,
                         [&session] { static_cast<CoinSession&>(session).flip(); });
        return window;
    }
    QList<DefaultKey> default_keys() const override {
        return {{QStringLiteral("Ctrl+Alt+C"), QStringLiteral("coin flip")}};
    }
};

} // namespace

std::unique_ptr<GameModule> make_coin_module() {
    return std::make_unique<CoinModule>();
}

} // namespace glimmer
