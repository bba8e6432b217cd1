#include "platform/message_box.h"
#include "platform/registry.h"
#include "platform/registry_ini.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace zevrin {
namespace {

using test::read_text;
using test::TempHome;
using test::write_text;

TEST(Registry, HivesLiveBelowZevrinHome) {
    TempHome home;
    EXPECT_EQ(hive_file(RegistryHive::current_user), home / "registry/HKEY_CURRENT_USER.reg");
    EXPECT_EQ(hive_file(RegistryHive::local_machine), home / "machine/HKEY_LOCAL_MACHINE.reg");
    Registry machine(RegistryHive::local_machine);
    machine.write_dword("Software\\MarvenData\\WebMenu", "MenuDate", 20020523);
    EXPECT_NE(read_text(home / "machine/HKEY_LOCAL_MACHINE.reg")
                  .find("[HKEY_LOCAL_MACHINE\\Software\\MarvenData\\WebMenu]\n"
                        "\"MenuDate\"=dword:01317d2b\n"),
              std::string::npos);
}

TEST(Registry, WithoutZevrinHomeTheHivesAreTheUsersAndTheSystems) {
    TempHome home; // restores the variable afterwards
    unsetenv("ZEVRIN_HOME");
    setenv("XDG_CONFIG_HOME", "/tmp/cfg", 1);
    EXPECT_EQ(hive_file(RegistryHive::current_user), "/tmp/cfg/zevrin/HKEY_CURRENT_USER.reg");
    EXPECT_EQ(hive_file(RegistryHive::local_machine), "/var/lib/zevrin/HKEY_LOCAL_MACHINE.reg");
}

TEST(Registry, ValuesOfEveryKindAndKeysAreStoredAndRead) {
    TempHome home;
    Registry r(RegistryHive::current_user);
    EXPECT_FALSE(r.key_exists("Software"));
    EXPECT_FALSE(r.value("Software\\X", "a").has_value());
    r.write_string("Software\\MarvenData\\Zevrin\\Settings", "SampFreq", "11025");
    r.write_dword("SOFTWARE\\marvendata\\zevrin\\settings", "nToUse", 0xFFFFFFFF);
    r.create_key("Software\\MarvenData\\Zevrin\\Common");
    EXPECT_TRUE(r.key_exists("software\\marvendata\\ZEVRIN"));
    EXPECT_EQ(r.value("Software\\MarvenData\\Zevrin\\Settings", "sampfreq")->text, "11025");
    EXPECT_EQ(r.value("Software\\MarvenData\\Zevrin\\Settings", "NTOUSE")->dword, 0xFFFFFFFFu);
    EXPECT_EQ(r.value_names("Software\\MarvenData\\Zevrin\\Settings"),
              (std::vector<std::string>{"SampFreq", "nToUse"}));
    EXPECT_EQ(r.subkey_names("Software\\MarvenData\\Zevrin"),
              (std::vector<std::string>{"Common", "Settings"}));
    EXPECT_TRUE(r.delete_value("Software\\MarvenData\\Zevrin\\Settings", "SAMPFREQ"));
    EXPECT_FALSE(r.delete_value("Software\\MarvenData\\Zevrin\\Settings", "SAMPFREQ"));
    EXPECT_TRUE(r.delete_key("Software\\MarvenData\\Zevrin"));
    EXPECT_FALSE(r.key_exists("Software\\MarvenData\\Zevrin\\Settings"));
    EXPECT_THROW(r.write_string("Software\\Bad\nName", "x", "y"), ERegistryError);
}

TEST(Registry, AChangeByAnotherProcessIsSeenAtTheNextRead) {
    TempHome home;
    Registry reader(RegistryHive::current_user);
    EXPECT_FALSE(reader.value("Software\\A", "v").has_value());
    const pid_t child = fork();
    if (child == 0) {
        Registry(RegistryHive::current_user).write_string("Software\\A", "v", "from the child");
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_EQ(status, 0);
    ASSERT_TRUE(reader.value("Software\\A", "v").has_value());
    EXPECT_EQ(reader.value("Software\\A", "v")->text, "from the child");
    // And a write of this process keeps what the other one wrote.
    reader.write_string("Software\\A", "w", "mine");
    EXPECT_EQ(Registry(RegistryHive::current_user).value_names("Software\\A"),
              (std::vector<std::string>{"v", "w"}));
}

TEST(Registry, AnUnwritableHiveGivesAClearMessage) {
    TempHome home;
    write_text(home / "registry", "a file where the hive's folder should be");
    Registry r(RegistryHive::current_user);
    try {
        r.write_string("Software\\A", "v", "x");
        FAIL() << "no error";
    } catch (const ERegistryError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot save the registry HKEY_CURRENT_USER in \"" +
                                             home.path() +
                                             "/registry/HKEY_CURRENT_USER.reg\": Not a directory");
    }
    EXPECT_FALSE(r.key_exists("Software\\A"));
}

TEST(Registry, AHiveThatCannotBeReadIsNeverOverwritten) {
    TempHome home;
    std::filesystem::create_directories(home / "registry/HKEY_CURRENT_USER.reg");
    Registry r(RegistryHive::current_user);
    EXPECT_FALSE(r.key_exists("Software"));
    EXPECT_THROW(r.write_string("Software", "v", "x"), ERegistryError);
    EXPECT_TRUE(std::filesystem::is_directory(home / "registry/HKEY_CURRENT_USER.reg"));
}

TEST(Registry, AUserCannotWriteTheMachineHiveOfTheSystemFolder) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root to create a folder that only root may write";
    }
    TempHome home;
    std::filesystem::create_directories(home / "machine");
    chmod(home.path().c_str(), 0755);
    chmod((home / "machine").c_str(), 0755);
    const pid_t child = fork();
    if (child == 0) {
        // As an ordinary user, as the program normally runs.
        if (setgid(65534) != 0 || setuid(65534) != 0) {
            _exit(2);
        }
        try {
            Registry(RegistryHive::local_machine).write_dword("Software", "x", 1);
        } catch (const ERegistryError& e) {
            _exit(std::string(e.what()).find(": Permission denied") != std::string::npos ? 0 : 3);
        }
        _exit(4);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(Registry, ADamagedHiveKeepsWhatCouldBeReadAndTheDamagedFileIsKeptAside) {
    TempHome home;
    const std::string damaged = "Windows Registry Editor Version 5.00\n\n"
                                "[HKEY_CURRENT_USER\\Software\\A]\n"
                                "\"kept\"=\"1\"\n"
                                "\x01\x02 binary rubbish \xFF\n"
                                "\"also kept\"=dword:00000002\n"
                                "\"cut";
    write_text(home / "registry/HKEY_CURRENT_USER.reg", damaged);
    std::vector<std::string> shown;
    set_message_box_handler([&](const std::string& text, const std::string&, unsigned) {
        shown.push_back(text);
        return id::ok;
    });
    Registry r(RegistryHive::current_user);
    EXPECT_EQ(r.value("Software\\A", "kept")->text, "1");
    EXPECT_EQ(r.value("Software\\A", "also kept")->dword, 2u);
    EXPECT_TRUE(shown.empty()); // reading loses nothing, so there is nothing to say
    r.write_string("Software\\A", "new", "3");
    set_message_box_handler(nullptr);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].find("2 line(s) could not be read"), std::string::npos);
    EXPECT_EQ(read_text(home / "registry/HKEY_CURRENT_USER.reg.damaged"), damaged);
    Registry again(RegistryHive::current_user);
    EXPECT_EQ(again.value_names("Software\\A"),
              (std::vector<std::string>{"kept", "also kept", "new"}));
}

// Links planted beside the hive: the program never creates or replaces what they name.
TEST(Registry, LinksAtTheLockAndTheBackupAreNeverFollowed) {
    TempHome home;
    const std::string file = hive_file(RegistryHive::current_user);
    write_text(file, "[HKEY_CURRENT_USER\\Software\\A]\n\"v\"=\"1\"\nrubbish\n");
    const std::string victim = home / "victim";
    std::filesystem::create_symlink(victim, file + ".lock");
    Registry r(RegistryHive::current_user);
    try {
        r.write_string("Software\\A", "v", "2");
        FAIL() << "saved through a link";
    } catch (const ERegistryError& e) {
        EXPECT_NE(std::string(e.what()).find(".reg.lock\" is not a regular file"),
                  std::string::npos)
            << e.what();
    }
    EXPECT_FALSE(std::filesystem::exists(victim)) << "the lock link's target was created";

    std::filesystem::remove(file + ".lock");
    write_text(victim, "precious");
    std::filesystem::create_symlink(victim, file + ".damaged");
    set_message_box_handler(
        [](const std::string&, const std::string&, unsigned) { return id::ok; });
    r.write_string("Software\\A", "v", "2");
    set_message_box_handler(nullptr);
    EXPECT_EQ(read_text(victim), "precious");
    EXPECT_FALSE(std::filesystem::is_symlink(file + ".damaged"));
    EXPECT_NE(read_text(file + ".damaged").find("rubbish"), std::string::npos);
    EXPECT_EQ(Registry(RegistryHive::current_user).value("Software\\A", "v")->text, "2");
}

TEST(Registry, AHiveBeyondTheSizeLimitIsReadInPartAndNeverOverwritten) {
    TempHome home;
    std::string text = "[HKEY_CURRENT_USER\\Software\\A]\n\"first\"=\"1\"\n";
    const std::string filler = "; " + std::string(1000, 'x') + "\n";
    while (text.size() <= store_file_limit) {
        text += filler;
    }
    text += "\"beyond\"=\"2\"\n";
    const std::string file = home / "registry/HKEY_CURRENT_USER.reg";
    write_text(file, text);
    Registry r(RegistryHive::current_user);
    EXPECT_EQ(r.value("Software\\A", "first")->text, "1");
    EXPECT_FALSE(r.value("Software\\A", "beyond").has_value());
    try {
        r.write_string("Software\\A", "new", "3");
        FAIL() << "no error";
    } catch (const ERegistryError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot read the registry HKEY_CURRENT_USER in \"" + file +
                                             "\": the file is larger than 1 MiB");
    }
    EXPECT_EQ(read_text(file), text);
}

TEST(Registry, TheDamageMessageSaysWhichLimitAHiveBroke) {
    TempHome home;
    std::string deep = "[HKEY_CURRENT_USER";
    for (int i = 0; i < 200000; ++i) {
        deep += "\\a";
    }
    const std::string text = deep + "]\n[HKEY_CURRENT_USER\\Software\\A]\n\"kept\"=\"1\"\n";
    write_text(home / "registry/HKEY_CURRENT_USER.reg", text);
    std::vector<std::string> shown;
    set_message_box_handler([&](const std::string& message, const std::string&, unsigned) {
        shown.push_back(message);
        return id::ok;
    });
    Registry r(RegistryHive::current_user);
    EXPECT_EQ(r.value("Software\\A", "kept")->text, "1");
    r.write_string("Software\\A", "new", "2");
    set_message_box_handler(nullptr);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].find("1 line(s) could not be read and were left out (among them keys nested "
                            "deeper than 512 levels, more than a registry file may hold)"),
              std::string::npos)
        << shown[0];
    EXPECT_EQ(read_text(home / "registry/HKEY_CURRENT_USER.reg.damaged"), text);
    EXPECT_EQ(Registry(RegistryHive::current_user).value_names("Software\\A"),
              (std::vector<std::string>{"kept", "new"}));
}

} // namespace
} // namespace zevrin

namespace zevrin {
namespace {

TEST(RegistryIni, SectionsAreSubkeysAndChangesSaveAsOne) {
    test::TempHome home;
    Registry(RegistryHive::current_user).write_dword("Software\\P\\Settings", "Count", 0xFFFFFFFE);
    RegistryIni ini(RegistryHive::current_user, "Software\\P");
    EXPECT_EQ(ini.read("settings", "COUNT"), "-2");
    ini.write("Settings", "SampFreq", "11025");
    ini.write("Common", "XSize", "537");
    ini.delete_key("Settings", "Count");
    EXPECT_EQ(ini.read("Settings", "SampFreq"), "11025"); // seen before the save
    EXPECT_FALSE(ini.read("Settings", "Count").has_value());
    EXPECT_EQ(ini.sections(), (std::vector<std::string>{"Common", "Settings"}));
    Registry other(RegistryHive::current_user);
    EXPECT_FALSE(other.value("Software\\P\\Settings", "SampFreq").has_value());
    ini.update_file();
    EXPECT_EQ(other.value("Software\\P\\Settings", "SampFreq")->text, "11025");
    EXPECT_EQ(other.value_names("Software\\P\\Settings"), (std::vector<std::string>{"SampFreq"}));
    ini.erase_section("Common");
    ini.update_file();
    EXPECT_FALSE(other.key_exists("Software\\P\\Common"));
    EXPECT_THROW(ini.write("Bad", "line\nbreak", "x"), ERegistryError);
    EXPECT_FALSE(ini.has_changes());
    ini.write("Settings", "SampFreq", "8000");
    ini.discard_changes();
    EXPECT_FALSE(ini.has_changes());
    EXPECT_EQ(ini.read("Settings", "SampFreq"), "11025");
}

} // namespace
} // namespace zevrin
