#pragma once

// POST /api/control/<game>/<action> on the overlay server: which requests may through, at
// what rate, and how a body is read. Plain functions and values, tested and fuzzed without a
// socket; the server (overlay_module.cpp) only moves the bytes.

#include "runtime/overlay/http_head.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>

#include <optional>

namespace glimmer::overlay {

// A control request's body is a small JSON object.
inline constexpr qint64 max_control_body = 4096;

// Whether the Host header names this server: 127.0.0.1 or localhost with its port, so that a
// name that only resolves here (DNS rebinding) is refused.
bool host_allowed(const QByteArray& host, int port);
// A WebSocket's Origin, when there is one, must be one of the server's own pages.
bool origin_allowed(const QByteArray& origin, int port);

// What the head of a control request allows, before any body is read.
struct ControlCheck {
    // 0: let through, the body still to come; else the status to answer with.
    int refusal = 0;
    // Refused for who asked (another Host, a web page, no token or a wrong one): such refusals
    // have a budget of their own, apart from the genuine requests'.
    bool stranger = false;
    qint64 body_bytes = 0;
    QByteArray game;
    QByteArray action;
};
// The checks in order: the method; the Host, the Origin (every web page's request carries
// one) and the bearer token, compared in time that tells nothing of a guess; then the body's
// framing and size, and the path.
ControlCheck check_control_head(const RequestHead& head, const QByteArray& token, int port);

// The body as the request's JSON object: empty means {}; anything but one object is none.
std::optional<QJsonObject> control_body(QByteArrayView body);

// At most per_second takes in any second, sliding.
class SlidingBudget {
public:
    explicit SlidingBudget(qsizetype per_second) : per_second_(per_second) {}
    // now in milliseconds, never going back.
    bool take(qint64 now);

private:
    qsizetype per_second_;
    QList<qint64> taken_;
};

} // namespace glimmer::overlay
