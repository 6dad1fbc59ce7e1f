#include "hostcore/control_words.h"

#include "hostcore/command_line.h"
#include "runtime/outside_numbers.h"
#include "runtime/text.h"
#include "runtime/translation.h"

#include <QFileInfo>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>

namespace glimmer::host {

namespace {

QString shown(const QString& text) {
    return QString::fromStdString(shown_argument(text.toStdString()));
}

ControlRequest usage(const QString& error) {
    return {{}, error, false};
}

QString too_many(const QString& name, const QList<ActionParameter>& parameters) {
    qsizetype required = 0;
    for (const ActionParameter& parameter : parameters) {
        required += parameter.optional ? 0 : 1;
    }
    return translated("ctl", "'%1' takes %2 argument(s); see 'glimmerhall ctl --help'")
        .arg(name)
        .arg(required);
}

} // namespace

QString ControlCommand::words() const {
    QStringList words;
    if (!game.isEmpty()) {
        words << game;
    }
    words << action->name;
    for (const ActionParameter& parameter : action->parameters) {
        words << parameter_word(parameter);
    }
    return words.join(u' ');
}

QList<ControlCommand> control_commands(const GameModules& games) {
    QList<ControlCommand> commands;
    for (const GameAction& action : program_actions()) {
        commands.append({QString(), &action});
    }
    for (const std::unique_ptr<GameModule>& game : games) {
        for (const GameAction& action : game->actions()) {
            commands.append({game->info().id, &action});
        }
    }
    for (const ProgramService& service : program_services()) {
        for (const GameAction& action : service.actions) {
            commands.append({service.word, &action, true});
        }
    }
    return commands;
}

ControlRequest parse_control_words(const std::vector<std::string>& words,
                                   const GameModules& games) {
    QStringList given;
    for (const std::string& word : words) {
        const QByteArray bytes = QByteArray::fromStdString(word);
        if (!is_utf8(bytes)) {
            return usage(translated("ctl", "an argument is not UTF-8 text; the program reads UTF-8 "
                                           "only (参数不是有效的 UTF-8 文字)"));
        }
        given << QString::fromUtf8(bytes);
    }
    if (!given.isEmpty() && (given[0] == u"--help" || given[0] == u"-h")) {
        return {{}, {}, true};
    }
    if (given.isEmpty()) {
        return usage(translated("ctl", "ctl needs a command"));
    }
    for (const ControlCommand& command : control_commands(games)) {
        qsizetype used = 0;
        if (!command.game.isEmpty()) {
            if (given[0] != command.game) {
                continue;
            }
            used = 1;
        }
        if (given.size() <= used || given[used] != command.action->name) {
            continue;
        }
        ++used;
        const QString name = command.game.isEmpty() ? command.action->name
                                                    : command.game + u' ' + command.action->name;
        const QList<ActionParameter>& parameters = command.action->parameters;
        // Options by their names, the others in order; a usage error names what is wrong.
        QHash<QString, QString> values;
        qsizetype next = 0;
        for (qsizetype i = used; i < given.size(); ++i) {
            const ActionParameter* parameter = nullptr;
            if (given[i].startsWith(u"--")) {
                for (const ActionParameter& known : parameters) {
                    if (known.option && QStringLiteral("--") + known.name == given[i]) {
                        parameter = &known;
                    }
                }
                if (parameter == nullptr || i + 1 >= given.size()) {
                    return usage(translated("ctl", "'%1' does not take '%2'; see 'glimmerhall "
                                                   "ctl --help'")
                                     .arg(name, shown(given[i])));
                }
                ++i;
            } else {
                while (next < parameters.size() && parameters[next].option) {
                    ++next;
                }
                if (next >= parameters.size()) {
                    return usage(too_many(name, parameters));
                }
                parameter = &parameters[next++];
            }
            values.insert(parameter->name, given[i]);
        }
        for (const ActionParameter& parameter : parameters) {
            if (!parameter.optional && !values.contains(parameter.name)) {
                return usage(too_many(name, parameters));
            }
        }
        QJsonObject request{{QStringLiteral("action"), command.action->name}};
        if (!command.game.isEmpty()) {
            request.insert(command.service ? QStringLiteral("service") : QStringLiteral("game"),
                           command.game);
        }
        for (const ActionParameter& parameter : parameters) {
            if (!values.contains(parameter.name)) {
                continue;
            }
            const QString& value = values[parameter.name];
            if (parameter.kind == ActionParameter::Kind::player ||
                parameter.kind == ActionParameter::Kind::whole) {
                const bool player = parameter.kind == ActionParameter::Kind::player;
                const std::optional<long long> number = read_whole(
                    value.toStdString(), player ? 1 : parameter.low, player ? 2 : parameter.high);
                if (!number) {
                    return usage(translated("ctl", "invalid %1 '%2' for '%3'")
                                     .arg(parameter.name, shown(value), name));
                }
                request.insert(parameter.name, static_cast<double>(*number));
            } else {
                request.insert(parameter.name,
                               parameter.path ? QFileInfo(value).absoluteFilePath() : value);
            }
        }
        const QByteArray json = QJsonDocument(request).toJson(QJsonDocument::Compact);
        if (json.size() > static_cast<qsizetype>(longest_control_request)) {
            return usage(translated("ctl", "'%1' is too long: a request takes at most %2 bytes "
                                           "(命令太长)")
                             .arg(name)
                             .arg(longest_control_request));
        }
        return {json, {}, false};
    }
    return usage(
        translated("ctl", "unknown ctl command '%1'; see 'glimmerhall ctl --help'")
            .arg(shown(given[0]) + (given.size() > 1 ? u' ' + shown(given[1]) : QString())));
}

QString control_usage_text() {
    return translated(
        "ctl", "Usage: glimmerhall ctl COMMAND [ARGUMENTS]  (glimmerhall ctl --help lists them)\n");
}

QString control_help_text(const GameModules& games) {
    QString text = translated(
        "ctl", "Usage: glimmerhall ctl COMMAND [ARGUMENTS]\n"
               "\n"
               "Sends one command to the program running in this user's session and prints its\n"
               "answer. Commands act as the game windows' own buttons and keys do.\n"
               "\n"
               "Commands:\n");
    for (const ControlCommand& command : control_commands(games)) {
        QString words = command.words();
        words = words.leftJustified(std::max<qsizetype>(words.size() + 2, 30));
        // The tables' help lines are marked where the games write them.
        text += QStringLiteral("  ") + words +
                translated("actions", command.action->help.toUtf8().constData()) + u'\n';
    }
    text += translated(
        "ctl", "\n"
               "Exit status: 0 done; 1 refused (the reason on standard error: the game is not\n"
               "open, the action is not allowed now, a message box is open, a value it cannot\n"
               "take); 2 usage error; 3 no program running.\n");
    return text;
}

} // namespace glimmer::host
