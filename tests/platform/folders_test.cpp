#include "platform/folders.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

namespace zevrin {
namespace {

using test::TempHome;

TEST(Folders, EveryFolderLivesBelowZevrinHome) {
    TempHome home;
    EXPECT_EQ(app_data_folder(AppDataFolder::roaming), home / "config");
    EXPECT_EQ(app_data_folder(AppDataFolder::local), home / "local");
    EXPECT_EQ(app_data_folder(AppDataFolder::common), home / "machine/common");
    EXPECT_EQ(machine_folder(), home / "machine");
}

TEST(Folders, WithoutZevrinHomeTheXdgFoldersAndTheSystemFolderCount) {
    TempHome home; // restores the variable afterwards
    unsetenv("ZEVRIN_HOME");
    setenv("HOME", "/home/someone", 1);
    unsetenv("XDG_CONFIG_HOME");
    setenv("XDG_DATA_HOME", "relative/ignored", 1);
    EXPECT_EQ(app_data_folder(AppDataFolder::roaming), "/home/someone/.config");
    EXPECT_EQ(app_data_folder(AppDataFolder::local), "/home/someone/.local/share");
    setenv("XDG_CONFIG_HOME", "/cfg", 1);
    setenv("XDG_DATA_HOME", "/data", 1);
    EXPECT_EQ(app_data_folder(AppDataFolder::roaming), "/cfg");
    EXPECT_EQ(app_data_folder(AppDataFolder::local), "/data");
    EXPECT_EQ(app_data_folder(AppDataFolder::common), "/var/lib/zevrin/common");
    EXPECT_EQ(machine_folder(), "/var/lib/zevrin");
}

TEST(Folders, AFolderIsAvailableWhenItExistsOrCanBeCreated) {
    TempHome home;
    EXPECT_TRUE(folder_available(home / "a/b/c"));
    EXPECT_FALSE(std::filesystem::exists(home / "a")) << "created before anything was written";
    std::filesystem::create_directories(home / "a/b/c");
    EXPECT_TRUE(folder_available(home / "a/b/c"));
    test::write_text(home / "file", "x");
    EXPECT_FALSE(folder_available(home / "file"));
    EXPECT_FALSE(folder_available(home / "file/below"));
    EXPECT_FALSE(folder_available(""));
}

} // namespace
} // namespace zevrin
