#pragma once
// A polyline of many points drawn at screen resolution. The picture of a polyline is
// the union of its segments. Consecutive points in the same pixel column are joined by
// vertical segments, which together cover exactly the rows from the highest to the
// lowest of those points; what joins two columns is the one segment from the last
// point of the first to the first point of the second. So each run of points in one
// column comes down to one vertical line and one connecting line, and the picture is
// the same as the full polyline's, with at most two lines per column however many
// points the curve has.
//
// The reduction works in two passes. The first goes over the points of each run and
// keeps its first, last, smallest and largest quantity; it compares quantities rather
// than rows, so the row (for the averaged curves a logarithm) is computed only for the
// four quantities per column that matter. The second turns the runs into lines.
// Nothing here allocates.

#include <algorithm>
#include <cstddef>
#include <limits>

namespace zevrin {

/// What a run of points in one column leaves: its first and last quantity, the
/// smallest and largest of those that do not fail, and whether any fail.
struct TColumnRun {
    int x = 0;
    double first = 0.0;
    double last = 0.0;
    double low = 0.0;
    double high = 0.0;
    bool anygood = false;
    bool anybad = false;
};

/// Mapping requirements: `bool failed(double q) const` marks a quantity with no row of
/// its own, drawn at `int failed_row() const`; `int row(double q) const` is the row of
/// any other quantity and must be monotonic in q (rising or falling).

/// The run of the `count` (at least 1) quantities `q` in column `x`.
template <class Mapping>
TColumnRun reduce_run(const Mapping& map, int x, const double* q, size_t count) {
    // Without branches on the data (noisy curves make them unpredictable), and with two
    // chains of comparisons that run side by side.
    constexpr double none = std::numeric_limits<double>::infinity();
    double low0 = none;
    double low1 = none;
    double high0 = -none;
    double high1 = -none;
    bool bad0 = false;
    bool bad1 = false;
    size_t i = 0;
    for (; i + 1 < count; i += 2) {
        const double v0 = q[i];
        const double v1 = q[i + 1];
        const bool good0 = !map.failed(v0);
        const bool good1 = !map.failed(v1);
        bad0 |= !good0;
        bad1 |= !good1;
        low0 = good0 && v0 < low0 ? v0 : low0;
        low1 = good1 && v1 < low1 ? v1 : low1;
        high0 = good0 && v0 > high0 ? v0 : high0;
        high1 = good1 && v1 > high1 ? v1 : high1;
    }
    if (i < count) {
        const double v0 = q[i];
        const bool good0 = !map.failed(v0);
        bad0 |= !good0;
        low0 = good0 && v0 < low0 ? v0 : low0;
        high0 = good0 && v0 > high0 ? v0 : high0;
    }
    const double lowest = std::min(low0, low1);
    const double highest = std::max(high0, high1);
    TColumnRun r;
    r.x = x;
    r.first = q[0];
    r.last = q[count - 1];
    r.low = lowest;
    r.high = highest;
    r.anygood = lowest <= highest;
    r.anybad = bad0 || bad1;
    return r;
}

/// The lines of the picture: for each run the line from the run before (from its last
/// point to this run's first) and the vertical line over the run's rows. Line:
/// `void operator()(int x1, int y1, int x2, int y2)`, each line to be drawn with both
/// of its end pixels.
template <class Mapping, class Line>
void column_lines(const TColumnRun* runs, size_t count, const Mapping& map, Line&& line) {
    int lastx = 0;
    int lasty = 0;
    for (size_t k = 0; k < count; ++k) {
        const TColumnRun& r = runs[k];
        int top = map.failed_row();
        int bottom = top;
        int a = top;
        int b = top;
        // The first and last point are often an extreme: their rows are known then.
        const auto row = [&map, &r, &a, &b](double q) {
            if (map.failed(q)) {
                return map.failed_row();
            }
            return q == r.low ? a : q == r.high ? b : map.row(q);
        };
        if (r.anygood) {
            a = map.row(r.low);
            b = map.row(r.high);
            top = std::min(a, b);
            bottom = std::max(a, b);
            if (r.anybad) {
                top = std::min(top, map.failed_row());
                bottom = std::max(bottom, map.failed_row());
            }
        }
        if (k > 0) {
            line(lastx, lasty, r.x, row(r.first));
        }
        line(r.x, top, r.x, bottom);
        lastx = r.x;
        lasty = row(r.last);
    }
}

} // namespace zevrin
