// A save changes the lines of what changed and nothing else of a hand-edited hive.

#include "platform/registry.h"
#include "platform/registry_ini.h"
#include "platform/registry_text_edit.h"
#include "platform/text_codec.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace zevrin {
namespace {

using test::read_text;
using test::TempHome;
using test::write_text;

const char* const hkcu = "HKEY_CURRENT_USER";

const std::string hand_made = "Windows Registry Editor Version 5.00\n"
                              "; my lab machine\n"
                              "\n"
                              "[HKEY_CURRENT_USER\\Software\\MarvenData\\Zevrin\\Settings]\n"
                              "; bandwidth for the lab, do not change\n"
                              "\"Bandwidth\" = \"25\"\n"
                              "\"SampFreq\"=\"48000\"   \n"
                              "\"Old\"=\"x\"\n"
                              "\"Bytes\"=hex:01,02,\\\n"
                              "  03,04\n"
                              "\n"
                              "; devices\n"
                              "[HKEY_CURRENT_USER\\Software\\MarvenData\\Zevrin\\Common]\n"
                              "\"XSize\"=dword:00000200\n";

TEST(RegistryTextEdit, OnlyTheLinesOfWhatChangedChange) {
    const RegistryParse before = parse_registry_text(hand_made, hkcu);
    RegistryTree after = before.tree;
    RegistryKey& settings = *after.find("Software\\MarvenData\\Zevrin\\Settings");
    settings.set_value("sampfreq", RegistryValue::string("44100"));
    settings.delete_value("Old");
    settings.set_value("DecayTime", RegistryValue::string("0.5"));
    after.find("Software\\MarvenData\\Zevrin\\Common")
        ->set_value("YSize", RegistryValue::number(300));
    after.create("Software\\MarvenData\\Zevrin\\RecentFilessec")
        .set_value("nToUse", RegistryValue::number(5));
    EXPECT_EQ(edit_registry_text(hand_made, before, after, hkcu),
              "Windows Registry Editor Version 5.00\n"
              "; my lab machine\n"
              "\n"
              "[HKEY_CURRENT_USER\\Software\\MarvenData\\Zevrin\\Settings]\n"
              "; bandwidth for the lab, do not change\n"
              "\"Bandwidth\" = \"25\"\n"
              "\"SampFreq\"=\"44100\"\n"
              "\"Bytes\"=hex:01,02,\\\n"
              "  03,04\n"
              "\"DecayTime\"=\"0.5\"\n"
              "\n"
              "; devices\n"
              "[HKEY_CURRENT_USER\\Software\\MarvenData\\Zevrin\\Common]\n"
              "\"XSize\"=dword:00000200\n"
              "\"YSize\"=dword:0000012c\n"
              "\n"
              "[HKEY_CURRENT_USER\\Software\\MarvenData\\Zevrin\\RecentFilessec]\n"
              "\"nToUse\"=dword:00000005\n");

    // A key that goes takes its lines, not the comments around them.
    after.remove("Software\\MarvenData\\Zevrin\\Common");
    const std::string without = edit_registry_text(hand_made, before, after, hkcu);
    EXPECT_EQ(without.find("XSize"), std::string::npos);
    EXPECT_NE(without.find("; devices\n"), std::string::npos);
    EXPECT_TRUE(parse_registry_text(without, hkcu).tree == after);
}

TEST(RegistryTextEdit, TheFilesEncodingAndLineEndsStay) {
    const std::string crlf = "Windows Registry Editor Version 5.00\r\n\r\n"
                             "[HKEY_CURRENT_USER\\Software\\A]\r\n"
                             "; note\r\n"
                             "\"v\"=\"1\"\r\n";
    const std::string utf16 = encode_text(crlf, TextEncoding::utf16le);
    const RegistryParse before = parse_registry_text(utf16, hkcu);
    RegistryTree after = before.tree;
    after.find("Software\\A")->set_value("v", RegistryValue::string("2"));
    const std::string edited = edit_registry_text(utf16, before, after, hkcu);
    const DecodedText back = decode_text(edited);
    EXPECT_EQ(back.encoding, TextEncoding::utf16le);
    EXPECT_EQ(back.text, "Windows Registry Editor Version 5.00\r\n\r\n"
                         "[HKEY_CURRENT_USER\\Software\\A]\r\n"
                         "; note\r\n"
                         "\"v\"=\"2\"\r\n");
}

TEST(RegistryTextEdit, AHandEditedHiveKeepsItsCommentsThroughSavesAndReadsWriteNothing) {
    TempHome home;
    const std::string file = hive_file(RegistryHive::current_user);
    write_text(file, hand_made);
    {
        // Reading, as --analyse does: no lock, no rewrite, no key created.
        RegistryIni ini(RegistryHive::current_user, "Software\\MarvenData\\Other");
        EXPECT_EQ(ini.read("Settings", "Bandwidth"), std::nullopt);
        RegistryIni zevrin(RegistryHive::current_user, "Software\\MarvenData\\Zevrin");
        EXPECT_EQ(zevrin.read("Settings", "Bandwidth"), "25");
    }
    EXPECT_EQ(read_text(file), hand_made);
    EXPECT_FALSE(std::filesystem::exists(file + ".lock"));
    // Writing what is there already writes nothing either.
    const FileSignature untouched = file_signature(file);
    Registry r(RegistryHive::current_user);
    r.write_string("Software\\MarvenData\\Zevrin\\Settings", "Bandwidth", "25");
    EXPECT_TRUE(file_signature(file) == untouched) << "the hive was saved again";
    r.write_string("Software\\MarvenData\\Zevrin\\Settings", "Bandwidth", "30");
    const std::string saved = read_text(file);
    EXPECT_NE(saved.find("; bandwidth for the lab, do not change\n\"Bandwidth\"=\"30\"\n"),
              std::string::npos)
        << saved;
    EXPECT_NE(saved.find("; my lab machine\n"), std::string::npos);

    // Nothing stored and nothing written: no file, no folder.
    TempHome empty;
    {
        RegistryIni ini(RegistryHive::current_user, "Software\\MarvenData\\Zevrin");
        EXPECT_EQ(ini.read("Settings", "Bandwidth"), std::nullopt);
    }
    EXPECT_TRUE(std::filesystem::is_empty(empty.path()));
}

} // namespace
} // namespace zevrin
