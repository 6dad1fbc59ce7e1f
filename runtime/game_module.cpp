#include "runtime/game_module.h"

#include "runtime/outside_numbers.h"
#include "runtime/text.h"
#include "translation.h"

#include <QJsonValue>
#include <QRegularExpression>

#include <cmath>

namespace glimmer {

long long ActionArguments::whole(const QString& name) const {
    return static_cast<long long>(values_.value(name).toDouble());
}

QString ActionArguments::text(const QString& name) const {
    return values_.value(name).toString();
}

namespace {

// A JSON number that is a whole number in range, or text of digits that is.
std::optional<long long> whole_of(const QJsonValue& value, long long low, long long high) {
    if (value.isDouble()) {
        const double number = value.toDouble();
        if (std::isfinite(number) && number == std::floor(number) &&
            number >= static_cast<double>(low) && number <= static_cast<double>(high)) {
            return static_cast<long long>(number);
        }
        return std::nullopt;
    }
    return value.isString() ? read_whole(value.toString().toStdString(), low, high) : std::nullopt;
}

} // namespace

Outcome read_arguments(const GameAction& action, const QJsonObject& request,
                       ActionArguments* arguments) {
    QJsonObject values;
    for (const ActionParameter& parameter : action.parameters) {
        const QJsonValue value = request.value(parameter.name);
        if (value.isUndefined() || value.isNull()) {
            if (parameter.optional) {
                continue;
            }
            return Outcome::bad_request(translated("ctl", "缺少参数：") + parameter.name);
        }
        const QString shown = (value.isString()   ? value.toString()
                               : value.isDouble() ? QString::number(value.toDouble(), 'g', 17)
                                                  : translated("ctl", "（不是数字或文字）"))
                                  .left(40);
        switch (parameter.kind) {
        case ActionParameter::Kind::player: {
            const std::optional<long long> player = whole_of(value, 1, 2);
            if (!player) {
                return Outcome::invalid(translated("ctl", "玩家只能是 1 或 2：") + shown);
            }
            values.insert(parameter.name, static_cast<double>(*player));
            break;
        }
        case ActionParameter::Kind::whole: {
            const std::optional<long long> number = whole_of(value, parameter.low, parameter.high);
            if (!number) {
                return Outcome::invalid(translated("ctl", "%1 应是 %2 到 %3 的整数：%4")
                                            .arg(parameter.name)
                                            .arg(parameter.low)
                                            .arg(parameter.high)
                                            .arg(shown));
            }
            values.insert(parameter.name, static_cast<double>(*number));
            break;
        }
        case ActionParameter::Kind::amount: {
            // Words, "NaN", full-width digits or a value past any total never become a step.
            const QString text = value.isDouble() ? to_text(value.toDouble()) : value.toString();
            const std::optional<double> number = value.isString() || value.isDouble()
                                                     ? read_decimal(text.toStdString())
                                                     : std::nullopt;
            if (!number) {
                return Outcome::invalid(QStringLiteral("数量必须是十进制数字（可带正负号、小数点和"
                                                       "指数），且在能计算的范围内：") +
                                        shown);
            }
            if (*number == 0) {
                return Outcome::invalid(QStringLiteral("数量为 0，没有计入"));
            }
            values.insert(parameter.name, text);
            break;
        }
        case ActionParameter::Kind::text:
            if (!value.isString() || value.toString().size() > parameter.high) {
                return Outcome::invalid(QStringLiteral("%1 应是不超过 %2 个字的文字")
                                            .arg(parameter.name)
                                            .arg(parameter.high));
            }
            values.insert(parameter.name, value.toString());
            break;
        }
    }
    // Who asked is told, never checked: only the remote's gate sets it, over what a phone sent.
    const QJsonValue source = request.value(QStringLiteral("source"));
    if (source.isString() && !values.contains(QStringLiteral("source"))) {
        values.insert(QStringLiteral("source"), source.toString().left(40));
    }
    *arguments = ActionArguments(values);
    return Outcome::ok();
}

const QList<GameAction>& program_actions() {
    static const QList<GameAction> actions{
        {QStringLiteral("open"),
         {{QStringLiteral("game"), ActionParameter::Kind::text, 0, 64}},
         QString::fromUtf8(
             QT_TRANSLATE_NOOP("actions", "打开一个游戏的窗口，已开着就把它带到前面")),
         {}},
        {QStringLiteral("state"),
         {},
         QString::fromUtf8(
             QT_TRANSLATE_NOOP("actions", "打印各游戏的状态，即 GET /api/state 的 JSON")),
         {}},
        {QStringLiteral("raise"),
         {},
         QString::fromUtf8(QT_TRANSLATE_NOOP("actions", "把游戏目录带到前面")),
         {}},
    };
    return actions;
}

const GameAction* program_action(const QString& name) {
    for (const GameAction& action : program_actions()) {
        if (action.name == name) {
            return &action;
        }
    }
    return nullptr;
}

namespace {

QString hex_of(const QJsonValue& value) {
    static const QRegularExpression hex(QStringLiteral("^[0-9a-f]{64}$"));
    return value.isString() && hex.match(value.toString()).hasMatch() ? value.toString()
                                                                      : QString();
}

} // namespace

QString fairness_line(const QJsonObject& game, bool numbered_by_turn) {
    const QJsonObject draw = game.value(QStringLiteral("draw")).toObject();
    const QJsonObject shown = game.value(QStringLiteral("revealed")).toObject();
    const auto round = [numbered_by_turn](const QJsonValue& value) {
        const double number = value.toDouble(-1);
        return value.isDouble() && number >= 0 && number == std::floor(number)
                   ? (numbered_by_turn ? QStringLiteral("第%1局 ") : QStringLiteral("第%1轮 "))
                         .arg(static_cast<long long>(number))
                   : QString();
    };
    const auto phrase = [](const QJsonValue& value) {
        return value.isString() && !value.toString().isEmpty()
                   ? QStringLiteral("  口令 ") + value.toString()
                   : QString();
    };
    QStringList parts;
    const QString seed = hex_of(shown.value(QStringLiteral("seed")));
    const QString commitment = hex_of(draw.value(QStringLiteral("commitment")));
    const bool upcoming = !draw.isEmpty() && draw.value(QStringLiteral("phrase_open")).toBool();
    if (!seed.isEmpty() && (upcoming || commitment.isEmpty())) {
        parts << round(shown.value(QStringLiteral("round"))) + QStringLiteral("种子 ") +
                     seed.left(12) + u'…' + phrase(shown.value(QStringLiteral("phrase")));
    }
    if (!commitment.isEmpty()) {
        parts << round(draw.value(QStringLiteral("round"))) + QStringLiteral("承诺 ") +
                     commitment.left(12) + u'…' +
                     (upcoming ? QString() : phrase(draw.value(QStringLiteral("phrase"))));
    }
    return parts.join(u'｜');
}

QString state_text(const QJsonValue& value) {
    return value.isString()   ? value.toString()
           : value.isDouble() ? QString::number(value.toDouble(), 'g', 17)
                              : QString();
}

QString cut_text(const QString& text, qsizetype length) {
    return text.size() > length ? text.left(length - 1) + u'…' : text;
}

const QList<ProgramService>& program_services() {
    using Kind = ActionParameter::Kind;
    const ActionParameter game{QStringLiteral("game"), Kind::text, 0, 64, true, false};
    static const QList<ProgramService> services{
        {QStringLiteral("obs"),
         {
             {QStringLiteral("setup"),
              {game, {QStringLiteral("scene"), Kind::text, 0, 256, true, true}},
              QString::fromUtf8(QT_TRANSLATE_NOOP(
                  "actions", "把游戏（不写就是全部）加入 OBS 的当前场景，或 --scene 指定的场景")),
              {}},
             {QStringLiteral("status"),
              {},
              QString::fromUtf8(
                  QT_TRANSLATE_NOOP("actions", "OBS 是否连上、它的版本、场景和已加入的游戏")),
              {}},
             {QStringLiteral("remove"),
              {game},
              QString::fromUtf8(QT_TRANSLATE_NOOP(
                  "actions", "从 OBS 拿走程序加入的源（不写游戏就是全部），别的都不动")),
              {}},
         }},
        {QStringLiteral("remote"),
         {
             {QStringLiteral("on"),
              {},
              QString::fromUtf8(QT_TRANSLATE_NOOP("actions", "打开手机遥控，打印手机可用的地址")),
              {}},
             {QStringLiteral("off"),
              {},
              QString::fromUtf8(QT_TRANSLATE_NOOP("actions", "关闭手机遥控，断开所有手机")),
              {}},
             {QStringLiteral("status"),
              {},
              QString::fromUtf8(QT_TRANSLATE_NOOP("actions", "手机遥控是否开着、地址和配对的设备")),
              {}},
             {QStringLiteral("pair"),
              {{QStringLiteral("qr"), Kind::text, 0, 4096, true, true, true}},
              QString::fromUtf8(QT_TRANSLATE_NOOP(
                  "actions", "打印一个新的配对地址（5 分钟内用一次），--qr 另存二维码 PNG")),
              {}},
             {QStringLiteral("devices"),
              {},
              QString::fromUtf8(QT_TRANSLATE_NOOP("actions", "列出配对的设备")),
              {}},
             {QStringLiteral("role"),
              {{QStringLiteral("device"), Kind::text, 0, 64},
               {QStringLiteral("role"), Kind::text, 0, 16}},
              QString::fromUtf8(
                  QT_TRANSLATE_NOOP("actions", "设一台设备能操作（operate）还是只能看（view）")),
              {}},
             {QStringLiteral("remove"),
              {{QStringLiteral("device"), Kind::text, 0, 64}},
              QString::fromUtf8(
                  QT_TRANSLATE_NOOP("actions", "移除一台设备（all 为全部），立即生效")),
              {}},
         }},
    };
    return services;
}

const ProgramService* program_service(const QString& word) {
    for (const ProgramService& service : program_services()) {
        if (service.word == word) {
            return &service;
        }
    }
    return nullptr;
}

const GameAction* service_action(const QString& word, const QString& name) {
    const ProgramService* service = program_service(word);
    for (qsizetype i = 0; service != nullptr && i < service->actions.size(); ++i) {
        if (service->actions[i].name == name) {
            return &service->actions[i];
        }
    }
    return nullptr;
}

QString parameter_word(const ActionParameter& parameter) {
    const QString word = parameter.kind == ActionParameter::Kind::player ? QStringLiteral("1|2")
                         : parameter.path                                ? QStringLiteral("FILE")
                                                                         : parameter.name.toUpper();
    const QString given =
        parameter.option ? QStringLiteral("--") + parameter.name + u' ' + word : word;
    return parameter.optional ? u'[' + given + u']' : given;
}

const GameAction* GameModule::action(const QString& name) const {
    for (const GameAction& known : actions()) {
        if (known.name == name) {
            return &known;
        }
    }
    return nullptr;
}

} // namespace glimmer
