// What a save of the program's settings costs in each store: the ~85 keys of one
// save as one transaction (how TIni saves), and as one transaction per key (how a
// store without batching would), in a registry hive and in an ini file; and what a
// read costs when the file is unchanged and when another process saved it.

#include "platform/ini_file.h"
#include "platform/registry.h"
#include "platform/registry_ini.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using namespace zevrin;

constexpr int keys_per_save = 85;

// Every store of the benchmark below a fresh temporary ZEVRIN_HOME.
class TempHome {
public:
    TempHome() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "zevrin-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        path_ = pattern;
        ::setenv("ZEVRIN_HOME", path_.c_str(), 1);
    }
    ~TempHome() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
        ::unsetenv("ZEVRIN_HOME");
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

std::string key(int i) {
    return "Key" + std::to_string(i);
}

// A value that differs from save to save, so that every save really writes.
std::string value(int i, int save) {
    return std::to_string(i * 1.5 + save);
}

void registry_save_as_one(benchmark::State& state) {
    TempHome home;
    int save = 0;
    for (auto _ : state) {
        RegistryIni ini(RegistryHive::current_user, "SoftWare\\MarvenData\\zevrin");
        ++save;
        for (int i = 0; i < keys_per_save; ++i) {
            ini.write("Settings", key(i), value(i, save));
        }
        ini.update_file();
    }
}
BENCHMARK(registry_save_as_one)->Unit(benchmark::kMillisecond);

void registry_save_per_key(benchmark::State& state) {
    TempHome home;
    Registry r(RegistryHive::current_user);
    int save = 0;
    for (auto _ : state) {
        ++save;
        for (int i = 0; i < keys_per_save; ++i) {
            r.write_string("SoftWare\\MarvenData\\zevrin\\Settings", key(i), value(i, save));
        }
    }
}
BENCHMARK(registry_save_per_key)->Unit(benchmark::kMillisecond);

void ini_save_as_one(benchmark::State& state) {
    TempHome home;
    int save = 0;
    for (auto _ : state) {
        IniFile ini(home.path() + "/s.zvr");
        ++save;
        for (int i = 0; i < keys_per_save; ++i) {
            ini.write("Settings", key(i), value(i, save));
        }
        ini.update_file();
    }
}
BENCHMARK(ini_save_as_one)->Unit(benchmark::kMillisecond);

void ini_save_per_key(benchmark::State& state) {
    TempHome home;
    IniFile ini(home.path() + "/s.zvr");
    int save = 0;
    for (auto _ : state) {
        ++save;
        for (int i = 0; i < keys_per_save; ++i) {
            ini.write("Settings", key(i), value(i, save));
            ini.update_file();
        }
    }
}
BENCHMARK(ini_save_per_key)->Unit(benchmark::kMillisecond);

void registry_read_unchanged(benchmark::State& state) {
    TempHome home;
    Registry r(RegistryHive::current_user);
    for (int i = 0; i < keys_per_save; ++i) {
        r.write_string("SoftWare\\MarvenData\\zevrin\\Settings", key(i), "1");
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(r.value("SoftWare\\MarvenData\\zevrin\\Settings", key(42)));
    }
}
BENCHMARK(registry_read_unchanged)->Unit(benchmark::kMicrosecond);

void registry_read_after_other_save(benchmark::State& state) {
    TempHome home;
    Registry reader(RegistryHive::current_user);
    Registry other(RegistryHive::current_user);
    for (int i = 0; i < keys_per_save; ++i) {
        other.write_string("SoftWare\\MarvenData\\zevrin\\Settings", key(i), "1");
    }
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        other.write_string("SoftWare\\MarvenData\\zevrin\\Settings", "Changing",
                           std::to_string(++n));
        state.ResumeTiming();
        benchmark::DoNotOptimize(reader.value("SoftWare\\MarvenData\\zevrin\\Settings", key(42)));
    }
}
BENCHMARK(registry_read_after_other_save)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
