#include "shell/throw_site.h"

#include <array>
#include <cstdio>
#include <dlfcn.h>
#include <typeinfo>

namespace {

// The last throws of this thread: a rethrow or a throw caught and dropped on the
// way must not hide the one the error log asks about.
struct Noted {
    const void* object = nullptr;
    const void* address = nullptr;
};
thread_local std::array<Noted, 8> noted;
thread_local size_t next_note = 0;

} // namespace

extern "C" {

// The runtime's own function, which the linker's --wrap=__cxa_throw names so.
[[noreturn]] void __real___cxa_throw(void* object, std::type_info* type, void (*destroy)(void*));

[[noreturn]] void __wrap___cxa_throw(void* object, std::type_info* type, void (*destroy)(void*)) {
    noted[next_note] = {object, __builtin_return_address(0)};
    next_note = (next_note + 1) % noted.size();
    __real___cxa_throw(object, type, destroy);
}

} // extern "C"

namespace zevrin {

std::optional<uint64_t> throw_site(const void* exception_object) {
    for (const Noted& n : noted) {
        if (n.object != nullptr && n.object == exception_object) {
            Dl_info info{};
            if (dladdr(n.address, &info) == 0 || info.dli_fbase == nullptr) {
                return std::nullopt;
            }
            // The return address lies just after the call; one byte back is the call.
            return reinterpret_cast<uintptr_t>(n.address) - 1 -
                   reinterpret_cast<uintptr_t>(info.dli_fbase);
        }
    }
    return std::nullopt;
}

std::string throw_address_text(const void* exception_object) {
    const uint64_t address = throw_site(exception_object).value_or(0);
    std::array<char, 9> text{};
    std::snprintf(text.data(), text.size(), "%08X", static_cast<unsigned>(address & 0xFFFFFFFFu));
    return text.data();
}

} // namespace zevrin
