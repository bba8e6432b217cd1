#include "register_state.h"

#include "dsp/vector_isa.h"

#include <fstream>
#include <set>
#include <sstream>

namespace zevrin::bench {

const char* state_name(TRegisterState state) {
    return state == TRegisterState::dirty ? "dirty" : "clean";
}

void enter_state(TRegisterState state) {
    if (state == TRegisterState::clean) {
        clear_upper_vector_state();
        return;
    }
#if defined(__x86_64__)
    if (processor_vector_isa() != TVectorIsa::baseline) {
        static const double one = 1.0;
        // An AVX instruction that writes all 256 bits of a register the compiler does
        // not use in this program's hot code.
        asm volatile("vbroadcastsd %0, %%ymm15" : : "m"(one) : "xmm15");
    }
#endif
}

TRegisterState state_arg(const benchmark::State& state, int index) {
    return state.range(index) != 0 ? TRegisterState::dirty : TRegisterState::clean;
}

std::string processor_description() {
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string line, model = "unknown processor";
    std::set<std::string> flags;
    while (std::getline(cpuinfo, line)) {
        const auto colon = line.find(':');
        if (colon == std::string::npos) {
            continue;
        }
        const std::string key = line.substr(0, line.find_last_not_of(" \t", colon - 1) + 1);
        const std::string value = colon + 2 <= line.size() ? line.substr(colon + 2) : "";
        if (key == "model name") {
            model = value;
        } else if (key == "flags" && flags.empty()) {
            std::istringstream words(value);
            for (std::string w; words >> w;) {
                flags.insert(w);
            }
        }
    }
    std::string text = model + ";";
    for (const char* f : {"sse2", "avx", "avx2", "fma", "avx512f"}) {
        if (flags.count(f) != 0) {
            text += " ";
            for (const char* c = f; *c != '\0'; ++c) {
                text += static_cast<char>(std::toupper(static_cast<unsigned char>(*c)));
            }
        }
    }
    if (flags.count("avx512f") == 0) {
        text += ", no AVX-512";
    }
    return text + "; hot loops on " + vector_isa_name(vector_isa());
}

} // namespace zevrin::bench
