#pragma once
// The curve list: 19 entries, 0 the background and 1 to 18 the spectrum curves, with
// their names, default colours, the state in which each is drawn, the order of drawing,
// and the level of each point as the spectrum plot computes it. The plot, the
// measurement cursors and the curve export all read the curves through this.
//
// A curve's level at a point comes from one quantity per point: the level itself for
// the current and frozen spectra, or a ratio whose level is 20·log10 of it for the
// averages. The level never decreases as the quantity grows, so a reader that only
// needs extremes (the plot, a few per pixel column) compares quantities and takes
// logarithms only of the ones it keeps.

#include "engine/analyser.h"
#include "engine/extremes.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>

namespace zevrin {

inline constexpr int ncurves = 19;

/// The names of the settings dialog's colour list, by curve number.
extern const std::array<const char*, ncurves> curve_names;
/// Default colours, 0x00BBGGRR.
extern const std::array<uint32_t, ncurves> default_curve_colors;

/// The curve's condition in the curve table holds (ignoring its visibility flag).
bool curve_condition(const TAnalyser& a, int curve);

/// The curves to draw, in drawing order, given the visibility flags; returns how many
/// were written to `order`.
int curves_to_draw(const TAnalyser& a, const std::array<bool, ncurves>& showcurve,
                   std::array<int, ncurves>& order);

/// How a curve's level follows from its quantity.
enum class TLevelScale {
    decibels, ///< the quantity is the level (current and frozen spectra)
    ratio,    ///< the level is 20·log10 of the quantity (the LTAS curves)
    power,    ///< the level is 10·log10 of the quantity, a squared ratio (the SLTAS curves)
};

TLevelScale curve_level_scale(int curve);

/// The quantity gives no level: NaN or infinite, or for a ratio or power 0 or less.
inline bool quantity_failed(TLevelScale scale, double q) {
    if (scale == TLevelScale::decibels) {
        return !std::isfinite(q);
    }
    return !(q > 0.0 && q <= std::numeric_limits<double>::max());
}

/// The level in dB of a quantity; NaN where quantity_failed.
double level_of_quantity(TLevelScale scale, double q);
/// The levels of `count` quantities in place, with the same bits as level_of_quantity
/// gives one by one, on the processor's vector instructions.
void levels_of_quantities(TLevelScale scale, double* q, size_t count);

/// The modulus of an SLTAS sum.
inline double sltas_modulus(const tcomplex& z) {
    return std::sqrt(squared_modulus(z));
}

/// What a stretch of consecutive points holds: the first and last quantity, the
/// smallest and largest of those that give a level, and whether any fail to.
struct TQuantityRange {
    double first = 0.0;
    double last = 0.0;
    double low = 0.0;
    double high = 0.0;
    bool anygood = false;
    bool anybad = false;
};

/// The quantities of a curve's points, read in order: point i stands for spectrum
/// entry i, and entries beyond the arrays give NaN. The SLTAS curves are staircases
/// through the entries of one kind of partial, point i holding the value of the last
/// such entry at or before it (before the first, the first). Allocates nothing.
class TCurveQuantities {
public:
    /// `a` must outlive the reader and stay unchanged while it reads.
    TCurveQuantities(const TAnalyser& a, int curve);
    /// False when the curve has nothing to draw at all: an SLTAS staircase without an
    /// entry of its kind before the last entry of partialused.
    bool drawable() const { return fdrawable; }
    TLevelScale scale() const { return fscale; }
    /// The quantities of the next `count` points into `out`; the first call starts at
    /// point 0.
    void next(double* out, size_t count);
    /// What the next `count` (at least 1) points hold, without their quantities one
    /// by one: for a reader that needs only extremes, such as the plot.
    TQuantityRange next_range(size_t count);

private:
    enum class TSource { none, plain, average, ratio, sltas, sltasratio };

    void next_held(double* out, size_t count);
    TQuantityRange next_held_range(size_t count);
    double held_quantity(size_t j) const;
    bool of_kind(size_t i) const;
    void hold(size_t i);
    TExtremes held_extremes(size_t from, size_t to, TExtremes e);
    void held_range_one_by_one(size_t start, size_t end, TQuantityRange& r) const;

    const TAnalyser& fa;
    TSource fsource = TSource::none;
    TLevelScale fscale = TLevelScale::ratio;
    bool fdrawable = true;
    const tdoublearr* fnum = nullptr;
    const tdoublearr* fden = nullptr;
    const tcomplexarr* fcnum = nullptr;
    const tcomplexarr* fcden = nullptr;
    double fscaleby = 1.0; ///< 1 / the LTAS weight, or 1 / the SLTAS weight squared
    bool fused = true;     ///< the staircase goes through used partials
    size_t fpos = 0;
    size_t fhold = 0;
    double fheld = 0.0;
};

/// The level in dB of points 0 .. count-1 of a curve. A value that cannot be computed
/// (the logarithm of 0, a division by 0) is NaN; the plot places such a point far
/// outside. Returns false when the curve has nothing to draw at all.
/// `values` must hold at least `count` entries; nothing is allocated.
bool curve_levels(const TAnalyser& a, int curve, size_t count, tdoublearr& values);

/// The levels as the plot, the cursors and the export show them: curve_levels with the
/// analyser's calibration (engine/calibration.h) added. Allocates only when the
/// calibration's corrections must be evaluated for a new N or sampling frequency.
bool shown_levels(const TAnalyser& a, int curve, size_t count, tdoublearr& values);

} // namespace zevrin
