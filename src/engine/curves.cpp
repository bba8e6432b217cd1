#include "engine/curves.h"

#include "dsp/numeric.h"

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

constexpr double failed = std::numeric_limits<double>::quiet_NaN();

enum class Kind { current, frozen, ltas, sltas_used, sltas_unused };

Kind kind_of(int curve) {
    if (curve <= 3) {
        return Kind::current;
    }
    if (curve <= 6) {
        return Kind::frozen;
    }
    if (curve <= 10) {
        return Kind::ltas;
    }
    return curve <= 14 ? Kind::sltas_used : Kind::sltas_unused;
}

// Mono curves are 1, 4, 7, 11 and 15; all others need two channels.
bool mono_curve(int curve) {
    return curve == 1 || curve == 4 || curve == 7 || curve == 11 || curve == 15;
}

double db(double ratio) {
    const double v = 20.0 * log10(ratio);
    return std::isfinite(v) ? v : failed;
}

double modulus(const tcomplex& z) {
    return hypot(z.re, z.im);
}

bool partial_is(const TAnalyser& a, size_t i, bool used) {
    const bool value = i < a.partialused.size() && a.partialused[i];
    return value == used;
}

// The staircase's first index: the lowest entry of the wanted kind before the last
// entry of partialused; -1 when there is none. Entries beyond partialused count as
// unused partials.
long first_hold(const TAnalyser& a, bool used) {
    const size_t n = a.partialused.size();
    for (size_t i = 0; i + 1 < n; ++i) {
        if (a.partialused[i] == used) {
            return static_cast<long>(i);
        }
    }
    return -1;
}

double plain_level(const TAnalyser& a, int curve, size_t i) {
    const auto at = [i](const tdoublearr& v) { return i < v.size() ? v[i] : failed; };
    switch (curve) {
    case 1:
    case 2:
        return at(a.outdb1);
    case 3:
        return at(a.outdb2);
    case 4:
    case 5:
        return at(a.outdb1a);
    case 6:
        return at(a.outdb2a);
    case 7:
    case 8:
        return db(at(a.ltas1) / a.ltasdecayedcount);
    case 9:
        return db(at(a.ltas2) / a.ltasdecayedcount);
    case 10:
        return db(at(a.ltas2) / at(a.ltas1));
    default:
        return failed;
    }
}

double sltas_level(const TAnalyser& a, int curve, size_t j) {
    if (j >= a.sltas1.size() || j >= a.sltas2.size()) {
        return failed;
    }
    switch (curve) {
    case 11:
    case 12:
    case 15:
    case 16:
        return db(modulus(a.sltas1[j]) / a.sltasdecayedcount);
    case 13:
    case 17:
        return db(modulus(a.sltas2[j]) / a.sltasdecayedcount);
    default: // 14, 18: right relative to left
        return db(modulus(a.sltas2[j]) / modulus(a.sltas1[j]));
    }
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

bool curve_levels(const TAnalyser& a, int curve, size_t count, tdoublearr& values) {
    const Kind kind = kind_of(curve);
    if (kind != Kind::sltas_used && kind != Kind::sltas_unused) {
        for (size_t i = 0; i < count; ++i) {
            values[i] = plain_level(a, curve, i);
        }
        return true;
    }
    const bool used = kind == Kind::sltas_used;
    const long first = first_hold(a, used);
    if (first < 0) {
        return false;
    }
    auto j = static_cast<size_t>(first);
    for (size_t i = 0; i < count; ++i) {
        if (partial_is(a, i, used)) {
            j = i;
        }
        values[i] = sltas_level(a, curve, j);
    }
    return true;
}

} // namespace zevrin
