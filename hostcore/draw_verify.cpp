#include "hostcore/draw_verify.h"

#include "games/dice/turn_rules.h"
#include "games/minebox/mine_board.h"
#include "runtime/committed_random.h"

#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>

namespace glimmer::host {

namespace {

// Decimal digits only, with an optional leading minus when allowed, within [low, high].
std::optional<long long> parse_whole(const std::string& text, long long low, long long high) {
    std::size_t at = 0;
    bool negative = false;
    if (low < 0 && !text.empty() && text[0] == '-') {
        negative = true;
        at = 1;
    }
    if (at == text.size() || text.size() - at > 12) {
        return std::nullopt;
    }
    long long value = 0;
    for (; at < text.size(); ++at) {
        if (text[at] < '0' || text[at] > '9') {
            return std::nullopt;
        }
        value = value * 10 + (text[at] - '0');
    }
    value = negative ? -value : value;
    if (value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

// 64 hex digits, either case, as 32 bytes.
QByteArray parse_hex32(const std::string& text) {
    return seed_from_hex(QString::fromStdString(text).toLower());
}

int usage(const std::string& error) {
    std::fprintf(stderr,
                 "glimmerhall verify: %s\n"
                 "Usage: glimmerhall verify dice|minebox SEED [PHRASE] --round N ...  "
                 "(glimmerhall verify --help)\n",
                 error.c_str());
    std::fflush(stderr);
    return 2;
}

int mismatch(const std::string& reason) {
    std::fflush(stdout);
    std::fprintf(stderr, "glimmerhall verify: %s\n", reason.c_str());
    std::fflush(stderr);
    return 1;
}

std::string hex(const QByteArray& bytes) {
    return bytes.toHex().toStdString();
}

} // namespace

std::string verify_help_text() {
    return "Usage: glimmerhall verify dice SEED [PHRASE] --round N --throws N\n"
           "                          [--commitment HEX] [--winner left|right] [--faces D-T]\n"
           "       glimmerhall verify minebox SEED [PHRASE] --round N --boxes N --mines N\n"
           "                          [--commitment HEX] [--mine-boxes A,B,...]\n"
           "\n"
           "Checks a revealed draw of the dice or mine-box game from what the overlay and the\n"
           "\"公平验证\" box published, without the program running: recomputes the outcome from\n"
           "the seed (64 hex digits) and the phrase (omit it or give '' when there was none),\n"
           "prints it, and compares it with whatever of the commitment and the outcome is given.\n"
           "A phrase that starts with a dash goes after '--', at the end.\n"
           "\n"
           "  --round N        the draw's round number\n"
           "  --commitment HEX the published SHA-256 of the seed\n"
           "dice:\n"
           "  --throws N       the turn's number of throws; the last one decides\n"
           "  --winner SIDE    left (dragon, player one) or right (tiger, player two)\n"
           "  --faces D-T      the last throw's dragon and tiger faces, e.g. 5-2\n"
           "minebox:\n"
           "  --boxes N --mines N  the burial's counts\n"
           "  --mine-boxes LIST    the boxes holding a mine, e.g. 1,4 ('' for none)\n"
           "\n"
           "Block n of a draw's stream is HMAC-SHA256(key = the seed's 32 bytes, message =\n"
           "UTF-8 \"glimmerhall-draw|<game>|<round>|<n>|<phrase>\"), n from 0. The blocks'\n"
           "bytes in turn are read as big-endian 32-bit words x, eight to a block; a draw in\n"
           "[low, high] throws x back when x >= 2^32 - 2^32 mod span, else gives\n"
           "low + x mod span.\n"
           "\n"
           "Exit status: 0 everything given checks; 1 the commitment or the outcome does not\n"
           "match (the reason on standard error); 2 usage error.\n";
}

int run_verify(const std::vector<std::string>& words) {
    if (!words.empty() && (words[0] == "--help" || words[0] == "-h")) {
        std::fputs(verify_help_text().c_str(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    if (words.empty()) {
        return usage("verify needs a game: dice or minebox");
    }
    const std::string& game = words[0];
    if (game != "dice" && game != "minebox") {
        return usage("unknown game '" + game + "': dice or minebox");
    }
    const std::vector<std::string> names =
        game == "dice"
            ? std::vector<std::string>{"round", "commitment", "throws", "winner", "faces"}
            : std::vector<std::string>{"round", "commitment", "boxes", "mines", "mine-boxes"};
    std::map<std::string, std::string> options;
    std::vector<std::string> positional;
    bool options_end = false;
    for (std::size_t i = 1; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (options_end || word.size() < 2 || word[0] != '-') {
            positional.push_back(word);
            continue;
        }
        if (word == "--") {
            options_end = true;
            continue;
        }
        std::string name = word.substr(word[1] == '-' ? 2 : 1);
        std::optional<std::string> value;
        if (const std::size_t equals = name.find('='); equals != std::string::npos) {
            value = name.substr(equals + 1);
            name = name.substr(0, equals);
        }
        if (std::find(names.begin(), names.end(), name) == names.end()) {
            return usage("unknown option '" + word + "' for " + game +
                         " (a phrase that starts with a dash goes after '--')");
        }
        if (!value) {
            if (i + 1 == words.size()) {
                return usage("option '--" + name + "' needs a value");
            }
            value = words[++i];
        }
        if (options.count(name) != 0) {
            return usage("option '--" + name + "' given twice");
        }
        options[name] = *value;
    }
    if (positional.empty()) {
        return usage("verify " + game + " needs the seed");
    }
    if (positional.size() > 2) {
        return usage("too many words: a phrase with blanks goes in quotes");
    }
    DrawRecord record;
    record.game = QString::fromStdString(game);
    record.seed = parse_hex32(positional[0]);
    if (record.seed.isEmpty()) {
        return usage("the seed must be 64 hex digits");
    }
    record.phrase = positional.size() > 1 ? QString::fromStdString(positional[1]) : QString();
    if (options.count("round") == 0) {
        return usage("--round is needed");
    }
    const std::optional<long long> round = parse_whole(options["round"], 0, 4294967295LL);
    if (!round) {
        return usage("invalid round '" + options["round"] + "'");
    }
    record.round = static_cast<std::uint32_t>(*round);
    QByteArray claimed_commitment;
    if (options.count("commitment") != 0) {
        claimed_commitment = parse_hex32(options["commitment"]);
        if (claimed_commitment.isEmpty()) {
            return usage("the commitment must be 64 hex digits");
        }
    }

    // Every argument is read before anything is printed, so a usage error prints no outcome.
    std::optional<long long> throws;
    std::optional<int> claimed_outcome;
    std::optional<DiceFaces> claimed_faces;
    std::optional<long long> boxes;
    std::optional<long long> mines;
    std::optional<std::vector<int>> claimed_boxes;
    if (game == "dice") {
        if (options.count("throws") == 0) {
            return usage("--throws is needed");
        }
        // No turn of the game has more: a larger count proves nothing and would only take time.
        throws = parse_whole(options["throws"], 1, max_throws);
        if (!throws) {
            return usage("invalid throw count '" + options["throws"] + "': a turn has 1 to " +
                         std::to_string(max_throws) + " throws");
        }
        if (options.count("winner") != 0) {
            const std::string& side = options["winner"];
            if (side == "left" || side == "dragon") {
                claimed_outcome = left_wins_outcome;
            } else if (side == "right" || side == "tiger") {
                claimed_outcome = right_wins_outcome;
            } else {
                return usage("invalid winner '" + side + "': left or right");
            }
        }
        if (options.count("faces") != 0) {
            const std::string& faces = options["faces"];
            if (faces.size() != 3 || faces[1] != '-' || faces[0] < '1' || faces[0] > '6' ||
                faces[2] < '1' || faces[2] > '6') {
                return usage("invalid faces '" + faces + "': dragon-tiger, e.g. 5-2");
            }
            claimed_faces = DiceFaces{faces[0] - '0', faces[2] - '0'};
        }
    } else {
        if (options.count("boxes") == 0 || options.count("mines") == 0) {
            return usage("--boxes and --mines are needed");
        }
        boxes = parse_whole(options["boxes"], 0, max_boxes);
        if (!boxes) {
            return usage("invalid box count '" + options["boxes"] + "'");
        }
        mines = parse_whole(options["mines"], -2147483647LL, 2147483647LL);
        if (!mines || *mines >= *boxes) {
            return usage("invalid mine count '" + options["mines"] +
                         "': a burial has fewer mines than boxes");
        }
        if (options.count("mine-boxes") != 0) {
            claimed_boxes.emplace();
            const QStringList listed =
                QString::fromStdString(options["mine-boxes"]).split(u',', Qt::SkipEmptyParts);
            for (const QString& number : listed) {
                const std::optional<long long> box =
                    parse_whole(number.trimmed().toStdString(), 1, max_boxes);
                if (!box) {
                    return usage("invalid box number '" + number.toStdString() +
                                 "' in --mine-boxes");
                }
                claimed_boxes->push_back(static_cast<int>(*box));
            }
            std::sort(claimed_boxes->begin(), claimed_boxes->end());
        }
    }

    std::vector<std::string> faults;
    if (!claimed_commitment.isEmpty() && claimed_commitment != record.commitment()) {
        faults.push_back("the commitment does not match the seed: SHA-256 of the seed is " +
                         hex(record.commitment()));
    }
    std::printf("%s round %u\nseed       %s\nphrase     %s\ncommitment %s%s\n", game.c_str(),
                record.round, hex(record.seed).c_str(), record.phrase.toStdString().c_str(),
                hex(record.commitment()).c_str(),
                claimed_commitment.isEmpty()
                    ? ""
                    : (claimed_commitment == record.commitment() ? " (matches)" : " (differs)"));
    if (game == "dice") {
        const ThrowResult result = replay_turn(record, static_cast<std::int32_t>(*throws));
        const bool left = result.outcome == left_wins_outcome;
        std::printf("throws     %lld\nfaces      %d-%d (dragon %d, tiger %d)\nwinner     %s\n",
                    *throws, result.faces.dragon, result.faces.tiger, result.faces.dragon,
                    result.faces.tiger,
                    left ? "left (dragon, player one)" : "right (tiger, player two)");
        if (claimed_outcome && *claimed_outcome != result.outcome) {
            faults.push_back(std::string("the winner does not match: the draw gives ") +
                             (left ? "left" : "right"));
        }
        if (claimed_faces && (claimed_faces->dragon != result.faces.dragon ||
                              claimed_faces->tiger != result.faces.tiger)) {
            faults.push_back("the faces do not match: the draw gives " +
                             std::to_string(result.faces.dragon) + "-" +
                             std::to_string(result.faces.tiger));
        }
    } else {
        const std::optional<std::vector<int>> placed =
            replay_burial(record, static_cast<int>(*boxes), static_cast<int>(*mines));
        std::string listed;
        for (const int box : placed.value_or(std::vector<int>{})) {
            listed += (listed.empty() ? "" : ",") + std::to_string(box);
        }
        std::printf("boxes      %lld\nmines      %lld\nmine-boxes %s\n", *boxes, *mines,
                    listed.empty() ? "(none)" : listed.c_str());
        if (claimed_boxes && *claimed_boxes != placed.value_or(std::vector<int>{})) {
            faults.push_back("the mine boxes do not match: the draw gives " +
                             (listed.empty() ? std::string("none") : listed));
        }
    }
    if (!faults.empty()) {
        std::string reason;
        for (const std::string& fault : faults) {
            reason += (reason.empty() ? "" : "; ") + fault;
        }
        return mismatch(reason);
    }
    const bool compared =
        !claimed_commitment.isEmpty() || claimed_outcome || claimed_faces || claimed_boxes;
    std::puts(compared ? "checks: everything given matches"
                       : "recomputed; give --commitment and the outcome to compare them");
    return std::fflush(stdout) == 0 ? 0 : 1;
}

} // namespace glimmer::host
