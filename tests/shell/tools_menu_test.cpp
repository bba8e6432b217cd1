#include "platform/message_box.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "shell/identity.h"
#include "shell/tool_command.h"
#include "shell/tools_menu.h"
#include "support/qt_app.h"
#include "support/temp_home.h"

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <unistd.h>

namespace zevrin {
namespace {

using Strings = std::vector<std::string>;
const std::string root_key = TToolsMenu::default_root_key;

struct Tool {
    std::string key;
    std::string menutext;
    std::string appname;
    std::string cmdline;
    std::string parameters;
    Strings extensions;
};

// What another program (or the tools-menu editor) writes.
void put_tool(RegistryHive hive, const Tool& t) {
    Registry(hive).change([&](RegistryTree& tree) {
        RegistryKey& k = tree.create(root_key + "\\" + t.key);
        k.set_value("MenuText", RegistryValue::string(t.menutext));
        k.set_value("AppName", RegistryValue::string(t.appname));
        k.set_value("CmdLine", RegistryValue::string(t.cmdline));
        k.set_value("Parameters", RegistryValue::string(t.parameters));
        for (const std::string& e : t.extensions) {
            k.add_subkey("ValidExtensions").set_value(e, RegistryValue::number(0));
        }
    });
}

std::string stored(RegistryHive hive, const std::string& key, const char* name) {
    const auto v = Registry(hive).value(root_key + "\\" + key, name);
    return v ? v->text : std::string("(none)");
}

bool wait_for(const std::function<bool()>& done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        usleep(5000);
    }
    return done();
}

class Tools : public ::testing::Test {
protected:
    Tools() {
        set_message_box_handler(
            [this](const std::string& text, const std::string& caption, unsigned) {
                messages.push_back(caption + ": " + text);
                return answer;
            });
    }
    ~Tools() override { set_message_box_handler(nullptr); }

    Strings items(const TToolsMenu& menu) const {
        Strings texts;
        for (QAction* a : menu.Menu()->actions()) {
            texts.push_back(a->isSeparator() ? "-" : a->text().toStdString());
        }
        return texts;
    }

    QApplication& app = test::qt_app(); // before the widgets below
    test::TempHome home;
    Strings messages;
    int answer = id::no;
    QWidget window;
    QMenuBar* bar = new QMenuBar(&window);
};

TEST(ToolCommand, AcceleratorsAndArguments) {
    std::string used;
    EXPECT_EQ(hotkey_conflict({"&Spectra", "&Sound editor", "&Waves", "Last&"}, used), "s");
    EXPECT_EQ(used, "ssw");
    EXPECT_EQ(add_accelerator("Zevrin", "ZE"), "Ze&vrin");
    EXPECT_EQ(add_accelerator("Z&evrin", "ze"), "Ze&vrin");
    EXPECT_EQ(add_accelerator("-- ~", ""), "-- ~");
    EXPECT_EQ(split_arguments(R"(  -a  "two  words" "" x""y "say ""hi""" 'it s'  )"),
              (Strings{"-a", "two  words", "", "xy", "say \"hi\"", "'it", "s'"}));
    EXPECT_EQ(command_text("/bin/t", {"a b", "", "c"}), R"("/bin/t" "a b" "" c)");
}

TEST_F(Tools, TwoToolsOnSConflictAndTheMenuFollowsTheKeys) {
    put_tool(RegistryHive::local_machine, {"00002", "&Sound editor", "snd", "/bin/true", "", {}});
    put_tool(RegistryHive::local_machine, {"00001", "&Spectra", "spectra", "/bin/true", "", {}});
    put_tool(RegistryHive::local_machine, {"00003", "&Waves", "waves", "/bin/true", "", {}});
    put_tool(RegistryHive::local_machine,
             {"00004", "Tool &editor", "ToolEdit", "/bin/true", "", {}});
    TToolsMenu menu;
    EXPECT_EQ(menu.machine_wide_root(), RegistryHive::local_machine);
    EXPECT_EQ(menu.HotKeyConflict(), "s");
    menu.set_MainMenu(bar);
    menu.Loaded();
    EXPECT_EQ(items(menu), (Strings{"&Spectra", "&Sound editor", "&Waves", "Tool &editor"}));
    EXPECT_TRUE(menu.HasToolEditor());
    EXPECT_EQ(messages, (Strings{"Error in tools menu: Tools menu has errors, start tools menu "
                                 "editor to correct them?"}));
    EXPECT_EQ(bar->actions().back()->text(), "&Tools");
}

TEST_F(Tools, PlaceholdersTakeTheirValues) {
    TToolsMenu menu;
    menu.set_ParamStr({"/usr/bin/zevrin", "first arg"});
    const std::string cwd = std::filesystem::current_path().string();
    EXPECT_EQ(menu.expand_params("%d"), cwd);
    EXPECT_EQ(menu.expand_params("%p|%w"), ""); // glued: one placeholder without meaning
    EXPECT_EQ(menu.expand_params("%p %w"), program_folder() + " " + windows_folder());
    EXPECT_EQ(menu.expand_params("%0 %1 [%2]"), "/usr/bin/zevrin first arg [");
    EXPECT_EQ(menu.expand_params("%d/zevrin.ini"), "");
    EXPECT_EQ(menu.expand_params("-x %q 100%% done"), "-x  100% done");
    menu.OnMeaning = [](QObject*, const std::string& code, std::string& meaning) {
        if (code == "%a") {
            meaning = "50%d of it";
        } else if (code == "%d") {
            meaning = "%d"; // a meaning equal to the code counts as none
        }
    };
    EXPECT_EQ(menu.expand_params("%a"), "50%d of it"); // a value is never expanded again
    EXPECT_EQ(menu.expand_params("%d"), cwd);
}

TEST_F(Tools, UsersDifferentChoosesTheHive) {
    TToolsMenu menu;
    EXPECT_EQ(menu.UsersDifferent(), 1);
    EXPECT_EQ(menu.root(), RegistryHive::local_machine);
    Registry(RegistryHive::current_user).write_dword(root_key, "IWantDifferent", 1);
    EXPECT_EQ(menu.root(), RegistryHive::current_user);
    Registry(RegistryHive::local_machine).write_dword(root_key, "UsersDifferent", 0);
    EXPECT_EQ(menu.root(), RegistryHive::local_machine);
    Registry(RegistryHive::current_user).write_dword(root_key, "IWantDifferent", 0);
    Registry(RegistryHive::local_machine).write_dword(root_key, "UsersDifferent", 2);
    EXPECT_EQ(menu.root(), RegistryHive::current_user);
    menu.set_ThisAppName("Zevrin");
    menu.set_ThisAppMenuText("Zevrin");
    menu.insert_thisapp();
    EXPECT_EQ(stored(RegistryHive::current_user, "00000", "AppName"), "Zevrin");
    EXPECT_EQ(stored(RegistryHive::local_machine, "00000", "AppName"), "(none)");
}

TEST_F(Tools, ANonNumericVersionIsRewrittenAtEveryStart) {
    put_tool(RegistryHive::local_machine, {"00001", "&Zip", "zip", "/bin/zip", "", {}});
    TTamberAbout about;
    configure_main_about(about); // "3.0.2.0": no number
    const auto start = [&] {
        TToolsMenu menu;
        menu.set_ThisAppName("Zevrin");
        menu.set_ThisAppMenuText("Zevrin");
        menu.set_ThisAppCmdLine("/opt/zevrin/zevrin");
        menu.set_TamberAboutBox(&about);
        menu.set_AutoInsertThisApp(true);
        menu.set_MainMenu(bar);
        menu.Loaded();
        EXPECT_EQ(menu.ThisAppKey(), "00002");
        return items(menu);
    };
    EXPECT_EQ(start(), (Strings{"&Zip", "Z&evrin"}));
    const auto set = [](const char* name, const std::string& v) {
        Registry(RegistryHive::local_machine).write_string(root_key + "\\00002", name, v);
    };
    set("CmdLine", "/old/zevrin");
    set("MenuText", "Old");
    EXPECT_EQ(start(), (Strings{"&Zip", "Z&evrin"})); // its own letter does not block it
    EXPECT_EQ(stored(RegistryHive::local_machine, "00002", "CmdLine"), "/opt/zevrin/zevrin");
    EXPECT_EQ(stored(RegistryHive::local_machine, "00002", "Version"), "3.0.2.0");
    EXPECT_TRUE(messages.empty());

    // A number is rewritten only for a newer version; the same version at another
    // place asks first.
    about.set_Version("3.5");
    start();
    EXPECT_EQ(stored(RegistryHive::local_machine, "00002", "Version"), "3.5");
    set("CmdLine", "/old/zevrin");
    start();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Zevrin has been moved!: Do you want to use\r/opt/zevrin/zevrin\r"
                           "instead of\r/old/zevrin\rwhen you click on \"Tools|Zevrin\" in the "
                           "future?");
    EXPECT_EQ(stored(RegistryHive::local_machine, "00002", "CmdLine"), "/old/zevrin");
    answer = id::yes;
    start();
    EXPECT_EQ(stored(RegistryHive::local_machine, "00002", "CmdLine"), "/opt/zevrin/zevrin");
}

TEST_F(Tools, OwnNewsDoesNotRebuildTheMenu) {
    TToolsMenu menu;
    menu.set_MainMenu(bar);
    menu.Loaded();
    int rebuilt = 0;
    menu.OnBroadcastedChange = [&] { ++rebuilt; };
    tappregentry app;
    app.menutext = "Analyser";
    app.appname = "analyser";
    app.cmdline = "/bin/true";
    menu.add_app(app);
    menu.broadcast_change();
    EXPECT_EQ(app.menutext, "&Analyser");
    wait_for([] { return false; }, 600);
    EXPECT_EQ(rebuilt, 0);
    EXPECT_TRUE(items(menu).empty());
    if (!menu.listens_on_bus()) {
        // Without a bus, the change another program saves is the news.
        put_tool(RegistryHive::local_machine, {"00009", "&Other", "other", "/bin/true", "", {}});
        EXPECT_TRUE(wait_for([&] { return rebuilt == 1; }, 5000));
        EXPECT_EQ(items(menu), (Strings{"&Analyser", "&Other"}));
    }
}

TEST_F(Tools, TheSwitchShowsTheAboutBoxOnceTheProgramRuns) {
    TTamberAbout about;
    configure_main_about(about);
    TToolsMenu menu;
    menu.set_ParamStr({"/usr/bin/zevrin", "/?"});
    menu.set_TamberAboutBox(&about);
    menu.set_MainMenu(bar);
    menu.Loaded();
    EXPECT_FALSE(about.form()->isVisible()); // not while the window is being built
    bool shown = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (about.form()->isVisible()) {
            shown = true;
            about.form()->accept();
        }
    });
    watch.start(10);
    EXPECT_TRUE(wait_for([&] { return shown; }, 5000));
}

class ToolStart : public Tools {
protected:
    ToolStart() {
        ::setenv("ZEVRIN_ARGV_FILE", out.c_str(), 1);
        old_cwd = std::filesystem::current_path();
        std::filesystem::current_path(home.path());
    }
    ~ToolStart() override {
        std::filesystem::current_path(old_cwd);
        ::unsetenv("ZEVRIN_ARGV_FILE");
    }

    // Starts tool 00001 and returns the arguments it received.
    Strings run(TToolsMenu& menu, int wait_ms = 10000) {
        std::filesystem::remove(out);
        menu.Menu()->actions().front()->trigger();
        if (!wait_for([&] { return std::filesystem::exists(out); }, wait_ms)) {
            return {"(not started)"};
        }
        const std::string bytes = test::read_text(out);
        Strings args;
        for (size_t start = 0, end; (end = bytes.find('\0', start)) != std::string::npos;
             start = end + 1) {
            args.push_back(bytes.substr(start, end - start));
        }
        return args;
    }

    const std::string out = home / "argv";
    std::filesystem::path old_cwd;
};

TEST_F(ToolStart, ToolsReceiveValuesAndParametersAsLiteralArguments) {
    put_tool(RegistryHive::local_machine,
             {"00001",
              "&Writer",
              "writer",
              ZEVRIN_ARGV_WRITER,
              R"x(--file "%f" ; rm -rf "$(touch pwned)" `touch pwned` 'it''s' "a  b" %1 %none)x",
              {"wav"}});
    TToolsMenu menu;
    menu.set_ParamStr({"/usr/bin/zevrin", "x; touch pwned; \"quoted\" $(id)"});
    std::string file = "my song; touch pwned $(touch pwned) \"q\".wav";
    menu.OnMeaning = [&](QObject* sender, const std::string& code, std::string& meaning) {
        EXPECT_NE(sender, nullptr);
        if (code == "%f") {
            meaning = file;
        }
    };
    menu.set_MainMenu(bar);
    menu.Loaded();
    EXPECT_EQ(run(menu),
              (Strings{"--file", file, ";", "rm", "-rf", "$(touch pwned)", "`touch", "pwned`",
                       "'it''s'", "a  b", "x; touch pwned; \"quoted\" $(id)"}));
    file = "song.flac"; // not among the tool's extensions: no value, no argument
    EXPECT_EQ(run(menu), (Strings{"--file", ";", "rm", "-rf", "$(touch pwned)", "`touch", "pwned`",
                                  "'it''s'", "a  b", "x; touch pwned; \"quoted\" $(id)"}));
    EXPECT_FALSE(std::filesystem::exists(home / "pwned"));
    EXPECT_TRUE(messages.empty());
}

TEST_F(ToolStart, ACommandTooLongOrMissingIsNotStarted) {
    put_tool(RegistryHive::local_machine,
             {"00001", "&Writer", "writer", ZEVRIN_ARGV_WRITER, std::string(240, 'x'), {}});
    put_tool(RegistryHive::local_machine,
             {"00002", "&Gone", "gone", "/nonexistent/tool", "-v", {}});
    TToolsMenu menu;
    menu.set_MainMenu(bar);
    menu.Loaded();
    EXPECT_EQ(menu.run_command(ZEVRIN_ARGV_WRITER, {std::string(240, 'x')}), 2);
    EXPECT_EQ(run(menu, 500), Strings{"(not started)"});
    menu.Menu()->actions().back()->trigger();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0], std::string("Tools: Error running tool \"") + ZEVRIN_ARGV_WRITER +
                               "\" " + std::string(240, 'x') + "\rRun the tools menu editor");
    EXPECT_EQ(messages[1], "Tools: Error running tool \"/nonexistent/tool\" -v\rRun the tools "
                           "menu editor");
}

} // namespace
} // namespace zevrin
