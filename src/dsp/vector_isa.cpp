#include "dsp/vector_isa.h"

#include <algorithm>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#define ZEVRIN_X86 1
#endif

namespace zevrin {

namespace {

TVectorIsa detect() {
#if ZEVRIN_X86
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2")) {
        return TVectorIsa::avx2;
    }
    if (__builtin_cpu_supports("avx")) {
        return TVectorIsa::avx;
    }
#endif
    return TVectorIsa::baseline;
}

// Asked once, on first use, so that no other initialisation can come before it.
TVectorIsa detected() {
    static const TVectorIsa isa = detect();
    return isa;
}

TVectorIsa limit = TVectorIsa::avx2;

#if ZEVRIN_X86
// XGETBV with ECX = 1 reports the state components in use; leaf 0xD, sub-leaf 1, EAX
// bit 2 says whether the processor offers it.
bool has_xinuse() {
    unsigned a = 0, b = 0, c = 0, d = 0;
    return detected() != TVectorIsa::baseline && __get_cpuid_count(0xD, 1, &a, &b, &c, &d) != 0 &&
           (a & 4u) != 0;
}
bool xinuse() {
    static const bool has = has_xinuse();
    return has;
}
#endif

} // namespace

TVectorIsa processor_vector_isa() {
    return detected();
}

TVectorIsa vector_isa() {
    return std::min(detected(), limit);
}

void limit_vector_isa(TVectorIsa isa) {
    limit = isa;
}

std::string vector_isa_name(TVectorIsa isa) {
    switch (isa) {
    case TVectorIsa::avx2:
        return "AVX2";
    case TVectorIsa::avx:
        return "AVX";
    case TVectorIsa::baseline:
        break;
    }
    return "SSE2";
}

void clear_upper_vector_state() {
#if ZEVRIN_X86
    if (detected() != TVectorIsa::baseline) {
        // The lower 128 bits of every register keep their values: nothing the compiler
        // holds is lost.
        asm volatile("vzeroupper");
    }
#endif
}

bool upper_vector_state_in_use() {
#if ZEVRIN_X86
    if (xinuse()) {
        unsigned lo = 0, hi = 0;
        asm volatile("xgetbv" : "=a"(lo), "=d"(hi) : "c"(1u));
        return (lo & 4u) != 0; // bit 2: the upper halves of the YMM registers
    }
#endif
    return false;
}

} // namespace zevrin
