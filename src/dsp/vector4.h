#pragma once
// Four doubles as one value (GCC vector extensions): one register on AVX, two on the
// baseline. The loops written with it do the same IEEE operations lane by lane as their
// scalar forms, so the bits are the same on every processor. Its helpers are always
// inlined: the vector type never crosses a call, so the ABI of passing it does not
// matter (the files that use it silence GCC's note about that ABI).

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"

namespace zevrin::vector4 {

using v4 [[gnu::vector_size(32)]] = double;

/// The four values from p on (p need not be aligned).
[[gnu::always_inline]] inline v4 load4(const double* p) {
    v4 v;
    __builtin_memcpy(&v, p, sizeof v);
    return v;
}

/// v into the four places from p on (p need not be aligned).
[[gnu::always_inline]] inline void store4(double* p, const v4& v) {
    __builtin_memcpy(p, &v, sizeof v);
}

} // namespace zevrin::vector4

#pragma GCC diagnostic pop
