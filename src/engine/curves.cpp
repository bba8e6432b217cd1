#include "engine/curves.h"

#include "dsp/numeric.h"

#include <algorithm>
#include <cmath>
#include <limits>

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

double TCurveQuantities::held_quantity(size_t j) const {
    if (j >= fa.sltas1.size() || j >= fa.sltas2.size()) {
        return failed;
    }
    if (fsource == TSource::sltasratio) {
        return sltas_power((*fcnum)[j]) / sltas_power((*fcden)[j]);
    }
    return sltas_power((*fcnum)[j]) * fscaleby;
}

void TCurveQuantities::next_held(double* out, size_t count) {
    const std::vector<bool>& used = fa.partialused;
    const size_t known = used.size();
    const size_t sums = std::min(fa.sltas1.size(), fa.sltas2.size());
    const tcomplex* num = fcnum->data();
    const tcomplex* den = fcden->data();
    const bool ratio = fsource == TSource::sltasratio;
    for (size_t k = 0; k < count; ++k) {
        const size_t i = fpos + k;
        const bool kind = i < known && used[i];
        if (kind == fused && i != fhold) {
            fhold = i;
            if (i >= sums) {
                fheld = failed;
            } else if (ratio) {
                fheld = sltas_power(num[i]) / sltas_power(den[i]);
            } else {
                fheld = sltas_power(num[i]) * fscaleby;
            }
        }
        out[k] = fheld;
    }
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
        fpos += count;
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

double level_of_quantity(TLevelScale scale, double q) {
    if (quantity_failed(scale, q)) {
        return failed;
    }
    switch (scale) {
    case TLevelScale::decibels:
        return q;
    case TLevelScale::ratio:
        return 20.0 * log10(q);
    default:
        return 10.0 * log10(q);
    }
}

bool curve_levels(const TAnalyser& a, int curve, size_t count, tdoublearr& values) {
    TCurveQuantities quantities(a, curve);
    if (!quantities.drawable()) {
        return false;
    }
    quantities.next(values.data(), count);
    for (size_t i = 0; i < count; ++i) {
        values[i] = level_of_quantity(quantities.scale(), values[i]);
    }
    return true;
}

} // namespace zevrin
