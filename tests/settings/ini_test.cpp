#include "dsp/text.h"
#include "platform/message_box.h"
#include "platform/system.h"
#include "settings/ini.h"
#include "support/qt_app.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace zevrin {
namespace {

using test::read_text;
using test::TempHome;
using test::write_text;

TEST(TIni, ASettingsFileHoldsEveryValueAsText) {
    TempHome home;
    const std::string file = home / "s.zvr";
    {
        TIni ini(file);
        EXPECT_EQ(ini.FileName(), file);
        ini.WriteInteger("Common", "XSize", 537);
        ini.WriteBool("Settings", "UseSLTAS", false);
        ini.WriteBool("Settings", "Decay", true);
        ini.WriteFloat("Settings", "SampFreq", 11025);
        ini.WriteFloat("Settings", "DecayTime", 1e-6);
        ini.WriteString("Settings", "Name", " padded ");
        ini.UpdateFile();
    }
    EXPECT_EQ(read_text(file),
              "[Common]\nXSize=537\n\n[Settings]\nUseSLTAS=0\nDecay=1\nSampFreq=11025\n"
              "DecayTime=1E-6\nName=\" padded \"\n");
    TIni ini(file);
    EXPECT_EQ(ini.ReadInteger("common", "xsize", 0), 537);
    EXPECT_FALSE(ini.ReadBool("Settings", "UseSLTAS", true));
    EXPECT_TRUE(ini.ReadBool("Settings", "Decay", false));
    EXPECT_EQ(ini.ReadFloat("Settings", "SampFreq", 0), 11025);
    EXPECT_EQ(ini.ReadFloat("Settings", "DecayTime", 0), 1e-6);
    EXPECT_EQ(ini.ReadString("Settings", "Name", ""), " padded ");
}

TEST(TIni, FloatsUseAPointWhateverTheUsersSeparator) {
    TempHome home;
    set_decimal_separator(',');
    {
        TIni ini(home / "f.zvr");
        ini.WriteFloat("Settings", "Bandwidth", 0.1);
    }
    EXPECT_EQ(read_text(home / "f.zvr"), "[Settings]\nBandwidth=0.1\n");
    TIni ini(home / "f.zvr");
    EXPECT_EQ(ini.ReadFloat("Settings", "Bandwidth", 0), 0.1);
    set_decimal_separator('.');
}

TEST(TIni, ReadsGiveTheDefaultOnlyWhereTheWrittenRulesSay) {
    TempHome home;
    write_text(home / "r.zvr", "[Settings]\nTwo=2\nHex=$10\nWord=abc\nEmpty=\nSampFreq=abc\n");
    TIni ini(home / "r.zvr");
    EXPECT_TRUE(ini.ReadBool("Settings", "Two", false));
    EXPECT_EQ(ini.ReadInteger("Settings", "Hex", 0), 16);
    EXPECT_EQ(ini.ReadInteger("Settings", "Word", 7), 7);
    EXPECT_TRUE(ini.ReadBool("Settings", "Word", true));
    EXPECT_EQ(ini.ReadString("Settings", "Empty", "default"), "");
    EXPECT_EQ(ini.ReadString("Settings", "Absent", "default"), "default");
    EXPECT_EQ(ini.ReadFloat("Settings", "Absent", 50), 50);
    try {
        ini.ReadFloat("Settings", "SampFreq", 11025);
        FAIL() << "no conversion error";
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'abc' is not a valid floating point value");
    }
    try {
        ini.ReadFloat("Settings", "Empty", 11025);
        FAIL() << "no conversion error";
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "Cannot convert empty string to number");
    }
}

TEST(TIni, SectionsKeysAndErasing) {
    TempHome home;
    write_text(home / "e.zvr", "; mine\n[Common]\nXSize=1\nYSize=2\n[Settings]\nA=1\n");
    TIni ini(home / "e.zvr");
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"Common", "Settings"}));
    EXPECT_EQ(ini.ReadSection("common"), (std::vector<std::string>{"XSize", "YSize"}));
    EXPECT_EQ(ini.ReadSectionValues("Common"), (std::vector<std::string>{"XSize=1", "YSize=2"}));
    ini.DeleteKey("Common", "XSize");
    ini.EraseSection("Settings");
    ini.UpdateFile();
    EXPECT_EQ(read_text(home / "e.zvr"), "; mine\n[Common]\nYSize=2\n");
}

TEST(TIni, WithoutAFileNameItUsesTheProgramsRegistryKey) {
    TempHome home;
    EXPECT_EQ(program_registry_key("Zevrin.exe"), "SoftWare\\MarvenData\\Zevrin");
    EXPECT_EQ(program_registry_key("zevrin"), "SoftWare\\MarvenData\\zevrin");
    EXPECT_EQ(program_registry_key(".hidden"), "SoftWare\\MarvenData\\.hidden");
    const std::string key = program_registry_key(program_file_name());
    {
        TIni ini("");
        ini.WriteBool("Common", "SaveSettingsOnExit", true);
        ini.WriteInteger("Common", "XPos", 10);
        Registry r(RegistryHive::current_user);
        // Opening writes nothing: the key comes with the one save at the end.
        EXPECT_FALSE(r.key_exists(key));
        EXPECT_FALSE(std::filesystem::exists(hive_file(RegistryHive::current_user)));
    }
    Registry r(RegistryHive::current_user);
    EXPECT_TRUE(r.key_exists(key));
    const auto v = r.value(key + "\\Common", "XPos");
    ASSERT_TRUE(v.has_value());
    EXPECT_EQ(v->kind, RegistryValue::Kind::string);
    EXPECT_EQ(v->text, "10");
    r.write_dword(key + "\\Common", "YPos", 20); // a number value also reads
    TIni ini("");
    EXPECT_EQ(ini.ReadInteger("Common", "YPos", 0), 20);
    EXPECT_TRUE(ini.ReadBool("Common", "SaveSettingsOnExit", false));
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"Common"}));
    ini.EraseSection("Common");
    ini.UpdateFile();
    EXPECT_FALSE(r.key_exists(key + "\\Common"));
}

TEST(TIni, AStoreThatCannotBeWrittenSaysSoClearly) {
    TempHome home;
    TIni ini(home / "no such folder/s.zvr");
    ini.WriteInteger("Common", "XSize", 1);
    try {
        ini.UpdateFile();
        FAIL() << "no error";
    } catch (const EIniFileError& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to \"" + home.path() +
                                             "/no such folder/s.zvr\": No such file or directory");
    }

    std::vector<std::string> shown;
    set_message_box_handler([&](const std::string& text, const std::string&, unsigned flags) {
        shown.push_back(text);
        EXPECT_EQ(flags, mb::ok | mb::iconerror);
        return id::ok;
    });
    {
        TIni forgotten(home / "no such folder/t.zvr");
        forgotten.WriteInteger("Common", "XSize", 1);
    } // the destructor cannot raise, so it tells
    write_text(home / "registry", "a file that blocks the hive's folder");
    {
        TIni reg("");
        reg.WriteInteger("Common", "XSize", 1);
        EXPECT_THROW(reg.UpdateFile(), ERegistryError);
    }
    set_message_box_handler(nullptr);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_NE(shown[0].find("t.zvr"), std::string::npos);
    EXPECT_NE(shown[1].find("HKEY_CURRENT_USER"), std::string::npos);
}

TEST(TIni, FontsAreSevenKeys) {
    test::qt_app();
    TempHome home;
    QFont font("DejaVu Serif", 12);
    font.setBold(true);
    font.setUnderline(true);
    {
        TIni ini(home / "font.zvr");
        ini.WriteFont("Print", "Title", font, QColor(0x12, 0x34, 0x56));
    }
    EXPECT_EQ(read_text(home / "font.zvr"),
              "[Print]\nTitleName=DejaVu Serif\nTitleSize=12\nTitleColor=5649426\n"
              "TitleBold=1\nTitleItalics=0\nTitleUnderline=1\nTitleStrikeout=0\n");
    TIni ini(home / "font.zvr");
    QFont read("DejaVu Sans", 8);
    read.setItalic(true);
    QColor color(Qt::red);
    EXPECT_EQ(&ini.ReadFont("Print", "Title", read, color), &read);
    EXPECT_EQ(read.family(), "DejaVu Serif");
    EXPECT_EQ(read.pointSize(), 12);
    EXPECT_TRUE(read.bold());
    EXPECT_FALSE(read.italic()); // the style is cleared first
    EXPECT_TRUE(read.underline());
    EXPECT_EQ(color, QColor(0x12, 0x34, 0x56));

    // Absent keys: name and size stay, the colour becomes black.
    QFont other("DejaVu Sans", 9);
    QColor c2(Qt::red);
    ini.ReadFont("Print", "Absent", other, c2);
    EXPECT_EQ(other.family(), "DejaVu Sans");
    EXPECT_EQ(other.pointSize(), 9);
    EXPECT_EQ(c2, QColor(Qt::black));
}

TEST(TIni, AFontReadFromADamagedFileStaysUsable) {
    test::qt_app();
    TempHome home;
    write_text(home / "bad.zvr",
               "[P]\nTName=" + std::string(300, 'x') + "\nTSize=2000000000\nTColor=abc\n");
    TIni ini(home / "bad.zvr");
    QFont font("DejaVu Sans", 9);
    QColor color;
    ini.ReadFont("P", "T", font, color);
    EXPECT_EQ(font.family().size(), 255);
    EXPECT_EQ(font.pointSize(), 9);
}

TEST(TTamberIni, UsesTheFamilysKeyAndKeepsAColourOfZero) {
    test::qt_app();
    TempHome home;
    {
        TTamberIni t;
        t.WriteBool("ErrorLog", "LogErrors", true);
        t.WriteFont("ErrorLog", "F", QFont("DejaVu Sans", 10), QColor(Qt::black));
    }
    Registry r(RegistryHive::current_user);
    EXPECT_EQ(r.value("Software\\MarvenData\\Tamber\\ErrorLog", "LogErrors")->text, "1");
    TTamberIni t;
    EXPECT_TRUE(t.ReadBool("ErrorLog", "LogErrors", false));
    QFont font;
    QColor color(Qt::blue);
    t.ReadFont("ErrorLog", "F", font, color);
    EXPECT_EQ(color, QColor(Qt::blue)); // a stored 0 does not replace the colour
    r.write_string("Software\\MarvenData\\Tamber\\ErrorLog", "FColor", "255");
    t.ReadFont("ErrorLog", "F", font, color);
    EXPECT_EQ(color, QColor(Qt::red));
}

} // namespace
} // namespace zevrin
