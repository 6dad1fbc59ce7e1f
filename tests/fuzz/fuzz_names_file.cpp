// The PK's configuration file (names, preset amounts, advert) as a host's editor may save it:
// GBK, UTF-8, UTF-16 or none of them, whole or cut anywhere.

#include "fuzz_support.h"
#include "games/tally/tally_config.h"
#include "runtime/files.h"

using namespace glimmer;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray input = fuzz::bytes(data, size);
    const IniFile file = IniFile::from_bytes(input);
    FUZZ_EXPECT(file.status() == IniFile::Status::ok && file.bytes() == input);
    TallyConfig config;
    const TallyPage page = read_tally_config(file, config);
    // Whatever the file holds, the window gets names to show and amounts it can add.
    FUZZ_EXPECT(!page.player_one_name.isNull() && !page.player_two_name.isNull());
    FUZZ_EXPECT(page.advert_font_size <= max_advert_font_size);
    FUZZ_EXPECT(page.advert_text.count(QStringLiteral("\r\n")) < max_advert_lines);
    for (const QStringList* amounts : {&config.player_one_amounts, &config.player_two_amounts}) {
        FUZZ_EXPECT(amounts->size() <= max_amount_rows);
        for (const QString& amount : *amounts) {
            FUZZ_EXPECT(!amount.isEmpty());
        }
    }
    const std::optional<QStringList> lines = file.section_lines(QStringLiteral("玩家1"), 10);
    FUZZ_EXPECT(!lines || lines->size() <= 10);
    return 0;
}
