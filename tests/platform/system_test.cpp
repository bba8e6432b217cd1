#include "platform/message_box.h"
#include "platform/system.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <unistd.h>

namespace zevrin {
namespace {

TEST(System, NamesAndFolders) {
    EXPECT_FALSE(user_name().empty());
    EXPECT_FALSE(computer_name().empty());
    EXPECT_LE(computer_name().size(), 255u);
    const std::string folder = program_folder();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), '/');
    EXPECT_EQ(access((folder + "/" + program_file_name()).c_str(), X_OK), 0);
}

TEST(System, WindowsFolderFollowsTheEnvironment) {
    setenv("ZEVRIN_HOME", "/tmp/zevrin-home-test", 1);
    EXPECT_EQ(windows_folder(), "/tmp/zevrin-home-test/data");
    unsetenv("ZEVRIN_HOME");
    setenv("XDG_DATA_HOME", "/tmp/xdg-data", 1);
    EXPECT_EQ(windows_folder(), "/tmp/xdg-data/zevrin");
    setenv("XDG_DATA_HOME", "relative", 1); // not absolute: ignored, as XDG says
    setenv("HOME", "/tmp/somebody", 1);
    EXPECT_EQ(windows_folder(), "/tmp/somebody/.local/share/zevrin");
}

TEST(MessageBox, HandlerAndDefaultButtons) {
    EXPECT_EQ(message_box("text", "caption", mb::yesno | mb::iconquestion), id::yes);
    EXPECT_EQ(default_button_id(mb::yesno | mb::defbutton2), id::no);
    EXPECT_EQ(default_button_id(mb::okcancel | mb::defbutton2), id::cancel);
    std::string seen;
    set_message_box_handler([&](const std::string& t, const std::string& c, unsigned f) {
        seen = c + "|" + t + "|" + std::to_string(f);
        return id::no;
    });
    EXPECT_EQ(message_box("Can't find \rx", "File not found", mb::ok | mb::iconexclamation),
              id::no);
    EXPECT_EQ(seen, "File not found|Can't find \rx|48");
    set_message_box_handler(nullptr);
    EXPECT_EQ(message_box("t", "c", mb::ok), id::ok);
}

} // namespace
} // namespace zevrin
