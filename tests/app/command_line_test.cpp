#include "app/command_line.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace zevrin {
namespace {

TEST(CommandLine, Actions) {
    EXPECT_EQ(parse_command_line({}).action, CommandLine::Action::window);
    EXPECT_EQ(parse_command_line({"--version"}).action, CommandLine::Action::version);
    EXPECT_EQ(parse_command_line({"--help"}).action, CommandLine::Action::help);
    const CommandLine about = parse_command_line({"/?"});
    EXPECT_EQ(about.action, CommandLine::Action::window);
    EXPECT_TRUE(about.show_about);
    const CommandLine bad = parse_command_line({"--frobnicate"});
    EXPECT_EQ(bad.action, CommandLine::Action::bad);
    EXPECT_EQ(bad.error, "unknown option --frobnicate");
    EXPECT_EQ(version_line(), "Zevrin 3.0.2.0");
    EXPECT_EQ(parse_command_line({"/?", "--list-devices"}).action,
              CommandLine::Action::list_devices);
    EXPECT_NE(help_text().find("--list-devices"), std::string::npos);
}

TEST(CommandLine, SettingsFilesAreOpenedWithTheirFullNames) {
    const std::filesystem::path here = std::filesystem::current_path();
    const CommandLine cl =
        parse_command_line({"/?", "sub/../mine.zvr", "notes.txt", "/data/OLD.ZVR", "x.zvrx"});
    EXPECT_EQ(cl.action, CommandLine::Action::window);
    EXPECT_TRUE(cl.show_about); // "/?" keeps its meaning beside a file
    EXPECT_EQ(cl.settings_files,
              std::vector<std::string>({(here / "mine.zvr").string(), "/data/OLD.ZVR"}));
    // Every argument stays among those the window keeps, as given.
    EXPECT_EQ(cl.extra, std::vector<std::string>(
                            {"sub/../mine.zvr", "notes.txt", "/data/OLD.ZVR", "x.zvrx"}));
    EXPECT_NE(help_text().find("FILE.zvr"), std::string::npos);
}

TEST(CommandLine, DeviceListShowsTheIdsOfEachDirection) {
    std::vector<std::string> many(12, "X");
    many[11] = "ALSA: pulse";
    const std::string text = device_list_text({"ALSA: default", "Zevrin: virtual loopback"}, many);
    EXPECT_EQ(text.substr(0, text.find("Output")), "Input devices (ID  name):\n"
                                                   "    -1  the system's default device\n"
                                                   "     0  ALSA: default\n"
                                                   "     1  Zevrin: virtual loopback\n");
    EXPECT_NE(
        text.find("Output devices (ID  name):\n    -1  the system's default device\n     0  X\n"),
        std::string::npos);
    EXPECT_NE(text.find("\n    11  ALSA: pulse\n"), std::string::npos);
}

} // namespace
} // namespace zevrin
