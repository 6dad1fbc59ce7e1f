// The mine-box game as the program finds it: its description, its round and window, what may
// be asked of it from outside, and the check of a published burial.
#include "games/minebox/mine_board.h"
#include "games/minebox/minebox_round.h"
#include "games/minebox/minebox_window.h"
#include "runtime/game_module.h"
#include "runtime/outside_numbers.h"
#include "runtime/translation.h"

#include <QJsonArray>

#include <algorithm>

namespace glimmer {

namespace {

using Kind = ActionParameter::Kind;

QList<GameAction> minebox_actions() {
    const ActionParameter boxes{QStringLiteral("boxes"), Kind::whole, 1, max_boxes};
    const ActionParameter mines{QStringLiteral("mines"), Kind::whole, 1, max_boxes - 1};
    const ActionParameter box{QStringLiteral("box"), Kind::whole, 1, max_boxes};
    const ActionParameter player{QStringLiteral("player"), Kind::player};
    const ActionParameter phrase{QStringLiteral("text"), Kind::text, 0, 1000};
    return {
        game_action<MineBoxRound>(
            QStringLiteral("counts"), {boxes, mines},
            QString::fromUtf8(QT_TRANSLATE_NOOP("actions", "设定箱子和地雷的数量")),
            [](MineBoxRound& round, const ActionArguments& arguments) {
                // The mine count is set first, so a refusal leaves both texts as they were.
                const Outcome set = round.set_mine_count_text(
                    QString::number(arguments.whole(QStringLiteral("mines"))));
                return set.done() ? round.set_box_count_text(
                                        QString::number(arguments.whole(QStringLiteral("boxes"))))
                                  : set;
            }),
        game_action<MineBoxRound>(
            QStringLiteral("bury"), {},
            QString::fromUtf8(QT_TRANSLATE_NOOP("actions", "摆好箱子、埋下地雷")),
            [](MineBoxRound& round, const ActionArguments&) { return round.bury(); }),
        game_action<MineBoxRound>(
            QStringLiteral("dig"), {box},
            QString::fromUtf8(QT_TRANSLATE_NOOP("actions", "打开这个号码的箱子（从 1 起）")),
            [](MineBoxRound& round, const ActionArguments& arguments) {
                return round.dig(static_cast<int>(arguments.whole(QStringLiteral("box"))) - 1);
            }),
        game_action<MineBoxRound>(
            QStringLiteral("credit"), {player},
            QString::fromUtf8(QT_TRANSLATE_NOOP("actions", "把打开的箱子记给玩家 1 或 2")),
            [](MineBoxRound& round, const ActionArguments& arguments) {
                return round.credit(arguments.player() == 1 ? player_one : player_two);
            }),
        game_action<MineBoxRound>(
            QStringLiteral("phrase"), {phrase},
            QString::fromUtf8(QT_TRANSLATE_NOOP("actions", "把观众的口令混进埋雷的随机数")),
            [](MineBoxRound& round, const ActionArguments& arguments) {
                return round.set_phrase(arguments.text(QStringLiteral("text")));
            }),
    };
}

class MineBoxVerifier final : public DrawVerifier {
public:
    QList<Option> options() const override {
        return {
            {QStringLiteral("boxes"), translated("verify", "箱子数量"), QString(),
             translated("verify", "the burial's number of boxes"), true},
            {QStringLiteral("mines"), translated("verify", "地雷数量"), QString(),
             translated("verify", "the burial's number of mines"), true},
            {QStringLiteral("mine-boxes"), translated("verify", "有雷的箱子"),
             translated("verify", "如 1,4"),
             translated("verify", "the boxes holding a mine, e.g. 1,4 ('' for none)"), false},
        };
    }

    std::optional<DrawCheck> check(const DrawRecord& record, const QHash<QString, QString>& given,
                                   QString* error) const override {
        const std::optional<long long> boxes =
            read_whole(given.value(QStringLiteral("boxes")).toStdString(), 0, max_boxes);
        if (!boxes) {
            *error = translated("verify", "invalid box count '%1'")
                         .arg(given.value(QStringLiteral("boxes")));
            return std::nullopt;
        }
        const std::optional<long long> mines = read_whole(
            given.value(QStringLiteral("mines")).toStdString(), -2147483647LL, 2147483647LL);
        if (!mines || *mines >= *boxes) {
            *error =
                translated("verify", "invalid mine count '%1': a burial has fewer mines than boxes")
                    .arg(given.value(QStringLiteral("mines")));
            return std::nullopt;
        }
        std::optional<std::vector<int>> claimed;
        if (given.contains(QStringLiteral("mine-boxes"))) {
            claimed.emplace();
            for (const QString& number :
                 given.value(QStringLiteral("mine-boxes")).split(u',', Qt::SkipEmptyParts)) {
                const std::optional<long long> box =
                    read_whole(number.trimmed().toStdString(), 1, max_boxes);
                if (!box) {
                    *error =
                        translated("verify", "invalid box number '%1' in --mine-boxes").arg(number);
                    return std::nullopt;
                }
                claimed->push_back(static_cast<int>(*box));
            }
            std::sort(claimed->begin(), claimed->end());
        }
        const std::vector<int> placed =
            replay_burial(record, static_cast<int>(*boxes), static_cast<int>(*mines))
                .value_or(std::vector<int>{});
        QStringList listed;
        for (const int number : placed) {
            listed << QString::number(number);
        }
        DrawCheck check;
        check.outcome = {translated("verify", "boxes      %1").arg(*boxes),
                         translated("verify", "mines      %1").arg(*mines),
                         translated("verify", "mine-boxes ") + (listed.isEmpty()
                                                                    ? translated("verify", "(none)")
                                                                    : listed.join(u','))};
        check.compared = claimed.has_value();
        if (claimed && *claimed != placed) {
            check.faults << translated("verify", "the mine boxes do not match: the draw gives ") +
                                (listed.isEmpty() ? QStringLiteral("none") : listed.join(u','));
        }
        return check;
    }

    QString page_script() const override { return QStringLiteral(":/verify/minebox_verify.js"); }
};

// The board in OBS's own text sources. A text source cannot be a grid of coloured boxes, so
// the boxes are rows of their numbers, an opened box by what it held and whose it is; past
// what fits, the count of the rest.
NativeOverlay minebox_native_overlay() {
    using Kind = NativePart::Kind;
    NativeOverlay overlay;
    overlay.parts = {
        {QStringLiteral("玩家一战绩"), Kind::text, {20, 10}, 26},
        {QStringLiteral("玩家二战绩"), Kind::text, {330, 10}, 26},
        {QStringLiteral("阶段"), Kind::text, {20, 52}, 28, 0xffffd54a},
        {QStringLiteral("剩余地雷"), Kind::text, {330, 52}, 28},
        {QStringLiteral("箱子"), Kind::text, {20, 100}, 24},
        {QStringLiteral("公平性"), Kind::text, {20, 334}, 15, 0xffd0d0d0},
    };
    overlay.values = [](const QJsonObject& game) {
        constexpr int per_row = 10;
        constexpr int rows = 6;
        const QJsonArray tallies = game.value(QStringLiteral("tallies")).toArray();
        const QString stage = game.value(QStringLiteral("stage")).toString();
        const QString boxes = game.value(QStringLiteral("boxes")).toString();
        const QString owners = game.value(QStringLiteral("owners")).toString();
        const int waiting = game.value(QStringLiteral("waiting")).toInt(-1);
        const int mines = game.value(QStringLiteral("mines_left")).toInt(-1);
        QStringList lines;
        QStringList row;
        const qsizetype shown = std::min<qsizetype>(boxes.size(), per_row * rows);
        for (qsizetype i = 0; i < shown; ++i) {
            const QChar owner = i < owners.size() ? owners[i] : QChar();
            const QString whose = owner == u'1'   ? QStringLiteral("一")
                                  : owner == u'2' ? QStringLiteral("二")
                                                  : QString();
            const QString cell = boxes[i] == u'1'   ? QStringLiteral("空") + whose
                                 : boxes[i] == u'2' ? QStringLiteral("雷") + whose
                                                    : QString::number(i + 1);
            row << (i == waiting ? u'[' + cell + u']' : cell);
            if (row.size() == per_row) {
                lines << row.join(QStringLiteral("  "));
                row.clear();
            }
        }
        if (!row.isEmpty()) {
            lines << row.join(QStringLiteral("  "));
        }
        if (boxes.size() > shown) {
            lines.last() += QStringLiteral("  …共 %1 个").arg(boxes.size());
        }
        const QHash<QString, QString> stages{
            {QStringLiteral("setup"), QStringLiteral("等待埋雷")},
            {QStringLiteral("playing"), QStringLiteral("请选箱子")},
            {QStringLiteral("waiting"), QStringLiteral("等待认领")},
            {QStringLiteral("finished"), QStringLiteral("箱子全部开完")}};
        QHash<QString, QString> values;
        values.insert(QStringLiteral("玩家一战绩"),
                      QStringLiteral("玩家一 ") + cut_text(state_text(tallies.at(0)), 12));
        values.insert(QStringLiteral("玩家二战绩"),
                      QStringLiteral("玩家二 ") + cut_text(state_text(tallies.at(1)), 12));
        values.insert(QStringLiteral("阶段"), stages.value(stage));
        values.insert(QStringLiteral("剩余地雷"), mines >= 0 && stage != u"setup"
                                                      ? QStringLiteral("剩余地雷：%1").arg(mines)
                                                      : QString());
        values.insert(QStringLiteral("箱子"), lines.join(u'\n'));
        values.insert(QStringLiteral("公平性"), fairness_line(game, false));
        return values;
    };
    return overlay;
}

class MineBoxModule final : public GameModule {
public:
    const GameInfo& info() const override {
        static const GameInfo info{
            QStringLiteral("minebox"),
            QStringLiteral("Krallow"),
            QString::fromUtf8(QT_TRANSLATE_NOOP("page", "开箱扫雷")),
            QStringLiteral(":/catalogue/krallow_normal.jpg"),
            QStringLiteral(":/catalogue/krallow_hover.jpg"),
            QStringLiteral(":/overlay/minebox_overlay.html"),
            QSize(640, 360),
            {{QStringLiteral("tallies"), QString::fromUtf8(QT_TRANSLATE_NOOP("page", "战绩"))},
             {QStringLiteral("mines"), QString::fromUtf8(QT_TRANSLATE_NOOP("page", "剩余地雷"))},
             {QStringLiteral("stage"), QString::fromUtf8(QT_TRANSLATE_NOOP("page", "阶段"))},
             {QStringLiteral("board"), QString::fromUtf8(QT_TRANSLATE_NOOP("page", "箱子"))},
             {QStringLiteral("fairness"), QString::fromUtf8(QT_TRANSLATE_NOOP("page", "公平性"))}},
        };
        return info;
    }

    const QList<GameAction>& actions() const override {
        static const QList<GameAction> actions = minebox_actions();
        return actions;
    }

    // A new round sets the tallies back to zero; they stay with the module between windows.
    std::unique_ptr<GameSession> create_session(const GameEnvironment&) override {
        return std::make_unique<MineBoxRound>(tallies_);
    }

    QWidget* make_window(GameSession& session, const GameEnvironment& environment) override {
        return new MineBoxWindow(static_cast<MineBoxRound&>(session), environment.site_url);
    }

    const DrawVerifier* verifier() const override { return &verifier_; }

    // The closed boxes as buttons while a box may be picked, the two players while an opened
    // box waits for its player; the board's lines as the overlay words them.
    QJsonObject remote_hints(const GameSession& /*session*/,
                             const QJsonObject& state) const override {
        const QString stage = state.value("stage").toString();
        const QString boxes = state.value("boxes").toString();
        QJsonArray buttons;
        constexpr qsizetype most_buttons = 60;
        for (qsizetype i = 0;
             stage == u"playing" && i < boxes.size() && buttons.size() < most_buttons; ++i) {
            if (boxes[i] == u'0') {
                buttons.append(QJsonObject{
                    {"label", QString::number(i + 1)},
                    {"group", QStringLiteral("开箱")},
                    {"request", QJsonObject{{"action", "dig"}, {"box", static_cast<int>(i + 1)}}}});
            }
        }
        for (int player = 1; stage == u"waiting" && player <= 2; ++player) {
            buttons.append(
                QJsonObject{{"label", player == 1 ? QStringLiteral("记给玩家一")
                                                  : QStringLiteral("记给玩家二")},
                            {"group", QStringLiteral("认领")},
                            {"request", QJsonObject{{"action", "credit"}, {"player", player}}}});
        }
        const QHash<QString, QString> values = native_overlay()->values(state);
        return {{"buttons", buttons},
                {"summary", QJsonArray{values.value("玩家一战绩"), values.value("玩家二战绩"),
                                       values.value("阶段") + u' ' + values.value("剩余地雷")}}};
    }

    const NativeOverlay* native_overlay() const override {
        static const NativeOverlay overlay = minebox_native_overlay();
        return &overlay;
    }

private:
    MineBoxTallies tallies_;
    MineBoxVerifier verifier_;
};

} // namespace

std::unique_ptr<GameModule> make_minebox_module() {
    return std::make_unique<MineBoxModule>();
}

} // namespace glimmer
