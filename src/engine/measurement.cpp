#include "engine/measurement.h"

#include "dsp/numeric.h"
#include "dsp/text.h"

#include <cmath>

namespace zevrin {

const std::array<TMeasureItem, 16> measure_items = {{
    {"measurefreehand", "Freehand", 0},
    {"MeasureMono", "Mono", 1},
    {"MeasureLeft", "Left", 2},
    {"MeasureRight", "Right", 3},
    {"MeasureFrozen", "Frozen", 4},
    {"MeasureLeftFrozen", "Left frozen", 5},
    {"MeasureRightFrozen", "Right frozen", 6},
    {"MeasureLTAS", "LTAS", 7},
    {"MeasureLeftLTAS", "Left LTAS", 8},
    {"MeasureRightLTAS", "Right LTAS", 9},
    {"MeasureSLTAS", "SLTAS", 11},
    {"MeasureLeftSLTAS", "Left SLTAS", 12},
    {"MeasureRightSLTAS", "Right SLTAS", 13},
    {"MeasureSLTASunused", "SLTAS (unused partials)", 15},
    {"MeasureLeftSLTASunused", "Left SLTAS (unused partials)", 16},
    {"MeasureRightSLTASunused", "Right SLTAS (unused partials)", 17},
}};

namespace {

// The values a cursor reads on a curve: a spectrum in dB, an LTAS sum, or the moduli
// of an SLTAS sum. Neighbours wrap around, as the spectrum of N points is periodic.
class TCurveValues {
public:
    TCurveValues(const TAnalyser& a, int curve) {
        switch (curve) {
        case 1:
        case 2:
            freal = &a.outdb1;
            break;
        case 3:
            freal = &a.outdb2;
            break;
        case 4:
        case 5:
            freal = &a.outdb1a;
            break;
        case 6:
            freal = &a.outdb2a;
            break;
        case 7:
        case 8:
            freal = &a.ltas1;
            break;
        case 9:
            freal = &a.ltas2;
            break;
        case 11:
        case 12:
        case 15:
        case 16:
            fcomplex = &a.sltas1;
            break;
        case 13:
        case 17:
            fcomplex = &a.sltas2;
            break;
        default: // the L-R curves and unknown numbers cannot be measured
            break;
        }
    }
    long size() const {
        if (freal != nullptr) {
            return static_cast<long>(freal->size());
        }
        return fcomplex != nullptr ? static_cast<long>(fcomplex->size()) : 0;
    }
    double operator[](long i) const {
        const long n = size();
        const auto k = static_cast<size_t>(((i % n) + n) % n);
        return freal != nullptr ? (*freal)[k] : sltas_modulus((*fcomplex)[k]);
    }

private:
    const tdoublearr* freal = nullptr;
    const tcomplexarr* fcomplex = nullptr;
};

struct TPeak {
    double bin = 0.0;
    double value = 0.0;
};

long snap_to_peak(const TCurveValues& v, long p) {
    const long last = v.size() - 1;
    while (p < last - 1 && v[p + 1] > v[p]) {
        ++p;
    }
    while (p > 1 && v[p - 1] > v[p]) {
        --p;
    }
    return p;
}

// The vertex of the parabola through bins p-1, p and p+1. At the first and the last
// entry the missing neighbour is the one across the end of the periodic spectrum.
TPeak interpolate_peak(const TCurveValues& v, long p) {
    const double y1 = v[p - 1];
    const double y2 = v[p];
    const double y3 = v[p + 1];
    double d = (y1 - y3) / (2.0 * (y1 - 2.0 * y2 + y3));
    if (!std::isfinite(d)) {
        d = 0.0; // three points on a line
    }
    const double level = y2 + d * (y3 - y1) / 2.0 + d * d * ((y1 + y3) / 2.0 - y2);
    return TPeak{static_cast<double>(p) + d, level};
}

TPeak read_curve(const TAnalyser& a, const TCurveValues& v, long p) {
    if (!a.snaptopeak()) {
        return TPeak{static_cast<double>(p), v[p]};
    }
    p = snap_to_peak(v, p);
    if (!a.interpolate()) {
        return TPeak{static_cast<double>(p), v[p]};
    }
    return interpolate_peak(v, p);
}

double level_in_db(const TAnalyser& a, int curve, double value) {
    double level = value;
    if (curve >= 7 && curve <= 9) {
        level = 20.0 * log10(value / a.ltasdecayedcount);
    } else if (curve >= 11) {
        level = 20.0 * log10(value / a.sltasdecayedcount);
    }
    return std::isfinite(level) ? level : failed_level;
}

std::string one_decimal(double v) {
    return format_float("0.0", v);
}

bool mono_curve(int curve) {
    return curve == 1 || curve == 4 || curve == 7 || curve == 11 || curve == 15;
}

} // namespace

void measure_at(TAnalyser& a, TCursors& c, double f, double pointerlevel) {
    const int curve = a.measurecurveno();
    double level = pointerlevel;
    if (curve != 0) {
        const TCurveValues values(a, curve);
        const auto n = static_cast<double>(values.size());
        const double bin = round_even(n * f / a.sampfreq);
        a.domeasure = values.size() > 0 && bin >= 0.0 && bin <= n - 1.0;
        if (!a.domeasure) {
            return;
        }
        const TPeak peak = read_curve(a, values, static_cast<long>(bin));
        f = peak.bin * a.sampfreq / n;
        level = level_in_db(a, curve, peak.value);
        if (level != failed_level && a.calibration.affects(curve)) {
            level += a.calibration.adjustment_at(curve, f);
        }
    } else {
        a.domeasure = true;
    }
    c.measurefreq = f;
    c.measurelevel = level;
    if (c.mousewasjustpressed) {
        c.measuredownfreq = c.measurefreq;
        c.measuredownlevel = c.measurelevel;
    }
}

void cursor_event(TAnalyser& a, TCursors& c, bool leftbutton, double f, double pointerlevel) {
    if (leftbutton) {
        measure_at(a, c, f, pointerlevel);
    }
    c.mousewasjustpressed = false;
}

TReadout measurement_readout(const TAnalyser& a, const TCursors& c,
                             const std::array<bool, ncurves>& showcurve,
                             const std::array<uint32_t, ncurves>& linecolor) {
    TReadout r;
    if (!a.measure) {
        return r;
    }
    const double f1 = c.measuredownfreq;
    const double f2 = c.measurefreq;
    r.a = "f1=" + one_decimal(f1) + " Hz, f2=" + one_decimal(f2) + " Hz" +
          ", f2-f1=" + one_decimal(f2 - f1) + " Hz";
    const double ratio = f2 / f1;
    if (std::isfinite(ratio)) {
        r.a += ", f2/f1=" + format_float("0.000", ratio);
    }
    const int curve = a.measurecurveno();
    const bool shown =
        curve == 0 || (curve > 0 && curve < ncurves && showcurve[static_cast<size_t>(curve)]);
    if (a.components().MPCRecord1.OwnBoard() || !a.domeasure || !shown) {
        return r;
    }
    const double l1 = c.measuredownlevel;
    const double l2 = c.measurelevel;
    r.b = curve == 0 ? std::string("Levels ")
                     : std::string(curve_names[static_cast<size_t>(curve)]) + " levels ";
    const std::string unit = " " + a.calibration.unit_text();
    r.b += one_decimal(l1) + unit + ", " + one_decimal(l2) + unit + ", Diff " +
           one_decimal(l2 - l1) + " dB";
    r.bcolor = curve == 0 ? 0x000000u : linecolor[static_cast<size_t>(curve)];
    r.clipboardstr = one_decimal(f1) + '\t' + one_decimal(l1);
    if (f2 != f1) {
        r.clipboardstr += '\t' + one_decimal(f2) + '\t' + one_decimal(l2);
    }
    return r;
}

void measure_reference_at(const TReferenceCurve& r, TCursors& c, bool pressed) {
    const auto level = [&r](double f) {
        const double l = r.level_at(r.curvenames.empty() ? 0 : r.curvenames.size() - 1, f);
        return std::isfinite(l) ? l : failed_level;
    };
    c.measurelevel = level(c.measurefreq);
    if (pressed) {
        c.measuredownlevel = level(c.measuredownfreq);
    }
}

void name_reference_readout(TReadout& r, const std::string& name, uint32_t color) {
    const std::string freehand = "Levels ";
    if (r.b.compare(0, freehand.size(), freehand) == 0) {
        r.b = name + " levels " + r.b.substr(freehand.size());
        r.bcolor = color;
    }
}

bool measure_item_visible(int curve, const std::array<bool, ncurves>& showcurve,
                          bool dualchannels) {
    if (curve == 0) {
        return true;
    }
    if (curve < 0 || curve >= ncurves || !showcurve[static_cast<size_t>(curve)]) {
        return false;
    }
    return mono_curve(curve) != dualchannels;
}

} // namespace zevrin
