#pragma once
// The number patterns of the printed facts: "#" an optional digit, "0" a mandatory
// digit, "." the user's decimal separator (dsp/text.h), any other character copied
// where it stands. The integer digits fill the pattern's digit places from the right;
// the leftmost place takes every digit that is left over, so "# ##0.##" gives
// "16 000", " 100" and "1234 567". Without a rounding mode of its own: the value is
// rounded to the pattern's decimals as the exact binary value lies.

#include <string>
#include <string_view>

namespace zevrin {

std::string format_pattern(std::string_view pattern, double x);

} // namespace zevrin
