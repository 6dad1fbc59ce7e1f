#include "runtime/overlay/control_endpoint.h"

#include <QJsonDocument>

namespace glimmer::overlay {

namespace {

// Equal or not, in time that does not tell how much of a guess was right.
bool same_token(const QByteArray& given, const QByteArray& expected) {
    if (expected.isEmpty() || given.size() != expected.size()) {
        return false; // the length of a token is no secret
    }
    unsigned char difference = 0;
    for (qsizetype i = 0; i < given.size(); ++i) {
        difference |= static_cast<unsigned char>(given[i] ^ expected[i]);
    }
    return difference == 0;
}

} // namespace

bool host_allowed(const QByteArray& host, int port) {
    const QByteArray suffix = ':' + QByteArray::number(port);
    return host == "127.0.0.1" + suffix ||
           host.compare("localhost" + suffix, Qt::CaseInsensitive) == 0;
}

bool origin_allowed(const QByteArray& origin, int port) {
    return origin.isEmpty() || (origin.startsWith("http://") && host_allowed(origin.mid(7), port));
}

ControlCheck check_control_head(const RequestHead& head, const QByteArray& token, int port) {
    ControlCheck check;
    if (head.method != "POST") {
        check.refusal = 405;
        return check;
    }
    const QByteArray authorization = head.headers.value("authorization");
    if (head.duplicate_host || !host_allowed(head.headers.value("host"), port)) {
        check.refusal = 421;
    } else if (head.headers.contains("origin")) {
        check.refusal = 403;
    } else if (!authorization.startsWith("Bearer ") ||
               !same_token(authorization.mid(7).trimmed(), token)) {
        check.refusal = 401;
    }
    if (check.refusal != 0) {
        check.stranger = true;
        return check;
    }
    if (head.headers.contains("transfer-encoding")) {
        check.refusal = 400;
        return check;
    }
    check.body_bytes = head.headers.contains("content-length")
                           ? content_length(head.headers.value("content-length"))
                           : 0;
    if (check.body_bytes < 0) {
        check.refusal = 400;
        return check;
    }
    if (check.body_bytes > max_control_body) {
        check.refusal = 413;
        return check;
    }
    const QList<QByteArray> words = head.path.mid(13).split('/');
    if (!head.path.startsWith("/api/control/") || words.size() != 2 || words[0].isEmpty() ||
        words[1].isEmpty()) {
        check.refusal = 404;
        return check;
    }
    check.game = words[0];
    check.action = words[1];
    return check;
}

std::optional<QJsonObject> control_body(QByteArrayView body) {
    const QByteArray trimmed = body.toByteArray().trimmed();
    if (trimmed.isEmpty()) {
        return QJsonObject();
    }
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(trimmed, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        return std::nullopt;
    }
    return document.object();
}

bool SlidingBudget::take(qint64 now) {
    while (!taken_.isEmpty() && taken_.front() <= now - 1000) {
        taken_.removeFirst();
    }
    if (taken_.size() >= per_second_) {
        return false;
    }
    taken_.append(now);
    return true;
}

} // namespace glimmer::overlay
