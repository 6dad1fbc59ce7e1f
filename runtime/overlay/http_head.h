#pragma once

// The overlay server's reading and writing of HTTP/1.1 heads: plain functions over bytes, so
// that every check can be tested, and fuzzed, without a socket.

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QLoggingCategory>

#include <utility>

namespace glimmer::overlay {

Q_DECLARE_LOGGING_CATEGORY(log_server)

// Sizes beyond any browser's request for these pages; larger heads are refused.
inline constexpr qsizetype max_head_bytes = 8 * 1024;
inline constexpr int max_header_lines = 64;

// The length of the head up to and including its empty line, or -1 while it is incomplete.
// A bare LF ends a line as well as CRLF does.
qsizetype head_length(QByteArrayView seen);

struct RequestHead {
    QByteArray method;
    QByteArray path;                       // without its query
    QByteArray query;                      // after the "?", as sent
    QHash<QByteArray, QByteArray> headers; // names in lower case, values trimmed
    bool duplicate_host = false;
    bool duplicate_origin = false;
};

// False for anything that is not a well-formed HTTP/1.x request head.
bool parse_head(QByteArrayView head, RequestHead& out);

// Whether a comma list of tokens (a Connection header, say) holds token, case aside.
bool has_token(const QByteArray& value, const QByteArray& token);

// A Content-Length: digits only, at most 12 of them; -1 for anything else.
qint64 content_length(const QByteArray& value);

struct Response {
    int status = 200;
    QByteArray content_type;
    QByteArray body;
    QList<std::pair<QByteArray, QByteArray>> headers;
};

QByteArray reason_phrase(int status);
// A short text answer: "404 Not Found".
Response text_response(int status);
// The whole answer on the wire, "Connection: close" and the safety headers included.
QByteArray response_bytes(const Response& response);

} // namespace glimmer::overlay
