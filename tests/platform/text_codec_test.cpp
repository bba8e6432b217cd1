#include "platform/text_codec.h"

#include <gtest/gtest.h>

namespace zevrin {
namespace {

std::string utf16le(std::u16string_view units, bool bom = true) {
    std::string out = bom ? "\xFF\xFE" : "";
    for (char16_t u : units) {
        out.push_back(static_cast<char>(u & 0xFF));
        out.push_back(static_cast<char>(u >> 8));
    }
    return out;
}

TEST(TextCodec, FilesOfTheOtherPlatformDecodeToUtf8) {
    const DecodedText le = decode_text(utf16le(u"[Common]\r\nK=\u00e9\U0001F600\r\n"));
    EXPECT_EQ(le.encoding, TextEncoding::utf16le);
    EXPECT_EQ(le.text, "[Common]\r\nK=\xC3\xA9\xF0\x9F\x98\x80\r\n");

    const DecodedText be = decode_text(std::string("\xFE\xFF\x00\x41\x00\x0A", 6));
    EXPECT_EQ(be.encoding, TextEncoding::utf16be);
    EXPECT_EQ(be.text, "A\n");

    const DecodedText bom = decode_text("\xEF\xBB\xBFx=1");
    EXPECT_EQ(bom.encoding, TextEncoding::utf8_bom);
    EXPECT_EQ(bom.text, "x=1");

    // Bytes that are not UTF-8 pass unchanged rather than being lost.
    EXPECT_EQ(decode_text("caf\xE9").text, "caf\xE9");
}

TEST(TextCodec, DamagedUtf16KeepsWhatSurroundsTheDamage) {
    // A lone high surrogate, then a lone low one, then an odd last byte.
    std::string bytes = utf16le(u"a");
    bytes += std::string("\x00\xD8", 2) + "b" + std::string(1, '\0') + std::string("\x00\xDC", 2);
    bytes += "c";
    bytes += std::string(1, '\0');
    bytes += "Z";
    EXPECT_EQ(decode_text(bytes).text, "a\xEF\xBF\xBD"
                                       "b\xEF\xBF\xBD"
                                       "c\xEF\xBF\xBD");
}

TEST(TextCodec, EncodingRoundTripsEveryEncoding) {
    const std::string text = "[S]\r\nname=Gr\xC3\xBC\xC3\x9F\xF0\x9F\x8E\xB5\r\n";
    for (TextEncoding e : {TextEncoding::utf8, TextEncoding::utf8_bom, TextEncoding::utf16le,
                           TextEncoding::utf16be}) {
        const DecodedText d = decode_text(encode_text(text, e));
        EXPECT_EQ(d.encoding, e);
        EXPECT_EQ(d.text, text);
    }
    EXPECT_EQ(encode_text("A", TextEncoding::utf16le), std::string("\xFF\xFE\x41\x00", 4));
    // Text that starts like a mark, and text that is no UTF-8, survive every encoding.
    for (const std::string odd : {"\xFF\xFEk=v\n", "\xEF\xBB\xBFk\n", "caf\xE9 \xED\xA0\x80"}) {
        for (TextEncoding e : {TextEncoding::utf8, TextEncoding::utf8_bom, TextEncoding::utf16le}) {
            EXPECT_EQ(decode_text(encode_text(odd, e)).text, odd);
        }
    }
}

TEST(TextCodec, InvalidUtf8SurvivesTheTripThroughUtf16) {
    const std::string bytes = "ok \xFF\xC3 \xE2\x82 \xC0\xAF end \xED\xA0\x80";
    const std::u16string units = utf8_to_utf16(bytes);
    EXPECT_EQ(units[3], u'\xDCFF');
    EXPECT_EQ(utf16_to_utf8(units), bytes);
    EXPECT_EQ(utf16_to_utf8(u"\xD800x"), "\xEF\xBF\xBDx");
}

TEST(TextCodec, LinesSplitAtEveryKindOfLineEnd) {
    TextLines t = split_lines("a\r\nb\nc\rd");
    EXPECT_EQ(t.lines, (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(t.line_end, "\r\n");
    t = split_lines("a\n\nb\n");
    EXPECT_EQ(t.lines, (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(t.line_end, "\n");
    EXPECT_TRUE(split_lines("").lines.empty());
    EXPECT_EQ(split_lines("\r").line_end, "\r");
    EXPECT_EQ(join_lines({"a", "b"}, "\r\n"), "a\r\nb\r\n");
}

} // namespace
} // namespace zevrin
