#include "dsp/sample_scan.h"

#include "dsp/isa_dispatch.h"

#include <algorithm>
#include <cstring>

#pragma GCC diagnostic ignored "-Wpsabi" // the vectors never cross a call here

namespace zevrin {

namespace {

// Sixteen samples a step: one AVX register, two SSE2 ones. Lane k holds sample k of the
// step, so with two channels the even lanes hold the left one, the odd lanes the right.
constexpr std::size_t lanes = 16;
using vsamples [[gnu::vector_size(2 * lanes)]] = int16_t;
// Half a step's samples, then squares of pairs, then sums of four.
using vints [[gnu::vector_size(lanes * 2)]] = int32_t;
using vunsigned [[gnu::vector_size(lanes * 2)]] = uint32_t;
using vsums [[gnu::vector_size(lanes * 2)]] = uint64_t;
// Four values a step for the conversions to double.
using vsamples4 [[gnu::vector_size(8)]] = int16_t;
using vints4 [[gnu::vector_size(16)]] = int32_t;
using vdoubles4 [[gnu::vector_size(32)]] = double;

[[gnu::always_inline]] inline vsamples load(const int16_t* p) {
    vsamples v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

struct Loops {
    [[gnu::always_inline]] static void scan(const int16_t* v, std::size_t count, int channels,
                                            TSampleScan* result) {
        vsamples low{};
        vsamples high{};
        // A square is at most 2^30 and two of them at most 2^31, which 32 bits without
        // sign hold; the sums need 64 bits.
        vsums sums0{};
        vsums sums1{};
        std::size_t i = 0;
        for (; i + lanes <= count; i += lanes) {
            const vsamples x = load(v + i);
            low = x < low ? x : low;
            high = x > high ? x : high;
            const vints a = __builtin_convertvector(
                __builtin_shufflevector(x, x, 0, 1, 2, 3, 4, 5, 6, 7), vints);
            const vints b = __builtin_convertvector(
                __builtin_shufflevector(x, x, 8, 9, 10, 11, 12, 13, 14, 15), vints);
            const vunsigned squares =
                reinterpret_cast<vunsigned>(a * a) + reinterpret_cast<vunsigned>(b * b);
            sums0 += __builtin_convertvector(__builtin_shufflevector(squares, squares, 0, 1, 2, 3),
                                             vsums);
            sums1 += __builtin_convertvector(__builtin_shufflevector(squares, squares, 4, 5, 6, 7),
                                             vsums);
        }
        const std::size_t stride = channels == 2 ? 2 : 1;
        TSampleScan& r = *result;
        r = TSampleScan{};
        for (std::size_t k = 0; k < 4; ++k) {
            r.squares += static_cast<int64_t>(sums0[k] + sums1[k]);
        }
        for (std::size_t k = 0; k < lanes; ++k) {
            const std::size_t c = k % stride;
            r.low[c] = std::min<int>(r.low[c], low[k]);
            r.high[c] = std::max<int>(r.high[c], high[k]);
        }
        for (; i < count; ++i) {
            const int s = v[i];
            r.squares += s * s;
            const std::size_t c = i % stride;
            r.low[c] = std::min(r.low[c], s);
            r.high[c] = std::max(r.high[c], s);
        }
    }

    // Four values a step from eight samples, as four pairs in 32 bits each: the lower
    // (Odd false) or upper halves, with their sign.
    template <bool Odd>
    [[gnu::always_inline]] static void pairs_to_doubles(const int16_t* v, double* out,
                                                        std::size_t count) {
        std::size_t i = 0;
        for (; i + 4 <= count; i += 4) {
            vints4 x;
            std::memcpy(&x, v + 2 * i, sizeof x);
            const vints4 h = Odd ? x >> 16 : (x << 16) >> 16;
            const vdoubles4 d = __builtin_convertvector(h, vdoubles4);
            std::memcpy(out + i, &d, sizeof d);
        }
        for (; i < count; ++i) {
            out[i] = v[2 * i + (Odd ? 1 : 0)];
        }
    }

    [[gnu::always_inline]] static void to_doubles(const int16_t* v, double* out,
                                                  std::size_t count) {
        std::size_t i = 0;
        for (; i + 4 <= count; i += 4) {
            vsamples4 x;
            std::memcpy(&x, v + i, sizeof x);
            const vdoubles4 d =
                __builtin_convertvector(__builtin_convertvector(x, vints4), vdoubles4);
            std::memcpy(out + i, &d, sizeof d);
        }
        for (; i < count; ++i) {
            out[i] = v[i];
        }
    }
};

} // namespace

TSampleScan scan_samples(const int16_t* samples, std::size_t count, int channels) {
    TSampleScan result;
    isa_dispatch::run_on_isa<Loops::scan>(samples, count, channels, &result);
    return result;
}

void channel_to_doubles(const int16_t* samples, std::size_t stride, std::size_t offset, double* out,
                        std::size_t count) {
    if (stride == 1) {
        isa_dispatch::run_on_isa<Loops::to_doubles>(samples + offset, out, count);
    } else if (offset == 0) {
        isa_dispatch::run_on_isa<Loops::pairs_to_doubles<false>>(samples, out, count);
    } else {
        isa_dispatch::run_on_isa<Loops::pairs_to_doubles<true>>(samples, out, count);
    }
}

} // namespace zevrin
