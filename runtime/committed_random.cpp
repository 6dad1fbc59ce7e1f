#include "committed_random.h"

#include <QCryptographicHash>
#include <QMessageAuthenticationCode>
#include <QRandomGenerator>
#include <QUrl>

#include <array>
#include <utility>

namespace glimmer {

QByteArray system_seed() {
    std::array<quint32, draw_seed_size / 4> words{};
    QRandomGenerator::system()->fillRange(words.data(), words.size());
    return QByteArray(reinterpret_cast<const char*>(words.data()), draw_seed_size);
}

QByteArray draw_commitment(const QByteArray& seed) {
    return QCryptographicHash::hash(seed, QCryptographicHash::Sha256);
}

QByteArray draw_message(const QString& game, std::uint32_t round, std::uint64_t block,
                        const QString& phrase) {
    return "glimmerhall-draw|" + game.toUtf8() + '|' + QByteArray::number(round) + '|' +
           QByteArray::number(static_cast<qulonglong>(block)) + '|' + phrase.toUtf8();
}

QByteArray seed_from_hex(const QString& hex) {
    if (hex.size() != 2 * draw_seed_size) {
        return {};
    }
    for (const QChar c : hex) {
        if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f'))) {
            return {};
        }
    }
    return QByteArray::fromHex(hex.toLatin1());
}

QString hex_text(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.toHex());
}

namespace {

QString shell_word(const QString& word) {
    QString quoted = word;
    quoted.replace(u'\'', QStringLiteral("'\\''"));
    return u'\'' + quoted + u'\'';
}

} // namespace

QJsonObject pending_draw_state(const QString& game, const PendingDraw& draw) {
    return QJsonObject{{QStringLiteral("game"), game},
                       {QStringLiteral("round"), static_cast<qint64>(draw.round)},
                       {QStringLiteral("commitment"), hex_text(draw.commitment)},
                       {QStringLiteral("phrase"), draw.phrase},
                       {QStringLiteral("phrase_open"), draw.phrase_open}};
}

QJsonObject revealed_draw_state(const DrawRecord& record) {
    return QJsonObject{{QStringLiteral("game"), record.game},
                       {QStringLiteral("round"), static_cast<qint64>(record.round)},
                       {QStringLiteral("commitment"), hex_text(record.commitment())},
                       {QStringLiteral("seed"), hex_text(record.seed)},
                       {QStringLiteral("phrase"), record.phrase}};
}

QString verify_link(const DrawRecord& record, const DrawFacts& facts) {
    DrawFacts fields{{QStringLiteral("game"), record.game},
                     {QStringLiteral("round"), QString::number(record.round)},
                     {QStringLiteral("seed"), hex_text(record.seed)},
                     {QStringLiteral("phrase"), record.phrase},
                     {QStringLiteral("commitment"), hex_text(record.commitment())}};
    fields.append(facts);
    QString link = QStringLiteral("/overlay/verify");
    QChar separator = u'?';
    for (const auto& [name, value] : fields) {
        // Everything but the unreserved characters is escaped, "+" included, so that the
        // page's URLSearchParams reads back exactly the text.
        link += separator + name + u'=' + QString::fromLatin1(QUrl::toPercentEncoding(value));
        separator = u'&';
    }
    return link;
}

QString verify_command(const DrawRecord& record, const DrawFacts& facts) {
    QString command =
        QStringLiteral("glimmerhall verify ") + record.game + u' ' + hex_text(record.seed);
    // A phrase that starts with a dash goes last, after "--", so it is not read as an option.
    const bool dashed = record.phrase.startsWith(u'-');
    if (!record.phrase.isEmpty() && !dashed) {
        command += u' ' + shell_word(record.phrase);
    }
    command += QStringLiteral(" --round ") + QString::number(record.round) +
               QStringLiteral(" --commitment ") + hex_text(record.commitment());
    for (const auto& [name, value] : facts) {
        command += QStringLiteral(" --") + name + u' ' + value;
    }
    if (dashed) {
        command += QStringLiteral(" -- ") + shell_word(record.phrase);
    }
    return command;
}

DrawRecord DrawRecord::fresh(const QString& game, std::uint32_t round) {
    DrawRecord record;
    record.game = game;
    record.round = round;
    record.seed = system_seed();
    return record;
}

CommittedRandom::CommittedRandom(const DrawRecord& record)
    : key_(record.seed), prefix_("glimmerhall-draw|" + record.game.toUtf8() + '|' +
                                 QByteArray::number(record.round) + '|'),
      suffix_('|' + record.phrase.toUtf8()) {}

std::uint32_t CommittedRandom::next_word() {
    constexpr int words_per_block = 8;
    if (word_ == words_per_block) {
        const QByteArray message =
            prefix_ + QByteArray::number(static_cast<qulonglong>(block_)) + suffix_;
        ++block_;
        words_ = QMessageAuthenticationCode::hash(message, key_, QCryptographicHash::Sha256);
        word_ = 0;
    }
    const auto byte = [this](int i) {
        return static_cast<std::uint32_t>(static_cast<uchar>(words_[4 * word_ + i]));
    };
    const std::uint32_t word = (byte(0) << 24) | (byte(1) << 16) | (byte(2) << 8) | byte(3);
    ++word_;
    ++words_read_;
    return word;
}

int CommittedRandom::random_int(int low, int high) {
    if (low > high) {
        std::swap(low, high);
    }
    const std::uint64_t span =
        static_cast<std::uint64_t>(static_cast<std::int64_t>(high) - low) + 1;
    constexpr std::uint64_t words = std::uint64_t{1} << 32;
    const std::uint64_t limit = words - words % span;
    std::uint64_t draw = next_word();
    while (draw >= limit) {
        draw = next_word();
    }
    return static_cast<int>(static_cast<std::int64_t>(low) +
                            static_cast<std::int64_t>(draw % span));
}

} // namespace glimmer
