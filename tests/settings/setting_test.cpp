#include "platform/system.h"
#include "settings/setting.h"
#include "shell/identity.h"
#include "support/qt_app.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace zevrin {
namespace {

using test::read_text;
using test::TempHome;
using test::write_text;

const char* const product_key = "Software\\MarvenData\\Zevrin\\3.0.2.0";

struct Identity {
    TProgId progid;
    Identity() { configure_main_prog_id(progid); }
};

std::string ini_name() {
    return program_file_name() + ".ini";
}

TEST(TSetting, WithoutAProgIdItSaysWhatIsMissing) {
    TempHome home;
    TSetting s;
    s.setObjectName("Setting1");
    EXPECT_THROW(
        try { s.Loaded(); } catch (const ESettingError& e) {
            EXPECT_STREQ(e.what(), "Nothing assigned to Setting1.ProgId");
            throw;
        },
        ESettingError);
    EXPECT_THROW(
        try { s.Company(); } catch (const ESettingError& e) {
            EXPECT_STREQ(e.what(), "Nothing assigned to ProgId");
            throw;
        },
        ESettingError);
    EXPECT_THROW(s.WriteInteger("S", "k", 1), ESettingError);
}

TEST(TSetting, RegistryLocationsKeepNumbersAsIntegerValues) {
    TempHome home;
    Identity id;
    TSetting s;
    s.set_ProgId(&id.progid);
    s.Loaded();
    EXPECT_EQ(s.Location(), tsettinglocation::sluser);
    EXPECT_EQ(s.IniFilename(), "HKEY_CURRENT_USER");
    s.WriteInteger("Sec", "Count", 2);
    s.WriteBool("Sec", "On", true);
    s.WriteString("Sec", "Empty", "");
    s.WriteString("Sec", "Text", "abc");
    Registry r(RegistryHive::current_user);
    const std::string key = std::string(product_key) + "\\Sec";
    EXPECT_EQ(r.value(key, "Count")->kind, RegistryValue::Kind::dword);
    EXPECT_EQ(r.value(key, "On")->dword, 1u);
    EXPECT_EQ(r.value(key, "Text")->text, "abc");

    EXPECT_FALSE(s.ReadBool("Sec", "Count", true)); // true only for exactly 1
    EXPECT_TRUE(s.ReadBool("Sec", "On", false));
    EXPECT_EQ(s.ReadString("Sec", "Empty", "default"), "default");
    EXPECT_EQ(s.ReadInteger("Sec", "Text", 9), 9); // not an integer value
    EXPECT_EQ(s.ReadString("Sec", "Count", "not a string"), "not a string");
    EXPECT_EQ(s.ReadInteger("No such", "key", 5), 5);
    EXPECT_EQ(s.ReadSection("Sec"), (std::vector<std::string>{"Count", "On", "Empty", "Text"}));
    EXPECT_EQ(s.ReadSections(), (std::vector<std::string>{"Sec"}));
    s.DeleteKey("Sec", "Text");
    EXPECT_EQ(s.ReadString("Sec", "Text", "gone"), "gone");
    s.DeleteSection("Sec");
    EXPECT_FALSE(r.key_exists(key));

    s.set_Location(tsettinglocation::slmachine);
    EXPECT_EQ(s.IniFilename(), "HKEY_LOCAL_MACHINE");
    s.WriteInteger("Sec", "Count", 3);
    EXPECT_EQ(Registry(RegistryHive::local_machine).value(key, "Count")->dword, 3u);
}

TEST(TSetting, FloatsReadBackExactlyAndIndependentOfTheLocale) {
    TempHome home;
    Identity id;
    TSetting s;
    s.set_ProgId(&id.progid);
    for (tsettinglocation l : {tsettinglocation::sluser, tsettinglocation::slroaming}) {
        s.set_Location(l);
        for (double v :
             {0.1, 1.0 / 3.0, -2.5e-300, 6.02214076e23, std::numeric_limits<double>::infinity()}) {
            s.WriteFloat("F", "v", v);
            EXPECT_EQ(s.ReadFloat("F", "v", 0), v);
        }
        s.WriteString("F", "bad", "abc");
        EXPECT_EQ(s.ReadFloat("F", "bad", 7.5), 7.5);
        EXPECT_EQ(s.ReadFloat("F", "absent", 7.5), 7.5);
    }
}

TEST(TSetting, FolderLocationsUseTheApplicationDataFolders) {
    TempHome home;
    Identity id;
    TSetting s;
    s.set_ProgId(&id.progid);
    s.set_Location(tsettinglocation::slroaming);
    EXPECT_EQ(s.IniFilename(), home / "config/MarvenData/Zevrin/3.0.2.0/" + ini_name());
    s.set_Location(tsettinglocation::slnonroaming);
    EXPECT_EQ(s.IniFilename(), home / "local/MarvenData/Zevrin/3.0.2.0/" + ini_name());
    s.set_Location(tsettinglocation::slcommonadmin);
    s.set_IniFilename("/somewhere/abc.txt");
    EXPECT_EQ(s.IniFilename(), home / "machine/common/MarvenData/Zevrin/3.0.2.0/abc.ini");
    s.set_Location(tsettinglocation::slcommoninsecure);
    EXPECT_EQ(s.IniFilename(), home / "machine/common/MarvenData/Zevrin/3.0.2.0/insecure/abc.ini");
    s.WriteInteger("Sec", "Count", 2);
    s.WriteBool("Sec", "Two", false);
    EXPECT_EQ(read_text(s.IniFilename()), "[Sec]\nCount=2\nTwo=0\n");

    // A new version of the program stores elsewhere.
    id.progid.set_Version("3.1");
    EXPECT_EQ(s.IniFilename(), home / "machine/common/MarvenData/Zevrin/3.1/insecure/abc.ini");

    s.set_Location(tsettinglocation::slfile);
    s.set_Filename(home / "chosen.ini");
    EXPECT_EQ(s.IniFilename(), home / "chosen.ini");
    s.WriteString("A", "k", "v");
    EXPECT_EQ(read_text(home / "chosen.ini"), "[A]\nk=v\n");
}

TEST(TSetting, ARegistryLocationLeavesNoNameForALaterFileLocation) {
    TempHome home;
    Identity id;
    TSetting s;
    s.set_ProgId(&id.progid);
    EXPECT_EQ(s.IniFilename(), "HKEY_CURRENT_USER");
    s.set_Location(tsettinglocation::slroaming);
    EXPECT_EQ(s.IniFilename(), home / "config/MarvenData/Zevrin/3.0.2.0/" + ini_name());
}

TEST(TSetting, FileLocationsReadLikeTheRegistryOnes) {
    TempHome home;
    Identity id;
    TSetting s;
    s.set_ProgId(&id.progid);
    s.set_Location(tsettinglocation::slfile);
    s.set_Filename(home / "r.ini");
    write_text(home / "r.ini", "[S]\nTwo=2\nOne=1\nEmpty=\nWord=abc\n");
    EXPECT_FALSE(s.ReadBool("S", "Two", true));
    EXPECT_TRUE(s.ReadBool("S", "One", false));
    EXPECT_EQ(s.ReadString("S", "Empty", "default"), "default");
    EXPECT_EQ(s.ReadInteger("S", "Word", 4), 4);
    EXPECT_EQ(s.ReadSection("S"), (std::vector<std::string>{"Two", "One", "Empty", "Word"}));
    s.DeleteKey("S", "Word");
    s.DeleteSection("Absent");
    EXPECT_EQ(read_text(home / "r.ini"), "[S]\nTwo=2\nOne=1\nEmpty=\n");
}

TEST(TSetting, WithoutItsFolderALocationFallsBackToTheRegistry) {
    TempHome home;
    write_text(home / "config", "no roaming folder can be made here");
    write_text(home / "machine/common", "nor an all-users one");
    Identity id;
    TSetting s;
    s.set_ProgId(&id.progid);
    s.set_Location(tsettinglocation::slroaming);
    EXPECT_EQ(s.Location(), tsettinglocation::sluser);
    EXPECT_EQ(s.IniFilename(), "HKEY_CURRENT_USER");
    s.WriteInteger("Sec", "n", 1);
    EXPECT_EQ(
        Registry(RegistryHive::current_user).value(std::string(product_key) + "\\Sec", "n")->dword,
        1u);

    s.set_Location(tsettinglocation::slcommonadmin);
    EXPECT_EQ(s.Location(), tsettinglocation::slmachine);
    s.set_Location(tsettinglocation::slcommoninsecure);
    EXPECT_EQ(s.Location(), tsettinglocation::slcommoninsecure);
    EXPECT_EQ(s.IniFilename(), windows_folder() + "/" + ini_name());
}

TEST(TSetting, ManualIniCloseKeepsChangesUntilClosed) {
    TempHome home;
    Identity id;
    TSetting s;
    s.set_ProgId(&id.progid);
    s.set_Location(tsettinglocation::slroaming);
    s.set_ManualIniClose(true);
    s.WriteInteger("S", "a", 1);
    EXPECT_EQ(s.ReadInteger("S", "a", 0), 1);
    EXPECT_FALSE(std::filesystem::exists(s.IniFilename()));
    s.IniClose();
    EXPECT_EQ(read_text(s.IniFilename()), "[S]\na=1\n");
    s.WriteInteger("S", "b", 2);
    s.set_ManualIniClose(false);
    EXPECT_EQ(read_text(s.IniFilename()), "[S]\na=1\nb=2\n");
}

TEST(TSetting, OkToWriteTriesAndLeavesNoTrace) {
    TempHome home;
    Identity id;
    TSetting s;
    s.set_ProgId(&id.progid);
    EXPECT_TRUE(s.OkToWrite());
    Registry r(RegistryHive::current_user);
    EXPECT_TRUE(r.key_exists(product_key));
    EXPECT_TRUE(r.value_names(product_key).empty());
    s.set_Location(tsettinglocation::slroaming);
    EXPECT_TRUE(s.OkToWrite());
    EXPECT_EQ(read_text(s.IniFilename()), "");

    write_text(home / "machine", "the machine folder cannot be made");
    s.set_Location(tsettinglocation::slmachine);
    EXPECT_FALSE(s.OkToWrite());
    EXPECT_THROW(s.WriteInteger("S", "k", 1), ERegistryError);
    EXPECT_EQ(s.ReadInteger("S", "k", 3), 3); // reads do not raise
    s.set_Location(tsettinglocation::slfile);
    s.set_Filename(home / "machine/x.ini");
    EXPECT_FALSE(s.OkToWrite());
}

TEST(TSetting, FontsInTheRegistryUseIntegerValues) {
    test::qt_app();
    TempHome home;
    Identity id;
    TSetting s;
    s.set_ProgId(&id.progid);
    QFont font("DejaVu Sans Mono", 11);
    font.setStrikeOut(true);
    s.WriteFont("Fonts", "Axis", font, QColor(1, 2, 3));
    Registry r(RegistryHive::current_user);
    EXPECT_EQ(r.value(std::string(product_key) + "\\Fonts", "AxisColor")->dword, 0x030201u);
    QFont back;
    QColor color;
    s.ReadFont("Fonts", "Axis", back, color);
    EXPECT_EQ(back.family(), "DejaVu Sans Mono");
    EXPECT_EQ(back.pointSize(), 11);
    EXPECT_TRUE(back.strikeOut());
    EXPECT_EQ(color, QColor(1, 2, 3));
}

} // namespace
} // namespace zevrin
