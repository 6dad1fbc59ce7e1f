#include "text.h"

#include <QRegularExpression>

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

namespace glimmer {

namespace {

// Plain decimal from a digit string d1 d2 ... dn meaning 0.d1d2...dn x 10^exp10.
QString plain_decimal(bool negative, std::string digits, int exp10) {
    while (!digits.empty() && digits.back() == '0') {
        digits.pop_back();
    }
    if (digits.empty()) {
        return QStringLiteral("0");
    }
    std::string out;
    if (negative) {
        out += '-';
    }
    const int n = static_cast<int>(digits.size());
    if (exp10 <= 0) {
        out += "0.";
        out.append(static_cast<size_t>(-exp10), '0');
        out += digits;
    } else if (exp10 >= n) {
        out += digits;
        out.append(static_cast<size_t>(exp10 - n), '0');
    } else {
        out += digits.substr(0, static_cast<size_t>(exp10));
        out += '.';
        out += digits.substr(static_cast<size_t>(exp10));
    }
    return QString::fromLatin1(out.data(), static_cast<qsizetype>(out.size()));
}

bool is_digit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// For a number out of a double's range, written as [-]digits[.digits][e[+-]digits] with a
// non-zero digit: whether it is too large rather than too small. It is when its first
// significant digit, exponent included, stands at or above the units.
bool too_large(const std::string& number) {
    const size_t e = number.find('e');
    const std::string mantissa = number.substr(0, e);
    // Far beyond any double's range, so the digits cannot overflow it.
    constexpr long long exponent_cap = 1000000;
    long long exponent = 0;
    if (e != std::string::npos) {
        size_t i = e + 1;
        const bool negative = i < number.size() && number[i] == '-';
        if (i < number.size() && (number[i] == '-' || number[i] == '+')) {
            ++i;
        }
        for (; i < number.size() && exponent < exponent_cap; ++i) {
            exponent = exponent * 10 + (number[i] - '0');
        }
        exponent = negative ? -exponent : exponent;
    }
    const size_t start = !mantissa.empty() && mantissa[0] == '-' ? 1 : 0;
    const size_t dot = std::min(mantissa.find('.'), mantissa.size());
    const std::string whole = mantissa.substr(start, dot - start);
    const size_t first = whole.find_first_not_of('0');
    long long order = 0;
    if (first != std::string::npos) {
        order = static_cast<long long>(whole.size() - first) - 1;
    } else {
        const std::string fraction = dot < mantissa.size() ? mantissa.substr(dot + 1) : "";
        order =
            -static_cast<long long>(std::min(fraction.find_first_not_of('0'), fraction.size())) - 1;
    }
    return order + exponent >= 0;
}

} // namespace

QString to_text(double value) {
    if (std::isnan(value)) {
        return QStringLiteral("nan");
    }
    if (std::isinf(value)) {
        return value < 0 ? QStringLiteral("-inf") : QStringLiteral("inf");
    }
    if (value == 0) {
        return QStringLiteral("0"); // also for -0
    }
    if (value == std::trunc(value)) {
        // Every whole double prints exactly; the precision is that of the stored value.
        char buffer[400];
        std::snprintf(buffer, sizeof buffer, "%.0f", value);
        return QString::fromLatin1(buffer);
    }
    // Round to 15 significant digits first, then lay the digits out without an exponent.
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.14e", std::fabs(value));
    // buffer: d.dddddddddddddde[+-]xx
    std::string text(buffer);
    const auto e = text.find('e');
    std::string digits = text.substr(0, 1) + text.substr(2, e - 2);
    const int exponent = std::stoi(text.substr(e + 1));
    return plain_decimal(value < 0, digits, exponent + 1);
}

double to_number(const QString& text) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == u' ' || text[i] == u'\t')) {
        ++i;
    }
    std::string number;
    qsizetype j = i;
    if (j < n && (text[j] == u'+' || text[j] == u'-')) {
        if (text[j] == u'-') {
            number += '-';
        }
        ++j;
    }
    qsizetype mantissa_digits = 0;
    while (j < n && is_digit(text[j])) {
        number += static_cast<char>(text[j].unicode());
        ++j;
        ++mantissa_digits;
    }
    if (j < n && text[j] == u'.') {
        qsizetype k = j + 1;
        std::string fraction;
        while (k < n && is_digit(text[k])) {
            fraction += static_cast<char>(text[k].unicode());
            ++k;
        }
        if (mantissa_digits > 0 || !fraction.empty()) {
            number += '.';
            number += fraction;
            mantissa_digits += static_cast<qsizetype>(fraction.size());
            j = k;
        }
    }
    if (mantissa_digits == 0) {
        return 0;
    }
    // An exponent counts only when digits follow it: "5e" and "5e+" read as 5.
    if (j < n && (text[j] == u'e' || text[j] == u'E')) {
        qsizetype k = j + 1;
        std::string exponent = "e";
        if (k < n && (text[k] == u'+' || text[k] == u'-')) {
            exponent += static_cast<char>(text[k].unicode());
            ++k;
        }
        const qsizetype start = k;
        while (k < n && is_digit(text[k])) {
            exponent += static_cast<char>(text[k].unicode());
            ++k;
        }
        if (k > start) {
            number += exponent;
        }
    }
    double value = 0;
    const char* first = number.data();
    const char* last = first + number.size();
    const auto result = std::from_chars(first, last, value);
    if (result.ec == std::errc::result_out_of_range) {
        // Too large saturates; too small is as good as zero.
        const bool negative = number.front() == '-';
        if (too_large(number)) {
            const double max = std::numeric_limits<double>::max();
            return negative ? -max : max;
        }
        return negative ? -0.0 : 0.0;
    }
    return value;
}

int to_int(const QString& text) {
    const double value = std::trunc(to_number(text));
    constexpr double low = std::numeric_limits<int>::min();
    constexpr double high = std::numeric_limits<int>::max();
    if (value <= low) {
        return std::numeric_limits<int>::min();
    }
    if (value >= high) {
        return std::numeric_limits<int>::max();
    }
    return static_cast<int>(value);
}

QStringList split(const QString& text, const QString& separator, int max_pieces) {
    QStringList pieces;
    if (text.isEmpty()) {
        return pieces;
    }
    if (separator.isEmpty() || max_pieces == 1) {
        pieces.append(text);
        return pieces;
    }
    qsizetype from = 0;
    while (true) {
        if (max_pieces > 0 && pieces.size() == max_pieces - 1) {
            break;
        }
        const qsizetype at = text.indexOf(separator, from);
        if (at < 0) {
            break;
        }
        pieces.append(text.mid(from, at - from));
        from = at + separator.size();
    }
    pieces.append(text.mid(from));
    return pieces;
}

QString replace(const QString& text, const QString& find, const QString& with) {
    if (find.isEmpty()) {
        return text;
    }
    QString result;
    result.reserve(text.size());
    qsizetype from = 0;
    while (true) {
        const qsizetype at = text.indexOf(find, from);
        if (at < 0) {
            break;
        }
        result.append(QStringView(text).mid(from, at - from));
        result.append(with);
        from = at + find.size();
    }
    result.append(QStringView(text).mid(from));
    return result;
}

QString from_gbk(const QByteArray& bytes) {
    QStringDecoder decoder("GBK");
    if (!decoder.isValid()) {
        return QString::fromLocal8Bit(bytes);
    }
    return decoder.decode(bytes);
}

bool is_gbk(const QByteArray& bytes) {
    // A byte that is not GBK decodes to a replacement character, which does not encode back.
    return to_gbk(from_gbk(bytes)) == bytes;
}

bool gbk_holds(const QString& text) {
    return from_gbk(to_gbk(text)) == text;
}

bool is_utf8(const QByteArray& bytes) {
    // Stateless: a sequence cut off at the end is an error, not one waiting for more bytes.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    // The conversion runs only once its result is taken.
    const QString decoded = decoder.decode(bytes);
    return !decoder.hasError();
}

QByteArray to_gbk(const QString& text) {
    QStringEncoder encoder("GBK");
    if (!encoder.isValid()) {
        return text.toLocal8Bit();
    }
    return encoder.encode(text);
}

namespace {

// Digits of the whole part scaled down by 10^shift, with two decimals cut off: "1234567", 4
// gives "123.45".
QString scaled(const QString& whole, const QString& fraction, int shift) {
    const QString digits = whole + fraction;
    const qsizetype point = whole.size() - shift;
    QString integer = digits.left(point);
    QString decimals = digits.mid(point, 2);
    while (decimals.endsWith(u'0')) {
        decimals.chop(1);
    }
    return decimals.isEmpty() ? integer : integer + u'.' + decimals;
}

} // namespace

QString readable_amount(const QString& amount) {
    static const QRegularExpression number(QStringLiteral("^(-?)0*(\\d+?)(?:\\.(\\d*))?$"));
    const QRegularExpressionMatch match = number.match(amount);
    if (!match.hasMatch()) {
        return amount;
    }
    const QString sign = match.captured(1);
    const QString whole = match.captured(2);
    const QString fraction = match.captured(3);
    if (whole.size() <= 4) {
        return amount;
    }
    const bool yi = whole.size() > 8;
    return sign + scaled(whole, fraction, yi ? 8 : 4) +
           (yi ? QStringLiteral("亿") : QStringLiteral("万"));
}

} // namespace glimmer
