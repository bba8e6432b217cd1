#pragma once
// TFFT: one frame of real (optionally complex) samples to its windowed spectrum.
//
// The component owns its window, its tables and every output array. Assigning input
// only marks the outputs stale; each output is computed on its first read after that,
// so a caller that reads only OutdB and OutAbs does not pay for the others. Outputs are
// references to the component's own arrays: they stay valid and are overwritten in
// place by the next computation; read them through their getter after new input (the
// upper half of OutRe and OutIm is written only when one of the full-spectrum outputs
// is read, or with the transform when every bin of the frame before was read). Once
// the size is set, nothing allocates per frame.
//
// The transform has a positive exponent, X[m] = Σ x[n]·e^(+i·2π·m·n/N), and is scaled
// by 1/W (the window size): a sinusoid of amplitude A on a bin, rectangle window,
// reads A/2 there. All N bins are output; for real input the upper half mirrors the
// lower. Input beyond the window size weighs nothing, with every window.
//
// Failed values. Every sample reaches every bin, so a sample that is no number or
// infinite would spoil the whole spectrum: instead it spoils only its own entry of the
// frame, which is left out. It weighs nothing (as where the window is 0): with RemoveDC
// the mean taken away is that of the other samples and the left-out sample stands at
// it, without RemoveDC it stands at 0, and every bin holds the spectrum of the rest of
// the frame. An output entry whose own computation fails (samples so large that the
// sums overflow) is 0 in OutRe, OutIm and OutAbs and -3250 in OutdB.
// Not thread-safe.

#include "dsp/fft_plan.h"
#include "dsp/types.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <stdexcept>

namespace zevrin {

class EFFTError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// A fixed record of up to 16384 samples, the number valid in `used`.
struct tsamplechunk {
    int32_t used = 0;
    std::array<int16_t, 16384> data{};
};

class TFFT {
public:
    TFFT();

    int LogFFTSize() const { return flogfftsize; }
    /// Ignored outside 2..20.
    void set_LogFFTSize(int value);
    int FFTSize() const { return ffftsize; }
    /// The smallest power of two not below value; EFFTError outside 2..16777216.
    void set_FFTSize(int value);
    int WindowSize() const { return fwindowsize; }
    /// EFFTError outside 2..16777216; raises the FFT size to value when it is smaller.
    void set_WindowSize(int value);
    TFFTWindow Window() const { return fwindow; }
    void set_Window(TFFTWindow value);
    double windowleftskew() const { return fwindowleftskew; }
    void set_windowleftskew(double value);
    double windowrightskew() const { return fwindowrightskew; }
    void set_windowrightskew(double value);
    bool RemoveDC() const { return fremovedc; }
    void set_RemoveDC(bool value) { fremovedc = value; }
    bool IgnoreInIm() const { return fignoreinim; }
    void set_IgnoreInIm(bool value) { fignoreinim = value; }

    /// Real input; a length other than the window size sets FFT and window size to it.
    void set_InRe(const tdoublearr& value);
    /// Imaginary input, used unless IgnoreInIm; sizes as set_InRe.
    void set_InIm(const tdoublearr& value);
    /// The first `used` samples of a chunk as real input, imaginary part 0.
    void set_InChunk(const tsamplechunk& value);

    const tdoublearr& OutRe();
    const tdoublearr& OutIm();
    const tcomplexarr& OutComplex();
    /// 10·log10(re² + im²); -3250 where that power is 0.
    const tdoublearr& OutdB();
    /// OutdB into `target`, for a caller that keeps it: when both have N entries they
    /// exchange their storage (no copy) and OutdB is computed again when next read; else
    /// the first entries are copied. Returns the number of entries written.
    std::size_t take_OutdB(tdoublearr& target);
    const tdoublearr& OutAbs();
    const tdoublearr& OutAbs2();
    /// Phase in radians, -π..π.
    const tdoublearr& OutPhase();

    /// True while the transform or a derived output is stale.
    bool Dirty() const;
    /// Marks the transform and every derived output stale, whatever the value.
    void set_Dirty(bool value);
    const tdoublearr& WinValues() const { return fwin; }

private:
    /// Sum and largest magnitude of an input array, taken when it is assigned.
    struct InputStats {
        double sum = 0.0;
        double peak = 0.0;
    };

    void calcarrays();
    void calcwindow();
    void calcfft();
    /// The input to transform and the mean to take away from it (0 without RemoveDC);
    /// where a sample is no number or infinite, a copy in `scratch` with that sample at
    /// the mean of the finite ones.
    const double* frame_without_gaps(const tdoublearr& in, const InputStats& stats,
                                     tdoublearr& scratch, double& mean) const;
    void calcdb();
    void calcabs();
    void calcabs2();
    void calccomplex();
    void calcphase();
    void ensure_fft();
    /// The transform, with every bin of foutre and foutim written.
    void ensure_full_spectrum();
    void mark_outputs_stale();
    void set_input(tdoublearr& target, InputStats& stats, const tdoublearr& value);
    void resize_for_input(std::size_t length);
    /// out[k] := value(k) for every bin; after a real frame only the lower half is
    /// computed and copied to its mirror image.
    template <typename PerBin> void fill_bins(tdoublearr& out, PerBin value) const;
    /// out[k] := the kernel's value of bin k (dsp/vector_math.h) for every bin, the upper
    /// half of a real frame's copied from the lower.
    void each_bin(tdoublearr& out,
                  void (*kernel)(const double*, const double*, double*, std::size_t)) const;

    FFTPlan fplan;
    int ffftsize = 256;
    int flogfftsize = 8;
    int fwindowsize = 256;
    tdoublearr fwin;
    bool farrdirty = true;
    bool ffftdirty = true;
    bool foutcompdirty = true;
    bool fdbdirty = true;
    bool fabsdirty = true;
    bool fabs2dirty = true;
    bool fphasedirty = true;
    // The last transform was of a real frame: bin N-m is the conjugate of bin m, so the
    // derived outputs compute the lower half and copy it.
    bool fmirrored = false;
    // foutre/foutim hold only bins 0..N/2 of a real frame so far; the readers of the
    // whole arrays complete them (the per-frame path reads only OutdB and OutAbs).
    bool fmirrorpending = false;
    // Every bin of the last transform was read: the next real frame's transform writes
    // the upper half in the same pass as the lower (a caller that reads every bin of
    // one frame most likely reads every bin of the next), and no mirror pass follows.
    bool fwholeread = false;
    // The input is kept in the component's own arrays; assigning copies it, so a
    // caller's array may change or go away after the assignment.
    tdoublearr finre, finim;
    InputStats finrestats, finimstats;
    // Copies of an input with samples that are no number, made only for such input.
    tdoublearr fgapfreere, fgapfreeim;
    tdoublearr foutre, foutim;
    tdoublearr foutdb, foutabs, foutabs2, foutphase;
    tcomplexarr foutcomplex;
    TFFTWindow fwindow = TFFTWindow::Hamming;
    bool fremovedc = true;
    bool fignoreinim = true;
    double fwindowleftskew = 0.5;
    double fwindowrightskew = 0.5;
};

} // namespace zevrin
