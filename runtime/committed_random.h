#pragma once

#include "runtime/random.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <cstdint>
#include <utility>

namespace glimmer {

// Draws anyone can check afterwards. Before a turn or a burial the game takes a fresh 256-bit
// seed from the system's secure source and publishes SHA-256(seed), the commitment; every draw
// of that turn or burial then comes from the seed alone, and the seed is published once the
// outcome is out. The host may mix in a phrase from the chat before the first draw, so that
// not even the seed alone decides.
//
// Block n of the stream is HMAC-SHA256(key = the 32 seed bytes, message = the UTF-8 bytes of
// "glimmerhall-draw|<game>|<round>|<n>|<phrase>"), round and n in plain decimal, n counting
// from 0. The blocks' bytes, one after another, are read as big-endian unsigned 32-bit words
// (eight to a block). A draw in [low, high] reads the next word x and takes
// low + x mod span, span = high - low + 1; an x at or above 2^32 - (2^32 mod span) is thrown
// back and the next word read, so every value is exactly equally likely.

inline constexpr int draw_seed_size = 32;

// 32 bytes from the system's secure source.
QByteArray system_seed();
// SHA-256 of the seed's bytes.
QByteArray draw_commitment(const QByteArray& seed);
// The HMAC message of block n.
QByteArray draw_message(const QString& game, std::uint32_t round, std::uint64_t block,
                        const QString& phrase);
// Lower-case hex of exactly 32 bytes, else nothing.
QByteArray seed_from_hex(const QString& hex);

// Lower-case hex, as seeds and commitments are published.
QString hex_text(const QByteArray& bytes);

// What a game shows of its draw to come or under way: never the seed.
struct PendingDraw {
    std::uint32_t round = 0;
    QByteArray commitment; // SHA-256 of the seed, 32 bytes
    QString phrase;
    bool phrase_open = false; // the host may still give a phrase
};

// The state JSON's "draw": game, round, commitment, phrase, phrase_open.
QJsonObject pending_draw_state(const QString& game, const PendingDraw& draw);

// What a committed draw publishes: before the outcome the commitment, after it the seed too.
struct DrawRecord {
    QString game;
    std::uint32_t round = 0;
    QByteArray seed;
    QString phrase;

    QByteArray commitment() const { return draw_commitment(seed); }
    PendingDraw pending(bool phrase_open) const {
        return {round, commitment(), phrase, phrase_open};
    }
    // A fresh seed for the given game and round, with no phrase yet.
    static DrawRecord fresh(const QString& game, std::uint32_t round);
};

// A revealed draw's own members in the state JSON (game, round, commitment, seed, phrase),
// to which the game adds its outcome and the checking link.
QJsonObject revealed_draw_state(const DrawRecord& record);

// A revealed draw's extra facts (throws, counts, outcome), by name, in order.
using DrawFacts = QList<std::pair<QString, QString>>;
// The overlay server's checking page with every field filled in:
// "/overlay/verify?game=..&round=..&seed=..&phrase=..&commitment=..&<fact>=.."
QString verify_link(const DrawRecord& record, const DrawFacts& facts);
// The same check on the command line, quoted for a POSIX shell:
// "glimmerhall verify <game> <seed> '<phrase>' --round N --commitment HEX --<fact> <value>..."
QString verify_command(const DrawRecord& record, const DrawFacts& facts);

// The stream of one committed draw. Reseeding draws nothing: the seed fixed the whole stream.
class CommittedRandom final : public RandomSource {
public:
    CommittedRandom() = default;
    explicit CommittedRandom(const DrawRecord& record);

    void seed_random() override {}
    int random_int(int low, int high) override;

    // Words read so far.
    std::uint64_t words_read() const { return words_read_; }

private:
    std::uint32_t next_word();

    QByteArray key_;
    QByteArray prefix_;       // "glimmerhall-draw|<game>|<round>|"
    QByteArray suffix_;       // "|<phrase>"
    std::uint64_t block_ = 0; // the next block to compute
    QByteArray words_;        // the current block
    int word_ = 8;            // the next word of it
    std::uint64_t words_read_ = 0;
};

} // namespace glimmer
