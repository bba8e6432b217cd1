#include "platform/ini_document.h"

#include <gtest/gtest.h>

#include <array>

namespace zevrin {
namespace {

TEST(IniDocument, ReadsWithTheWrittenRules) {
    const IniDocument d = IniDocument::parse("; header comment\n"
                                             "orphan=before any section\n"
                                             "  [ Settings ]  \n"
                                             "  SampFreq =  11025  \n"
                                             "sampfreq=second, ignored\n"
                                             "Quoted=\"  padded  \"\n"
                                             "Single='x'\n"
                                             "Half=\"x\n"
                                             ";Commented=1\n"
                                             "no equals sign\n"
                                             "Empty=\n"
                                             "=no key\n"
                                             "[settings]\n"
                                             "Later=in a second section of the same name\n");
    EXPECT_EQ(d.read("SETTINGS", "sampFREQ"), "11025");
    EXPECT_EQ(d.read("Settings", "Quoted"), "  padded  ");
    EXPECT_EQ(d.read("Settings", "Single"), "x");
    EXPECT_EQ(d.read("Settings", "Half"), "\"x");
    EXPECT_EQ(d.read("Settings", "Empty"), "");
    EXPECT_FALSE(d.read("Settings", "Commented").has_value());
    EXPECT_FALSE(d.read("Settings", "no equals sign").has_value());
    EXPECT_FALSE(d.read("Settings", "Later").has_value()); // the first section counts
    EXPECT_FALSE(d.read("", "orphan").has_value());
    EXPECT_EQ(d.sections(), (std::vector<std::string>{"Settings"}));
    EXPECT_EQ(d.keys("settings"),
              (std::vector<std::string>{"SampFreq", "Quoted", "Single", "Half", "Empty"}));
}

TEST(IniDocument, WritingKeepsEveryOtherLine) {
    IniDocument d = IniDocument::parse("; keep me\n"
                                       "[Common]\n"
                                       "XSize = 537\n"
                                       "; between\n"
                                       "YSize=561\n"
                                       "\n"
                                       "[Settings]\n"
                                       "Window=2\n");
    d.write("common", "xsize", "600");
    d.write("Common", "XPos", "10");
    d.write("Other", "New", "1");
    EXPECT_EQ(d.serialize(), "; keep me\n"
                             "[Common]\n"
                             "XSize=600\n"
                             "; between\n"
                             "YSize=561\n"
                             "XPos=10\n"
                             "\n"
                             "[Settings]\n"
                             "Window=2\n"
                             "\n"
                             "[Other]\n"
                             "New=1\n");
    d.delete_key("COMMON", "ysize");
    d.erase_section("settings");
    EXPECT_EQ(d.serialize(), "; keep me\n"
                             "[Common]\n"
                             "XSize=600\n"
                             "; between\n"
                             "XPos=10\n"
                             "\n"
                             "[Other]\n"
                             "New=1\n");
}

TEST(IniDocument, ErasingASectionLeavesNoCopyOfItBehind) {
    IniDocument d = IniDocument::parse("[A]\nk=1\n[B]\nk=2\n[a]\nk=3\n");
    d.erase_section("A");
    EXPECT_FALSE(d.read("A", "k").has_value());
    EXPECT_EQ(d.serialize(), "[B]\nk=2\n");
}

TEST(IniDocument, ReadsSeeEveryChangeAndEveryLineOfALongFile) {
    std::string text = "[Filler]\n";
    for (int i = 0; i < 100000; ++i) {
        text += "k" + std::to_string(i) + "=" + std::to_string(i) + "\n";
    }
    text += "[Settings]\nSampFreq=44100\nk5=not the filler's\n[filler]\nk7=a later copy\n";
    IniDocument d = IniDocument::parse(text);
    EXPECT_EQ(d.read("settings", "SAMPFREQ"), "44100");
    EXPECT_EQ(d.read("Filler", "k99999"), "99999");
    EXPECT_EQ(d.read("Filler", "k7"), "7");
    EXPECT_EQ(d.read("Settings", "k5"), "not the filler's");
    EXPECT_EQ(d.sections(), (std::vector<std::string>{"Filler", "Settings"}));
    EXPECT_EQ(d.values("settings").size(), 2u);
    EXPECT_EQ(d.keys("filler").size(), 100000u);
    d.delete_key("Settings", "SampFreq");
    EXPECT_FALSE(d.read("Settings", "SampFreq").has_value());
    d.write("Settings", "SampFreq", "8000");
    EXPECT_EQ(d.read("Settings", "SampFreq"), "8000");
    d.erase_section("filler");
    EXPECT_FALSE(d.read("Filler", "k7").has_value());
    EXPECT_EQ(d.sections(), (std::vector<std::string>{"Settings"}));
}

TEST(IniDocument, EveryValueReadsBackAsWritten) {
    IniDocument d;
    for (const std::string v :
         {" lead", "trail ", "\"quoted\"", "'single'", "\"", "", "a=b;c", "  "}) {
        d.write("S", "k", v);
        EXPECT_EQ(d.read("S", "k"), v) << v;
        EXPECT_EQ(IniDocument::parse(d.serialize()).read("S", "k"), v) << v;
    }
}

TEST(IniDocument, WhatTheFormatCannotHoldIsRefused) {
    IniDocument d;
    EXPECT_THROW(d.write("S", "k", "line\nbreak"), EIniFileError);
    EXPECT_THROW(d.write("S", "k", "cr\r"), EIniFileError);
    EXPECT_THROW(d.write("S", "a=b", "v"), EIniFileError);
    EXPECT_THROW(d.write("S", ";k", "v"), EIniFileError);
    EXPECT_THROW(d.write("S", " ", "v"), EIniFileError);
    EXPECT_THROW(d.write("S]", "k", "v"), EIniFileError);
    EXPECT_TRUE(d.lines().empty());
}

TEST(IniDocument, AFileOfTheOtherPlatformIsReadAndWrittenInItsOwnForm) {
    const std::string crlf = "[Settings]\r\nSampFreq=44100\r\n";
    IniDocument d = IniDocument::parse(crlf);
    EXPECT_EQ(d.read("Settings", "SampFreq"), "44100");
    d.write("Settings", "Bandwidth", "10");
    EXPECT_EQ(d.serialize(), "[Settings]\r\nSampFreq=44100\r\nBandwidth=10\r\n");

    const std::string utf16 =
        encode_text("[Settings]\r\nName=Gr\xC3\xBC\xC3\x9F\r\n", TextEncoding::utf16le);
    d = IniDocument::parse(utf16);
    EXPECT_EQ(d.read("settings", "name"), "Gr\xC3\xBC\xC3\x9F");
    d.write("Settings", "X", "1");
    EXPECT_EQ(d.serialize(), encode_text("[Settings]\r\nName=Gr\xC3\xBC\xC3\x9F\r\nX=1\r\n",
                                         TextEncoding::utf16le));
}

TEST(IniDocument, ATruncatedFileKeepsEveryCompleteLine) {
    const std::string text =
        "[Common]\r\nXSize=537\r\nYSize=561\r\n[Settings]\r\nSampFreq=11025\r\n";
    const std::vector<std::array<std::string, 3>> entries = {
        {"Common", "XSize", "537"}, {"Common", "YSize", "561"}, {"Settings", "SampFreq", "11025"}};
    for (TextEncoding e : {TextEncoding::utf8, TextEncoding::utf16le}) {
        const std::string bytes = encode_text(text, e);
        for (size_t cut = 0; cut <= bytes.size(); ++cut) {
            const std::string part = bytes.substr(0, cut);
            const IniDocument d = IniDocument::parse(part);
            const std::string decoded = decode_text(part).text;
            for (const auto& [section, key, value] : entries) {
                if (decoded.find(key + "=" + value + "\r\n") != std::string::npos) {
                    EXPECT_EQ(d.read(section, key), value) << cut << " " << key;
                }
            }
        }
    }
}

} // namespace
} // namespace zevrin
