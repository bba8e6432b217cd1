#include "platform/folders.h"
#include "platform/ini_file.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "support/no_home.h"
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

// Nothing may then land at the root of the file system (the per-user hive in
// "/zevrin/", a bare ini name in "/.local/share/zevrin/").
TEST(Folders, WithoutAHomeFolderTheUsersStoresHaveNoPlace) {
    test::NoHome nohome;
    if (!nohome.active()) {
        GTEST_SKIP() << "needs an administrator to act as a user without a home folder";
    }
    EXPECT_EQ(home_folder(), "");
    EXPECT_EQ(app_data_folder(AppDataFolder::roaming), "");
    EXPECT_EQ(windows_folder(), "");
    EXPECT_EQ(hive_file(RegistryHive::current_user), "");
    EXPECT_FALSE(user_hive_available());
    Registry user(RegistryHive::current_user);
    EXPECT_FALSE(user.value("Software\\MarvenData\\Zevrin", "x").has_value());
    try {
        user.write_string("Software\\MarvenData\\Zevrin", "x", "1");
        ADD_FAILURE() << "written";
    } catch (const ERegistryError& e) {
        EXPECT_STREQ(e.what(), "Cannot save the registry HKEY_CURRENT_USER: no home folder is "
                               "known (HOME is not set and the user has none), so settings "
                               "cannot be kept");
    }
    IniFile bare("zevrin.ini");
    EXPECT_EQ(bare.path(), "");
    bare.write("Section", "key", "value");
    try {
        bare.update_file();
        ADD_FAILURE() << "written";
    } catch (const EIniFileError& e) {
        EXPECT_STREQ(e.what(), "Unable to write to \"zevrin.ini\": no home folder is known "
                               "(HOME is not set and the user has none)");
    }
    bare.discard_changes();
    // A folder that XDG names is the user's all the same.
    setenv("XDG_CONFIG_HOME", "/cfg", 1);
    EXPECT_EQ(hive_file(RegistryHive::current_user), "/cfg/zevrin/HKEY_CURRENT_USER.reg");
    EXPECT_TRUE(user_hive_available());
    unsetenv("XDG_CONFIG_HOME");
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
