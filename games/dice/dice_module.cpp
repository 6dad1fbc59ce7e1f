// The dragon-tiger dice game as the program finds it: its description, its turn and window,
// what may be asked of it from outside, and the check of a published turn.
#include "games/dice/dice_turn.h"
#include "games/dice/dice_window.h"
#include "runtime/game_module.h"
#include "runtime/outside_numbers.h"
#include "runtime/translation.h"

#include <QJsonArray>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <optional>

namespace glimmer {

namespace {

using Kind = ActionParameter::Kind;

QList<GameAction> dice_actions() {
    const ActionParameter count{QStringLiteral("count"), Kind::whole, 0, max_throws};
    const ActionParameter phrase{QStringLiteral("text"), Kind::text, 0, 1000};
    const auto simple = [](const char* name, const char* help, Outcome (DiceTurn::*act)()) {
        return game_action<DiceTurn>(
            QString::fromLatin1(name), {}, QString::fromUtf8(help),
            [act](DiceTurn& turn, const ActionArguments&) { return (turn.*act)(); });
    };
    return {
        simple("step", QT_TRANSLATE_NOOP("actions", "下一步，和空格键一样"), &DiceTurn::next_step),
        simple("prompt", QT_TRANSLATE_NOOP("actions", "从开局提示打开“摇几次”的框"),
               &DiceTurn::open_count_frame),
        game_action<DiceTurn>(QStringLiteral("count"), {count},
                              QString::fromUtf8(QT_TRANSLATE_NOOP("actions", "设定这一局摇几次")),
                              [](DiceTurn& turn, const ActionArguments& arguments) {
                                  return turn.set_throw_count(
                                      QString::number(arguments.whole(QStringLiteral("count"))));
                              }),
        simple("start", QT_TRANSLATE_NOOP("actions", "开始摇"), &DiceTurn::start_shaking),
        simple("throw", QT_TRANSLATE_NOOP("actions", "摇一次（摇的过程中）"),
               &DiceTurn::throw_once),
        simple("reveal", QT_TRANSLATE_NOOP("actions", "摇完后开龙虎"), &DiceTurn::reveal),
        game_action<DiceTurn>(
            QStringLiteral("phrase"), {phrase},
            QString::fromUtf8(QT_TRANSLATE_NOOP("actions", "把观众的口令混进下一局的随机数")),
            [](DiceTurn& turn, const ActionArguments& arguments) {
                return turn.set_phrase(arguments.text(QStringLiteral("text")));
            }),
    };
}

class DiceVerifier final : public DrawVerifier {
public:
    QList<Option> options() const override {
        return {
            {QStringLiteral("throws"), translated("verify", "摇的次数"), QString(),
             translated("verify", "the turn's number of throws (1 to %1); the last one decides")
                 .arg(max_throws),
             true},
            {QStringLiteral("winner"), translated("verify", "胜方"),
             translated("verify", "left 或 right"),
             translated("verify", "left (dragon, player one) or right (tiger, player two)"), false},
            {QStringLiteral("faces"), translated("verify", "点数"),
             translated("verify", "龙-虎，如 5-2"),
             translated("verify", "the last throw's dragon and tiger faces, e.g. 5-2"), false},
        };
    }

    std::optional<DrawCheck> check(const DrawRecord& record, const QHash<QString, QString>& given,
                                   QString* error) const override {
        // No turn of the game has more: a larger count proves nothing and would only take time.
        const std::optional<long long> throws =
            read_whole(given.value(QStringLiteral("throws")).toStdString(), 1, max_throws);
        if (!throws) {
            *error = translated("verify", "invalid throw count '%1': a turn has 1 to %2 throws")
                         .arg(given.value(QStringLiteral("throws")))
                         .arg(max_throws);
            return std::nullopt;
        }
        std::optional<int> claimed_outcome;
        if (given.contains(QStringLiteral("winner"))) {
            const QString side = given.value(QStringLiteral("winner"));
            if (side == u"left" || side == u"dragon") {
                claimed_outcome = left_wins_outcome;
            } else if (side == u"right" || side == u"tiger") {
                claimed_outcome = right_wins_outcome;
            } else {
                *error = translated("verify", "invalid winner '%1': left or right").arg(side);
                return std::nullopt;
            }
        }
        std::optional<DiceFaces> claimed_faces;
        if (given.contains(QStringLiteral("faces"))) {
            const QString faces = given.value(QStringLiteral("faces"));
            if (faces.size() != 3 || faces[1] != u'-' || faces[0] < u'1' || faces[0] > u'6' ||
                faces[2] < u'1' || faces[2] > u'6') {
                *error =
                    translated("verify", "invalid faces '%1': dragon-tiger, e.g. 5-2").arg(faces);
                return std::nullopt;
            }
            claimed_faces = DiceFaces{faces[0].unicode() - u'0', faces[2].unicode() - u'0'};
        }
        const ThrowResult result = replay_turn(record, static_cast<std::int32_t>(*throws));
        const bool left = result.outcome == left_wins_outcome;
        const QString faces =
            QStringLiteral("%1-%2").arg(result.faces.dragon).arg(result.faces.tiger);
        DrawCheck check;
        check.outcome = {translated("verify", "throws     %1").arg(*throws),
                         translated("verify", "faces      %1 (dragon %2, tiger %3)")
                             .arg(faces)
                             .arg(result.faces.dragon)
                             .arg(result.faces.tiger),
                         translated("verify", "winner     ") +
                             (left ? translated("verify", "left (dragon, player one)")
                                   : translated("verify", "right (tiger, player two)"))};
        if (claimed_outcome && *claimed_outcome != result.outcome) {
            check.faults << translated("verify", "the winner does not match: the draw gives ") +
                                (left ? QStringLiteral("left") : QStringLiteral("right"));
        }
        check.compared = claimed_outcome || claimed_faces;
        if (claimed_faces && (claimed_faces->dragon != result.faces.dragon ||
                              claimed_faces->tiger != result.faces.tiger)) {
            check.faults << translated("verify", "the faces do not match: the draw gives ") + faces;
        }
        return check;
    }

    QString page_script() const override { return QStringLiteral(":/verify/dice_verify.js"); }
};

// The turn in OBS's own sources, worded as the overlay page words it; the dice stay covered
// while they shake, since the throws are secret until the reveal.
NativeOverlay dice_native_overlay() {
    using Kind = NativePart::Kind;
    NativeOverlay overlay;
    overlay.parts = {
        {QStringLiteral("龙方战绩"), Kind::text, {20, 10}, 26},
        {QStringLiteral("虎方战绩"), Kind::text, {20, 46}, 26},
        {QStringLiteral("龙骰"), Kind::picture, {190, 88}},
        {QStringLiteral("虎骰"), Kind::picture, {354, 88}},
        {QStringLiteral("局况"), Kind::text, {20, 196}, 28},
        {QStringLiteral("结果"), Kind::text, {20, 234}, 28, 0xffffd54a},
        {QStringLiteral("公平性"), Kind::text, {20, 274}, 15, 0xffd0d0d0},
    };
    overlay.values = [](const QJsonObject& game) {
        const QString given_phase = game.value(QStringLiteral("phase")).toString();
        const QStringList phases{QStringLiteral("waiting"), QStringLiteral("counting"),
                                 QStringLiteral("shaking"), QStringLiteral("revealing")};
        const QString phase = phases.contains(given_phase) ? given_phase : phases[0];
        const QString last = game.value(QStringLiteral("last_winner")).toString();
        const QString winner = last == u"left" || last == u"right" ? last : QString();
        const QJsonObject revealed = game.value(QStringLiteral("revealed")).toObject();
        const QJsonArray thrown = revealed.value(QStringLiteral("faces")).toArray();
        const bool faces = thrown.size() == 2 &&
                           std::all_of(thrown.begin(), thrown.end(), [](const QJsonValue& face) {
                               const int n = face.toInt();
                               return n >= 1 && n <= 6;
                           });
        const bool shown = faces && phase == u"waiting";
        const QString left_tally = state_text(game.value(QStringLiteral("left_tally")));
        // The tally texts carry the settled turns: "胜利：3  失败：12" is 15 of them.
        std::optional<long long> counted;
        static const QRegularExpression digits(QStringLiteral("\\d+"));
        QList<long long> numbers;
        for (auto it = digits.globalMatch(left_tally); it.hasNext();) {
            numbers << it.next().captured().toLongLong();
        }
        if (numbers.size() == 2) {
            counted = numbers[0] + numbers[1];
        }
        const auto round_of = [](const QJsonValue& draw) -> std::optional<long long> {
            const QJsonValue round = draw.toObject().value(QStringLiteral("round"));
            const double n = round.toDouble(-1);
            return round.isDouble() && n >= 0 && n == std::floor(n)
                       ? std::optional<long long>(static_cast<long long>(n))
                       : std::nullopt;
        };
        const std::optional<long long> settled =
            round_of(game.value(QStringLiteral("revealed"))).has_value()
                ? round_of(game.value(QStringLiteral("revealed")))
                : counted;
        std::optional<long long> next = round_of(game.value(QStringLiteral("draw")));
        if (!next && counted) {
            next = *counted + 1;
        }
        const QString number = next ? QStringLiteral("第%1局 · ").arg(*next) : QString();
        const QString won = phase == u"waiting" ? winner : QString();
        QHash<QString, QString> values;
        values.insert(QStringLiteral("龙方战绩"),
                      QStringLiteral("龙　") + cut_text(left_tally, 24));
        values.insert(QStringLiteral("虎方战绩"),
                      QStringLiteral("虎　") +
                          cut_text(state_text(game.value(QStringLiteral("right_tally"))), 24));
        for (int i = 0; i < 2; ++i) {
            values.insert(i == 0 ? QStringLiteral("龙骰") : QStringLiteral("虎骰"),
                          shown ? QStringLiteral("die_%1").arg(thrown.at(i).toInt())
                                : QStringLiteral("die_covered"));
        }
        values.insert(QStringLiteral("局况"),
                      phase == u"waiting"    ? (won.isEmpty() ? QStringLiteral("等待开局")
                                                              : QStringLiteral("等待下一局"))
                      : phase == u"counting" ? number + QStringLiteral("设定摇几次")
                      : phase == u"shaking"  ? number + QStringLiteral("摇色子中…")
                                             : number + QStringLiteral("等待开奖"));
        values.insert(QStringLiteral("结果"),
                      won.isEmpty()
                          ? QString()
                          : (settled ? QStringLiteral("第%1局：").arg(*settled)
                                     : QStringLiteral("上一局：")) +
                                (won == u"left" ? QStringLiteral("龙胜") : QStringLiteral("虎胜")));
        values.insert(QStringLiteral("公平性"), fairness_line(game, true));
        return values;
    };
    return overlay;
}

class DiceModule final : public GameModule {
public:
    const GameInfo& info() const override {
        static const GameInfo info{
            QStringLiteral("dice"),
            QStringLiteral("Vessmoor"),
            QString::fromUtf8(QT_TRANSLATE_NOOP("page", "龙虎骰子")),
            QStringLiteral(":/catalogue/vessmoor_normal.jpg"),
            QStringLiteral(":/catalogue/vessmoor_hover.jpg"),
            QStringLiteral(":/overlay/dice_overlay.html"),
            QSize(640, 300),
            {{QStringLiteral("tallies"), QString::fromUtf8(QT_TRANSLATE_NOOP("page", "战绩"))},
             {QStringLiteral("dice"), QString::fromUtf8(QT_TRANSLATE_NOOP("page", "色子"))},
             {QStringLiteral("turn"), QString::fromUtf8(QT_TRANSLATE_NOOP("page", "局况"))},
             {QStringLiteral("result"), QString::fromUtf8(QT_TRANSLATE_NOOP("page", "结果"))},
             {QStringLiteral("fairness"), QString::fromUtf8(QT_TRANSLATE_NOOP("page", "公平性"))}},
        };
        return info;
    }

    const QList<GameAction>& actions() const override {
        static const QList<GameAction> actions = dice_actions();
        return actions;
    }

    // The tallies outlive every window: a new turn carries them on.
    std::unique_ptr<GameSession> create_session(const GameEnvironment&) override {
        return std::make_unique<DiceTurn>(state_);
    }

    QWidget* make_window(GameSession& session, const GameEnvironment& environment) override {
        return new DiceWindow(static_cast<DiceTurn&>(session), environment.site_url);
    }

    const DrawVerifier* verifier() const override { return &verifier_; }

    QList<DefaultKey> default_keys() const override {
        return {{QStringLiteral("Ctrl+Alt+Space"), QStringLiteral("dice step")}};
    }

    // The turn's lines as the overlay words them; the steps are the table's own buttons.
    QJsonObject remote_hints(const GameSession& /*session*/,
                             const QJsonObject& state) const override {
        const QHash<QString, QString> values = native_overlay()->values(state);
        QJsonArray summary;
        for (const char* part : {"龙方战绩", "虎方战绩", "局况", "结果"}) {
            if (!values.value(QString::fromUtf8(part)).isEmpty()) {
                summary.append(values.value(QString::fromUtf8(part)));
            }
        }
        return {{"summary", summary}};
    }

    const NativeOverlay* native_overlay() const override {
        static const NativeOverlay overlay = dice_native_overlay();
        return &overlay;
    }

private:
    DiceState state_;
    DiceVerifier verifier_;
};

} // namespace

std::unique_ptr<GameModule> make_dice_module() {
    return std::make_unique<DiceModule>();
}

} // namespace glimmer
