// A PK's journal as a crash, a full disk or a hand may leave it: read, replayed, and every
// step read back from the line the program would write for it.

#include "fuzz_support.h"
#include "games/tally/tally_journal.h"

#include <cmath>

using namespace glimmer;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray input = fuzz::bytes(data, size);
    const JournalContents contents = read_journal(input);
    FUZZ_EXPECT(contents.whole_bytes + contents.tail_bytes == input.size());
    FUZZ_EXPECT(contents.whole_bytes == 0 || input[contents.whole_bytes - 1] == '\n');
    FUZZ_EXPECT(!input.isEmpty() || (!contents.damaged() && contents.events.isEmpty()));

    for (const JournalEvent& event : contents.events) {
        FUZZ_EXPECT(event.kind != JournalEvent::Kind::end);
        FUZZ_EXPECT(event.player == 1 || event.player == 2);
        const QByteArray line = journal_line(event);
        FUZZ_EXPECT(line.endsWith('\n') && line.count('\n') == 1);
        const JournalContents again = read_journal(line);
        FUZZ_EXPECT(again.events.size() == 1 && again.unreadable == 0 && !again.damaged());
        FUZZ_EXPECT(journal_line(again.events.first()) == line);
    }
    if (contents.end) {
        FUZZ_EXPECT(read_journal(journal_line(*contents.end)).end.has_value());
    }

    // A restored PK is one the window could have played: every total a finite number.
    TallyHistory history;
    const TallyBoard board = replay_journal(contents.events, history);
    FUZZ_EXPECT(history.record().size() <= contents.events.size());
    for (const QString& total : {board.total_one, board.total_two}) {
        bool number = false;
        const double value = total.toDouble(&number);
        FUZZ_EXPECT(number && std::isfinite(value));
    }
    FUZZ_EXPECT(record_csv(history).startsWith("\xEF\xBB\xBF"));
    return 0;
}
