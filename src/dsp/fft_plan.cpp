#include "dsp/fft_plan.h"

#include "dsp/isa_dispatch.h"
#include "dsp/vector4.h"

#include <algorithm>
#include <cmath>
#include <utility>

// The kernels take every array they touch as its own __restrict pointer: without that
// promise the compiler must assume the four rows of a butterfly may overlap and gives
// up vectorising them.

namespace zevrin {

namespace {

constexpr double two_pi = 6.283185307179586476925286766559;

struct Twiddles {
    double c1, s1, c2, s2, c3, s3;
};

// One row of radix-4 butterflies: inputs a, b, c, d, outputs y0..y3, each `count`
// contiguous values. Positive exponent: y1 = w1·(a + i·b - c - i·d), and so on.
inline void radix4_row(std::size_t count, const double* __restrict ar, const double* __restrict ai,
                       const double* __restrict br, const double* __restrict bi,
                       const double* __restrict cr, const double* __restrict ci,
                       const double* __restrict dr, const double* __restrict di,
                       double* __restrict y0r, double* __restrict y0i, double* __restrict y1r,
                       double* __restrict y1i, double* __restrict y2r, double* __restrict y2i,
                       double* __restrict y3r, double* __restrict y3i, Twiddles w) {
    for (std::size_t q = 0; q < count; ++q) {
        const double apcr = ar[q] + cr[q], apci = ai[q] + ci[q];
        const double amcr = ar[q] - cr[q], amci = ai[q] - ci[q];
        const double bpdr = br[q] + dr[q], bpdi = bi[q] + di[q];
        const double bmdr = br[q] - dr[q], bmdi = bi[q] - di[q];
        const double t1r = amcr - bmdi, t1i = amci + bmdr;
        const double t2r = apcr - bpdr, t2i = apci - bpdi;
        const double t3r = amcr + bmdi, t3i = amci - bmdr;
        y0r[q] = apcr + bpdr;
        y0i[q] = apci + bpdi;
        y1r[q] = w.c1 * t1r - w.s1 * t1i;
        y1i[q] = w.c1 * t1i + w.s1 * t1r;
        y2r[q] = w.c2 * t2r - w.s2 * t2i;
        y2i[q] = w.c2 * t2i + w.s2 * t2r;
        y3r[q] = w.c3 * t3r - w.s3 * t3i;
        y3i[q] = w.c3 * t3i + w.s3 * t3r;
    }
}

// The same without twiddles (the last radix-4 pass).
inline void radix4_row_plain(std::size_t count, const double* __restrict ar,
                             const double* __restrict ai, const double* __restrict br,
                             const double* __restrict bi, const double* __restrict cr,
                             const double* __restrict ci, const double* __restrict dr,
                             const double* __restrict di, double* __restrict y0r,
                             double* __restrict y0i, double* __restrict y1r, double* __restrict y1i,
                             double* __restrict y2r, double* __restrict y2i, double* __restrict y3r,
                             double* __restrict y3i) {
    for (std::size_t q = 0; q < count; ++q) {
        const double apcr = ar[q] + cr[q], apci = ai[q] + ci[q];
        const double amcr = ar[q] - cr[q], amci = ai[q] - ci[q];
        const double bpdr = br[q] + dr[q], bpdi = bi[q] + di[q];
        const double bmdr = br[q] - dr[q], bmdi = bi[q] - di[q];
        y0r[q] = apcr + bpdr;
        y0i[q] = apci + bpdi;
        y1r[q] = amcr - bmdi;
        y1i[q] = amci + bmdr;
        y2r[q] = apcr - bpdr;
        y2i[q] = apci - bpdi;
        y3r[q] = amcr + bmdi;
        y3i[q] = amci - bmdr;
    }
}

// The first pass (stride 1): the butterflies run along p, each with its own twiddles,
// and write four adjacent outputs. Load gives the input value at an index of the half
// transform, so that a real frame can be windowed and split as it is read.
template <typename Load>
void stage_first(std::size_t n4, Load load, double* __restrict yr, double* __restrict yi,
                 const double* __restrict tw) {
    const double* __restrict c1 = tw;
    const double* __restrict s1 = tw + n4;
    const double* __restrict c2 = tw + 2 * n4;
    const double* __restrict s2 = tw + 3 * n4;
    const double* __restrict c3 = tw + 4 * n4;
    const double* __restrict s3 = tw + 5 * n4;
    for (std::size_t p = 0; p < n4; ++p) {
        double ar, ai, br, bi, cr, ci, dr, di;
        load(p, ar, ai);
        load(p + n4, br, bi);
        load(p + 2 * n4, cr, ci);
        load(p + 3 * n4, dr, di);
        const double apcr = ar + cr, apci = ai + ci, amcr = ar - cr, amci = ai - ci;
        const double bpdr = br + dr, bpdi = bi + di, bmdr = br - dr, bmdi = bi - di;
        const double t1r = amcr - bmdi, t1i = amci + bmdr;
        const double t2r = apcr - bpdr, t2i = apci - bpdi;
        const double t3r = amcr + bmdi, t3i = amci - bmdr;
        yr[4 * p] = apcr + bpdr;
        yi[4 * p] = apci + bpdi;
        yr[4 * p + 1] = c1[p] * t1r - s1[p] * t1i;
        yi[4 * p + 1] = c1[p] * t1i + s1[p] * t1r;
        yr[4 * p + 2] = c2[p] * t2r - s2[p] * t2i;
        yi[4 * p + 2] = c2[p] * t2i + s2[p] * t2r;
        yr[4 * p + 3] = c3[p] * t3r - s3[p] * t3i;
        yi[4 * p + 3] = c3[p] * t3i + s3[p] * t3r;
    }
}

// The vector kernels are always inlined: their vector types never cross a call, so the
// ABI of passing them does not matter.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"

// Four lanes of doubles (dsp/vector4.h): each lane does the same IEEE operations as the
// scalar code, so the bits match.
using vector4::load4;
using vector4::store4;
using vector4::v4;

// Rows p..p+3 of the 4 x 4 block (y0, y1, y2, y3) taken lane by lane, written to
// y[4p .. 4p+15]: y[4(p+l) + j] = yj[l].
[[gnu::always_inline]] inline void store_transposed(double* y, const v4& y0, const v4& y1,
                                                    const v4& y2, const v4& y3) {
    const v4 t0 = __builtin_shufflevector(y0, y1, 0, 4, 2, 6);
    const v4 t1 = __builtin_shufflevector(y0, y1, 1, 5, 3, 7);
    const v4 t2 = __builtin_shufflevector(y2, y3, 0, 4, 2, 6);
    const v4 t3 = __builtin_shufflevector(y2, y3, 1, 5, 3, 7);
    store4(y, __builtin_shufflevector(t0, t2, 0, 1, 4, 5));
    store4(y + 4, __builtin_shufflevector(t1, t3, 0, 1, 4, 5));
    store4(y + 8, __builtin_shufflevector(t0, t2, 2, 3, 6, 7));
    store4(y + 12, __builtin_shufflevector(t1, t3, 2, 3, 6, 7));
}

// stage_first four butterflies at a time (n4 a multiple of 4): Load4 gives the input
// values at four consecutive indices of the half transform. The outputs of four
// butterflies are interleaved by a transposition in registers rather than by four
// scattered stores each.
template <typename Load4>
void stage_first4(std::size_t n4, Load4 load, double* __restrict yr, double* __restrict yi,
                  const double* __restrict tw) {
    for (std::size_t p = 0; p < n4; p += 4) {
        v4 ar, ai, br, bi, cr, ci, dr, di;
        load(p, ar, ai);
        load(p + n4, br, bi);
        load(p + 2 * n4, cr, ci);
        load(p + 3 * n4, dr, di);
        const v4 c1 = load4(tw + p), s1 = load4(tw + n4 + p);
        const v4 c2 = load4(tw + 2 * n4 + p), s2 = load4(tw + 3 * n4 + p);
        const v4 c3 = load4(tw + 4 * n4 + p), s3 = load4(tw + 5 * n4 + p);
        const v4 apcr = ar + cr, apci = ai + ci, amcr = ar - cr, amci = ai - ci;
        const v4 bpdr = br + dr, bpdi = bi + di, bmdr = br - dr, bmdi = bi - di;
        const v4 t1r = amcr - bmdi, t1i = amci + bmdr;
        const v4 t2r = apcr - bpdr, t2i = apci - bpdi;
        const v4 t3r = amcr + bmdi, t3i = amci - bmdr;
        store_transposed(yr + 4 * p, apcr + bpdr, c1 * t1r - s1 * t1i, c2 * t2r - s2 * t2i,
                         c3 * t3r - s3 * t3i);
        store_transposed(yi + 4 * p, apci + bpdi, c1 * t1i + s1 * t1r, c2 * t2i + s2 * t2r,
                         c3 * t3i + s3 * t3r);
    }
}

// A complex array as the first pass's input.
struct SplitInput {
    const double* __restrict xr;
    const double* __restrict xi;
    void operator()(std::size_t k, double& re, double& im) const {
        re = xr[k];
        im = xi[k];
    }
    void operator()(std::size_t k, v4& re, v4& im) const {
        re = load4(xr + k);
        im = load4(xi + k);
    }
};

// A real frame as the first pass's input: value k of the half transform is samples 2k
// and 2k+1, less the offset, times the window, and 0 past the frame's `len` samples
// (the padding up to N), as the separate loading pass gave them.
template <bool Offset, bool Window> struct RealFrameInput {
    const double* __restrict x;
    const double* __restrict window;
    double offset;
    std::size_t len;

    double sample(std::size_t i) const {
        if (i >= len) {
            return 0.0;
        }
        double v = x[i];
        if constexpr (Offset) {
            v -= offset;
        }
        if constexpr (Window) {
            v *= window[i];
        }
        return v;
    }
    void operator()(std::size_t k, double& re, double& im) const {
        re = sample(2 * k);
        im = sample(2 * k + 1);
    }
    void operator()(std::size_t k, v4& re, v4& im) const {
        const std::size_t i = 2 * k;
        v4 lo, hi;
        if (i + 8 <= len) {
            lo = load4(x + i);
            hi = load4(x + i + 4);
            if constexpr (Offset) {
                lo -= offset;
                hi -= offset;
            }
            if constexpr (Window) {
                lo *= load4(window + i);
                hi *= load4(window + i + 4);
            }
        } else if (i >= len) {
            re = im = v4{0.0, 0.0, 0.0, 0.0};
            return;
        } else {
            // The block where the frame ends, value by value.
            double part[8];
            for (std::size_t j = 0; j < 8; ++j) {
                part[j] = sample(i + j);
            }
            lo = load4(part);
            hi = load4(part + 4);
        }
        re = __builtin_shufflevector(lo, hi, 0, 2, 4, 6);
        im = __builtin_shufflevector(lo, hi, 1, 3, 5, 7);
    }
};

// The first pass, four butterflies at a time where their number allows.
template <typename Load>
void run_first(std::size_t n4, Load load, double* yr, double* yi, const double* tw) {
    if (n4 % 4 == 0) {
        stage_first4(n4, load, yr, yi, tw);
    } else {
        stage_first(n4, load, yr, yi, tw);
    }
}

// A twiddled pass of stride s: for each p, one row of s butterflies sharing its twiddles.
// `quarter` is N/8 (a quarter of the half transform), the distance between a, b, c, d.
template <std::size_t S>
void stage_rows(std::size_t n4, std::size_t runtime_s, std::size_t quarter, const double* xr,
                const double* xi, double* yr, double* yi, const double* tw) {
    const std::size_t s = S != 0 ? S : runtime_s;
    // The twiddles of row 0 are all 1.
    radix4_row_plain(s, xr, xi, xr + quarter, xi + quarter, xr + 2 * quarter, xi + 2 * quarter,
                     xr + 3 * quarter, xi + 3 * quarter, yr, yi, yr + s, yi + s, yr + 2 * s,
                     yi + 2 * s, yr + 3 * s, yi + 3 * s);
    for (std::size_t p = 1; p < n4; ++p) {
        const Twiddles w{tw[p],          tw[n4 + p],     tw[2 * n4 + p],
                         tw[3 * n4 + p], tw[4 * n4 + p], tw[5 * n4 + p]};
        const double* ar = xr + s * p;
        const double* ai = xi + s * p;
        double* y0r = yr + 4 * s * p;
        double* y0i = yi + 4 * s * p;
        radix4_row(s, ar, ai, ar + quarter, ai + quarter, ar + 2 * quarter, ai + 2 * quarter,
                   ar + 3 * quarter, ai + 3 * quarter, y0r, y0i, y0r + s, y0i + s, y0r + 2 * s,
                   y0i + 2 * s, y0r + 3 * s, y0i + 3 * s, w);
    }
}

void stage_last4(std::size_t s, const double* xr, const double* xi, double* yr, double* yi) {
    radix4_row_plain(s, xr, xi, xr + s, xi + s, xr + 2 * s, xi + 2 * s, xr + 3 * s, xi + 3 * s, yr,
                     yi, yr + s, yi + s, yr + 2 * s, yi + 2 * s, yr + 3 * s, yi + 3 * s);
}

void radix2_row(std::size_t count, const double* __restrict ar, const double* __restrict ai,
                const double* __restrict br, const double* __restrict bi, double* __restrict y0r,
                double* __restrict y0i, double* __restrict y1r, double* __restrict y1i) {
    for (std::size_t q = 0; q < count; ++q) {
        y0r[q] = ar[q] + br[q];
        y0i[q] = ai[q] + bi[q];
        y1r[q] = ar[q] - br[q];
        y1i[q] = ai[q] - bi[q];
    }
}

void stage_last2(std::size_t s, const double* xr, const double* xi, double* yr, double* yi) {
    radix2_row(s, xr, xi, xr + s, xi + s, yr, yi, yr + s, yi + s);
}

// Every second input value from `first`, less the offset, times the window (none:
// all ones), into out[0..count); zeros after the input's end up to `total`.
template <bool Offset, bool Window>
void load_every_second(const double* __restrict x, std::size_t len, std::size_t first,
                       double offset, const double* __restrict window, double* __restrict out,
                       std::size_t total) {
    const std::size_t count = len > first ? std::min((len - first + 1) / 2, total) : 0;
    for (std::size_t k = 0; k < count; ++k) {
        double v = x[2 * k + first];
        if constexpr (Offset) {
            v -= offset;
        }
        if constexpr (Window) {
            v *= window[2 * k + first];
        }
        out[k] = v;
    }
    std::fill(out + count, out + total, 0.0);
}

void load_every_second(const double* x, std::size_t len, std::size_t first, double offset,
                       const double* window, double* out, std::size_t total) {
    if (offset != 0.0) {
        if (window != nullptr) {
            load_every_second<true, true>(x, len, first, offset, window, out, total);
        } else {
            load_every_second<true, false>(x, len, first, offset, window, out, total);
        }
    } else if (window != nullptr) {
        load_every_second<false, true>(x, len, first, offset, window, out, total);
    } else {
        load_every_second<false, false>(x, len, first, offset, window, out, total);
    }
}

// Separates the half transform Z of a real frame into its spectrum X: with
// E = (Z[k] + conj Z[M-k]) / 2 and O = (Z[k] - conj Z[M-k]) / 2i, X[k] = E + w^k·O and
// X[M-k] = conj(E - w^k·O), both times h. Z lies in zr/zi[0..M), X goes to lr/li; zmr/zmi
// and mr/mi point at index M, so that mr[-k] is element M-k and no two streams overlap.
// Covers 0 < k < M/2. Whole: the upper half too, X[2M-k] = conj X[k] (ur/ui point at
// index 2M, so that ur[-k] is element 2M-k) and X[M+k] = conj X[M-k] (pr/pi point at
// index M+1).
template <bool Whole>
void separate_real(std::size_t m, double h, const double* __restrict cosk,
                   const double* __restrict sink, const double* __restrict zr,
                   const double* __restrict zi, const double* __restrict zmr,
                   const double* __restrict zmi, double* __restrict lr, double* __restrict li,
                   double* __restrict mr, double* __restrict mi, double* __restrict ur,
                   double* __restrict ui, double* __restrict pr, double* __restrict pi) {
    const std::size_t half = m / 2;
    for (std::size_t k = 1; k < half; ++k) {
        const auto back = -static_cast<std::ptrdiff_t>(k);
        const double ar = zr[k], ai = zi[k];
        const double cr = zmr[back], ci = zmi[back]; // Z[M-k], conjugated below
        const double er = (ar + cr) * h, ei = (ai - ci) * h;
        const double orr = (ai + ci) * h, oi = (cr - ar) * h;
        const double tr = cosk[k] * orr - sink[k] * oi;
        const double ti = cosk[k] * oi + sink[k] * orr;
        const double xr = er + tr, xi = ei + ti;
        const double yr = er - tr, yi = ti - ei;
        lr[k] = xr;
        li[k] = xi;
        mr[back] = yr;
        mi[back] = yi;
        if constexpr (Whole) {
            // Negated, not recomputed: the same bits as mirror_lower_half would give.
            ur[back] = xr;
            ui[back] = -xi;
            pr[k - 1] = yr;
            pi[k - 1] = -yi;
        }
    }
}

// The last pass of a complex frame: X[k] = E[k] + w^k·O[k], X[k+M] = E[k] - w^k·O[k],
// with E in the lower and O in the upper half of re/im.
void combine_complex(std::size_t m, double scale, const double* __restrict cosk,
                     const double* __restrict sink, double* __restrict er, double* __restrict ei,
                     double* __restrict orr, double* __restrict oi) {
    for (std::size_t k = 0; k < m; ++k) {
        const double tr = cosk[k] * orr[k] - sink[k] * oi[k];
        const double ti = cosk[k] * oi[k] + sink[k] * orr[k];
        const double ar = er[k], ai = ei[k];
        er[k] = (ar + tr) * scale;
        ei[k] = (ai + ti) * scale;
        orr[k] = (ar - tr) * scale;
        oi[k] = (ai - ti) * scale;
    }
}

#pragma GCC diagnostic pop

} // namespace

void FFTPlan::prepare(std::size_t n) {
    fn = n;
    fhalf = n / 2;
    fstages.clear();
    ftwiddles.clear();
    std::size_t len = fhalf;
    std::size_t s = 1;
    for (; len >= 4; len /= 4, s *= 4) {
        if (len == 4) {
            fstages.push_back({StageKind::last4, len, s, 0});
            continue;
        }
        const StageKind kind =
            s == 1 ? StageKind::first : (s == 4 ? StageKind::stride4 : StageKind::general);
        const std::size_t n4 = len / 4;
        const std::size_t table = ftwiddles.size();
        fstages.push_back({kind, len, s, table});
        ftwiddles.resize(table + 6 * n4);
        for (std::size_t j = 1; j <= 3; ++j) {
            for (std::size_t p = 0; p < n4; ++p) {
                const double angle = two_pi * static_cast<double>(j * p) / static_cast<double>(len);
                ftwiddles[table + (2 * j - 2) * n4 + p] = std::cos(angle);
                ftwiddles[table + (2 * j - 1) * n4 + p] = std::sin(angle);
            }
        }
    }
    if (len == 2) {
        fstages.push_back({StageKind::last2, len, s, 0});
    }
    fcos.resize(fhalf);
    fsin.resize(fhalf);
    for (std::size_t k = 0; k < fhalf; ++k) {
        const double angle = two_pi * static_cast<double>(k) / static_cast<double>(n);
        fcos[k] = std::cos(angle);
        fsin[k] = std::sin(angle);
    }
    fscratchre.resize(fhalf);
    fscratchim.resize(fhalf);
    fwork.assign(4 * (fhalf + work_gap), 0.0);
}

double* FFTPlan::work(std::size_t k) {
    return fwork.data() + k * (fhalf + work_gap);
}

void FFTPlan::run_stages(std::size_t first, double* sr, double* si, double* dr, double* di) const {
    const std::size_t quarter = fhalf / 4;
    for (std::size_t i = first; i < fstages.size(); ++i) {
        const Stage& st = fstages[i];
        const double* tw = ftwiddles.data() + st.table;
        switch (st.kind) {
        case StageKind::first:
            run_first(st.n / 4, SplitInput{sr, si}, dr, di, tw);
            break;
        case StageKind::stride4:
            stage_rows<4>(st.n / 4, st.s, quarter, sr, si, dr, di, tw);
            break;
        case StageKind::general:
            stage_rows<0>(st.n / 4, st.s, quarter, sr, si, dr, di, tw);
            break;
        case StageKind::last4:
            stage_last4(st.s, sr, si, dr, di);
            break;
        case StageKind::last2:
            stage_last2(st.s, sr, si, dr, di);
            break;
        }
        std::swap(sr, dr);
        std::swap(si, di);
    }
}

void FFTPlan::run_half(double* ar, double* ai, double* br, double* bi) const {
    if (lands_in_input(0)) {
        run_stages(0, ar, ai, br, bi);
    } else {
        run_stages(0, br, bi, ar, ai);
    }
}

template <bool Offset, bool Window>
void FFTPlan::first_stage_from_frame(const double* x, std::size_t len, double offset,
                                     const double* window, double* ar, double* ai, double* br,
                                     double* bi) const {
    const RealFrameInput<Offset, Window> input{x, window, offset, len};
    const double* tw = ftwiddles.data() + fstages[0].table;
    // The first pass writes where the remaining ones end in a.
    if (lands_in_input(1)) {
        run_first(fhalf / 4, input, ar, ai, tw);
        run_stages(1, ar, ai, br, bi);
    } else {
        run_first(fhalf / 4, input, br, bi, tw);
        run_stages(1, br, bi, ar, ai);
    }
}

void FFTPlan::half_of_real_frame(const double* x, std::size_t len, double offset,
                                 const double* window, double* ar, double* ai, double* br,
                                 double* bi) const {
    if (!fstages.empty() && fstages[0].kind == StageKind::first) {
        len = std::min(len, fn);
        if (offset != 0.0) {
            if (window != nullptr) {
                first_stage_from_frame<true, true>(x, len, offset, window, ar, ai, br, bi);
            } else {
                first_stage_from_frame<true, false>(x, len, offset, window, ar, ai, br, bi);
            }
        } else if (window != nullptr) {
            first_stage_from_frame<false, true>(x, len, offset, window, ar, ai, br, bi);
        } else {
            first_stage_from_frame<false, false>(x, len, offset, window, ar, ai, br, bi);
        }
        return;
    }
    const bool in_a = lands_in_input(0);
    load_every_second(x, len, 0, offset, window, in_a ? ar : br, fhalf);
    load_every_second(x, len, 1, offset, window, in_a ? ai : bi, fhalf);
    run_half(ar, ai, br, bi);
}

void FFTPlan::real_forward(const double* x, std::size_t len, double offset, const double* window,
                           double scale, double* re, double* im, bool whole) {
    if (whole) {
        isa_dispatch::run_on_isa<&FFTPlan::real_forward_body<true>>(this, x, len, offset, window,
                                                                    scale, re, im);
    } else {
        isa_dispatch::run_on_isa<&FFTPlan::real_forward_body<false>>(this, x, len, offset, window,
                                                                     scale, re, im);
    }
}

void FFTPlan::complex_forward(const double* xr, std::size_t lenr, double offr, const double* xi,
                              std::size_t leni, double offi, const double* window, double scale,
                              double* re, double* im) {
    isa_dispatch::run_on_isa<&FFTPlan::complex_forward_body>(this, xr, lenr, offr, xi, leni, offi,
                                                             window, scale, re, im);
}

template <bool Whole>
inline void FFTPlan::real_forward_body(FFTPlan* plan, const double* x, std::size_t len,
                                       double offset, const double* window, double scale,
                                       double* re, double* im) {
    const std::size_t m = plan->fhalf;
    double* zr = plan->work(0);
    double* zi = plan->work(1);
    plan->half_of_real_frame(x, len, offset, window, zr, zi, plan->work(2), plan->work(3));

    re[0] = (zr[0] + zi[0]) * scale;
    im[0] = 0.0;
    re[m] = (zr[0] - zi[0]) * scale;
    im[m] = 0.0;
    if (m < 2) {
        return;
    }
    separate_real<Whole>(m, 0.5 * scale, plan->fcos.data(), plan->fsin.data(), zr, zi, zr + m,
                         zi + m, re, im, re + m, im + m, re + 2 * m, im + 2 * m, re + m + 1,
                         im + m + 1);
    // Bin N/4 is its own partner: X[M/2] = Z[M/2].
    re[m / 2] = zr[m / 2] * scale;
    im[m / 2] = zi[m / 2] * scale;
    if constexpr (Whole) {
        re[3 * m / 2] = re[m / 2];
        im[3 * m / 2] = -im[m / 2];
    }
}

inline void FFTPlan::complex_forward_body(FFTPlan* plan, const double* xr, std::size_t lenr,
                                          double offr, const double* xi, std::size_t leni,
                                          double offi, const double* window, double scale,
                                          double* re, double* im) {
    const std::size_t m = plan->fhalf;
    double* sr = plan->fscratchre.data();
    double* si = plan->fscratchim.data();
    // Even samples into the lower half, odd samples into the upper half.
    for (std::size_t part = 0; part < 2; ++part) {
        double* ar = re + part * m;
        double* ai = im + part * m;
        const bool in_a = plan->lands_in_input(0);
        load_every_second(xr, lenr, part, offr, window, in_a ? ar : sr, m);
        load_every_second(xi, leni, part, offi, window, in_a ? ai : si, m);
        plan->run_half(ar, ai, sr, si);
    }
    combine_complex(m, scale, plan->fcos.data(), plan->fsin.data(), re, im, re + m, im + m);
}

} // namespace zevrin
