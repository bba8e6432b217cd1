#include "engine/distortion.h"

#include "dsp/text.h"
#include "engine/sltas_partials.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace zevrin {

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

double squared(const tcomplex& z) {
    return z.re * z.re + z.im * z.im;
}

double power_level(double power) {
    return power > 0.0 && std::isfinite(power) ? 10.0 * std::log10(power) : nan;
}

// What arrived less what repeats. Where a bin repeats exactly the two differ only by
// the rounding of the sums, some 150 dB below the bin's power: that is no noise.
double incoherent_power(double total, double coherent) {
    const double rest = total - coherent;
    return rest > total * 1e-12 ? rest : 0.0;
}

double ratio(double part, double whole) {
    return whole > 0.0 ? part / whole : nan;
}

} // namespace

std::string ratio_text(double power_ratio) {
    if (!std::isfinite(power_ratio) || power_ratio < 0.0) {
        return "?";
    }
    const std::string percent = format_float("0.###", 100.0 * std::sqrt(power_ratio)) + " %";
    if (power_ratio == 0.0) {
        return percent;
    }
    return format_float("0.0", 10.0 * std::log10(power_ratio)) + " dB (" + percent + ")";
}

void TDistortion::compute(const TAnalyser& a) {
    bins.clear();
    partials.clear();
    fproblem = sltas_measurement_problem(a);
    if (!fproblem.empty()) {
        return;
    }
    weight = a.sltasdecayedcount;
    const double w2 = a.powersums.weightsquared();
    effective_frames = w2 > 0.0 ? weight * weight / w2 : 0.0;
    synthesised_partials(a, fused);
    single = a.partialpattern == static_cast<int>(TPartialPattern::single);
    per_bin(a);
    ratios(a);
}

void TDistortion::per_bin(const TAnalyser& a) {
    const tcomplexarr& y = response_sums(a);
    const tdoublearr& p = response_powers(a);
    const size_t l = fused.size();
    const double w = weight;
    frequency.clear();
    distortion_db.clear();
    noise_db.clear();
    partial_frequency.clear();
    signal_db.clear();
    for (size_t k = 1; k <= l / 2; ++k) {
        const double f = static_cast<double>(k) * a.sampfreq / static_cast<double>(l);
        const double coherent = squared(y[k]) / (w * w);
        if (fused[k]) {
            partials.push_back(k);
            partial_frequency.push_back(f);
            signal_db.push_back(power_level(coherent));
            continue;
        }
        bins.push_back(k);
        frequency.push_back(f);
        distortion_db.push_back(power_level(coherent));
        noise_db.push_back(power_level(incoherent_power(p[k] / w, coherent)));
    }
}

void TDistortion::ratios(const TAnalyser& a) {
    const tcomplexarr& y = response_sums(a);
    const tdoublearr& p = response_powers(a);
    const size_t l = fused.size();
    const double w = weight;
    thd = thdn = nan;
    if (partials.empty()) {
        return;
    }
    const auto coherent = [&](size_t k) { return squared(y[k]) / (w * w); };
    const auto total = [&](size_t k) { return p[k] / w; };
    const size_t lo = single ? 1 : partials.front();
    const size_t hi = single ? l / 2 : partials.back();
    double used = 0.0;
    for (size_t k : partials) {
        used += coherent(k);
    }
    double unused_coherent = 0.0;
    double unused_total = 0.0;
    size_t unused = 0;
    for (size_t k : bins) {
        if (k >= lo && k <= hi) {
            unused_coherent += coherent(k);
            unused_total += total(k);
            ++unused;
        }
    }
    if (unused == 0) {
        return;
    }
    thd = ratio(single ? harmonic_power(y, partials.front(), l) / (w * w) : unused_coherent, used);
    thdn = ratio(unused_total, used);
}

// The coherent sum power (not yet divided by the weight) of the harmonics of bin
// `fundamental`, each folded bin counted once.
double TDistortion::harmonic_power(const tcomplexarr& y, size_t fundamental, size_t length) {
    fharmonic.assign(length / 2 + 1, false);
    const size_t cycle = length / std::gcd(fundamental, length);
    double sum = 0.0;
    for (size_t m = 2; m < cycle; ++m) {
        size_t k = (m * fundamental) % length;
        k = std::min(k, length - k);
        if (k == 0 || k == fundamental || fharmonic[k]) {
            continue;
        }
        fharmonic[k] = true;
        sum += squared(y[k]);
    }
    return sum;
}

} // namespace zevrin
