#include "runtime/outside_numbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace glimmer {

namespace {

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// Moves i past the digits from there; how many there were.
std::size_t skip_digits(std::string_view text, std::size_t& i) {
    const std::size_t from = i;
    while (i < text.size() && is_digit(text[i])) {
        ++i;
    }
    return i - from;
}

// Whether text is [+-]digits[.digits][e[+-]digits] with at least one digit before the
// exponent; from_chars alone would also take "inf", "nan" and hexadecimal.
bool plain_decimal(std::string_view text) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    std::size_t digits = skip_digits(text, i);
    if (i < n && text[i] == '.') {
        ++i;
        digits += skip_digits(text, i);
    }
    if (digits == 0) {
        return false;
    }
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-')) {
            ++i;
        }
        if (skip_digits(text, i) == 0) {
            return false;
        }
    }
    return i == n;
}

// For a plain decimal out of a double's range: whether it is tiny rather than huge, that is
// whether its first significant digit, exponent included, stands below the units.
bool below_one(std::string_view text) {
    const std::size_t e = std::min(text.find_first_of("eE"), text.size());
    long long exponent = 0;
    if (e < text.size()) {
        std::size_t i = e + 1;
        const bool negative = text[i] == '-';
        i += (text[i] == '-' || text[i] == '+') ? 1 : 0;
        // Far past any double's range already, so the digits cannot overflow.
        for (; i < text.size() && exponent < 1000000000LL; ++i) {
            exponent = exponent * 10 + (text[i] - '0');
        }
        exponent = negative ? -exponent : exponent;
    }
    std::string_view mantissa = text.substr(0, e);
    if (!mantissa.empty() && (mantissa.front() == '-' || mantissa.front() == '+')) {
        mantissa.remove_prefix(1);
    }
    const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
    const std::string_view whole = mantissa.substr(0, point);
    const std::size_t first = whole.find_first_not_of('0');
    long long magnitude = 0; // 0 for the units, 1 for tens, -1 for tenths
    if (first != std::string_view::npos) {
        magnitude = static_cast<long long>(whole.size() - first) - 1;
    } else {
        const std::string_view fraction =
            point < mantissa.size() ? mantissa.substr(point + 1) : std::string_view();
        const std::size_t nonzero = fraction.find_first_not_of('0');
        if (nonzero == std::string_view::npos) {
            return true; // zero itself
        }
        magnitude = -static_cast<long long>(nonzero) - 1;
    }
    return magnitude + exponent < 0;
}

} // namespace

std::optional<double> read_decimal(std::string_view text) {
    if (!plain_decimal(text)) {
        return std::nullopt;
    }
    // from_chars takes no leading "+".
    std::string_view digits = text.front() == '+' ? text.substr(1) : text;
    double value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value,
                                              std::chars_format::general);
    if (error == std::errc::result_out_of_range) {
        // Too small rounds to zero, which is the number; too large is no number we can hold.
        return below_one(digits) ? std::optional<double>(0.0) : std::nullopt;
    }
    if (error != std::errc() || end != digits.data() + digits.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<long long> read_whole(std::string_view text, long long low, long long high) {
    bool negative = false;
    if (low < 0 && !text.empty() && text.front() == '-') {
        negative = true;
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    // Leading zeros cost nothing and can never overflow.
    while (text.size() > 1 && text.front() == '0') {
        text.remove_prefix(1);
    }
    long long value = 0;
    for (const char c : text) {
        if (!is_digit(c)) {
            return std::nullopt;
        }
        if (value > (std::numeric_limits<long long>::max() - 9) / 10) {
            return std::nullopt; // past any bound, whatever digits follow
        }
        value = value * 10 + (c - '0');
    }
    value = negative ? -value : value;
    if (value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

} // namespace glimmer
