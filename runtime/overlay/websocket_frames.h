#pragma once

// The overlay server's side of WebSocket (RFC 6455): the handshake's key, the frames it sends,
// and the reading of a page's frames, as plain functions over bytes.

#include <QByteArray>
#include <QByteArrayView>

namespace glimmer::overlay {

enum Opcode : quint8 {
    op_continuation = 0x0,
    op_text = 0x1,
    op_binary = 0x2,
    op_close = 0x8,
    op_ping = 0x9,
    op_pong = 0xA
};

inline constexpr quint16 close_going_away = 1001;
inline constexpr quint16 close_protocol_error = 1002;
inline constexpr quint16 close_too_big = 1009;

// Sec-WebSocket-Accept for the client's key.
QByteArray accept_key(const QByteArray& key);
// Whether the client's key is base64 of 16 bytes.
bool valid_key(const QByteArray& key);

// A whole, unfragmented frame as a server sends it: unmasked.
QByteArray frame(quint8 opcode, const QByteArray& payload);
QByteArray close_frame(quint16 code);

// One frame read from the front of what a page sent.
struct FrameRead {
    enum class Status {
        incomplete, // more bytes are needed; nothing was taken
        frame,      // a whole frame: opcode, fin, payload (unmasked) and its size on the wire
        fault,      // not a frame a client may send: close with close_code
    };
    Status status = Status::incomplete;
    quint8 opcode = 0;
    bool fin = false;
    QByteArray payload;
    qsizetype wire_bytes = 0;
    quint16 close_code = 0;
};
// Every frame from a client is masked; an unmasked one, reserved bits, an unknown opcode, a
// control frame that is fragmented or over 125 bytes, or any frame over max_payload bytes is
// a fault.
FrameRead read_frame(QByteArrayView bytes, quint64 max_payload);

} // namespace glimmer::overlay
