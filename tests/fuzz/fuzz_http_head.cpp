// A request head as a browser, a script or anyone on the machine may send it to the overlay
// server, and the control checks that follow it.

#include "fuzz_support.h"
#include "runtime/overlay/control_endpoint.h"
#include "runtime/overlay/http_head.h"

using namespace glimmer;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray input = fuzz::bytes(data, size);
    const qsizetype length = overlay::head_length(input);
    FUZZ_EXPECT(length == -1 ||
                (length > 0 && length <= input.size() && input[length - 1] == '\n'));
    if (length < 0 || length > overlay::max_head_bytes) {
        return 0;
    }
    overlay::RequestHead head;
    if (!overlay::parse_head(QByteArrayView(input).first(length), head)) {
        return 0;
    }
    FUZZ_EXPECT(!head.method.isEmpty() && head.path.startsWith('/'));
    FUZZ_EXPECT(!head.path.contains('?'));
    for (auto it = head.headers.cbegin(); it != head.headers.cend(); ++it) {
        FUZZ_EXPECT(it.key() == it.key().toLower());
        FUZZ_EXPECT(!it.value().contains('\n') && !it.value().contains('\r'));
    }
    const qint64 body = overlay::content_length(head.headers.value("content-length"));
    FUZZ_EXPECT(body >= -1 && body < 1'000'000'000'000LL);
    // Whatever comes in, a control request goes through only with the token, a body of a size
    // the server reads, and a path that names a game and an action.
    const QByteArray token = "0123456789abcdef0123456789abcdef";
    const overlay::ControlCheck check = overlay::check_control_head(head, token, 17610);
    if (check.refusal == 0) {
        const QByteArray authorization = head.headers.value("authorization");
        FUZZ_EXPECT(authorization.startsWith("Bearer ") && authorization.endsWith(token) &&
                    authorization.mid(7).trimmed() == token);
        FUZZ_EXPECT(overlay::host_allowed(head.headers.value("host"), 17610));
        FUZZ_EXPECT(check.body_bytes >= 0 && check.body_bytes <= overlay::max_control_body);
        FUZZ_EXPECT(!check.game.isEmpty() && !check.action.isEmpty());
        FUZZ_EXPECT(!check.game.contains('/') && !check.action.contains('/'));
    } else {
        FUZZ_EXPECT(check.refusal >= 400 && check.refusal < 600);
        FUZZ_EXPECT(!overlay::reason_phrase(check.refusal).isEmpty());
    }
    return 0;
}
