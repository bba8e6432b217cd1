#pragma once
// For tests that run the hot loops on each instruction set the processor has.

#include "dsp/vector_isa.h"

#include <vector>

namespace zevrin {

/// The instruction sets this processor can run, the oldest first.
inline std::vector<TVectorIsa> runnable_isas() {
    std::vector<TVectorIsa> all;
    for (TVectorIsa isa : {TVectorIsa::baseline, TVectorIsa::avx, TVectorIsa::avx2}) {
        if (isa <= processor_vector_isa()) {
            all.push_back(isa);
        }
    }
    return all;
}

/// The loops limited to one instruction set while it lives.
struct IsaLimit {
    explicit IsaLimit(TVectorIsa isa) { limit_vector_isa(isa); }
    ~IsaLimit() { limit_vector_isa(TVectorIsa::avx2); }
    IsaLimit(const IsaLimit&) = delete;
    IsaLimit& operator=(const IsaLimit&) = delete;
};

} // namespace zevrin
