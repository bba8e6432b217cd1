#include "engine/curves.h"

#include "dsp/numeric.h"
#include "dsp/vector_math.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zevrin {

const std::array<const char*, ncurves> curve_names = {
    "Background",
    "Mono",
    "Left",
    "Right",
    "Mono frozen",
    "Left frozen",
    "Right frozen",
    "Mono LTAS",
    "Left LTAS",
    "Right LTAS",
    "L-R LTAS",
    "Mono SLTAS (used partial)",
    "Left SLTAS (used partial)",
    "Right SLTAS (used partial)",
    "L-R SLTAS (used partial)",
    "Mono SLTAS (unused partial)",
    "Left SLTAS (unused partial)",
    "Right SLTAS (unused partial)",
    "L-R SLTAS (unused partial)",
};

namespace {

constexpr uint32_t white = 0xFFFFFF, black = 0x000000, blue = 0xFF0000, red = 0x0000FF,
                   aqua = 0xFFFF00, teal = 0x808000, maroon = 0x000080, green = 0x008000,
                   fuchsia = 0xFF00FF;

enum class Kind { current, frozen, ltas, sltas };

Kind kind_of(int curve) {
    if (curve <= 3) {
        return Kind::current;
    }
    if (curve <= 6) {
        return Kind::frozen;
    }
    return curve <= 10 ? Kind::ltas : Kind::sltas;
}

// Mono curves are 1, 4, 7, 11 and 15; all others need two channels.
bool mono_curve(int curve) {
    return curve == 1 || curve == 4 || curve == 7 || curve == 11 || curve == 15;
}

constexpr double failed = std::numeric_limits<double>::quiet_NaN();

// The first entry of a staircase: the lowest index whose partialused entry is `used`,
// before the last entry; -1 when there is none.
long first_hold(const TAnalyser& a, bool used) {
    const size_t n = a.partialused.size();
    for (size_t i = 0; i + 1 < n; ++i) {
        if (a.partialused[i] == used) {
            return static_cast<long>(i);
        }
    }
    return -1;
}

} // namespace

const std::array<uint32_t, ncurves> default_curve_colors = {
    white, black, blue,  red,     aqua,  teal, maroon, blue,    green, fuchsia,
    black, blue,  green, fuchsia, black, blue, green,  fuchsia, black};

bool curve_condition(const TAnalyser& a, int curve) {
    if (curve <= 0 || curve >= ncurves) {
        return curve == 0;
    }
    if (mono_curve(curve) == a.dualchannels) {
        return false;
    }
    switch (kind_of(curve)) {
    case Kind::current:
        return true;
    case Kind::frozen:
        return a.freeze();
    case Kind::ltas:
        return a.ltascount > 0;
    default:
        return a.sltascount > 0;
    }
}

int curves_to_draw(const TAnalyser& a, const std::array<bool, ncurves>& showcurve,
                   std::array<int, ncurves>& order) {
    static constexpr std::array<int, 18> drawing_order = {5, 6,  4,  2,  3,  1,  8,  9,  10,
                                                          7, 16, 17, 18, 12, 13, 14, 15, 11};
    int count = 0;
    for (int curve : drawing_order) {
        if (showcurve[static_cast<size_t>(curve)] && curve_condition(a, curve)) {
            order[static_cast<size_t>(count++)] = curve;
        }
    }
    return count;
}

TCurveQuantities::TCurveQuantities(const TAnalyser& a, int curve)
    : fa(a), fscale(curve_level_scale(curve)) {
    switch (curve) {
    case 1:
    case 2:
        fsource = TSource::plain;
        fnum = &a.outdb1;
        break;
    case 3:
        fsource = TSource::plain;
        fnum = &a.outdb2;
        break;
    case 4:
    case 5:
        fsource = TSource::plain;
        fnum = &a.outdb1a;
        break;
    case 6:
        fsource = TSource::plain;
        fnum = &a.outdb2a;
        break;
    case 7:
    case 8:
    case 9:
        fsource = TSource::average;
        fnum = curve == 9 ? &a.ltas2 : &a.ltas1;
        fscaleby = 1.0 / a.ltasdecayedcount;
        break;
    case 10:
        fsource = TSource::ratio;
        fnum = &a.ltas2;
        fden = &a.ltas1;
        break;
    default:
        if (curve >= 11 && curve < ncurves) {
            const bool lr = curve == 14 || curve == 18;
            const bool right = curve == 13 || curve == 17;
            fsource = lr ? TSource::sltasratio : TSource::sltas;
            fcnum = right || lr ? &a.sltas2 : &a.sltas1;
            fcden = &a.sltas1;
            fscaleby = 1.0 / (a.sltasdecayedcount * a.sltasdecayedcount);
            fused = curve <= 14;
            const long first = first_hold(a, fused);
            fdrawable = first >= 0;
            fhold = first >= 0 ? static_cast<size_t>(first) : 0;
            fheld = held_quantity(fhold);
        }
        break;
    }
}

inline double TCurveQuantities::held_quantity(size_t j) const {
    if (j >= fa.sltas1.size() || j >= fa.sltas2.size()) {
        return failed;
    }
    if (fsource == TSource::sltasratio) {
        return TPowerRatios{fcnum->data(), fcden->data()}.one(j);
    }
    return TScaledPowers{fcnum->data(), fscaleby}.one(j);
}

// A staircase: point i takes the value of entry i when that is of its kind, else it
// holds the value before.
void TCurveQuantities::next_held(double* out, size_t count) {
    const tpartialflags& used = fa.partialused;
    double held = fheld;
    size_t hold = fhold;
    const auto take = [this, &held, &hold](size_t i) {
        hold = i;
        held = held_quantity(i);
    };
    // Entries beyond partialused count as unused.
    const size_t known = fpos < used.size() ? std::min(count, used.size() - fpos) : 0;
    auto bit = used.cbegin() + static_cast<std::ptrdiff_t>(fpos < used.size() ? fpos : 0);
    for (size_t k = 0; k < known; ++k, ++bit) {
        if (*bit == fused) {
            take(fpos + k);
        }
        out[k] = held;
    }
    for (size_t k = known; k < count; ++k) {
        if (!fused) {
            take(fpos + k);
        }
        out[k] = held;
    }
    fheld = held;
    fhold = hold;
    fpos += count;
}

namespace {

// Whether extremes taken over values that all give a level hold only such values.
bool all_give_level(TLevelScale scale, const TExtremes& e) {
    return e.finite && (scale == TLevelScale::decibels || e.low > 0.0);
}

// The range of the `count` (at least 1) quantities q(0) .. q(count - 1), one by one,
// leaving out those that fail.
template <class Quantity>
TQuantityRange range_one_by_one(TLevelScale scale, size_t count, Quantity q) {
    TQuantityRange r;
    r.first = q(0);
    r.last = q(count - 1);
    r.low = std::numeric_limits<double>::infinity();
    r.high = -r.low;
    for (size_t i = 0; i < count; ++i) {
        const double v = q(i);
        if (!quantity_failed(scale, v)) {
            r.low = std::min(r.low, v);
            r.high = std::max(r.high, v);
        } else {
            r.anybad = true;
        }
    }
    r.anygood = r.low <= r.high;
    return r;
}

// The range of the `count` points from `from` whose quantities are the source's values
// below `end` and fail beyond. A stretch within the arrays has its extremes taken over
// all values without branches; only one that holds a failed value is gone over again.
template <class Source>
TQuantityRange range_from(TLevelScale scale, size_t from, size_t count, size_t end,
                          const Source& source) {
    if (from + count > end) {
        return range_one_by_one(scale, count, [&source, from, end](size_t k) {
            return from + k < end ? source.one(from + k) : failed;
        });
    }
    const TExtremes e = extremes(source, from, from + count, TExtremes{});
    if (!all_give_level(scale, e)) {
        return range_one_by_one(scale, count,
                                [&source, from](size_t k) { return source.one(from + k); });
    }
    TQuantityRange r;
    r.first = source.one(from);
    r.last = source.one(from + count - 1);
    r.low = e.low;
    r.high = e.high;
    r.anygood = true;
    return r;
}

// The first index in [i, to) whose flag is set (`set`) or clear (!set); `to` if none.
// Sixteen flags at a time where the processor has SSE2: a staircase's flags run in long
// stretches between sparse partials, and a test per flag cost more than the values.
inline size_t next_flag(const uint8_t* flags, bool set, size_t i, size_t to) {
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= to; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(flags + i));
        const unsigned clear = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, zero)));
        const unsigned found = set ? clear ^ 0xFFFFu : clear;
        if (found != 0) {
            return i + static_cast<size_t>(__builtin_ctz(found));
        }
    }
#endif
    while (i < to && (flags[i] != 0) != set) {
        ++i;
    }
    return i;
}

// Over [from, to), within the flags, the entries of one kind in runs: calls
// run(first, end) for each run of entries of the kind, in order.
template <class Run>
void kind_runs(const uint8_t* flags, bool kind, size_t from, size_t to, Run run) {
    size_t i = next_flag(flags, kind, from, to);
    while (i < to) {
        const size_t end = next_flag(flags, !kind, i + 1, to);
        run(i, end);
        i = next_flag(flags, kind, end, to);
    }
}

} // namespace

bool TCurveQuantities::of_kind(size_t i) const {
    // Entries beyond partialused count as unused.
    const tpartialflags& used = fa.partialused;
    return i < used.size() ? (used[i] != 0) == fused : !fused;
}

void TCurveQuantities::hold(size_t i) {
    fhold = i;
    fheld = held_quantity(i);
}

// The extremes of the entries of the staircase's kind in [from, to) joined to `e`; the
// last of them becomes the value held. Within every array the entries go run by run
// without a test each; the rest one by one.
TExtremes TCurveQuantities::held_extremes(size_t from, size_t to, TExtremes e) {
    const tpartialflags& used = fa.partialused;
    const size_t arrays = std::min({used.size(), fa.sltas1.size(), fa.sltas2.size()});
    const size_t fast = std::clamp(arrays, from, to);
    const auto each_run = [&](const auto& source) {
        kind_runs(used.data(), fused, from, fast, [&](size_t first, size_t end) {
            e = extremes(source, first, end, e);
            fhold = end - 1;
            fheld = source.one(end - 1);
        });
    };
    if (fsource == TSource::sltasratio) {
        each_run(TPowerRatios{fcnum->data(), fcden->data()});
    } else {
        each_run(TScaledPowers{fcnum->data(), fscaleby});
    }
    for (size_t i = fast; i < to; ++i) {
        if (of_kind(i)) {
            hold(i);
            e.low = std::min(e.low, fheld);
            e.high = std::max(e.high, fheld);
            e.finite = e.finite && std::isfinite(fheld);
        }
    }
    return e;
}

// The range of a stretch [start, end) whose first point holds r.first, one point at a
// time, leaving out the values that fail.
void TCurveQuantities::held_range_one_by_one(size_t start, size_t end, TQuantityRange& r) const {
    r.low = std::numeric_limits<double>::infinity();
    r.high = -r.low;
    for (size_t i = start; i < end; ++i) {
        if (i != start && !of_kind(i)) {
            continue;
        }
        const double q = i == start ? r.first : held_quantity(i);
        if (!quantity_failed(fscale, q)) {
            r.low = std::min(r.low, q);
            r.high = std::max(r.high, q);
        } else {
            r.anybad = true;
        }
    }
    r.anygood = r.low <= r.high;
}

// A staircase's points over a stretch hold the value at its first point and then the
// values of the entries of its kind inside it: the extremes are those of these values,
// and the last is that of the last entry of its kind. As in range_from, the extremes are
// first taken without branches on the data, and a stretch with a failed value is gone
// over again.
TQuantityRange TCurveQuantities::next_held_range(size_t count) {
    const size_t start = fpos;
    const size_t end = fpos + count;
    if (of_kind(start)) {
        hold(start);
    }
    TQuantityRange r;
    r.first = fheld;
    const TExtremes e =
        held_extremes(start + 1, end, TExtremes{fheld, fheld, std::isfinite(fheld)});
    r.last = fheld;
    if (all_give_level(fscale, e)) {
        r.low = e.low;
        r.high = e.high;
        r.anygood = true;
    } else {
        held_range_one_by_one(start, end, r);
    }
    fpos = end;
    return r;
}

TQuantityRange TCurveQuantities::next_range(size_t count) {
    const size_t from = fpos;
    const size_t size = fnum != nullptr ? fnum->size() : 0;
    TQuantityRange r;
    switch (fsource) {
    case TSource::plain:
        r = range_from(fscale, from, count, size, TPlainValues{fnum->data()});
        break;
    case TSource::average:
        r = range_from(fscale, from, count, size, TScaledValues{fnum->data(), fscaleby});
        break;
    case TSource::ratio: {
        const size_t both = std::min(size, fden->size());
        r = range_from(fscale, from, count, both, TRatioValues{fnum->data(), fden->data()});
        break;
    }
    case TSource::sltas:
    case TSource::sltasratio:
        return next_held_range(count);
    case TSource::none:
        r = range_from(fscale, from, count, 0, TPlainValues{nullptr});
        break;
    }
    fpos += count;
    return r;
}

void TCurveQuantities::next(double* out, size_t count) {
    const size_t size = fnum != nullptr ? fnum->size() : 0;
    const size_t within = fpos < size ? std::min(count, size - fpos) : 0;
    switch (fsource) {
    case TSource::plain:
        std::copy_n(fnum->data() + fpos, within, out);
        break;
    case TSource::average: {
        const double* v = fnum->data() + fpos;
        for (size_t k = 0; k < within; ++k) {
            out[k] = v[k] * fscaleby;
        }
        break;
    }
    case TSource::ratio: {
        const size_t both = fpos < fden->size() ? std::min(within, fden->size() - fpos) : 0;
        const double* n = fnum->data() + fpos;
        const double* d = fden->data() + fpos;
        for (size_t k = 0; k < both; ++k) {
            out[k] = n[k] / d[k];
        }
        std::fill(out + both, out + within, failed);
        break;
    }
    case TSource::sltas:
    case TSource::sltasratio:
        next_held(out, count);
        return;
    case TSource::none:
        break;
    }
    std::fill(out + within, out + count, failed);
    fpos += count;
}

TLevelScale curve_level_scale(int curve) {
    if (curve >= 1 && curve <= 6) {
        return TLevelScale::decibels;
    }
    return curve >= 11 ? TLevelScale::power : TLevelScale::ratio;
}

namespace {

// 20·log10 for a ratio, 10·log10 for a power.
double decibels_per_decade(TLevelScale scale) {
    return scale == TLevelScale::ratio ? 20.0 : 10.0;
}

} // namespace

double level_of_quantity(TLevelScale scale, double q) {
    if (quantity_failed(scale, q)) {
        return failed;
    }
    if (scale == TLevelScale::decibels) {
        return q;
    }
    // The same bits as curve_levels gives for the same quantity.
    return scaled_log10(q, decibels_per_decade(scale));
}

void levels_of_quantities(TLevelScale scale, double* q, size_t count) {
    if (scale != TLevelScale::decibels) {
        scaled_log10(q, q, count, decibels_per_decade(scale));
        return;
    }
    for (size_t i = 0; i < count; ++i) {
        if (quantity_failed(scale, q[i])) {
            q[i] = failed;
        }
    }
}

bool curve_levels(const TAnalyser& a, int curve, size_t count, tdoublearr& values) {
    TCurveQuantities quantities(a, curve);
    if (!quantities.drawable()) {
        return false;
    }
    quantities.next(values.data(), count);
    // A failed quantity gives NaN.
    levels_of_quantities(quantities.scale(), values.data(), count);
    return true;
}

bool shown_levels(const TAnalyser& a, int curve, size_t count, tdoublearr& values) {
    if (!curve_levels(a, curve, count, values)) {
        return false;
    }
    const TCalibration& c = a.calibration;
    if (c.affects(curve)) {
        c.prepare(a.outdb1.size(), a.sampfreq);
        for (size_t i = 0; i < count; ++i) {
            values[i] += c.bin_adjustment(curve, i);
        }
    }
    return true;
}

} // namespace zevrin
