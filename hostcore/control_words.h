#pragma once

#include "runtime/game_module.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace glimmer::host {

// "glimmerhall ctl": its commands, help and requests, all made from the program's own actions
// and the games' action tables, so that a game's actions are ctl's commands with no line here.

// One command ctl takes.
struct ControlCommand {
    QString game; // empty for the program's own
    const GameAction* action = nullptr;
    bool service = false; // game is a service's word (see program_services())
    // "<game> <action> 1|2 AMOUNT", as help and usage write it.
    QString words() const;
};
// The program's commands first, then each game's in the catalogue's order.
QList<ControlCommand> control_commands(const GameModules& games);

// The words after "ctl" read as one request.
struct ControlRequest {
    QByteArray request; // one compact JSON object; empty unless the words are a request
    QString error;      // one line, for a usage error
    bool help = false;  // "ctl --help"
};
// Each word is taken as UTF-8. A player or whole number must be of its kind here (a usage
// error otherwise); amounts and texts go as typed, for the running program to judge.
ControlRequest parse_control_words(const std::vector<std::string>& words, const GameModules& games);

QString control_help_text(const GameModules& games);
QString control_usage_text();

} // namespace glimmer::host
