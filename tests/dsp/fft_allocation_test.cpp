// Once its size is set, TFFT's per-frame path (assign input, read the outputs) must not
// touch the heap.

#include "dsp/fft.h"
#include "support/allocation_counter.h"

#include <gtest/gtest.h>

#include <cmath>

namespace zevrin {
namespace {

using testing::allocations_in;

tdoublearr frame(std::size_t n, double phase) {
    tdoublearr x(n);
    for (std::size_t i = 0; i < n; ++i) {
        x[i] = 100.0 * std::sin(0.37 * static_cast<double>(i) + phase) + 3.0;
    }
    return x;
}

// Reads every output, so that each one is computed.
double read_all(TFFT& fft) {
    return fft.OutdB()[1] + fft.OutAbs()[1] + fft.OutRe()[1] + fft.OutIm()[1] +
           fft.OutComplex()[1].re + fft.OutAbs2()[1] + fft.OutPhase()[1];
}

TEST(FFTAllocation, TheCountingSeesAnAllocation) {
    EXPECT_GE(allocations_in([] { tdoublearr v(100, 1.0); }), 1);
}

TEST(FFTAllocation, NoneOncePerFrameWithRealInput) {
    for (int n : {2, 8, 512, 4096}) {
        for (int w : {n, n / 2 + 1}) {
            TFFT fft;
            fft.set_FFTSize(n);
            fft.set_WindowSize(w);
            const tdoublearr a = frame(static_cast<std::size_t>(w), 0.0);
            const tdoublearr b = frame(static_cast<std::size_t>(w), 1.0);
            fft.set_InRe(a);
            read_all(fft); // the first frame after a size change builds the tables
            double sink = 0.0;
            const long count = allocations_in([&] {
                for (int f = 0; f < 3; ++f) {
                    fft.set_InRe(f % 2 ? a : b);
                    sink += fft.OutdB()[0] + fft.OutAbs()[0];
                    sink += read_all(fft);
                }
            });
            EXPECT_EQ(count, 0) << "N=" << n << " W=" << w;
            EXPECT_TRUE(std::isfinite(sink));
        }
    }
}

TEST(FFTAllocation, NoneOncePerFrameWithComplexInput) {
    TFFT fft;
    fft.set_FFTSize(1024);
    fft.set_IgnoreInIm(false);
    const tdoublearr a = frame(1024, 0.0);
    const tdoublearr b = frame(1024, 2.0);
    fft.set_InRe(a);
    fft.set_InIm(b);
    read_all(fft);
    double sink = 0.0;
    const long count = allocations_in([&] {
        for (int f = 0; f < 3; ++f) {
            fft.set_InRe(f % 2 ? a : b);
            fft.set_InIm(f % 2 ? b : a);
            sink += read_all(fft);
        }
    });
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(std::isfinite(sink));
}

TEST(FFTAllocation, NoneOncePerFrameWithChunks) {
    TFFT fft;
    tsamplechunk chunk;
    chunk.used = 2000;
    for (int i = 0; i < chunk.used; ++i) {
        chunk.data[static_cast<std::size_t>(i)] = static_cast<int16_t>((i * 37) % 2001 - 1000);
    }
    fft.set_InChunk(chunk);
    read_all(fft);
    double sink = 0.0;
    const long count = allocations_in([&] {
        for (int f = 0; f < 3; ++f) {
            chunk.data[0] = static_cast<int16_t>(f);
            fft.set_InChunk(chunk);
            sink += read_all(fft);
        }
    });
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(std::isfinite(sink));
}

} // namespace
} // namespace zevrin
