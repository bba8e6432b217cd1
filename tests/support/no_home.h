#pragma once
// For the rest of a scope, the process acts as a user of whom no home folder is
// known: HOME, ZEVRIN_HOME and the XDG folder variables are unset, and the effective
// user is an ID without an entry in the user database. Only an administrator can
// switch the effective user (and back, afterwards); active() tells whether it worked.

#include <pwd.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <optional>
#include <string>

namespace zevrin::test {

class NoHome {
public:
    NoHome() {
        for (size_t i = 0; i < names.size(); ++i) {
            if (const char* v = std::getenv(names[i])) {
                saved_[i] = v;
            }
            ::unsetenv(names[i]);
        }
        if (::geteuid() != 0) {
            return;
        }
        uid_t unknown = 4242420;
        while (::getpwuid(unknown) != nullptr) {
            ++unknown;
        }
        active_ = ::seteuid(unknown) == 0;
    }
    ~NoHome() {
        if (active_) {
            (void)::seteuid(0);
        }
        for (size_t i = 0; i < names.size(); ++i) {
            if (saved_[i]) {
                ::setenv(names[i], saved_[i]->c_str(), 1);
            }
        }
    }
    NoHome(const NoHome&) = delete;
    NoHome& operator=(const NoHome&) = delete;

    bool active() const { return active_; }

private:
    static constexpr std::array<const char*, 4> names = {"HOME", "ZEVRIN_HOME", "XDG_CONFIG_HOME",
                                                         "XDG_DATA_HOME"};
    std::array<std::optional<std::string>, names.size()> saved_;
    bool active_ = false;
};

} // namespace zevrin::test
