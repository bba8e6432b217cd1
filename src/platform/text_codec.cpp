#include "platform/text_codec.h"

#include <algorithm>
#include <cstdint>

namespace zevrin {

namespace {

constexpr char32_t replacement = 0xFFFD;

void append_utf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// Length of the well-formed UTF-8 sequence at s[i] and its code point; 0 when the
// bytes there are not one (overlong forms and surrogates included).
size_t utf8_sequence(std::string_view s, size_t i, char32_t& cp) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    }
    size_t len = 0;
    char32_t min = 0;
    if ((b0 & 0xE0) == 0xC0) {
        len = 2, cp = b0 & 0x1F, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3, cp = b0 & 0x0F, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4, cp = b0 & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (i + len > s.size()) {
        return 0;
    }
    for (size_t k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) {
            return 0;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return 0;
    }
    return len;
}

std::u16string units_of(std::string_view bytes, bool big_endian) {
    std::u16string units;
    units.reserve(bytes.size() / 2);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto a = static_cast<unsigned char>(bytes[i]);
        const auto b = static_cast<unsigned char>(bytes[i + 1]);
        units.push_back(static_cast<char16_t>(big_endian ? (a << 8) | b : (b << 8) | a));
    }
    return units;
}

} // namespace

std::u16string utf8_to_utf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        char32_t cp = 0;
        const size_t len = utf8_sequence(text, i, cp);
        if (len == 0) {
            out.push_back(static_cast<char16_t>(0xDC00 + static_cast<unsigned char>(text[i])));
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
        i += len;
    }
    return out;
}

std::string utf16_to_utf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char32_t u = text[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            append_utf8(out, 0x10000 + ((u - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else if (u >= 0xDC80 && u <= 0xDCFF) {
            out.push_back(static_cast<char>(u - 0xDC00));
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            append_utf8(out, replacement);
        } else {
            append_utf8(out, u);
        }
    }
    return out;
}

DecodedText decode_text(std::string_view bytes) {
    DecodedText d;
    const auto starts = [&](std::string_view mark) { return bytes.substr(0, mark.size()) == mark; };
    if (starts("\xEF\xBB\xBF")) {
        d.encoding = TextEncoding::utf8_bom;
        d.text = std::string(bytes.substr(3));
        return d;
    }
    const bool le = starts("\xFF\xFE");
    const bool be = starts("\xFE\xFF");
    if (!le && !be) {
        d.text = std::string(bytes);
        return d;
    }
    d.encoding = le ? TextEncoding::utf16le : TextEncoding::utf16be;
    d.text = utf16_to_utf8(units_of(bytes.substr(2), be));
    if (bytes.size() % 2 == 1) {
        append_utf8(d.text, replacement);
    }
    return d;
}

std::string encode_text(std::string_view text, TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::utf8:
        // Text that begins like a byte-order mark would be read as one; a real mark
        // in front keeps it text.
        if (text.starts_with("\xEF\xBB\xBF") || text.starts_with("\xFF\xFE") ||
            text.starts_with("\xFE\xFF")) {
            return "\xEF\xBB\xBF" + std::string(text);
        }
        return std::string(text);
    case TextEncoding::utf8_bom:
        return "\xEF\xBB\xBF" + std::string(text);
    case TextEncoding::utf16le:
    case TextEncoding::utf16be:
        break;
    }
    const bool be = encoding == TextEncoding::utf16be;
    const std::u16string units = utf8_to_utf16(text);
    std::string out = be ? "\xFE\xFF" : "\xFF\xFE";
    out.reserve(2 + 2 * units.size());
    for (char16_t u : units) {
        const auto hi = static_cast<char>(u >> 8);
        const auto lo = static_cast<char>(u & 0xFF);
        out.push_back(be ? hi : lo);
        out.push_back(be ? lo : hi);
    }
    return out;
}

bool is_plain_text(std::string_view text) {
    return std::none_of(text.begin(), text.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 0x20 && u != '\t' && u != '\n' && u != '\v' && u != '\f' && u != '\r' &&
               u != 0x1A;
    });
}

TextLines split_lines(std::string_view text) {
    TextLines t;
    bool found_end = false;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\n' && text[i] != '\r') {
            continue;
        }
        const bool crlf = text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n';
        if (!found_end) {
            t.line_end = crlf ? "\r\n" : std::string(1, text[i]);
            found_end = true;
        }
        t.lines.emplace_back(text.substr(start, i - start));
        i += crlf ? 1 : 0;
        start = i + 1;
    }
    if (start < text.size()) {
        t.lines.emplace_back(text.substr(start));
    }
    return t;
}

std::string join_lines(const std::vector<std::string>& lines, std::string_view line_end) {
    std::string out;
    for (const std::string& line : lines) {
        out += line;
        out += line_end;
    }
    return out;
}

} // namespace zevrin
