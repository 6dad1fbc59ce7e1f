#include "runtime/game_module.h"

#include "runtime/outside_numbers.h"
#include "runtime/text.h"
#include "translation.h"

#include <QJsonValue>

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

QString parameter_word(const ActionParameter& parameter) {
    return parameter.kind == ActionParameter::Kind::player ? QStringLiteral("1|2")
                                                           : parameter.name.toUpper();
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
