#pragma once

// Numbers that come from outside the program: a command line, a control request, a line of
// the settings file, a header. Plain C++, so that the command line can read them before Qt is
// set up. Nothing here reads blanks, signs it was not asked for, other digits than ASCII,
// other bases, "inf" or "nan": what is not written plainly is not a number.

#include <optional>
#include <string_view>

namespace glimmer {

// A finite decimal number: an optional sign, ASCII digits with an optional point, and an
// optional exponent ("12", "-3.5", "1e3", ".5"). None for anything else, and for a value
// beyond the range of a double ("1e400").
std::optional<double> read_decimal(std::string_view text);

// A whole number written as ASCII digits alone (a minus sign too where low is negative),
// within [low, high]; leading zeros are fine, and the digits may be as many as they like.
std::optional<long long> read_whole(std::string_view text, long long low, long long high);

} // namespace glimmer
