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
// keeps its first, last, smallest and largest quantity (for a spectrum curve the
// curve reader does this itself, engine/curves.h); it compares quantities rather than
// rows, so the row (for the averaged curves a logarithm) is computed only for the four
// quantities per column that matter. The second turns the runs into lines.
// Nothing here allocates.

#include "engine/curves.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <limits>

namespace zevrin {

/// What a run of points in one column leaves.
struct TColumnRun : TQuantityRange {
    int x = 0;
};

/// Mapping requirements: `bool failed(double q) const` marks a quantity with no row of
/// its own, drawn at `int failed_row() const`; `int row(double q) const` is the row of
/// any other quantity and must be monotonic in q (rising or falling).

/// The run of the `count` (at least 1) quantities `q` in column `x`.
template <class Mapping>
TColumnRun reduce_run(const Mapping& map, int x, const double* q, size_t count) {
    TColumnRun r;
    r.x = x;
    r.first = q[0];
    r.last = q[count - 1];
    r.low = std::numeric_limits<double>::infinity();
    r.high = -r.low;
    for (size_t i = 0; i < count; ++i) {
        if (map.failed(q[i])) {
            r.anybad = true;
        } else {
            r.low = std::min(r.low, q[i]);
            r.high = std::max(r.high, q[i]);
        }
    }
    r.anygood = r.low <= r.high;
    return r;
}

namespace column_detail {

// The rows of one run: its vertical stroke and, on demand, its end points.
template <class Mapping> class TRunRows {
public:
    TRunRows(const Mapping& map, const TColumnRun& run) : fmap(&map), frun(&run) {
        ftop = fbottom = fa = fb = map.failed_row();
        if (run.anygood) {
            fa = map.row(run.low);
            fb = map.row(run.high);
            ftop = std::min(fa, fb);
            fbottom = std::max(fa, fb);
            if (run.anybad) {
                ftop = std::min(ftop, map.failed_row());
                fbottom = std::max(fbottom, map.failed_row());
            }
        }
    }
    int top() const { return ftop; }
    int bottom() const { return fbottom; }
    // The first and last point are often an extreme: their rows are known then.
    int row(double q) const {
        if (fmap->failed(q)) {
            return fmap->failed_row();
        }
        return q == frun->low ? fa : q == frun->high ? fb : fmap->row(q);
    }

private:
    const Mapping* fmap;
    const TColumnRun* frun;
    int ftop, fbottom, fa, fb;
};

// The line joining two neighbouring columns adds nothing when both of its ends lie
// within both columns' strokes: its pixels are then in the strokes already. Rows
// follow quantities monotonically, so the test needs no rows.
template <class Mapping>
bool join_hidden(const Mapping& map, const TColumnRun& before, const TColumnRun& run) {
    if (!before.anygood || !run.anygood || std::abs(run.x - before.x) != 1 ||
        map.failed(before.last) || map.failed(run.first)) {
        return false;
    }
    const double low = std::max(before.low, run.low);
    const double high = std::min(before.high, run.high);
    return low <= before.last && before.last <= high && low <= run.first && run.first <= high;
}

} // namespace column_detail

/// The lines of the picture: for each run the vertical line over its rows and the line
/// from the run before (from its last point to this run's first), left out where it
/// adds no pixel. Line: `void operator()(int x1, int y1, int x2, int y2)`, each line
/// to be drawn with both of its end pixels.
template <class Mapping, class Line>
void column_lines(const TColumnRun* runs, size_t count, const Mapping& map, Line&& line) {
    using column_detail::TRunRows;
    if (count == 0) {
        return;
    }
    TRunRows<Mapping> before(map, runs[0]);
    line(runs[0].x, before.top(), runs[0].x, before.bottom());
    for (size_t k = 1; k < count; ++k) {
        const TColumnRun& r = runs[k];
        const TRunRows<Mapping> rows(map, r);
        if (!column_detail::join_hidden(map, runs[k - 1], r)) {
            line(runs[k - 1].x, before.row(runs[k - 1].last), r.x, rows.row(r.first));
        }
        line(r.x, rows.top(), r.x, rows.bottom());
        before = rows;
    }
}

} // namespace zevrin
