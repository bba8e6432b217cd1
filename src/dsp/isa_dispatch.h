#pragma once
// Runs a hot loop on the vector instructions the processor has (dsp/vector_isa.h):
// run_on_isa<Loop>(args...) calls Loop(args...) through one of three copies compiled
// for AVX2, AVX and the x86-64 baseline, with everything Loop calls inlined into each
// (gnu::flatten), so that the copy works on the processor's widest vectors throughout.
// Loop is a function whose code is visible here; nothing it calls may be left for
// another file. Only AVX2 and AVX themselves are asked for, never FMA: fused
// multiply-adds would give other bits than the baseline's.

#include "dsp/vector_isa.h"

namespace zevrin::isa_dispatch {

#if defined(__x86_64__) || defined(__i386__)
template <auto Loop, class... Args>
[[gnu::target("avx2"), gnu::flatten]] void on_avx2(Args... args) {
    Loop(args...);
}
template <auto Loop, class... Args> [[gnu::target("avx"), gnu::flatten]] void on_avx(Args... args) {
    Loop(args...);
}
#endif
template <auto Loop, class... Args> [[gnu::flatten]] void on_baseline(Args... args) {
    Loop(args...);
}

/// As run_on_isa, with a loop of its own for the baseline: for a loop whose fastest form
/// on the baseline's two-lane registers is not the one on four lanes. Both must give the
/// same bits.
template <auto Loop, auto BaselineLoop, class... Args> void run_on_isa_or(Args... args) {
#if defined(__x86_64__) || defined(__i386__)
    switch (vector_isa()) {
    case TVectorIsa::avx2:
        on_avx2<Loop>(args...);
        return;
    case TVectorIsa::avx:
        on_avx<Loop>(args...);
        return;
    case TVectorIsa::baseline:
        break;
    }
#endif
    on_baseline<BaselineLoop>(args...);
}

template <auto Loop, class... Args> void run_on_isa(Args... args) {
    run_on_isa_or<Loop, Loop>(args...);
}

} // namespace zevrin::isa_dispatch
