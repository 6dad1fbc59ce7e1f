#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

namespace glimmer {

class CatalogueWindow;

// What a command from outside (ctl, the control API) came to.
struct ControlAnswer {
    // done; refused: the state does not allow it now; bad_request: the request is not one
    // (no JSON, arguments missing); not_found: no such game or command; invalid: a well-formed
    // request whose value cannot be taken (an amount that is no number, or out of range).
    enum class Status { done, refused, bad_request, not_found, invalid };
    Status status = Status::done;
    QString reason;    // why it was refused or not understood
    QByteArray output; // what the command prints: the state JSON for "state"
};

// Runs one command on the program's catalogue and its open games, through the same model
// actions the windows use. The request names "action", "game" where the command belongs to
// a game, and the action's arguments ("player", "amount", "n", "count", "boxes", "mines",
// "box").
ControlAnswer run_control(CatalogueWindow& catalogue, const QJsonObject& request);

// The same for a request as JSON text, as ctl and the hotkeys send it; the answer as JSON.
QByteArray run_control_json(CatalogueWindow& catalogue, const QByteArray& request);

// The answer as sent back over the control socket: one compact JSON object.
QByteArray control_answer_json(const ControlAnswer& answer);

// The HTTP status the control API answers with.
int http_status(ControlAnswer::Status status);

} // namespace glimmer
