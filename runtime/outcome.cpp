#include "runtime/outcome.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <array>

namespace glimmer {

namespace {

using Kind = Outcome::Kind;

// ctl: 0 done, 1 refused (also a value it cannot take), 2 a usage error; 3, no program
// running, is the client's own. HTTP: 409 for a state that does not allow it.
constexpr std::array<OutcomeKind, 5> kinds{{
    {Kind::done, QLatin1StringView("done"), 0, 200},
    {Kind::refused, QLatin1StringView("refused"), 1, 409},
    {Kind::invalid, QLatin1StringView("invalid"), 1, 400},
    {Kind::bad_request, QLatin1StringView("bad_request"), 2, 400},
    {Kind::not_found, QLatin1StringView("not_found"), 2, 404},
}};

} // namespace

const OutcomeKind& outcome_kind(Kind kind) {
    for (const OutcomeKind& known : kinds) {
        if (known.kind == kind) {
            return known;
        }
    }
    return kinds[3];
}

const OutcomeKind* outcome_kind_named(QStringView name) {
    for (const OutcomeKind& known : kinds) {
        if (name == known.name) {
            return &known;
        }
    }
    return nullptr;
}

QByteArray outcome_json(const Outcome& outcome) {
    QJsonObject object{{QStringLiteral("status"), QString(outcome_kind(outcome.kind).name)}};
    if (!outcome.reason.isEmpty()) {
        object.insert(QStringLiteral("reason"), outcome.reason);
    }
    if (!outcome.output.isEmpty()) {
        // Kept as text, byte for byte what GET /api/state gives.
        object.insert(QStringLiteral("output"), QString::fromUtf8(outcome.output));
    }
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

Outcome outcome_from_json(const QByteArray& json) {
    const QJsonObject object = QJsonDocument::fromJson(json).object();
    const OutcomeKind* kind = outcome_kind_named(object.value(QStringLiteral("status")).toString());
    if (kind == nullptr) {
        return Outcome::bad_request(QStringLiteral("回答不是程序的回答"));
    }
    Outcome outcome{kind->kind, object.value(QStringLiteral("reason")).toString(), false,
                    object.value(QStringLiteral("output")).toString().toUtf8()};
    return outcome;
}

} // namespace glimmer
