#pragma once
// Number and text helpers: significant-digit formatting, picture formats,
// locale-independent number text for the settings, case conversion.
//
// The "user's decimal separator" is a process-wide setting of our own that the
// program takes from the desktop's locale at start; the C library's locale is never
// changed, so the text of the settings store ("." always) cannot be disturbed.

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace zevrin {

/// A text that is not a number where one is expected.
class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

char decimal_separator();
void set_decimal_separator(char separator);
char thousand_separator();
void set_thousand_separator(char separator);

/// x rounded to `places` significant digits, in whichever of the scientific form
/// ("1.2E5") and the general form ("0.0012") is shorter; the user's separator.
std::string format_significant(int places, double x);

/// The general 15-digit text of x (fixed from 1E-5 up to 15 integer digits,
/// scientific otherwise) with the given decimal separator.
std::string general_text(double x, char separator);

/// The general text of x with "." as decimal separator.
std::string float_to_str_dot(double x);
/// The number in s read with "." as decimal separator; EConvertError
/// "Cannot convert empty string to number" for an empty text and
/// "'s' is not a valid floating point value" for a text that is no number.
double str_to_float_dot(std::string_view s);
/// The same with the user's decimal separator.
double str_to_float(std::string_view s);
/// A 32-bit integer in decimal or with a "$" or "0x" hexadecimal prefix;
/// EConvertError "'s' is not a valid integer value" otherwise.
int str_to_int(std::string_view s);
/// As str_to_int, but `fallback` where the text is no valid integer.
int str_to_int_def(std::string_view s, int fallback);

/// x formatted by a picture such as "0.0", "0.###" or "# ##0.##": '0' a digit that
/// is always shown, '#' one shown when significant, '.' the user's decimal separator,
/// ',' or ' ' among the integer digits a thousands grouping. x is first taken to 15
/// significant digits (the precision of the program's other number texts), and a
/// decimal half then rounds away from zero: "0.0" shows 31.25 as "31.3", -0.05 as
/// "-0.1" and 0.15 as "0.2". A result of all zeros carries no sign.
std::string format_float(std::string_view picture, double x);
/// The same text into out[0 .. size), without allocating; returns its length (the
/// text is cut at `size`).
std::size_t format_float_to(char* out, std::size_t size, std::string_view picture, double x);

std::string upper_case(std::string_view s);
std::string lower_case(std::string_view s);
/// s with every occurrence of old_text replaced by new_text, scanning forward;
/// unchanged when old_text is empty or equal to new_text.
std::string replace_all(std::string_view s, std::string_view old_text, std::string_view new_text);
/// Leading and trailing blanks and control characters removed.
std::string trim(std::string_view s);

} // namespace zevrin
