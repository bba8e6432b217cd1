#include "output/number_pattern.h"

#include "dsp/text.h"

#include <charconv>
#include <cmath>

namespace zevrin {

namespace {

bool is_digit_place(char c) {
    return c == '0' || c == '#';
}

// The integer part of the pattern with the digits laid into it from the right.
std::string lay_integer(std::string_view pattern, std::string_view digits) {
    int places = 0;
    for (char c : pattern) {
        places += is_digit_place(c) ? 1 : 0;
    }
    // Leading zeros of the value are optional digits: "#" leaves them out.
    while (digits.size() > 1 && digits.front() == '0') {
        digits.remove_prefix(1);
    }
    if (digits == "0") {
        digits = {};
    }
    std::string out;
    int place = 0;
    const int spare = static_cast<int>(digits.size()) - places;
    size_t next = 0;
    for (char c : pattern) {
        if (!is_digit_place(c)) {
            out += c;
            continue;
        }
        // Place `place` (from the left) holds the digit that lies as far from the right.
        const int from_right = places - 1 - place++;
        const int take = from_right == places - 1 && spare > 0 ? spare + 1 : 1;
        if (from_right < static_cast<int>(digits.size())) {
            out.append(digits.substr(next, static_cast<size_t>(take)));
            next += static_cast<size_t>(take);
        } else if (c == '0') {
            out += '0';
        }
    }
    return out;
}

} // namespace

std::string format_pattern(std::string_view pattern, double x) {
    if (!std::isfinite(x)) {
        return std::isnan(x) ? "NAN" : (x > 0 ? "INF" : "-INF");
    }
    const size_t dot = pattern.find('.');
    const std::string_view int_pattern = pattern.substr(0, dot);
    const std::string_view frac_pattern =
        dot == std::string_view::npos ? std::string_view() : pattern.substr(dot + 1);
    int frac_min = 0;
    int frac_max = 0;
    for (char c : frac_pattern) {
        if (is_digit_place(c)) {
            ++frac_max;
            frac_min += c == '0' ? 1 : 0;
        }
    }
    char buf[400];
    const auto res =
        std::to_chars(buf, buf + sizeof buf, std::fabs(x), std::chars_format::fixed, frac_max);
    const std::string_view text(buf, static_cast<size_t>(res.ptr - buf));
    const size_t point = text.find('.');
    const std::string_view int_digits = text.substr(0, point);
    std::string frac_digits(point == std::string_view::npos ? "" : text.substr(point + 1));
    while (static_cast<int>(frac_digits.size()) > frac_min && frac_digits.back() == '0') {
        frac_digits.pop_back();
    }
    const bool zero = int_digits.find_first_not_of('0') == std::string_view::npos &&
                      frac_digits.find_first_not_of('0') == std::string::npos;
    std::string out = x < 0 && !zero ? "-" : "";
    out += lay_integer(int_pattern, int_digits);
    if (!frac_digits.empty()) {
        out += decimal_separator();
        out += frac_digits;
    }
    return out;
}

} // namespace zevrin
