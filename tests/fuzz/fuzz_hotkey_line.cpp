// The [hotkeys] section as a host writes it: each key kept is a key X knows, sending a
// request the program reads, the one its command would send through ctl.

#include "fuzz_support.h"
#include "hostcore/command_line.h"
#include "hostcore/control_words.h"
#include "hostcore/hotkey_lines.h"
#include "runtime/files.h"
#include "runtime/overlay/control_endpoint.h"

using namespace glimmer;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const IniFile file = IniFile::from_bytes("[hotkeys]\n" + fuzz::bytes(data, size));
    qsizetype left_out = 0;
    const std::optional<QStringList> lines =
        file.section_lines(QStringLiteral("hotkeys"), host::max_hotkey_lines, &left_out);
    FUZZ_EXPECT(lines.has_value() && lines->size() <= host::max_hotkey_lines);
    QStringList ignored;
    const QList<host::Hotkey> keys =
        host::read_hotkey_lines(*lines, fuzz::made_up_games(), &ignored);
    FUZZ_EXPECT(keys.size() + ignored.size() <= lines->size());
    constexpr std::uint16_t named =
        host::modifier_shift | host::modifier_control | host::modifier_alt | host::modifier_super;
    for (const host::Hotkey& key : keys) {
        FUZZ_EXPECT(key.keysym != 0 && (key.modifiers & ~named) == 0);
        FUZZ_EXPECT(key.request.size() <= qsizetype(longest_control_request));
        const std::optional<QJsonObject> request = overlay::control_body(key.request);
        FUZZ_EXPECT(request && request->value(QStringLiteral("action")).isString());
        std::vector<std::string> words;
        for (const QString& word : key.command.split(u' ')) {
            words.push_back(word.toStdString());
        }
        FUZZ_EXPECT(host::parse_control_words(words, fuzz::made_up_games()).request == key.request);
    }
    return 0;
}
