// The stores under stress from other processes: simultaneous writers, and writers
// killed in the middle of a save.

#include "platform/ini_file.h"
#include "platform/registry.h"
#include "platform/safe_file.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

namespace zevrin {
namespace {

using test::TempHome;

constexpr int values_per_writer = 150;

pid_t spawn(const std::function<void()>& work) {
    const pid_t pid = fork();
    if (pid == 0) {
        try {
            work();
        } catch (...) {
            _exit(1);
        }
        _exit(0);
    }
    return pid;
}

bool exited_cleanly(pid_t pid) {
    int status = 0;
    return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

int leftover_temp_files(const std::string& folder) {
    int count = 0;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
        count += e.path().filename().string().find(".tmp-") != std::string::npos ? 1 : 0;
    }
    return count;
}

TEST(StoreRobustness, TwoProcessesWritingOneHiveLoseNothing) {
    TempHome home;
    const auto writer = [](const std::string& key) {
        return [key] {
            Registry r(RegistryHive::current_user);
            for (int i = 0; i < values_per_writer; ++i) {
                r.write_string("Software\\" + key, "v" + std::to_string(i), std::to_string(i));
            }
        };
    };
    const pid_t a = spawn(writer("First"));
    const pid_t b = spawn(writer("Second"));
    ASSERT_TRUE(exited_cleanly(a));
    ASSERT_TRUE(exited_cleanly(b));
    Registry r(RegistryHive::current_user);
    for (const char* key : {"Software\\First", "Software\\Second"}) {
        ASSERT_EQ(r.value_names(key).size(), static_cast<size_t>(values_per_writer)) << key;
        for (int i = 0; i < values_per_writer; ++i) {
            EXPECT_EQ(r.value(key, "v" + std::to_string(i))->text, std::to_string(i));
        }
    }
}

TEST(StoreRobustness, TwoProcessesWritingOneIniFileLoseNothing) {
    TempHome home;
    const std::string file = home / "shared.ini";
    const auto writer = [&file](const std::string& section) {
        return [&file, section] {
            IniFile ini(file);
            for (int i = 0; i < values_per_writer; ++i) {
                ini.write(section, "k" + std::to_string(i), std::to_string(i));
                ini.update_file();
            }
        };
    };
    const pid_t a = spawn(writer("First"));
    const pid_t b = spawn(writer("Second"));
    ASSERT_TRUE(exited_cleanly(a));
    ASSERT_TRUE(exited_cleanly(b));
    IniFile ini(file);
    for (const char* section : {"First", "Second"}) {
        ASSERT_EQ(ini.keys(section).size(), static_cast<size_t>(values_per_writer)) << section;
        for (int i = 0; i < values_per_writer; ++i) {
            EXPECT_EQ(ini.read_string(section, "k" + std::to_string(i), "?"), std::to_string(i));
        }
    }
}

// Each save makes a state whose two values agree: "gen" = g and "data" = a long
// text of the letter of g. A file that is neither the old nor a new state would
// show as damage, a missing value or a mismatch.
std::string payload(int gen) {
    return std::string(300000, static_cast<char>('a' + gen % 26));
}

template <typename Save, typename Check>
void kill_in_the_middle_of_saves(int rounds, const std::string& folder, Save save, Check check) {
    std::mt19937 random(20240607);
    std::uniform_int_distribution<int> delay_us(0, 15000);
    int interrupted = 0;
    for (int round = 0; round < rounds; ++round) {
        const pid_t child = fork();
        if (child == 0) {
            for (int gen = round * 1000;; ++gen) {
                save(gen);
            }
        }
        usleep(static_cast<useconds_t>(delay_us(random)));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        interrupted += leftover_temp_files(folder) > 0 ? 1 : 0;
        check(round);
    }
    // How often a save was cut off between its temporary file and the rename.
    ::testing::Test::RecordProperty("saves_cut_off", interrupted);
}

TEST(StoreRobustness, AKilledRegistrySaveLeavesTheOldOrTheNewHive) {
    TempHome home;
    Registry(RegistryHive::current_user).write_string("Software\\S", "gen", "-1");
    kill_in_the_middle_of_saves(
        120, home / "registry",
        [](int gen) {
            Registry(RegistryHive::current_user).change([gen](RegistryTree& t) {
                RegistryKey& k = t.create("Software\\S");
                k.set_value("gen", RegistryValue::string(std::to_string(gen)));
                k.set_value("data", RegistryValue::string(payload(gen)));
            });
        },
        [&](int round) {
            const std::string text = test::read_text(hive_file(RegistryHive::current_user));
            const RegistryParse p = parse_registry_text(text, "HKEY_CURRENT_USER");
            ASSERT_EQ(p.damaged_lines, 0) << round;
            const RegistryKey* k = p.tree.find("Software\\S");
            ASSERT_NE(k, nullptr) << round;
            const int gen = std::stoi(k->value("gen")->text);
            if (gen >= 0) {
                ASSERT_NE(k->value("data"), nullptr) << round;
                ASSERT_TRUE(k->value("data")->text == payload(gen)) << round;
            }
        });
    // The next save clears away what the killed ones left.
    Registry(RegistryHive::current_user).write_string("Software\\S", "after", "1");
    EXPECT_EQ(leftover_temp_files(home / "registry"), 0);
}

TEST(StoreRobustness, AKilledIniSaveLeavesTheOldOrTheNewFile) {
    TempHome home;
    const std::string file = home / "settings.zvr";
    {
        IniFile ini(file);
        ini.write("Settings", "gen", "-1");
        ini.update_file();
    }
    kill_in_the_middle_of_saves(
        120, home.path(),
        [&](int gen) {
            IniFile ini(file);
            ini.write("Settings", "gen", std::to_string(gen));
            ini.write("Settings", "data", payload(gen));
            ini.update_file();
        },
        [&](int round) {
            IniFile ini(file);
            const int gen = std::stoi(ini.read_string("Settings", "gen", "?"));
            if (gen >= 0) {
                ASSERT_TRUE(ini.read_string("Settings", "data", "") == payload(gen)) << round;
            }
            ASSERT_EQ(ini.keys("Settings").size(), gen >= 0 ? 2u : 1u) << round;
        });
}

// Two programs writing one table at once while a third reads it: every read sees one
// writer's whole table, never a mixture or a cut, and nothing is left beside it.
TEST(StoreRobustness, TwoWritersOfOneFileNeverTearIt) {
    TempHome home;
    const std::string out = home / "table.csv";
    ASSERT_FALSE(write_file_safely(out, payload(0)));
    const auto writer = [&out](int gen) {
        return [&out, gen] {
            for (int i = 0; i < 200; ++i) {
                if (write_file_safely(out, payload(gen))) {
                    _exit(2);
                }
            }
        };
    };
    const pid_t a = spawn(writer(1));
    const pid_t b = spawn(writer(2));
    int torn = 0;
    int reads = 0;
    int status_a = -1;
    int status_b = -1;
    while (status_a < 0 || status_b < 0) {
        for (auto [pid, status] : {std::pair{a, &status_a}, std::pair{b, &status_b}}) {
            int s = 0;
            if (*status < 0 && waitpid(pid, &s, WNOHANG) == pid) {
                *status = WIFEXITED(s) ? WEXITSTATUS(s) : 128;
            }
        }
        const std::string text = test::read_text(out);
        torn += text == payload(0) || text == payload(1) || text == payload(2) ? 0 : 1;
        ++reads;
    }
    EXPECT_EQ(status_a, 0);
    EXPECT_EQ(status_b, 0);
    EXPECT_EQ(torn, 0) << "of " << reads << " reads";
    ::testing::Test::RecordProperty("reads_while_writing", reads);
    const std::string last = test::read_text(out);
    EXPECT_TRUE(last == payload(1) || last == payload(2));
    EXPECT_EQ(leftover_temp_files(home.path()), 0);
}

} // namespace
} // namespace zevrin
