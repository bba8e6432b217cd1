#include "platform/ini_file.h"
#include "platform/message_box.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "settings/ini.h"
#include "shell/application.h"
#include "shell/error_log.h"
#include "shell/identity.h"
#include "support/temp_home.h"
#include "zevrin_version.h"

#include <QMouseEvent>
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <filesystem>
#include <functional>
#include <grp.h>
#include <regex>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace zevrin {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

// The program's application, whose event dispatch hands on what handlers raise.
TApplication& application() {
    static int argc = 1;
    static char name[] = "shell_error_log_test";
    static char* argv[] = {name, nullptr};
    static auto* app = new TApplication(argc, argv);
    return *app;
}

std::string exe() {
    return program_folder() + "/" + program_file_name();
}

[[gnu::noinline]] void throw_here() {
    throw std::runtime_error("Disk on fire");
}

// Where in the program file throw_here() lies.
uintptr_t offset_of_throw_here() {
    Dl_info info{};
    const auto address = reinterpret_cast<void*>(&throw_here);
    dladdr(address, &info);
    return reinterpret_cast<uintptr_t>(address) - reinterpret_cast<uintptr_t>(info.dli_fbase);
}

class ErrorLog : public ::testing::Test {
protected:
    ErrorLog() {
        application();
        set_message_box_handler(
            [this](const std::string& text, const std::string& caption, unsigned flags) {
                messages.push_back(caption + ": " + text +
                                   (flags == (mb::ok | mb::iconerror) ? "" : " (?)"));
                return id::ok;
            });
        old_cwd = fs::current_path();
        fs::create_directories(home / "cwd");
        fs::current_path(home / "cwd");
    }
    ~ErrorLog() override {
        fs::current_path(old_cwd);
        set_message_box_handler(nullptr);
    }

    void enable(const std::string& file) {
        TTamberIni ini;
        ini.WriteBool("ErrorLog", "LogErrors", true);
        ini.WriteString("ErrorLog", "LogFileName", file);
        ini.UpdateFile();
    }
    static std::string logged(const std::string& file, const std::string& section,
                              const std::string& key) {
        return IniFile(file).read_string(section, key, "(none)");
    }

    test::TempHome home;
    Strings messages;
    fs::path old_cwd;
};

TEST_F(ErrorLog, OffItOnlyShowsTheErrorAndTouchesNoFile) {
    {
        TErrorLog log;
        log.Loaded();
        try {
            throw_here();
        } catch (const std::exception& e) {
            log.handle_exception(nullptr, e);
        }
        log.LogString("a note");
    }
    EXPECT_EQ(messages, Strings{std::string(product_name) + ": Disk on fire"});
    for (const auto& entry : fs::recursive_directory_iterator(home.path())) {
        EXPECT_TRUE(entry.is_directory()) << entry.path();
    }
    EXPECT_FALSE(fs::exists(program_folder() + "/TamberErr.log"));
}

TEST_F(ErrorLog, StampsMarkTheStartAndTheNormalEndOfARun) {
    const std::string file = home / "err.log";
    enable(file);
    {
        TErrorLog log;
        log.Loaded();
        EXPECT_EQ(logged(file, "Termination", exe()).rfind("Started at ", 0), 0u);
    }
    EXPECT_EQ(logged(file, "Termination", exe()).rfind("Terminated at ", 0), 0u);
    EXPECT_TRUE(messages.empty());
}

TEST_F(ErrorLog, AnExceptionIsRecordedWithTheAddressItWasThrownAt) {
    const std::string file = home / "err.log";
    enable(file);
    TTamberAbout about;
    configure_main_about(about);
    about.set_Extra("Lab 3");
    TErrorLog log;
    log.set_Tamberabout(&about);
    log.set_DebugString("mono, 8000 Hz");
    log.Loaded();
    std::string section;
    log.OnAddToFile = [&](QObject*, const std::string& name, const std::string& key) {
        EXPECT_EQ(name, file);
        section = key;
    };
    QObject* told = nullptr;
    log.OnException = [&](QObject* sender, const std::exception&) { told = sender; };
    try {
        throw_here();
    } catch (const std::exception& e) {
        log.handle_exception(&about, e);
    }
    EXPECT_EQ(told, &about);
    EXPECT_EQ(messages, (Strings{"Logfile created: Please send this file to "
                                 "support@marvendata.com\r" +
                                     file,
                                 std::string(product_name) + ": Disk on fire"}));
    ASSERT_EQ(section.rfind("Exception at ", 0), 0u);
    EXPECT_EQ(IniFile(file).keys(section),
              (Strings{"ExeName", "CurrentUser", "ComputerName", "Application", "Version",
                       "Revision", "Extra", "Message", "Address", "DebugString"}));
    EXPECT_EQ(logged(file, section, "ExeName"), exe());
    EXPECT_EQ(logged(file, section, "CurrentUser"), user_name());
    EXPECT_EQ(logged(file, section, "ComputerName"), computer_name());
    EXPECT_EQ(logged(file, section, "Application"), "Zevrin");
    EXPECT_EQ(logged(file, section, "Version"), "3.0.2.0");
    EXPECT_EQ(logged(file, section, "Extra"), "Lab 3");
    EXPECT_EQ(logged(file, section, "Message"), "Disk on fire");
    EXPECT_EQ(logged(file, section, "DebugString"), "mono, 8000 Hz");
    const std::string address = logged(file, section, "Address");
    ASSERT_TRUE(std::regex_match(address, std::regex("[0-9A-F]{8}"))) << address;
    const uintptr_t at = std::stoul(address, nullptr, 16);
    EXPECT_GE(at, offset_of_throw_here());
    EXPECT_LT(at, offset_of_throw_here() + 512);

    // Thrown inside the C++ library: no address is known.
    try {
        (void)std::vector<int>().at(3);
    } catch (const std::exception& e) {
        log.handle_exception(nullptr, e);
    }
    EXPECT_EQ(logged(file, section, "Address"), "00000000");
}

TEST_F(ErrorLog, LogStringWritesASectionOfItsOwn) {
    const std::string file = home / "err.log";
    enable(file);
    TErrorLog log;
    log.set_DebugString("dbg");
    log.LogString("calibrated\r\nat 94 dB");
    const Strings sections = IniFile(file).sections();
    ASSERT_EQ(sections.size(), 1u);
    EXPECT_EQ(IniFile(file).keys(sections[0]),
              (Strings{"ExeName", "CurrentUser", "ComputerName", "DebugString", "Message"}));
    EXPECT_EQ(logged(file, sections[0], "Message"), "calibrated  at 94 dB");
}

TEST_F(ErrorLog, TheApplicationHandsWhatAnEventHandlerRaisesToTheLog) {
    const std::string file = home / "err.log";
    enable(file);
    class Thrower : public QObject {
    public:
        bool event(QEvent*) override { throw std::runtime_error("from an event handler"); }
    } thrower;
    QEvent event(QEvent::User);
    {
        TErrorLog log;
        log.Loaded();
        QCoreApplication::sendEvent(&thrower, &event);
        ASSERT_EQ(messages.size(), 2u);
        EXPECT_EQ(messages[0].rfind("Logfile created: ", 0), 0u);
        EXPECT_EQ(messages[1], std::string(product_name) + ": from an event handler");
    }
    messages.clear();
    QCoreApplication::sendEvent(&thrower, &event); // the log is gone: the message stays
    EXPECT_EQ(messages, Strings{std::string(product_name) + ": from an event handler"});
}

TEST_F(ErrorLog, ADoubleClickOnThePictureSwitchesLogging) {
    {
        TTamberIni ini;
        ini.WriteString("ErrorLog", "LogFileName", home / "err.log");
    }
    TTamberAbout about;
    configure_main_about(about);
    about.set_beta(true);
    TErrorLog log;
    log.set_Tamberabout(&about);
    log.Loaded();
    const QString dated = about.compiledatelabel()->text();
    const auto double_click = [&] {
        QMouseEvent e(QEvent::MouseButtonDblClick, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(about.tamberimage(), &e);
    };
    double_click();
    EXPECT_TRUE(log.Enabled());
    EXPECT_EQ(about.tamberimage()->toolTip(), "You found the Tamber twig!");
    EXPECT_EQ(about.compiledatelabel()->text().toStdString(), home / "err.log");
    double_click();
    EXPECT_FALSE(log.Enabled());
    EXPECT_EQ(about.compiledatelabel()->text(), dated);
    EXPECT_TRUE(about.tamberimage()->toolTip().isEmpty());
}

// Runs `fn` in a child process as the user "nobody" and returns what it returns.
std::string as_nobody(const std::function<std::string()>& fn) {
    int pipe_fds[2];
    if (pipe(pipe_fds) != 0) {
        return "(no pipe)";
    }
    const pid_t child = fork();
    if (child == 0) {
        close(pipe_fds[0]);
        std::string result = "(could not become nobody)";
        if (setgroups(0, nullptr) == 0 && setgid(65534) == 0 && setuid(65534) == 0) {
            result = fn();
        }
        [[maybe_unused]] const ssize_t n = write(pipe_fds[1], result.data(), result.size());
        _exit(0);
    }
    close(pipe_fds[1]);
    std::string result;
    char buffer[4096];
    for (ssize_t n; (n = read(pipe_fds[0], buffer, sizeof buffer)) > 0;) {
        result.append(buffer, static_cast<size_t>(n));
    }
    close(pipe_fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return result;
}

void open_to_all(const fs::path& folder) {
    fs::permissions(folder, fs::perms::all);
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        fs::permissions(entry.path(), entry.is_directory()
                                          ? fs::perms::all
                                          : fs::perms::owner_read | fs::perms::owner_write |
                                                fs::perms::group_read | fs::perms::group_write |
                                                fs::perms::others_read | fs::perms::others_write);
    }
}

TEST_F(ErrorLog, AnUnwritableLogFolderFallsBackInTheWrittenOrder) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "runs as root, which tries each place as the user nobody";
    }
    const std::string stored = home / "ro/TamberErr.log";
    test::write_text(stored, "");
    enable(stored);
    fs::create_directories(home / "data");
    open_to_all(home.path());
    // Folders that nobody may write: the stored log's, and those below.
    fs::permissions(home / "ro", fs::perms::owner_all | fs::perms::group_read |
                                     fs::perms::group_exec | fs::perms::others_read |
                                     fs::perms::others_exec);
    const auto where = [&](const std::string& cwd) {
        enable(stored);
        open_to_all(home / "registry");
        return as_nobody([&] {
            fs::current_path(cwd);
            Strings shown;
            set_message_box_handler([&](const std::string& text, const std::string&, unsigned) {
                shown.push_back(text);
                return id::ok;
            });
            TErrorLog log;
            log.Loaded();
            const std::string file = log.LogFileName();
            log.handle_exception(nullptr, std::runtime_error("late"));
            return file + "|" + std::to_string(shown.size()) + "|" +
                   (file.empty() ? "" : logged(file, "Termination", exe()).substr(0, 7));
        });
    };
    const auto now_stored = [] {
        const auto v = Registry(RegistryHive::current_user)
                           .value(std::string(tamber_key) + "\\ErrorLog", "LogFileName");
        return v ? v->text : std::string("(none)");
    };
    // The program's folder (the build tree) is not nobody's: the current folder.
    EXPECT_EQ(where(home / "cwd"), home / "cwd/TamberErr.log|2|Started");
    EXPECT_EQ(now_stored(), home / "cwd/TamberErr.log");
    // Then the program's data folder.
    EXPECT_EQ(where(home / "ro"), home / "data/TamberErr.log|2|Started");
    EXPECT_EQ(now_stored(), home / "data/TamberErr.log");
    // Then the root folder, which nobody cannot write either: no log, only the message.
    fs::permissions(home / "data",
                    fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
    EXPECT_EQ(where(home / "ro"), "|1|");
    EXPECT_EQ(now_stored(), "");
}

} // namespace
} // namespace zevrin
