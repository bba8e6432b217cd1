#include "platform/registry_tree.h"
#include "platform/store_file.h"
#include "platform/text_codec.h"

#include <gtest/gtest.h>

namespace zevrin {
namespace {

const char* const hkcu = "HKEY_CURRENT_USER";

RegistryTree sample_tree() {
    RegistryTree t;
    RegistryKey& k = t.create("SoftWare\\MarvenData\\Zevrin\\Settings");
    k.set_value("SampFreq", RegistryValue::string("11025"));
    k.set_value("nToUse", RegistryValue::number(42));
    k.set_value("Path", RegistryValue::string("C:\\data\\\"quoted\".zvr"));
    k.set_value("", RegistryValue::string("default"));
    k.set_value("Lines", RegistryValue::string("two\r\nlines\tand a tab"));
    k.set_value("Bytes", RegistryValue::string("not utf-8: \xFF\xFE and \x01"));
    t.create("Software\\MarvenData\\Tamber\\ErrorLog")
        .set_value("LogErrors", RegistryValue::string("0"));
    t.create("Software\\Empty\\Leaf");
    return t;
}

TEST(RegistryTree, KeysAndValuesAreFoundIgnoringCaseAndKeepTheirFirstSpelling) {
    RegistryTree t = sample_tree();
    const RegistryKey* k = t.find("\\software\\MARVENDATA\\zevrin\\settings\\");
    ASSERT_NE(k, nullptr);
    EXPECT_EQ(k->name(), "Settings");
    ASSERT_NE(k->value("sampfreq"), nullptr);
    EXPECT_EQ(k->value("SAMPFREQ")->text, "11025");

    t.create("SOFTWARE\\marvendata").set_value("x", RegistryValue::number(1));
    EXPECT_EQ(t.find("software")->name(), "SoftWare");
    EXPECT_EQ(t.find("software")->subkey_names(),
              (std::vector<std::string>{"Empty", "MarvenData"}));

    RegistryKey& s = *t.find("software\\marvendata\\zevrin\\settings");
    s.set_value("SAMPFREQ", RegistryValue::string("44100"));
    EXPECT_EQ(s.values().front().first, "SampFreq"); // same place, same spelling
    EXPECT_EQ(s.values().front().second.text, "44100");
    EXPECT_TRUE(s.delete_value("sampfreq"));
    EXPECT_FALSE(s.delete_value("sampfreq"));

    EXPECT_TRUE(t.remove("software\\MARVENDATA"));
    EXPECT_EQ(t.find("Software\\MarvenData\\Tamber"), nullptr);
    EXPECT_FALSE(t.remove(""));
}

TEST(RegistryTree, NamesTheTextFormCannotCarryAreRefused) {
    RegistryTree t;
    EXPECT_THROW(t.create("a\\b\nc"), ERegistryError);
    EXPECT_EQ(t.find("a"), nullptr); // nothing half-created
    EXPECT_THROW(t.create("a").set_value("x\ny", RegistryValue::number(1)), ERegistryError);
}

TEST(RegistryTree, TextFormIsTheRegistryExportFormat) {
    RegistryTree t;
    RegistryKey& k = t.create("Software\\MarvenData\\Zevrin\\Common");
    k.set_value("XSize", RegistryValue::string("537"));
    k.set_value("nToUse", RegistryValue::number(42));
    k.set_value("Q", RegistryValue::string("a\\b\"c"));
    EXPECT_EQ(format_registry_text(t, hkcu),
              "Windows Registry Editor Version 5.00\n"
              "\n[HKEY_CURRENT_USER\\Software]\n"
              "\n[HKEY_CURRENT_USER\\Software\\MarvenData]\n"
              "\n[HKEY_CURRENT_USER\\Software\\MarvenData\\Zevrin]\n"
              "\n[HKEY_CURRENT_USER\\Software\\MarvenData\\Zevrin\\Common]\n"
              "\"XSize\"=\"537\"\n"
              "\"nToUse\"=dword:0000002a\n"
              "\"Q\"=\"a\\\\b\\\"c\"\n");
}

TEST(RegistryTree, EveryValueReadsBackExactly) {
    const RegistryTree t = sample_tree();
    const std::string text = format_registry_text(t, hkcu);
    const RegistryParse back = parse_registry_text(text, hkcu);
    EXPECT_EQ(back.damaged_lines, 0);
    EXPECT_TRUE(back.tree == t);
    // Control characters go as hexadecimal REG_SZ data, keeping the file line-based.
    EXPECT_NE(text.find("\"Lines\"=hex(1):74,00,77,00,6f,00,0d,00,0a,00"), std::string::npos);
}

TEST(RegistryTree, ReadsAnExportOfTheWrittenSystem) {
    const std::string text = "Windows Registry Editor Version 5.00\r\n\r\n"
                             "[HKEY_CURRENT_USER\\Software\\MarvenData\\WebMenu]\r\n"
                             "\"MenuDate\"=\"20020523\"\r\n"
                             "@=\"default\"\r\n"
                             "\"Count\"=dword:0000000A\r\n"
                             "\"Bin\"=hex:01,02,\\\r\n"
                             "  03,04\r\n"
                             "\"Multi\"=hex(7):41,00,00,00,00,00\r\n"
                             "\"Sz\"=hex(1):48,00,69,00,00,00\r\n"
                             "\"Four\"=hex(4):2a,00,00,00\r\n"
                             "; a comment\r\n"
                             "\"Gone\"=\"x\"\r\n"
                             "\"Gone\"=-\r\n"
                             "\r\n[HKEY_CURRENT_USER\\Software\\Old]\r\n"
                             "[-HKEY_CURRENT_USER\\Software\\Old]\r\n";
    const std::u16string units = utf8_to_utf16(text);
    std::string utf16 = "\xFF\xFE";
    for (char16_t u : units) {
        utf16.push_back(static_cast<char>(u & 0xFF));
        utf16.push_back(static_cast<char>(u >> 8));
    }
    const RegistryParse p = parse_registry_text(utf16, hkcu);
    EXPECT_EQ(p.damaged_lines, 0);
    const RegistryKey* k = p.tree.find("software\\marvendata\\webmenu");
    ASSERT_NE(k, nullptr);
    EXPECT_EQ(k->value("MenuDate")->text, "20020523");
    EXPECT_EQ(k->value("")->text, "default");
    EXPECT_EQ(k->value("Count")->dword, 10u);
    EXPECT_EQ(k->value("Bin")->kind, RegistryValue::Kind::other);
    EXPECT_EQ(k->value("Bin")->text, "hex:01,02,03,04");
    EXPECT_EQ(k->value("Multi")->text, "hex(7):41,00,00,00,00,00");
    EXPECT_EQ(k->value("Sz")->text, "Hi");
    EXPECT_EQ(k->value("Four")->dword, 42u);
    EXPECT_EQ(k->value("Gone"), nullptr);
    EXPECT_EQ(p.tree.find("Software\\Old"), nullptr);
}

TEST(RegistryTree, DamagedLinesAreSkippedAndEverythingElseKept) {
    const std::string text = "Windows Registry Editor Version 5.00\n"
                             "\"orphan\"=\"before any key\"\n"
                             "[HKEY_CURRENT_USER\\A]\n"
                             "\"good1\"=\"1\"\n"
                             "\"unterminated=\"2\n"
                             "\"bad dword\"=dword:xyz\n"
                             "\"long dword\"=dword:123456789\n"
                             "\"bad hex\"=hex:1,2\n"
                             "garbage line\n"
                             "\"trailing\"=\"x\" junk\n"
                             "\"good2\"=dword:00000002\n"
                             "[HKEY_LOCAL_MACHINE\\Foreign]\n"
                             "\"foreign\"=\"f\"\n"
                             "[HKEY_CURRENT_USER\\B\n"
                             "\"lost\"=\"in broken key\"\n"
                             "[HKEY_CURRENT_USER\\C]\n"
                             "\"good3\"=\"3\"\n";
    const RegistryParse p = parse_registry_text(text, hkcu);
    EXPECT_EQ(p.damaged_lines, 11);
    EXPECT_EQ(p.tree.find("A")->value("good1")->text, "1");
    EXPECT_EQ(p.tree.find("A")->value("good2")->dword, 2u);
    EXPECT_EQ(p.tree.find("A")->values().size(), 2u);
    EXPECT_EQ(p.tree.find("C")->value("good3")->text, "3");
    EXPECT_EQ(p.tree.find("Foreign"), nullptr);
    EXPECT_EQ(p.tree.find("B"), nullptr);
}

TEST(RegistryTree, TruncationAnywhereKeepsEveryCompleteValueAndInventsNone) {
    const RegistryTree full = sample_tree();
    const std::string text = format_registry_text(full, hkcu);
    const std::string settings = "SoftWare\\MarvenData\\Zevrin\\Settings";
    const RegistryKey& full_key = *full.find(settings);
    for (size_t cut = 0; cut <= text.size(); ++cut) {
        const RegistryParse p = parse_registry_text(text.substr(0, cut), hkcu);
        EXPECT_LE(p.damaged_lines, 1) << cut;
        const size_t whole = cut == 0 ? 0 : text.rfind('\n', cut - 1) + 1;
        const RegistryParse before = parse_registry_text(text.substr(0, whole), hkcu);
        const RegistryKey* cut_key = p.tree.find(settings);
        if (const RegistryKey* k = before.tree.find(settings)) {
            ASSERT_NE(cut_key, nullptr) << cut;
            for (const auto& [name, value] : k->values()) {
                EXPECT_NE(cut_key->value(name), nullptr) << cut << " " << name;
            }
        }
        if (cut_key == nullptr) {
            continue;
        }
        for (const auto& [name, value] : cut_key->values()) {
            ASSERT_NE(full_key.value(name), nullptr) << cut << " " << name;
            EXPECT_EQ(value, *full_key.value(name)) << cut << " " << name;
        }
    }
}

// A key line nested `depth` levels below the hive.
std::string nested_key_line(size_t depth) {
    std::string line = "[HKEY_CURRENT_USER";
    for (size_t i = 0; i < depth; ++i) {
        line += "\\a";
    }
    return line + "]\n";
}

TEST(RegistryTree, KeysNestedBeyondTheLimitAreLeftOutAndNamedAsTheReason) {
    const std::string text = nested_key_line(registry_max_depth) + "\"deep\"=\"kept\"\n" +
                             nested_key_line(registry_max_depth + 1) + "\"deeper\"=\"lost\"\n" +
                             nested_key_line(1000000) + "[HKEY_CURRENT_USER\\b]\n\"after\"=\"1\"\n";
    const RegistryParse p = parse_registry_text(text, hkcu);
    // The two key lines beyond the limit, and the value of the first of them.
    EXPECT_EQ(p.damaged_lines, 3);
    EXPECT_EQ(p.limits_exceeded, (std::vector<std::string>{"keys nested deeper than 512 levels"}));
    std::string path;
    for (size_t i = 0; i < registry_max_depth; ++i) {
        path += "\\a";
    }
    ASSERT_NE(p.tree.find(path), nullptr);
    EXPECT_EQ(p.tree.find(path)->value("deep")->text, "kept");
    EXPECT_TRUE(p.tree.find(path)->subkeys().empty());
    EXPECT_EQ(p.tree.find("b")->value("after")->text, "1");
    // What was read is written and read back as it is, deepest key included.
    const RegistryParse again = parse_registry_text(format_registry_text(p.tree, hkcu), hkcu);
    EXPECT_EQ(again.damaged_lines, 0);
    EXPECT_TRUE(again.tree == p.tree);

    RegistryTree t;
    EXPECT_THROW(t.create(path + "\\a"), ERegistryError);
    EXPECT_TRUE(t.root().subkeys().empty());
}

// Short lines of deep keys name many keys at once, whose text form repeats each
// path: what would make the hive's text larger than a hive file may be is left out,
// so that a save of what was read can be read back whole.
TEST(RegistryTree, WhatWouldWriteMoreThanAHiveFileHoldsIsLeftOut) {
    std::string deep;
    for (int i = 0; i < 510; ++i) {
        deep += "\\a";
    }
    std::string text;
    for (int b = 0; b < 10; ++b) { // some 270 kB of text form each
        text += "[HKEY_CURRENT_USER\\b" + std::to_string(b) + deep + "]\n";
    }
    text += "[HKEY_CURRENT_USER\\v]\n";
    constexpr size_t count = 100000;
    for (size_t i = 0; i < count; ++i) {
        text += "\"value" + std::to_string(i) + "\"=dword:00000001\n";
    }
    const RegistryParse p = parse_registry_text(text, hkcu);
    EXPECT_EQ(p.limits_exceeded,
              (std::vector<std::string>{"keys and values beyond 1 MiB of text"}));
    EXPECT_NE(p.tree.find("b2"), nullptr);
    EXPECT_EQ(p.tree.find("b3"), nullptr);
    const RegistryKey& v = *p.tree.find("v");
    const size_t kept = v.values().size();
    ASSERT_GT(kept, 1000u);
    EXPECT_EQ(v.values().back().first, "value" + std::to_string(kept - 1));
    EXPECT_EQ(p.damaged_lines, static_cast<int>(7 + count - kept));
    const std::string written = format_registry_text(p.tree, hkcu);
    EXPECT_LE(written.size(), store_file_limit);
    EXPECT_GT(written.size(), store_file_limit - 100);
    const RegistryParse again = parse_registry_text(written, hkcu);
    EXPECT_EQ(again.damaged_lines, 0);
    EXPECT_TRUE(again.tree == p.tree);
}

// Many values of one key are read in their order, each found by name; deleting some
// in between keeps the order of the others (each lookup is by name, not by a scan).
TEST(RegistryTree, AKeyOfManyValuesKeepsTheirOrder) {
    constexpr int count = 40000; // 650 kB
    std::string text = "[HKEY_CURRENT_USER\\w]\n";
    for (int i = 0; i < count; ++i) {
        text += "\"n" + std::to_string(i) + "\"=\"" + std::to_string(i) + "\"\n";
    }
    for (int i = 0; i < count; i += 2) {
        text += "\"N" + std::to_string(i) + "\"=-\n";
    }
    text += "\"n0\"=\"back\"\n";
    const RegistryParse p = parse_registry_text(text, hkcu);
    EXPECT_EQ(p.damaged_lines, 0);
    const RegistryKey& k = *p.tree.find("w");
    ASSERT_EQ(k.values().size(), count / 2 + 1u);
    EXPECT_EQ(k.values().front().first, "n1");
    EXPECT_EQ(k.values().back().first, "n0");
    EXPECT_EQ(k.value("N39999")->text, "39999");
    EXPECT_EQ(k.value("n39998"), nullptr);
    const RegistryKey copy = k;
    EXPECT_TRUE(copy == k);
    EXPECT_EQ(copy.value("n0")->text, "back");
}

} // namespace
} // namespace zevrin
