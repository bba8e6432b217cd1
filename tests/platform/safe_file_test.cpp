// The one file writer against what may stand at a name: links planted by someone
// else, devices, pipes, folders, and writers that die or run at the same time.

#include "platform/safe_file.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace zevrin {
namespace {

namespace fs = std::filesystem;
using test::read_text;
using test::TempHome;
using test::write_text;

std::vector<std::string> names_in(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) {
        names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

int exit_code(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// A pid that certainly belongs to no process now.
pid_t dead_pid() {
    const pid_t pid = fork();
    if (pid == 0) {
        _exit(0);
    }
    exit_code(pid);
    return pid;
}

TEST(SafeFile, ReplacesARegularFileWholeKeepingItsModeAndLeavesNothingElse) {
    TempHome home;
    const std::string out = home / "table.csv";
    write_text(out, "old contents");
    fs::permissions(out, fs::perms(0640));
    struct stat st {};
    ASSERT_EQ(stat(out.c_str(), &st), 0);
    const ino_t old_inode = st.st_ino;
    ASSERT_FALSE(write_file_safely(out, "new"));
    EXPECT_EQ(read_text(out), "new");
    ASSERT_EQ(stat(out.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_NE(st.st_ino, old_inode) << "written in place, not replaced";
    EXPECT_EQ(names_in(home.path()), std::vector<std::string>{"table.csv"});

    // In chunks; nothing appears before the commit, and an abandoned write leaves
    // the old file and no temporary one.
    {
        SafeFile file(out);
        ASSERT_FALSE(file.error());
        file.write("a,");
        file.write("b\n");
        EXPECT_EQ(read_text(out), "new");
    }
    EXPECT_EQ(read_text(out), "new");
    EXPECT_EQ(names_in(home.path()), std::vector<std::string>{"table.csv"});
}

TEST(SafeFile, FollowsALinkTheUserNamedButNeverOneAtItsOwnFiles) {
    TempHome home;
    const std::string victim = home / "victim";
    write_text(victim, "precious");
    fs::create_directory(home / "out");
    const std::string link = home / "out/link.csv";
    fs::create_symlink(victim, link);

    // The user's link: what it names gets the table, the link stays.
    ASSERT_FALSE(write_file_safely(link, "table"));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(read_text(victim), "table");

    // The program's own file (a backup): the link is replaced, its target untouched.
    write_text(victim, "precious");
    ASSERT_FALSE(write_file_safely(link, "backup", {.links = LinkPolicy::replace}));
    EXPECT_FALSE(fs::is_symlink(link));
    EXPECT_EQ(read_text(link), "backup");
    EXPECT_EQ(read_text(victim), "precious");
}

std::string fixed_name() {
    return "planted";
}

TEST(SafeFile, WhatStandsAtATemporaryNameIsNeverOpened) {
    TempHome home;
    const std::string victim = home / "victim";
    write_text(victim, "precious");
    const std::string out = home / "OUT";
    const std::string planted = home / (".OUT.tmp-" + std::to_string(getpid()) + "-planted");
    // The next temporary name is known: a link to the victim waits there.
    set_temp_name_source(&fixed_name);
    fs::create_symlink(victim, planted);
    const FileError e = write_file_safely(out, "table");
    EXPECT_TRUE(e) << "with every name taken the write must fail";
    EXPECT_EQ(read_text(victim), "precious");
    // Another writer's temporary file at that name.
    fs::remove(planted);
    write_text(planted, "theirs");
    EXPECT_TRUE(write_file_safely(out, "table"));
    set_temp_name_source(nullptr);
    EXPECT_EQ(read_text(planted), "theirs");
    EXPECT_FALSE(fs::exists(out));

    // Links left at names of a writer that is gone are not followed by the clean-up.
    const std::string stale = home / (".OUT.tmp-" + std::to_string(dead_pid()) + "-1");
    fs::create_symlink(victim, stale);
    ASSERT_FALSE(write_file_safely(out, "table"));
    EXPECT_EQ(read_text(out), "table");
    EXPECT_EQ(read_text(victim), "precious");
}

TEST(SafeFile, DevicesAndPipesAreWrittenStraightInto) {
    SafeFile null("/dev/null");
    EXPECT_TRUE(null.is_stream());
    null.write("table");
    EXPECT_FALSE(null.commit());
    struct stat st {};
    ASSERT_EQ(stat("/dev/null", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));

    const FileError full = write_file_safely("/dev/full", "table");
    EXPECT_EQ(full.code, ENOSPC) << full.reason;

    TempHome home;
    const std::string fifo = home / "pipe";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // More than a pipe holds, so that the writer must wait for the reader.
    std::string payload(1 << 20, '\0');
    for (size_t i = 0; i < payload.size(); ++i) {
        payload[i] = static_cast<char>('a' + i % 23);
    }
    const pid_t reader = fork();
    if (reader == 0) {
        const std::string got = read_text(fifo);
        _exit(got == payload ? 0 : 1);
    }
    EXPECT_FALSE(write_file_safely(fifo, payload));
    EXPECT_EQ(exit_code(reader), 0) << "the reader got other bytes";

    // Nobody reads: refused after the wait, without hanging.
    const FileError nobody =
        write_file_safely(fifo, "x", {.stream_wait = std::chrono::milliseconds(50)});
    EXPECT_EQ(nobody.code, ENXIO);
    EXPECT_NE(nobody.reason.find("no program reads"), std::string::npos) << nobody.reason;

    // The reader goes away: a failure, not the end of the program (SIGPIPE).
    const pid_t quitter = fork();
    if (quitter == 0) {
        const int fd = open(fifo.c_str(), O_RDONLY);
        char c;
        _exit(read(fd, &c, 1) == 1 ? 0 : 1);
    }
    EXPECT_EQ(write_file_safely(fifo, payload).code, EPIPE);
    EXPECT_EQ(exit_code(quitter), 0);
    EXPECT_TRUE(fs::is_fifo(fifo));
}

// "zevrin ... --csv /dev/stdout >> all.csv": the table goes where the shell pointed
// the descriptor, after what the file held, and the file is not replaced.
TEST(SafeFile, TheProgramsOwnOpenFilesAreWrittenThroughTheirDescriptors) {
    TempHome home;
    const std::string out = home / "all.csv";
    { std::ofstream(out) << "earlier\n"; }
    struct stat before {};
    ASSERT_EQ(stat(out.c_str(), &before), 0);
    const int fd = open(out.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    const std::string name = "/dev/fd/" + std::to_string(fd);
    EXPECT_FALSE(write_file_safely(name, "table\n"));
    EXPECT_FALSE(write_file_safely("/proc/self/fd/" + std::to_string(fd), "more\n"));
    close(fd);
    EXPECT_EQ(read_text(out), "earlier\ntable\nmore\n");
    struct stat after {};
    ASSERT_EQ(stat(out.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);

    const FileError closed = write_file_safely(name, "table");
    EXPECT_EQ(closed.code, EBADF) << closed.reason;
}

TEST(SafeFile, RefusesWhatCannotBeAFileAndSaysWhy) {
    TempHome home;
    fs::create_directory(home / "folder");
    fs::create_symlink(home / "missing", home / "dangling");
    fs::create_symlink(home / "loop", home / "loop");
    const std::string socket_path = home / "socket";
    const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, socket_path.c_str(), sizeof addr.sun_path - 1);
    ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    struct Case {
        std::string path;
        std::string why;
    };
    std::vector<Case> cases = {
        {"", "no file name"},
        {home / "folder", "it is a folder"},
        {home / "folder/", "folder"},
        {socket_path, "socket"},
        {home / "dangling", "does not exist"},
        {home / "loop", "loop"},
        {home / "nowhere/out.csv", "the folder \"" + home / "nowhere\" does not exist"},
    };
    const auto before = names_in(home.path());
    for (const Case& c : cases) {
        const FileError replace = write_file_safely(c.path, "x");
        EXPECT_TRUE(replace) << c.path;
        EXPECT_NE(replace.reason.find(c.why), std::string::npos)
            << c.path << ": " << replace.reason;
        const FileError append = append_to_file(c.path, "x");
        EXPECT_TRUE(append) << c.path;
    }
    close(sock);
    EXPECT_EQ(names_in(home.path()), before) << "a refused write created something";
    EXPECT_FALSE(fs::exists(home / "missing")) << "a dangling link's target was created";
    EXPECT_EQ(write_failure_text("a.csv", {EISDIR, "it is a folder"}),
              "Cannot write \"a.csv\": it is a folder");
}

// Run by a user other than root (who may write anything): a folder and a file that
// user may not write.
TEST(SafeFile, RefusesWhatTheUserMayNotWrite) {
    TempHome home;
    fs::permissions(home.path(), fs::perms(0777));
    fs::create_directory(home / "locked");
    fs::permissions(home / "locked", fs::perms(0555));
    write_text(home / "readonly.csv", "keep");
    fs::permissions(home / "readonly.csv", fs::perms(0444));
    const pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) {
            _exit(9);
        }
        const auto denied = [](const FileError& e) {
            return e.code == EACCES && e.reason.find("Permission denied") != std::string::npos;
        };
        const bool folder = denied(write_file_safely(home / "locked/out.csv", "x"));
        const bool file = denied(write_file_safely(home / "readonly.csv", "x"));
        const bool appended = denied(append_to_file(home / "readonly.csv", "x"));
        _exit((folder ? 0 : 1) | (file ? 0 : 2) | (appended ? 0 : 4));
    }
    EXPECT_EQ(exit_code(child), 0) << "1: folder, 2: file, 4: append not refused";
    EXPECT_EQ(read_text(home / "readonly.csv"), "keep");
    EXPECT_TRUE(fs::is_empty(home / "locked"));
    fs::permissions(home / "locked", fs::perms(0700));
}

TEST(SafeFile, AppendsToTheFinalFileAndCreatesAMissingOne) {
    TempHome home;
    const std::string log = home / "errors.log";
    const std::string link = home / "link.log";
    fs::create_symlink(log, link);
    // A link to a file that does not exist yet is refused: never created by accident.
    EXPECT_TRUE(append_to_file(link, "x"));
    EXPECT_FALSE(fs::exists(log));
    ASSERT_FALSE(append_to_file(log, "one\n"));
    ASSERT_FALSE(append_to_file(link, "two\n"));
    EXPECT_EQ(read_text(log), "one\ntwo\n");
    EXPECT_TRUE(fs::is_symlink(link));
}

TEST(SafeFile, AFailedWriteRemovesItsTemporaryFileAndKeepsTheOldOne) {
    TempHome home;
    const std::string out = home / "big.csv";
    write_text(out, "old");
    const pid_t child = fork();
    if (child == 0) {
        // A file size limit makes the disk "full" after 4 kB.
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        const FileError e = write_file_safely(out, std::string(100000, 'x'));
        _exit(e.code == EFBIG ? 0 : 1);
    }
    EXPECT_EQ(exit_code(child), 0);
    EXPECT_EQ(read_text(out), "old");
    EXPECT_EQ(names_in(home.path()), std::vector<std::string>{"big.csv"});
}

TEST(SafeFile, AKilledWritersLeftoverGoesWithTheNextWriteButALiveWritersStays) {
    TempHome home;
    const std::string out = home / "OUT";
    write_text(out, "old");
    const pid_t child = fork();
    if (child == 0) {
        SafeFile file(out);
        file.write("half");
        raise(SIGKILL);
    }
    EXPECT_EQ(exit_code(child), 128 + SIGKILL);
    EXPECT_EQ(names_in(home.path()).size(), 2u) << "the killed writer left no temporary file";
    EXPECT_EQ(read_text(out), "old");

    // Writers still at work: this process's own; one whose process runs but has not
    // locked its file yet; one whose process looks gone (another pid namespace) but
    // holds its lock.
    SafeFile live(out);
    live.write("live");
    const pid_t sleeper = fork();
    if (sleeper == 0) {
        pause();
        _exit(0);
    }
    const std::string starting = home / (".OUT.tmp-" + std::to_string(sleeper) + "-1");
    const std::string foreign = home / (".OUT.tmp-" + std::to_string(dead_pid()) + "-1");
    write_text(starting, "");
    write_text(foreign, "");
    const int foreign_fd = open(foreign.c_str(), O_RDONLY);
    ASSERT_EQ(flock(foreign_fd, LOCK_EX), 0);

    ASSERT_FALSE(write_file_safely(out, "next"));
    EXPECT_EQ(names_in(home.path()).size(), 4u) << "a live writer's file was removed";
    EXPECT_FALSE(live.commit());
    EXPECT_EQ(read_text(out), "live");
    kill(sleeper, SIGKILL);
    exit_code(sleeper);
    close(foreign_fd);
    ASSERT_FALSE(write_file_safely(out, "last"));
    EXPECT_EQ(names_in(home.path()), std::vector<std::string>{"OUT"});
}

} // namespace
} // namespace zevrin
