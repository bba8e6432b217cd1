#pragma once
// FFTPlan: the tables and the kernels behind TFFT's transform.
//
// The transform has a positive exponent, X[m] = Σ z[n]·e^(+i·2π·m·n/N), over N points
// (a power of two, 2 ≤ N ≤ 2^24). A real frame goes through a complex transform of N/2
// points (even samples as real parts, odd samples as imaginary parts) and one pass
// that separates the two; a complex frame goes through two such half transforms (even
// and odd samples) and one radix-2 pass. The half transform is a self-sorting
// (Stockham) sequence of radix-4 passes, with one radix-2 pass when log2(N/2) is odd,
// over split real and imaginary arrays, so every pass reads and writes contiguous runs
// and needs no bit-reversal. Each twiddled pass has its own contiguous table.
//
// The passes run on the widest vectors the processor has (dsp/isa_dispatch.h), with the
// same bits as on the x86-64 baseline. prepare() allocates everything; the transforms
// never allocate. Not thread-safe: the complex transform uses the plan's own scratch
// arrays.

#include "dsp/cache_aligned.h"

#include <cstddef>
#include <vector>

namespace zevrin {

class FFTPlan {
public:
    /// Builds the tables for n points (a power of two, at least 2); allocates.
    void prepare(std::size_t n);
    std::size_t size() const { return fn; }

    /// The spectrum of a real frame: z[k] = (x[k] - offset)·window[k] for k < len ≤ N,
    /// 0 for len ≤ k < N; a null window is all ones. Writes bins 0..N/2, times scale, to
    /// re and im (N entries each, the rest left as they are); X[N-m] = conj X[m] completes
    /// them (mirror_lower_half, dsp/vector_math.h). With `whole` the transform completes
    /// them itself, with the same bits, in the pass that computes the bins: cheaper than
    /// a second pass for a caller that reads every bin.
    void real_forward(const double* x, std::size_t len, double offset, const double* window,
                      double scale, double* re, double* im, bool whole = false);

    /// The spectrum of a complex frame: z[k] = (xr[k] - offr)·window[k] for k < lenr,
    /// plus i·(xi[k] - offi)·window[k] for k < leni, 0 elsewhere (lenr, leni ≤ N; a null
    /// window is all ones). Writes all N bins, times scale, to re and im.
    void complex_forward(const double* xr, std::size_t lenr, double offr, const double* xi,
                         std::size_t leni, double offi, const double* window, double scale,
                         double* re, double* im);

private:
    enum class StageKind { first, stride4, general, last4, last2 };
    struct Stage {
        StageKind kind;
        std::size_t n;     // length of the sub-transforms this pass combines
        std::size_t s;     // stride: number of interleaved sub-transforms
        std::size_t table; // offset of the pass's twiddles in ftwiddles
    };

    // The transforms' bodies, compiled once per instruction set.
    template <bool Whole>
    static void real_forward_body(FFTPlan* plan, const double* x, std::size_t len, double offset,
                                  const double* window, double scale, double* re, double* im);
    static void complex_forward_body(FFTPlan* plan, const double* xr, std::size_t lenr, double offr,
                                     const double* xi, std::size_t leni, double offi,
                                     const double* window, double scale, double* re, double* im);

    /// The half transform of (ar, ai) into (ar, ai), with (br, bi) as the second buffer.
    /// Its input must be in (ar, ai) when lands_in_input(0), else in (br, bi).
    void run_half(double* ar, double* ai, double* br, double* bi) const;
    /// Passes first.. of the half transform from (sr, si), alternating with (dr, di).
    void run_stages(std::size_t first, double* sr, double* si, double* dr, double* di) const;
    /// Whether passes first.. leave their result in the array they start from.
    bool lands_in_input(std::size_t first) const { return (fstages.size() - first) % 2 == 0; }
    /// The half transform of a real frame into (ar, ai); (br, bi) is overwritten.
    void half_of_real_frame(const double* x, std::size_t len, double offset, const double* window,
                            double* ar, double* ai, double* br, double* bi) const;
    template <bool Offset, bool Window>
    void first_stage_from_frame(const double* x, std::size_t len, double offset,
                                const double* window, double* ar, double* ai, double* br,
                                double* bi) const;

    std::size_t fn = 0;
    std::size_t fhalf = 0;
    std::vector<Stage> fstages;
    // Per twiddled pass of length n: cos and sin of 2π·j·p/n for j = 1, 2, 3 and
    // p < n/4, as six runs of n/4 values.
    cache_aligned_vector<double> ftwiddles;
    // cos and sin of 2π·k/N for k < N/2: the separation of a real frame and the last
    // pass of a complex one.
    cache_aligned_vector<double> fcos, fsin;
    // Second buffer of the complex transform's half transforms.
    cache_aligned_vector<double> fscratchre, fscratchim;
    // The real transform's four working arrays (two buffers, real and imaginary parts),
    // work(0) to work(3). Arrays of a power-of-two size lie at multiples of 4 KB from one
    // another unless spaced: their streams would then compete for the same few sets of
    // the first-level cache, and the transforms above 8192 points took half as long again.
    static constexpr std::size_t work_gap = 128;
    cache_aligned_vector<double> fwork;
    double* work(std::size_t k);
};

} // namespace zevrin
