#include "dsp/text.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <system_error>

namespace zevrin {

namespace {

char g_decimal_separator = '.';
char g_thousand_separator = ',';

std::string not_a_float(std::string_view s) {
    return "'" + std::string(s) + "' is not a valid floating point value";
}

std::string not_an_integer(std::string_view s) {
    return "'" + std::string(s) + "' is not a valid integer value";
}

std::string non_finite_text(double x) {
    if (std::isnan(x)) {
        return "NAN";
    }
    return x > 0 ? "INF" : "-INF";
}

// Decimal digits of |x| rounded to `digits` significant digits, and the decimal
// exponent of the first one (x = 0.d1d2d3... × 10^(exponent + 1)).
struct Decimal {
    std::string digits;
    int exponent = 0;
};

// digits 0 asks for the shortest digits that read back as x.
Decimal decimal_digits(double x, int digits) {
    char buf[64];
    auto res = digits > 0 ? std::to_chars(buf, buf + sizeof buf, std::fabs(x),
                                          std::chars_format::scientific, digits - 1)
                          : std::to_chars(buf, buf + sizeof buf, std::fabs(x),
                                          std::chars_format::scientific);
    std::string_view text(buf, static_cast<size_t>(res.ptr - buf));
    Decimal d;
    const size_t e = text.find('e');
    for (char c : text.substr(0, e)) {
        if (c != '.') {
            d.digits += c;
        }
    }
    std::from_chars(text.data() + e + 1 + (text[e + 1] == '+' ? 1 : 0), text.data() + text.size(),
                    d.exponent);
    return d;
}

// Written into a buffer of its own: prepending to a temporary string costs a second
// copy, and GCC 12 at -O2 and above mistakes that copy for an overlapping one.
std::string exponent_text(int e) {
    char buf[16] = {'E'};
    const auto res = std::to_chars(buf + 1, buf + sizeof buf, e);
    return std::string(buf, res.ptr);
}

// Unicode case mapping for the scripts a user is likely to type in a file name:
// Latin (ASCII, Latin-1, Latin Extended-A), Greek and Cyrillic.
char32_t to_lower_cp(char32_t c) {
    if ((c >= U'A' && c <= U'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) {
        return c + 32;
    }
    if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149 &&
        c != 0x17F) {
        const bool odd_upper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (odd_upper ? (c % 2 == 1) : (c % 2 == 0)) {
            return c + 1;
        }
        return c;
    }
    if ((c >= 0x391 && c <= 0x3A9 && c != 0x3A2) || (c >= 0x410 && c <= 0x42F)) {
        return c + 32;
    }
    if (c >= 0x400 && c <= 0x40F) {
        return c + 80;
    }
    return c;
}

char32_t to_upper_cp(char32_t c) {
    if ((c >= U'a' && c <= U'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) {
        return c - 32;
    }
    if (c >= 0x100 && c <= 0x17F && to_lower_cp(c - 1) == c) {
        return c - 1;
    }
    if ((c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) || (c >= 0x430 && c <= 0x44F)) {
        return c - 32;
    }
    if (c >= 0x450 && c <= 0x45F) {
        return c - 80;
    }
    return c;
}

// Applies `map` to every well-formed UTF-8 sequence; other bytes pass unchanged.
template <typename Map> std::string map_utf8(std::string_view s, Map map) {
    std::string out;
    out.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        const auto b0 = static_cast<unsigned char>(s[i]);
        int len = b0 < 0x80         ? 1
                  : (b0 >> 5) == 6  ? 2
                  : (b0 >> 4) == 14 ? 3
                  : (b0 >> 3) == 30 ? 4
                                    : 0;
        char32_t cp = len == 1 ? b0 : len == 2 ? (b0 & 0x1F) : len == 3 ? (b0 & 0x0F) : (b0 & 0x07);
        bool ok = len > 0 && i + static_cast<size_t>(len) <= s.size();
        for (int k = 1; ok && k < len; ++k) {
            const auto b = static_cast<unsigned char>(s[i + static_cast<size_t>(k)]);
            ok = (b >> 6) == 2;
            cp = (cp << 6) | (b & 0x3F);
        }
        if (!ok || len > 3) {
            out += s[i];
            ++i;
            continue;
        }
        cp = map(cp);
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
        i += static_cast<size_t>(len);
    }
    return out;
}

bool parse_hex(std::string_view digits, int& value) {
    uint32_t v = 0;
    auto res = std::from_chars(digits.data(), digits.data() + digits.size(), v, 16);
    if (digits.empty() || res.ec != std::errc() || res.ptr != digits.data() + digits.size()) {
        return false;
    }
    value = static_cast<int>(v);
    return true;
}

bool parse_int(std::string_view s, int& value) {
    std::string t = trim(s);
    std::string_view v(t);
    bool negative = false;
    if (!v.empty() && (v[0] == '-' || v[0] == '+')) {
        negative = v[0] == '-';
        v.remove_prefix(1);
    }
    if (!v.empty() && v[0] == '$') {
        if (!parse_hex(v.substr(1), value)) {
            return false;
        }
    } else if (v.size() > 2 && v[0] == '0' && (v[1] == 'x' || v[1] == 'X')) {
        if (!parse_hex(v.substr(2), value)) {
            return false;
        }
    } else {
        int64_t d = 0;
        auto res = std::from_chars(v.data(), v.data() + v.size(), d);
        if (v.empty() || res.ec != std::errc() || res.ptr != v.data() + v.size()) {
            return false;
        }
        d = negative ? -d : d;
        if (d < std::numeric_limits<int>::min() || d > std::numeric_limits<int>::max()) {
            return false;
        }
        value = static_cast<int>(d);
        return true;
    }
    value = negative ? -value : value;
    return true;
}

} // namespace

char decimal_separator() {
    return g_decimal_separator;
}
void set_decimal_separator(char separator) {
    g_decimal_separator = separator;
}
char thousand_separator() {
    return g_thousand_separator;
}
void set_thousand_separator(char separator) {
    g_thousand_separator = separator;
}

std::string general_text(double x, char separator) {
    if (!std::isfinite(x)) {
        return non_finite_text(x);
    }
    if (x == 0.0) {
        return "0";
    }
    // Fifteen digits, as the Windows program stores numbers, unless they would not
    // read back as x: then the shortest digits that do, so that no setting drifts.
    Decimal d = decimal_digits(x, 15);
    std::string check = "0." + d.digits + "e" + std::to_string(d.exponent + 1);
    double back = 0.0;
    std::from_chars(check.data(), check.data() + check.size(), back);
    if (back != std::fabs(x)) {
        d = decimal_digits(x, 0);
    }
    while (d.digits.size() > 1 && d.digits.back() == '0') {
        d.digits.pop_back();
    }
    std::string out = x < 0 ? "-" : "";
    const int e = d.exponent;
    if (e < -5 || e >= 15) {
        out += d.digits[0];
        if (d.digits.size() > 1) {
            out += separator;
            out += d.digits.substr(1);
        }
        return out + exponent_text(e);
    }
    if (e < 0) {
        return out + "0" + separator + std::string(static_cast<size_t>(-e - 1), '0') + d.digits;
    }
    const auto int_len = static_cast<size_t>(e + 1);
    if (d.digits.size() <= int_len) {
        return out + d.digits + std::string(int_len - d.digits.size(), '0');
    }
    return out + d.digits.substr(0, int_len) + separator + d.digits.substr(int_len);
}

std::string format_significant(int places, double x) {
    if (!std::isfinite(x)) {
        return non_finite_text(x);
    }
    const int digits = places < 2 ? 1 : places;
    const Decimal d = decimal_digits(x, digits);
    std::string s1 = x < 0 ? "-" : "";
    s1 += d.digits[0];
    if (digits > 1) {
        s1 += decimal_separator();
        s1 += d.digits.substr(1);
    }
    s1 += exponent_text(d.exponent);
    // s1 read back: the rounded value itself.
    std::string plain = (x < 0 ? "-0." : "0.") + d.digits + "e" + std::to_string(d.exponent + 1);
    double back = 0.0;
    std::from_chars(plain.data(), plain.data() + plain.size(), back);
    const std::string s2 = general_text(back, decimal_separator());
    return s1.size() < s2.size() ? s1 : s2;
}

std::string float_to_str_dot(double x) {
    return general_text(x, '.');
}

double str_to_float_dot(std::string_view s) {
    if (s.empty()) {
        throw EConvertError("Cannot convert empty string to number");
    }
    const std::string t = trim(s);
    std::string_view v(t);
    const bool negative = !v.empty() && v[0] == '-';
    if (!v.empty() && (v[0] == '-' || v[0] == '+')) {
        v.remove_prefix(1);
    }
    const std::string upper = upper_case(v);
    if (upper == "INF" || upper == "NAN") {
        const double special = upper == "NAN" ? std::numeric_limits<double>::quiet_NaN()
                                              : std::numeric_limits<double>::infinity();
        return negative ? -special : special;
    }
    if (v.empty() || !(std::isdigit(static_cast<unsigned char>(v[0])) || v[0] == '.')) {
        throw EConvertError(not_a_float(s));
    }
    double value = 0.0;
    auto res = std::from_chars(v.data(), v.data() + v.size(), value, std::chars_format::general);
    if (res.ptr != v.data() + v.size()) {
        throw EConvertError(not_a_float(s));
    }
    if (res.ec == std::errc::result_out_of_range) {
        const bool underflow = upper.find("E-") != std::string::npos;
        if (!underflow) {
            throw EConvertError(not_a_float(s));
        }
        value = 0.0;
    } else if (res.ec != std::errc()) {
        throw EConvertError(not_a_float(s));
    }
    return negative ? -value : value;
}

double str_to_float(std::string_view s) {
    const char sep = decimal_separator();
    if (sep == '.') {
        return str_to_float_dot(s);
    }
    if (s.find('.') != std::string_view::npos) {
        throw EConvertError(not_a_float(s));
    }
    std::string dotted(s);
    for (char& c : dotted) {
        if (c == sep) {
            c = '.';
        }
    }
    try {
        return str_to_float_dot(dotted);
    } catch (const EConvertError&) {
        if (s.empty()) {
            throw;
        }
        throw EConvertError(not_a_float(s));
    }
}

int str_to_int(std::string_view s) {
    int value = 0;
    if (!parse_int(s, value)) {
        throw EConvertError(not_an_integer(s));
    }
    return value;
}

int str_to_int_def(std::string_view s, int fallback) {
    int value = 0;
    return parse_int(s, value) ? value : fallback;
}

namespace {

// What a picture asks for.
struct Picture {
    int min_int = 0;  // integer digits always shown
    char group = 0;   // thousands separator, 0 for none
    int frac_min = 0; // decimals always shown
    int frac_max = 0; // decimals shown when significant
};

// Far more decimals than any picture of the program asks for; keeps the digits of
// every double within a fixed buffer.
constexpr int max_picture_decimals = 40;

Picture read_picture(std::string_view picture) {
    Picture p;
    const size_t dot = picture.find('.');
    for (char c : picture.substr(0, dot)) {
        if (c == '0') {
            ++p.min_int;
        } else if (c == ',') {
            p.group = thousand_separator();
        } else if (c == ' ') {
            p.group = ' ';
        }
    }
    if (dot != std::string_view::npos) {
        for (char c : picture.substr(dot + 1)) {
            if (c == '0' || c == '#') {
                ++p.frac_max;
                p.frac_min += c == '0' ? 1 : 0;
            }
        }
    }
    p.frac_max = std::min(p.frac_max, max_picture_decimals);
    p.frac_min = std::min(p.frac_min, p.frac_max);
    return p;
}

// The digits of |x| rounded to `decimals` places, the point implied before the last
// `decimals` of them, at least one digit before it. The value is first taken to 15
// significant digits, as the program writes numbers elsewhere, and a half in the first
// digit left out then rounds away from zero: 31.25 to one place gives 313.
struct RoundedDigits {
    std::array<char, 360 + max_picture_decimals> digits{};
    size_t length = 0;
};

RoundedDigits round_half_away(double ax, int decimals) {
    char sci[32];
    const auto res = std::to_chars(sci, sci + sizeof sci, ax, std::chars_format::scientific, 14);
    char sig[15];
    size_t nsig = 0;
    const char* p = sci;
    for (; *p != 'e'; ++p) {
        if (*p != '.') {
            sig[nsig++] = *p;
        }
    }
    int exponent = 0;
    std::from_chars(p + 1 + (p[1] == '+' ? 1 : 0), res.ptr, exponent);
    // Significant digit i weighs 10^(exponent - i); the last one kept weighs 10^-decimals.
    const int keep = ax == 0.0 ? 0 : exponent + decimals + 1;
    RoundedDigits r;
    auto& d = r.digits;
    // One leading zero takes the carry of a rounding such as 9.96 -> 10.0.
    d[r.length++] = '0';
    for (int i = 0; i < keep; ++i) {
        d[r.length++] = i < static_cast<int>(nsig) ? sig[i] : '0';
    }
    const bool up = keep >= 0 && keep < static_cast<int>(nsig) && sig[keep] >= '5';
    for (size_t i = r.length; up && i-- > 0;) {
        if (d[i] == '9') {
            d[i] = '0';
        } else {
            ++d[i];
            break;
        }
    }
    // At least one integer digit and all the decimals.
    const auto wanted = static_cast<size_t>(decimals) + 1;
    if (r.length < wanted) {
        const size_t pad = wanted - r.length;
        std::memmove(d.data() + pad, d.data(), r.length);
        std::fill_n(d.data(), pad, '0');
        r.length = wanted;
    }
    return r;
}

// Appends to a bounded buffer; what does not fit is left out.
struct BoundedText {
    char* p;
    char* end;
    void put(char c) {
        if (p < end) {
            *p++ = c;
        }
    }
    void put(std::string_view s) {
        for (char c : s) {
            put(c);
        }
    }
};

} // namespace

size_t format_float_to(char* out, size_t size, std::string_view picture, double x) {
    BoundedText text{out, out + size};
    if (!std::isfinite(x)) {
        text.put(non_finite_text(x));
        return static_cast<size_t>(text.p - out);
    }
    const Picture pic = read_picture(picture);
    const RoundedDigits r = round_half_away(std::fabs(x), pic.frac_max);
    const std::string_view digits(r.digits.data(), r.length);
    std::string_view int_digits = digits.substr(0, r.length - static_cast<size_t>(pic.frac_max));
    std::string_view frac_digits = digits.substr(int_digits.size());
    const bool all_zero = digits.find_first_not_of('0') == std::string_view::npos;
    while (static_cast<int>(frac_digits.size()) > pic.frac_min && frac_digits.back() == '0') {
        frac_digits.remove_suffix(1);
    }
    while (!int_digits.empty() && int_digits.front() == '0') {
        int_digits.remove_prefix(1);
    }
    if (x < 0 && !all_zero) {
        text.put('-');
    }
    // Zeros that the picture asks for in front, then the digits, grouped from the right.
    const size_t shown = std::max(int_digits.size(), static_cast<size_t>(pic.min_int));
    for (size_t i = 0; i < shown; ++i) {
        const size_t from_right = shown - i;
        const size_t lead = shown - int_digits.size();
        text.put(i < lead ? '0' : int_digits[i - lead]);
        if (pic.group != 0 && from_right > 1 && (from_right - 1) % 3 == 0) {
            text.put(pic.group);
        }
    }
    if (!frac_digits.empty()) {
        text.put(decimal_separator());
        text.put(frac_digits);
    }
    return static_cast<size_t>(text.p - out);
}

std::string format_float(std::string_view picture, double x) {
    // Room for the 309 integer digits of the largest double, their grouping, a sign,
    // the separator and every decimal a picture can ask for.
    std::array<char, 520> buffer;
    return std::string(buffer.data(), format_float_to(buffer.data(), buffer.size(), picture, x));
}

std::string upper_case(std::string_view s) {
    return map_utf8(s, to_upper_cp);
}
std::string lower_case(std::string_view s) {
    return map_utf8(s, to_lower_cp);
}

std::string replace_all(std::string_view s, std::string_view old_text, std::string_view new_text) {
    if (old_text.empty() || old_text == new_text) {
        return std::string(s);
    }
    std::string out;
    size_t start = 0;
    for (size_t pos = s.find(old_text); pos != std::string_view::npos;
         pos = s.find(old_text, start)) {
        out.append(s.substr(start, pos - start));
        out.append(new_text);
        start = pos + old_text.size();
    }
    out.append(s.substr(start));
    return out;
}

std::string trim(std::string_view s) {
    size_t b = 0;
    size_t e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ') {
        ++b;
    }
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') {
        --e;
    }
    return std::string(s.substr(b, e - b));
}

} // namespace zevrin
