#pragma once
// A private ZEVRIN_HOME for one test: every store of the program lands below a
// fresh temporary folder, which is removed afterwards. Tests never touch the real
// user's or machine's files.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace zevrin::test {

class TempHome {
public:
    TempHome() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "zevrin-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        path_ = pattern;
        if (const char* old = std::getenv("ZEVRIN_HOME")) {
            old_ = old;
            had_old_ = true;
        }
        ::setenv("ZEVRIN_HOME", path_.c_str(), 1);
    }
    ~TempHome() {
        if (had_old_) {
            ::setenv("ZEVRIN_HOME", old_.c_str(), 1);
        } else {
            ::unsetenv("ZEVRIN_HOME");
        }
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& rest) const { return path_ + "/" + rest; }

private:
    std::string path_;
    std::string old_;
    bool had_old_ = false;
};

inline std::string read_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void write_text(const std::string& path, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

} // namespace zevrin::test
