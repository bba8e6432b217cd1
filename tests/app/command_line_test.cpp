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
}

} // namespace
} // namespace zevrin
