#include "runtime/overlay/websocket_frames.h"

#include <QCryptographicHash>

namespace glimmer::overlay {

// "258EAFA5-..." is the fixed GUID every WebSocket server appends to the client's key.
QByteArray accept_key(const QByteArray& key) {
    return QCryptographicHash::hash(key + "258EAFA5-E914-47DA-95CA-C5AB0DC85B11",
                                    QCryptographicHash::Sha1)
        .toBase64();
}

bool valid_key(const QByteArray& key) {
    const auto decoded =
        QByteArray::fromBase64Encoding(key, QByteArray::AbortOnBase64DecodingErrors);
    return decoded && decoded.decoded.size() == 16;
}

QByteArray frame(quint8 opcode, const QByteArray& payload) {
    QByteArray out;
    const auto length = static_cast<quint64>(payload.size());
    out.reserve(payload.size() + 10);
    out.append(static_cast<char>(0x80 | opcode));
    if (length < 126) {
        out.append(static_cast<char>(length));
    } else if (length <= 0xFFFF) {
        out.append(static_cast<char>(126));
        out.append(static_cast<char>(length >> 8));
        out.append(static_cast<char>(length & 0xFF));
    } else {
        out.append(static_cast<char>(127));
        for (int shift = 56; shift >= 0; shift -= 8) {
            out.append(static_cast<char>((length >> shift) & 0xFF));
        }
    }
    out.append(payload);
    return out;
}

QByteArray close_frame(quint16 code) {
    QByteArray payload;
    payload.append(static_cast<char>(code >> 8));
    payload.append(static_cast<char>(code & 0xFF));
    return frame(op_close, payload);
}

FrameRead read_frame(QByteArrayView bytes, quint64 max_payload) {
    FrameRead read;
    if (bytes.size() < 2) {
        return read;
    }
    const auto first = static_cast<quint8>(bytes[0]);
    const auto second = static_cast<quint8>(bytes[1]);
    read.fin = (first & 0x80) != 0;
    read.opcode = first & 0x0F;
    const auto fault = [&read](quint16 code) {
        read.status = FrameRead::Status::fault;
        read.close_code = code;
        return read;
    };
    if ((first & 0x70) != 0 || (second & 0x80) == 0 ||
        (read.opcode > op_binary && read.opcode < op_close) || read.opcode > op_pong) {
        return fault(close_protocol_error);
    }
    quint64 length = second & 0x7F;
    qsizetype at = 2;
    if (length >= 126) {
        at = length == 126 ? 4 : 10;
        if (bytes.size() < at) {
            return read;
        }
        length = 0;
        for (qsizetype i = 2; i < at; ++i) {
            length = (length << 8) | static_cast<quint8>(bytes[i]);
        }
    }
    const bool control = (read.opcode & 0x8) != 0;
    if (control && (!read.fin || length > 125)) {
        return fault(close_protocol_error);
    }
    if (length > max_payload) {
        return fault(close_too_big);
    }
    const qint64 whole = at + 4 + static_cast<qint64>(length);
    if (bytes.size() < whole) {
        return read;
    }
    read.payload = bytes.sliced(at + 4, static_cast<qsizetype>(length)).toByteArray();
    for (qsizetype i = 0; i < read.payload.size(); ++i) {
        read.payload[i] = static_cast<char>(read.payload[i] ^ bytes[at + i % 4]);
    }
    read.wire_bytes = whole;
    read.status = FrameRead::Status::frame;
    return read;
}

} // namespace glimmer::overlay
