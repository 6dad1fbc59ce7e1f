// settings.ini as a host may have edited it: a key set by the program is read back as set,
// every other setting reads as before, and setting it again changes nothing.

#include "fuzz_support.h"
#include "runtime/files.h"
#include "runtime/settings_file.h"

using namespace glimmer;

namespace {

struct Setting {
    QString section;
    QString key;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray input = fuzz::bytes(data, size);
    // The other keys the program reads, and one a host may have added by hand.
    const QList<Setting> others{{QStringLiteral("overlay"), QStringLiteral("port")},
                                {QStringLiteral("hotkeys"), QStringLiteral("Ctrl+Alt+1")},
                                {QStringLiteral("control"), QStringLiteral("comment")}};
    const IniFile before = IniFile::from_bytes(input);
    const QString token = QStringLiteral("0123456789abcdef0123456789abcdef");
    const std::optional<QByteArray> written =
        with_setting(before, QStringLiteral("control"), QStringLiteral("token"), token);
    // Any file that reads as text can be set, but for UTF-16 and a GBK file with bytes that
    // writing the line could make read as UTF-8.
    const bool plain_ascii =
        std::none_of(input.cbegin(), input.cend(), [](char c) { return (c & 0x80) != 0; });
    FUZZ_EXPECT(written || before.encoding() == IniFile::Encoding::neither ||
                before.encoding() == IniFile::Encoding::utf16 ||
                (before.encoding() == IniFile::Encoding::gbk && !plain_ascii));
    FUZZ_EXPECT(!written || before.encoding() != IniFile::Encoding::utf16);
    if (!written) {
        return 0;
    }
    const IniFile after = IniFile::from_bytes(*written);
    FUZZ_EXPECT(after.value(QStringLiteral("control"), QStringLiteral("token")) == token);
    FUZZ_EXPECT(with_setting(after, QStringLiteral("control"), QStringLiteral("token"), token) ==
                written);
    // Bytes that are no text (a zero byte, GBK cut short) are kept as they are, but need not
    // read the same once a line break follows them; in a text file every other line does.
    if (before.encoding() == IniFile::Encoding::neither) {
        return 0;
    }
    // A Chinese value reads back as set too, whichever encoding the file could take it in.
    const QString password = QStringLiteral("口令模");
    if (const std::optional<QByteArray> chinese =
            with_setting(before, QStringLiteral("obs"), QStringLiteral("password"), password)) {
        FUZZ_EXPECT(IniFile::from_bytes(*chinese).value(QStringLiteral("obs"),
                                                        QStringLiteral("password")) == password);
    }
    for (const Setting& setting : others) {
        FUZZ_EXPECT(after.value(setting.section, setting.key) ==
                    before.value(setting.section, setting.key));
    }
    FUZZ_EXPECT(after.section_lines(QStringLiteral("hotkeys"), 200) ==
                before.section_lines(QStringLiteral("hotkeys"), 200));
    return 0;
}
