// The PK tally as the program finds it: its description, its PK and window, and what may be
// asked of it from outside.
#include "games/tally/tally_archive.h"
#include "games/tally/tally_config.h"
#include "games/tally/tally_keeper.h"
#include "games/tally/tally_pk.h"
#include "games/tally/tally_window.h"
#include "runtime/game_module.h"

#include <QFileInfo>
#include <QJsonArray>

namespace glimmer {

namespace {

using Kind = ActionParameter::Kind;

QList<GameAction> tally_actions() {
    const ActionParameter player{QStringLiteral("player"), Kind::player};
    const ActionParameter amount{QStringLiteral("amount"), Kind::amount};
    const ActionParameter preset{QStringLiteral("n"), Kind::whole, 1, max_amount_rows};
    return {
        game_action<TallyPk>(
            QStringLiteral("add"), {player, amount},
            QString::fromUtf8(QT_TRANSLATE_NOOP("actions", "给玩家 1 或 2 加上这个数量")),
            [](TallyPk& pk, const ActionArguments& arguments) {
                return pk.add_amount(arguments.player(), arguments.text(QStringLiteral("amount")),
                                     arguments.source());
            }),
        game_action<TallyPk>(
            QStringLiteral("preset"), {player, preset},
            QString::fromUtf8(QT_TRANSLATE_NOOP("actions", "加上玩家的第 n 个预设数量（从 1 起）")),
            [](TallyPk& pk, const ActionArguments& arguments) {
                return pk.add_preset(arguments.player(),
                                     static_cast<int>(arguments.whole(QStringLiteral("n"))) - 1,
                                     arguments.source());
            }),
        game_action<TallyPk>(
            QStringLiteral("select"), {player},
            QString::fromUtf8(QT_TRANSLATE_NOOP("actions", "选中玩家 1 或 2，打字加分给他")),
            [](TallyPk& pk, const ActionArguments& arguments) {
                return pk.select_player(arguments.player());
            }),
        game_action<TallyPk>(
            QStringLiteral("switch"), {},
            QString::fromUtf8(QT_TRANSLATE_NOOP("actions", "换选另一位玩家")),
            [](TallyPk& pk, const ActionArguments&) { return pk.switch_player(); }),
        game_action<TallyPk>(QStringLiteral("undo"), {},
                             QString::fromUtf8(QT_TRANSLATE_NOOP("actions", "撤销上一次加分")),
                             [](TallyPk& pk, const ActionArguments&) { return pk.undo(); }),
        game_action<TallyPk>(QStringLiteral("redo"), {},
                             QString::fromUtf8(QT_TRANSLATE_NOOP("actions", "重做撤销的加分")),
                             [](TallyPk& pk, const ActionArguments&) { return pk.redo(); }),
    };
}

// The scoreboard in OBS's own text sources, laid out as the overlay page's rows.
NativeOverlay tally_native_overlay() {
    using Kind = NativePart::Kind;
    NativeOverlay overlay;
    overlay.parts = {
        {QStringLiteral("玩家一名字"), Kind::text, {20, 24}, 36},
        {QStringLiteral("玩家一总数"), Kind::text, {252, 20}, 44, 0xffffd54a},
        {QStringLiteral("玩家一领先"), Kind::picture, {500, 30}},
        {QStringLiteral("玩家二名字"), Kind::text, {20, 114}, 36},
        {QStringLiteral("玩家二总数"), Kind::text, {252, 110}, 44, 0xffffd54a},
        {QStringLiteral("玩家二领先"), Kind::picture, {500, 120}},
        {QStringLiteral("相差"), Kind::text, {20, 196}, 32},
    };
    overlay.values = [](const QJsonObject& game) {
        const QJsonArray players = game.value(QStringLiteral("players")).toArray();
        const QString leader = game.value(QStringLiteral("leader")).toString();
        QHash<QString, QString> values;
        const QStringList numbers{QStringLiteral("一"), QStringLiteral("二")};
        for (qsizetype i = 0; i < 2; ++i) {
            const QJsonObject player = players.at(i).toObject();
            const QString who = QStringLiteral("玩家") + numbers[i];
            // Names are cut as the PK window cuts them, so they never run into the totals.
            values.insert(who + QStringLiteral("名字"),
                          cut_text(state_text(player.value(QStringLiteral("name"))), 6));
            values.insert(who + QStringLiteral("总数"),
                          cut_text(state_text(player.value(QStringLiteral("total_text"))), 11));
            values.insert(who + QStringLiteral("领先"), leader == (i == 0 ? u"one" : u"two")
                                                            ? QStringLiteral("leader")
                                                            : QString());
        }
        values.insert(QStringLiteral("相差"),
                      QStringLiteral("相差：") +
                          cut_text(state_text(game.value(QStringLiteral("difference_text"))), 14));
        return values;
    };
    return overlay;
}

class TallyModule final : public GameModule {
public:
    const GameInfo& info() const override {
        static const GameInfo info{
            QStringLiteral("tally"),
            QStringLiteral("Quorvane"),
            QString::fromUtf8(QT_TRANSLATE_NOOP("page", "PK 计分")),
            QStringLiteral(":/catalogue/quorvane_normal.jpg"),
            QStringLiteral(":/catalogue/quorvane_hover.jpg"),
            QStringLiteral(":/overlay/tally_overlay.html"),
            QSize(640, 260),
            {{QStringLiteral("names"), QString::fromUtf8(QT_TRANSLATE_NOOP("page", "名字"))},
             {QStringLiteral("totals"), QString::fromUtf8(QT_TRANSLATE_NOOP("page", "总数"))},
             {QStringLiteral("leader"), QString::fromUtf8(QT_TRANSLATE_NOOP("page", "领先"))},
             {QStringLiteral("difference"), QString::fromUtf8(QT_TRANSLATE_NOOP("page", "相差"))}},
        };
        return info;
    }

    const QList<GameAction>& actions() const override {
        static const QList<GameAction> actions = tally_actions();
        return actions;
    }

    // The names file's lists stay with the module between windows, as the designed program's
    // global lists did.
    std::unique_ptr<GameSession> create_session(const GameEnvironment& environment) override {
        return std::make_unique<TallyPk>(config_, environment.config_home, environment.site_url);
    }

    QWidget* make_window(GameSession& session, const GameEnvironment& environment) override {
        auto* window = new TallyWindow(static_cast<TallyPk&>(session), environment.site_url);
        window->act_through(environment.act);
        return window;
    }

    // Ctrl+Alt with a digit for player one's presets and with Shift too for player two's, as
    // Ctrl and Alt with a digit do in the window; undo and redo beside them.
    QList<DefaultKey> default_keys() const override {
        QList<DefaultKey> keys;
        for (int n = 1; n <= 9; ++n) {
            keys.append(
                {QStringLiteral("Ctrl+Alt+%1").arg(n), QStringLiteral("tally preset 1 %1").arg(n)});
            keys.append({QStringLiteral("Ctrl+Alt+Shift+%1").arg(n),
                         QStringLiteral("tally preset 2 %1").arg(n)});
        }
        keys.append({QStringLiteral("Ctrl+Alt+Z"), QStringLiteral("tally undo")});
        keys.append({QStringLiteral("Ctrl+Alt+Y"), QStringLiteral("tally redo")});
        return keys;
    }

    // Each player's presets as big buttons, and undo and redo saying what they would do.
    QJsonObject remote_hints(const GameSession& session, const QJsonObject& state) const override {
        const auto& pk = static_cast<const TallyPk&>(session);
        const TallyView view = pk.view();
        QJsonArray buttons;
        for (int player = 1; player <= 2; ++player) {
            const QStringList& presets = pk.presets(player);
            for (qsizetype i = 0; i < presets.size(); ++i) {
                buttons.append(QJsonObject{
                    {"label", QStringLiteral("+") + presets[i]},
                    {"group",
                     (player == 1 ? QStringLiteral("玩家一 ") : QStringLiteral("玩家二 ")) +
                         view.names[static_cast<size_t>(player - 1)]},
                    {"request", QJsonObject{{"action", "preset"},
                                            {"player", player},
                                            {"n", static_cast<int>(i + 1)}}}});
            }
        }
        QJsonObject labels;
        const auto step = [](const TallyAddition* addition) {
            return addition->name + QStringLiteral(" +") + addition->amount;
        };
        if (const TallyAddition* undo = pk.history().next_undo()) {
            labels.insert("undo", QStringLiteral("撤销：") + step(undo));
        }
        if (const TallyAddition* redo = pk.history().next_redo()) {
            labels.insert("redo", QStringLiteral("重做：") + step(redo));
        }
        // The leader as the overlays name it: nobody while the totals are level.
        const QString leader = state.value("leader").toString();
        const auto line = [&view, &leader](size_t i, const char* mark) {
            return view.names[i] + QStringLiteral("  ") + view.totals[i] +
                   (leader == QLatin1String(mark) ? QStringLiteral("  ▲领先") : QString());
        };
        return {{"buttons", buttons},
                {"labels", labels},
                {"summary", QJsonArray{line(0, "one"), line(1, "two"),
                                       QStringLiteral("相差：") + view.difference}}};
    }

    const NativeOverlay* native_overlay() const override {
        static const NativeOverlay overlay = tally_native_overlay();
        return &overlay;
    }

    // A PK that ended while its history was busy goes in now, whether or not the window opens.
    void after_start(const GameEnvironment& environment) override {
        if (QFileInfo(tally_config_folder(environment.config_home)).isDir()) {
            TallyKeeper::instance().keep_ended_journals(
                tally_archive_path(environment.config_home));
        }
    }

private:
    TallyConfig config_;
};

} // namespace

std::unique_ptr<GameModule> make_tally_module() {
    return std::make_unique<TallyModule>();
}

} // namespace glimmer
