#include "platform/ini_file.h"
#include "platform/system.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

namespace zevrin {
namespace {

using test::read_text;
using test::TempHome;
using test::write_text;

TEST(IniFile, ABareNameLandsInTheProgramsDataFolder) {
    TempHome home;
    IniFile ini("zevrin.ini");
    EXPECT_EQ(ini.file_name(), "zevrin.ini");
    EXPECT_EQ(ini.path(), windows_folder() + "/zevrin.ini");
    EXPECT_EQ(IniFile("./here.ini").path(), "./here.ini");
}

TEST(IniFile, ChangesWaitForUpdateFileAndMergeWithOtherWriters) {
    TempHome home;
    const std::string file = home / "s.zvr";
    write_text(file, "[Common]\r\nXSize=537\r\n");
    IniFile mine(file);
    mine.write("Settings", "SampFreq", "11025");
    EXPECT_TRUE(mine.has_changes());
    EXPECT_EQ(mine.read_string("Settings", "SampFreq", ""), "11025");
    EXPECT_EQ(read_text(file), "[Common]\r\nXSize=537\r\n");

    IniFile other(file); // another writer saves meanwhile
    other.write("Common", "YSize", "561");
    other.update_file();

    mine.update_file();
    EXPECT_FALSE(mine.has_changes());
    EXPECT_EQ(read_text(file),
              "[Common]\r\nXSize=537\r\nYSize=561\r\n\r\n[Settings]\r\nSampFreq=11025\r\n");
    EXPECT_EQ(other.read_string("Settings", "SampFreq", ""), "11025"); // seen at the next read
}

TEST(IniFile, TheDestructorWritesWhatIsWaiting) {
    TempHome home;
    {
        IniFile ini(home / "d.ini");
        ini.write("A", "k", "v");
    }
    EXPECT_EQ(read_text(home / "d.ini"), "[A]\nk=v\n");
}

TEST(IniFile, AnUnwritableFileGivesAClearMessageAndKeepsTheChanges) {
    TempHome home;
    IniFile ini(home / "missing folder/s.zvr");
    ini.write("A", "k", "v");
    try {
        ini.update_file();
        FAIL() << "no error";
    } catch (const EIniFileError& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to \"" + home.path() +
                                             "/missing folder/s.zvr\": No such file or directory");
    }
    EXPECT_TRUE(ini.has_changes());
    std::filesystem::create_directory(home / "missing folder");
    ini.update_file();
    EXPECT_EQ(read_text(home / "missing folder/s.zvr"), "[A]\nk=v\n");
}

TEST(IniFile, DiscardedChangesAreGoneAndTheFileReadsAsItIs) {
    TempHome home;
    write_text(home / "k.ini", "[A]\nk=old\n");
    {
        IniFile ini(home / "k.ini");
        ini.write("A", "k", "new");
        EXPECT_EQ(ini.read_string("A", "k", ""), "new");
        ini.discard_changes();
        EXPECT_FALSE(ini.has_changes());
        EXPECT_EQ(ini.read_string("A", "k", ""), "old");
    }
    EXPECT_EQ(read_text(home / "k.ini"), "[A]\nk=old\n"); // nothing left for the destructor
}

TEST(IniFile, AFileThatCannotBeReadIsNeverOverwritten) {
    TempHome home;
    std::filesystem::create_directories(home / "dir.ini");
    IniFile ini(home / "dir.ini");
    EXPECT_TRUE(ini.sections().empty());
    ini.write("A", "k", "v");
    EXPECT_THROW(ini.update_file(), EIniFileError);
    EXPECT_TRUE(std::filesystem::is_directory(home / "dir.ini"));
}

TEST(IniFile, ASymbolicLinkStaysALink) {
    TempHome home;
    write_text(home / "real.ini", "[A]\nk=1\n");
    std::filesystem::create_symlink(home / "real.ini", home / "link.ini");
    IniFile ini(home / "link.ini");
    ini.write("A", "k", "2");
    ini.update_file();
    EXPECT_TRUE(std::filesystem::is_symlink(home / "link.ini"));
    EXPECT_EQ(read_text(home / "real.ini"), "[A]\nk=2\n");
}

} // namespace
} // namespace zevrin
