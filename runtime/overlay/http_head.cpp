#include "runtime/overlay/http_head.h"

#include "runtime/outside_numbers.h"

#include <algorithm>

namespace glimmer::overlay {

Q_LOGGING_CATEGORY(log_server, "glimmer.overlay", QtWarningMsg)

qsizetype head_length(QByteArrayView seen) {
    qsizetype from = 0;
    for (;;) {
        const qsizetype lf = seen.indexOf('\n', from);
        if (lf < 0) {
            return -1;
        }
        const qsizetype length = lf - from;
        if (from > 0 && (length == 0 || (length == 1 && seen[from] == '\r'))) {
            return lf + 1;
        }
        from = lf + 1;
    }
}

bool parse_head(QByteArrayView head, RequestHead& out) {
    QList<QByteArray> lines = head.toByteArray().split('\n');
    while (!lines.isEmpty() && (lines.last().isEmpty() || lines.last() == "\r")) {
        lines.removeLast();
    }
    if (lines.isEmpty() || lines.size() > max_header_lines + 1) {
        return false;
    }
    const QList<QByteArray> request_line = lines[0].trimmed().split(' ');
    if (request_line.size() != 3 || !request_line[2].startsWith("HTTP/1.") ||
        !request_line[1].startsWith('/')) {
        return false;
    }
    out.method = request_line[0];
    out.path = request_line[1];
    const qsizetype query = out.path.indexOf('?');
    if (query >= 0) {
        out.query = out.path.mid(query + 1);
        out.path.truncate(query);
    }
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].endsWith('\r') ? lines[i].chopped(1) : lines[i];
        if (line.isEmpty()) {
            continue;
        }
        // A bare CR or another control character inside a line is no HTTP; passed on, it
        // could make two readers of one request see two different ones.
        if (std::any_of(line.cbegin(), line.cend(), [](char c) {
                const auto byte = static_cast<unsigned char>(c);
                return (byte < 0x20 && byte != '\t') || byte == 0x7F;
            })) {
            return false;
        }
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0) {
            return false;
        }
        const QByteArray name = line.left(colon).trimmed().toLower();
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (out.headers.contains(name)) {
            out.duplicate_host = out.duplicate_host || name == "host";
            out.duplicate_origin = out.duplicate_origin || name == "origin";
        }
        out.headers.insert(name, value);
    }
    return true;
}

bool has_token(const QByteArray& value, const QByteArray& token) {
    for (const QByteArray& part : value.split(',')) {
        if (part.trimmed().compare(token, Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}

qint64 content_length(const QByteArray& value) {
    if (value.size() > 12) {
        return -1;
    }
    const std::optional<long long> length = read_whole(value.toStdString(), 0, 999999999999LL);
    return length ? *length : -1;
}

QByteArray reason_phrase(int status) {
    switch (status) {
    case 101:
        return "Switching Protocols";
    case 200:
        return "OK";
    case 302:
        return "Found";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 409:
        return "Conflict";
    case 413:
        return "Content Too Large";
    case 421:
        return "Misdirected Request";
    case 426:
        return "Upgrade Required";
    case 429:
        return "Too Many Requests";
    case 431:
        return "Request Header Fields Too Large";
    case 503:
        return "Service Unavailable";
    default:
        return "Error";
    }
}

Response text_response(int status) {
    Response response;
    response.status = status;
    response.content_type = "text/plain; charset=utf-8";
    response.body = QByteArray::number(status) + ' ' + reason_phrase(status) + '\n';
    return response;
}

QByteArray response_bytes(const Response& response) {
    QByteArray out = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' +
                     reason_phrase(response.status) + "\r\n";
    out += "Content-Type: " + response.content_type + "\r\n";
    out += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    out += "Cache-Control: no-store\r\nX-Content-Type-Options: nosniff\r\n"
           "Connection: close\r\n";
    for (const auto& [name, value] : response.headers) {
        out += name + ": " + value + "\r\n";
    }
    out += "\r\n";
    out += response.body;
    return out;
}

} // namespace glimmer::overlay
