// "glimmerhall ctl ..." as typed, words cut at zero bytes: what the command line and ctl's
// reader make of them, and that every request ctl would send is one the program reads with
// nothing missing.

#include "fuzz_support.h"
#include "hostcore/command_line.h"
#include "hostcore/control_words.h"
#include "runtime/overlay/control_endpoint.h"

using namespace glimmer;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> arguments;
    for (const QByteArray& word : fuzz::pieces(fuzz::bytes(data, size), '\0', 32)) {
        arguments.push_back(word.toStdString());
    }
    const host::CommandLine line = host::parse_command_line(arguments);
    FUZZ_EXPECT((line.action == host::CommandLine::Action::usage_error) == !line.error.empty());
    FUZZ_EXPECT(line.error.find('\n') == std::string::npos);
    FUZZ_EXPECT(!line.overlay_port || (*line.overlay_port >= 0 && *line.overlay_port <= 65535));

    const host::ControlRequest parsed = host::parse_control_words(arguments, fuzz::made_up_games());
    FUZZ_EXPECT(int(parsed.help) + int(!parsed.request.isEmpty()) + int(!parsed.error.isEmpty()) ==
                1);
    FUZZ_EXPECT(!parsed.error.contains(u'\n'));
    if (parsed.request.isEmpty()) {
        return 0;
    }
    FUZZ_EXPECT(parsed.request.size() <= qsizetype(longest_control_request));
    const std::optional<QJsonObject> request = overlay::control_body(parsed.request);
    FUZZ_EXPECT(request.has_value());
    const QString game = request->value(QStringLiteral("game")).toString();
    const QString name = request->value(QStringLiteral("action")).toString();
    // As the game host reads it: a service's actions by its word, the program's own actions by
    // name alone, then the game's.
    const GameAction* action =
        request->contains(QStringLiteral("service"))
            ? service_action(request->value(QStringLiteral("service")).toString(), name)
            : program_action(name);
    for (const std::unique_ptr<GameModule>& module : fuzz::made_up_games()) {
        if (action == nullptr && module->info().id == game) {
            action = module->action(name);
        }
    }
    FUZZ_EXPECT(action != nullptr);
    ActionArguments values;
    const Outcome read = read_arguments(*action, *request, &values);
    FUZZ_EXPECT(read.done() || read.kind == Outcome::Kind::invalid);
    return 0;
}
