#pragma once

#include <QByteArray>
#include <QLatin1StringView>
#include <QString>

namespace glimmer {

// What an action came to, whoever asked for it (a window, a command, a control request, a
// key): done, or not, with the kind of why and the reason in the host's words. Every game's
// actions and every way in share it. Quiet refusals are those a window passes over without a
// word, such as an empty amount; the others it shows to the host.
struct Outcome {
    enum class Kind {
        done,
        refused,     // the state does not allow it now (or a box waits for the host)
        invalid,     // a well-formed request whose value cannot be taken
        bad_request, // not a request at all: no JSON, arguments missing, too long
        not_found,   // no such game or action
    };
    Kind kind = Kind::done;
    QString reason; // empty when done
    bool quiet = false;
    QByteArray output; // what a command prints when done: the state JSON for "state"

    bool done() const { return kind == Kind::done; }

    static Outcome ok(QByteArray output = {}) { return {Kind::done, {}, false, std::move(output)}; }
    static Outcome refused(const QString& reason, bool quiet = false) {
        return {Kind::refused, reason, quiet, {}};
    }
    static Outcome invalid(const QString& reason) { return {Kind::invalid, reason, false, {}}; }
    static Outcome bad_request(const QString& reason) {
        return {Kind::bad_request, reason, false, {}};
    }
    static Outcome not_found(const QString& reason) { return {Kind::not_found, reason, false, {}}; }
};

// How each kind meets the outside, in one place: its name in an answer, the exit status of
// "glimmerhall ctl", the status of the HTTP control API.
struct OutcomeKind {
    Outcome::Kind kind;
    QLatin1StringView name;
    int exit_status;
    int http_status;
};
const OutcomeKind& outcome_kind(Outcome::Kind kind);
// The kind an answer names; null for a name none has.
const OutcomeKind* outcome_kind_named(QStringView name);

// An outcome as the control socket and the HTTP API answer it: one compact JSON object with
// "status" (the kind's name), "reason" when there is one and "output" when there is one.
QByteArray outcome_json(const Outcome& outcome);
// Back from that JSON; a bad_request saying so for anything else.
Outcome outcome_from_json(const QByteArray& json);

} // namespace glimmer
