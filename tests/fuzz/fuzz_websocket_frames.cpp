// What an overlay page sends once its WebSocket is open: frames read from the front of the
// bytes, and a masked frame made from the input read back whole.

#include "fuzz_support.h"
#include "runtime/overlay/websocket_frames.h"

using namespace glimmer;

namespace {

// A client's frame: FIN, the opcode, masked with key, as a browser sends it.
QByteArray client_frame(quint8 opcode, const QByteArray& payload, const char key[4]) {
    QByteArray out;
    out.append(char(0x80 | opcode));
    const quint64 size = static_cast<quint64>(payload.size());
    if (size < 126) {
        out.append(char(0x80 | size));
    } else if (size <= 0xFFFF) {
        out.append(char(0x80 | 126));
        out.append(char(size >> 8)).append(char(size & 0xFF));
    } else {
        out.append(char(0x80 | 127));
        for (int shift = 56; shift >= 0; shift -= 8) {
            out.append(char((size >> shift) & 0xFF));
        }
    }
    out.append(key, 4);
    for (qsizetype i = 0; i < payload.size(); ++i) {
        out.append(char(payload[i] ^ key[i % 4]));
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray input = fuzz::bytes(data, size);
    constexpr quint64 max_payload = 1024;
    qsizetype at = 0;
    for (int frames = 0; frames < 64 && at < input.size(); ++frames) {
        const overlay::FrameRead read =
            overlay::read_frame(QByteArrayView(input).sliced(at), max_payload);
        if (read.status != overlay::FrameRead::Status::frame) {
            if (read.status == overlay::FrameRead::Status::fault) {
                FUZZ_EXPECT(read.close_code == overlay::close_protocol_error ||
                            read.close_code == overlay::close_too_big);
            }
            break;
        }
        FUZZ_EXPECT(read.wire_bytes > 1 && read.wire_bytes <= input.size() - at);
        FUZZ_EXPECT(static_cast<quint64>(read.payload.size()) <= max_payload);
        FUZZ_EXPECT(read.opcode < 0x8 || (read.fin && read.payload.size() <= 125));
        at += read.wire_bytes;
    }
    // Any text a page sends comes back as sent, and a prefix of its frame is never a frame.
    const char key[4] = {'\x37', '\xfa', '\x21', '\x3d'};
    const QByteArray whole = client_frame(0x1, input, key);
    const overlay::FrameRead read = overlay::read_frame(whole, ~quint64(0));
    FUZZ_EXPECT(read.status == overlay::FrameRead::Status::frame);
    FUZZ_EXPECT(read.payload == input && read.wire_bytes == whole.size() && read.fin);
    const overlay::FrameRead cut =
        overlay::read_frame(QByteArrayView(whole).first(whole.size() - 1), ~quint64(0));
    FUZZ_EXPECT(cut.status == overlay::FrameRead::Status::incomplete);
    return 0;
}
