#include "hostcore/draw_verify.h"

#include "hostcore/command_line.h"
#include "runtime/committed_random.h"
#include "runtime/outside_numbers.h"
#include "runtime/translation.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <optional>

namespace glimmer::host {

namespace {

// 64 hex digits, either case, as 32 bytes.
QByteArray parse_hex32(const QString& text) {
    return seed_from_hex(text.toLower());
}

int usage(const QString& error) {
    std::fprintf(stderr, "glimmerhall verify: %s\n%s\n", error.toStdString().c_str(),
                 translated("verify", "Usage: glimmerhall verify GAME SEED [PHRASE] --round N ...  "
                                      "(glimmerhall verify --help)")
                     .toUtf8()
                     .constData());
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

std::string verify_help_text(const GameModules& games) {
    std::string names;
    std::string usage_lines;
    std::string option_lines;
    for (const std::unique_ptr<GameModule>& module : games) {
        const DrawVerifier* verifier = module->verifier();
        if (verifier == nullptr) {
            continue;
        }
        const std::string game = module->info().id.toStdString();
        names += (names.empty() ? "" : "|") + game;
        std::string required;
        std::string optional;
        option_lines += game + ":\n";
        for (const DrawVerifier::Option& option : verifier->options()) {
            const std::string name = option.name.toStdString();
            (option.required ? required : optional) +=
                (option.required ? " --" + name + " X" : " [--" + name + " X]");
            std::string line = "  --" + name + " X";
            line.resize(std::max<std::size_t>(line.size() + 2, 19), ' ');
            option_lines += line + option.help.toStdString() + "\n";
        }
        usage_lines +=
            (usage_lines.empty() ? translated("verify", "Usage: ").toStdString() : "       ") +
            std::string("glimmerhall verify ") + game + " SEED [PHRASE] --round N" + required +
            "\n                          [--commitment HEX]" + optional + "\n";
    }
    return usage_lines +
           translated("verify",
                      "\n"
                      "Checks a revealed draw of a game (%1) from what the overlay and the\n"
                      "\"公平验证\" box published, without the program running: recomputes the "
                      "outcome from\n"
                      "the seed (64 hex digits) and the phrase (omit it or give '' when there was "
                      "none),\n"
                      "prints it, and compares it with whatever of the commitment and the outcome "
                      "is given.\n"
                      "A phrase that starts with a dash goes after '--', at the end.\n"
                      "\n"
                      "  --round N          the draw's round number\n"
                      "  --commitment HEX   the published SHA-256 of the seed\n")
               .arg(QString::fromStdString(names))
               .toStdString() +
           option_lines +
           translated(
               "verify",
               "\n"
               "Block n of a draw's stream is HMAC-SHA256(key = the seed's 32 bytes, message =\n"
               "UTF-8 \"glimmerhall-draw|<game>|<round>|<n>|<phrase>\"), n from 0. The blocks'\n"
               "bytes in turn are read as big-endian 32-bit words x, eight to a block; a draw in\n"
               "[low, high] throws x back when x >= 2^32 - 2^32 mod span, else gives\n"
               "low + x mod span.\n"
               "\n"
               "Exit status: 0 everything given checks; 1 the commitment or the outcome does not\n"
               "match (the reason on standard error); 2 usage error.\n")
               .toStdString();
}

int run_verify(const std::vector<std::string>& words, const GameModules& games) {
    if (!words.empty() && (words[0] == "--help" || words[0] == "-h")) {
        std::fputs(verify_help_text(games).c_str(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    std::string known;
    const DrawVerifier* verifier = nullptr;
    for (const std::unique_ptr<GameModule>& module : games) {
        if (module->verifier() == nullptr) {
            continue;
        }
        const std::string id = module->info().id.toStdString();
        known += (known.empty() ? "" : translated("verify", " or ").toStdString()) + id;
        if (!words.empty() && words[0] == id) {
            verifier = module->verifier();
        }
    }
    if (words.empty()) {
        return usage(
            translated("verify", "verify needs a game: %1").arg(QString::fromStdString(known)));
    }
    const std::string& game = words[0];
    if (verifier == nullptr) {
        return usage(translated("verify", "unknown game '%1': %2")
                         .arg(QString::fromStdString(game), QString::fromStdString(known)));
    }
    // The options come from the game's verifier; "--" ends them, so that a phrase may start
    // with a dash. Values are taken as typed, each at most once.
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    QStringList names{QStringLiteral("round"), QStringLiteral("commitment")};
    for (const DrawVerifier::Option& option : verifier->options()) {
        names << option.name;
    }
    for (const QString& name : names) {
        parser.addOption(QCommandLineOption(name, QString(), QStringLiteral("value")));
    }
    QStringList arguments{QStringLiteral("verify")};
    for (std::size_t i = 1; i < words.size(); ++i) {
        arguments << QString::fromStdString(words[i]);
    }
    if (!parser.parse(arguments)) {
        const QStringList unknown = parser.unknownOptionNames();
        if (!unknown.isEmpty()) {
            // Echoed as typed: "-x", "--x" or "--x=value".
            QString typed = unknown[0];
            for (const QString& argument : arguments) {
                const QString name = argument.mid(argument.startsWith(u"--") ? 2 : 1);
                if (argument.startsWith(u'-') && name.section(u'=', 0, 0) == unknown[0]) {
                    typed = argument;
                    break;
                }
            }
            return usage(
                translated("verify",
                           "unknown option '%1' for %2 (a phrase that starts with a dash goes "
                           "after '--')")
                    .arg(QString::fromStdString(shown_argument(typed.toStdString())),
                         QString::fromStdString(game)));
        }
        return usage(parser.errorText());
    }
    QHash<QString, QString> options;
    for (const QString& name : names) {
        const QStringList values = parser.values(name);
        if (values.size() > 1) {
            return usage(translated("verify", "option '--%1' given twice").arg(name));
        }
        if (!values.isEmpty()) {
            options.insert(name, values[0]);
        }
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) {
        return usage(
            translated("verify", "verify %1 needs the seed").arg(QString::fromStdString(game)));
    }
    if (positional.size() > 2) {
        return usage(translated("verify", "too many words: a phrase with blanks goes in quotes"));
    }
    DrawRecord record;
    record.game = QString::fromStdString(game);
    record.seed = parse_hex32(positional[0]);
    if (record.seed.isEmpty()) {
        return usage(translated("verify", "the seed must be 64 hex digits"));
    }
    record.phrase = positional.value(1);
    const QString round_text = options.take(QStringLiteral("round"));
    if (round_text.isNull()) {
        return usage(translated("verify", "--%1 is needed").arg(QStringLiteral("round")));
    }
    const std::optional<long long> round = read_whole(round_text.toStdString(), 0, 4294967295LL);
    if (!round) {
        return usage(translated("verify", "invalid round '%1'")
                         .arg(QString::fromStdString(shown_argument(round_text.toStdString()))));
    }
    record.round = static_cast<std::uint32_t>(*round);
    QByteArray claimed_commitment;
    if (const QString commitment = options.take(QStringLiteral("commitment"));
        !commitment.isNull()) {
        claimed_commitment = parse_hex32(commitment);
        if (claimed_commitment.isEmpty()) {
            return usage(translated("verify", "the commitment must be 64 hex digits"));
        }
    }
    // Every argument is read before anything is printed, so a usage error prints no outcome.
    // What is left are the game's own options.
    for (const DrawVerifier::Option& option : verifier->options()) {
        if (option.required && !options.contains(option.name)) {
            return usage(translated("verify", "--%1 is needed").arg(option.name));
        }
    }
    QString error;
    const std::optional<DrawCheck> check = verifier->check(record, options, &error);
    if (!check) {
        return usage(error);
    }

    std::vector<std::string> faults;
    if (!claimed_commitment.isEmpty() && claimed_commitment != record.commitment()) {
        faults.push_back(translated("verify",
                                    "the commitment does not match the seed: SHA-256 of the seed "
                                    "is %1")
                             .arg(QString::fromStdString(hex(record.commitment())))
                             .toStdString());
    }
    std::printf("%s\n",
                translated("verify", "%1 round %2\nseed       %3\nphrase     %4\ncommitment %5%6")
                    .arg(QString::fromStdString(game))
                    .arg(record.round)
                    .arg(QString::fromStdString(hex(record.seed)), record.phrase,
                         QString::fromStdString(hex(record.commitment())),
                         claimed_commitment.isEmpty() ? QString()
                         : claimed_commitment == record.commitment()
                             ? translated("verify", " (matches)")
                             : translated("verify", " (differs)"))
                    .toStdString()
                    .c_str());
    for (const QString& line : check->outcome) {
        std::printf("%s\n", line.toStdString().c_str());
    }
    for (const QString& fault : check->faults) {
        faults.push_back(fault.toStdString());
    }
    if (!faults.empty()) {
        std::string reason;
        for (const std::string& fault : faults) {
            reason += (reason.empty() ? "" : "; ") + fault;
        }
        return mismatch(reason);
    }
    const bool compared = !claimed_commitment.isEmpty() || check->compared;
    const QString verdict =
        compared
            ? translated("verify", "checks: everything given matches")
            : translated("verify", "recomputed; give --commitment and the outcome to compare them");
    std::puts(verdict.toUtf8().constData());
    return std::fflush(stdout) == 0 ? 0 : 1;
}

} // namespace glimmer::host
