// The body of a control request, and its arguments read against every action's parameters.

#include "fuzz_support.h"
#include "runtime/outside_numbers.h"
#include "runtime/overlay/control_endpoint.h"

#include <QJsonValue>

#include <cmath>

using namespace glimmer;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray input = fuzz::bytes(data, size);
    const std::optional<QJsonObject> body = overlay::control_body(input);
    if (!body) {
        return 0;
    }
    QList<const GameAction*> actions;
    for (const GameAction& action : program_actions()) {
        actions << &action;
    }
    for (const std::unique_ptr<GameModule>& game : fuzz::made_up_games()) {
        for (const GameAction& action : game->actions()) {
            actions << &action;
        }
    }
    for (const GameAction* action : actions) {
        ActionArguments arguments;
        const Outcome read = read_arguments(*action, *body, &arguments);
        FUZZ_EXPECT(read.done() || read.kind == Outcome::Kind::invalid ||
                    read.kind == Outcome::Kind::bad_request);
        FUZZ_EXPECT(read.done() || !read.reason.isEmpty());
        if (!read.done()) {
            continue;
        }
        // What an action is handed is of its kind and in its range, so it need check nothing.
        for (const ActionParameter& parameter : action->parameters) {
            switch (parameter.kind) {
            case ActionParameter::Kind::player:
                FUZZ_EXPECT(arguments.player() == 1 || arguments.player() == 2);
                break;
            case ActionParameter::Kind::whole: {
                const long long value = arguments.whole(parameter.name);
                FUZZ_EXPECT(value >= parameter.low && value <= parameter.high);
                break;
            }
            case ActionParameter::Kind::amount: {
                // Passed on as text, which the model reads the same strict way.
                const std::optional<double> value =
                    read_decimal(arguments.text(parameter.name).toStdString());
                FUZZ_EXPECT(value && std::isfinite(*value) && *value != 0);
                break;
            }
            case ActionParameter::Kind::text:
                FUZZ_EXPECT(arguments.text(parameter.name).size() <= parameter.high);
                break;
            }
        }
    }
    return 0;
}
