#pragma once
// Text files written on either platform: UTF-8 with or without a byte-order mark,
// UTF-16 (either byte order) with one, and CRLF, LF or CR line ends. Decoded text is
// UTF-8; the encoding and line end are remembered so that a rewrite keeps them.

#include <string>
#include <string_view>
#include <vector>

namespace zevrin {

enum class TextEncoding { utf8, utf8_bom, utf16le, utf16be };

struct DecodedText {
    std::string text; ///< UTF-8; bytes of a file without a mark pass unchanged
    TextEncoding encoding = TextEncoding::utf8;
};

/// The text of a file's bytes. An odd last byte of UTF-16 and unpaired surrogates
/// become U+FFFD (but see utf16_to_utf8): a damaged file still yields everything
/// around the damage.
DecodedText decode_text(std::string_view bytes);
/// The bytes of `text` in `encoding`, with the byte-order mark where it has one;
/// decode_text gives `text` back.
std::string encode_text(std::string_view text, TextEncoding encoding);

/// Whether decoded text is what a person could have written: no NUL and no control
/// characters other than tab, line ends, form feeds and the end-of-file mark (^Z) of
/// old editors. Binary data is not, nor UTF-32 text (decoded as UTF-16 or UTF-8, it
/// is full of NULs).
bool is_plain_text(std::string_view text);

struct TextLines {
    std::vector<std::string> lines; ///< without their line ends
    std::string line_end = "\n";    ///< the first line end found, "\n" when none
};

/// Splits at CRLF, LF and lone CR. A last line without a line end is kept; an
/// empty text has no lines.
TextLines split_lines(std::string_view text);
/// The lines, each followed by `line_end`.
std::string join_lines(const std::vector<std::string>& lines, std::string_view line_end);

/// UTF-16 code units of UTF-8 text. A byte that is not part of a well-formed
/// sequence becomes the lone surrogate U+DC80 + byte, so that utf16_to_utf8 gives
/// the same bytes back.
std::u16string utf8_to_utf16(std::string_view text);
/// UTF-8 of UTF-16 code units; lone surrogates U+DC80..U+DCFF become the byte they
/// stand for, other unpaired surrogates U+FFFD.
std::string utf16_to_utf8(std::u16string_view text);

} // namespace zevrin
