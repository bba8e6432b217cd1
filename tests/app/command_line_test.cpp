#include "app/command_line.h"

#include <gtest/gtest.h>

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
