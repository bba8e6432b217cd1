#include "display/spectrogram_render.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace zevrin {

void place_items(const AxisScale& scale, double start, double step, int64_t count,
                 std::vector<TItemRange>& out) {
    const int extent = std::max(0, scale.extent);
    out.assign(static_cast<size_t>(extent), TItemRange{});
    if (count <= 0 || !(step > 0.0)) {
        return;
    }
    const double lo = std::min(scale.lo, scale.hi);
    const double hi = std::max(scale.lo, scale.hi);
    for (int64_t i = 0; i < count; ++i) {
        const double v = start + static_cast<double>(i) * step;
        if (v < lo || v > hi || (scale.logarithmic && !(v > 0.0))) {
            continue;
        }
        const int p = value_to_notclippedpixel(scale, v);
        if (p < 0 || p >= extent) {
            continue;
        }
        TItemRange& r = out[static_cast<size_t>(p)];
        const auto item = static_cast<int32_t>(i);
        if (r.empty()) {
            r = TItemRange{item, item};
        } else {
            r.first = std::min(r.first, item);
            r.last = std::max(r.last, item);
        }
    }
    const double end = start + static_cast<double>(count - 1) * step;
    for (int p = 0; p < extent; ++p) {
        TItemRange& r = out[static_cast<size_t>(p)];
        if (!r.empty()) {
            continue;
        }
        const double v = pixel_to_value(scale, p);
        if (v < start - step / 2 || v > end + step / 2) {
            continue;
        }
        const double nearest =
            std::clamp(std::round((v - start) / step), 0.0, static_cast<double>(count - 1));
        const auto item = static_cast<int32_t>(nearest);
        r = TItemRange{item, item};
    }
}

void TLevelColors::set(TColorMap map, double lo, double hi) {
    for (int i = 0; i < steps; ++i) {
        const TRgb c = color_map_rgb(map, static_cast<double>(i) / (steps - 1));
        ftable[static_cast<size_t>(i)] =
            0xFF000000u | static_cast<uint32_t>(c.r) << 16 | static_cast<uint32_t>(c.g) << 8 | c.b;
    }
    flo = lo;
    fscale = hi > lo ? (steps - 1) / (hi - lo) : 0.0;
}

uint32_t TLevelColors::color_of_units(int units) const {
    const double level = units * TSpectrogramRing::level_step;
    const double index = std::clamp(std::round((level - flo) * fscale), 0.0, double{steps - 1});
    return ftable[static_cast<size_t>(index)];
}

namespace {

// The highest level of bins first..last of one column.
int column_maximum(const TSpectrogramRing& ring, TSpectrogramSource source, int64_t k,
                   TItemRange rows) {
    const auto from = static_cast<size_t>(rows.first);
    const auto to = static_cast<size_t>(rows.last);
    int best = INT_MIN;
    if (source == TSpectrogramSource::difference) {
        const int16_t* left = ring.column(k, 0);
        const int16_t* right = ring.column(k, 1);
        for (size_t m = from; m <= to; ++m) {
            best = std::max(best, right[m] - left[m]);
        }
        return best;
    }
    const int16_t* levels = ring.column(k, source == TSpectrogramSource::channel2 ? 1 : 0);
    return *std::max_element(levels + from, levels + to + 1);
}

} // namespace

bool cell_level_units(const TSpectrogramRing& ring, TSpectrogramSource source, int64_t base,
                      TItemRange frames, TItemRange rows, int& units) {
    if (frames.empty() || rows.empty() || !ring.shows(source) ||
        static_cast<size_t>(rows.last) >= ring.bins()) {
        return false;
    }
    const int64_t from = std::max(base + frames.first, ring.first());
    const int64_t to = std::min(base + frames.last, ring.count() - 1);
    if (from > to) {
        return false;
    }
    int best = INT_MIN;
    for (int64_t k = from; k <= to; ++k) {
        best = std::max(best, column_maximum(ring, source, k, rows));
    }
    units = best;
    return true;
}

void render_column(const TSpectrogramRing& ring, TSpectrogramSource source, int64_t base,
                   TItemRange frames, const std::vector<TItemRange>& rows,
                   const TLevelColors& colors, uint32_t nodata, uint32_t* pixels,
                   ptrdiff_t stride) {
    for (size_t y = 0; y < rows.size(); ++y) {
        int units = 0;
        pixels[static_cast<ptrdiff_t>(y) * stride] =
            cell_level_units(ring, source, base, frames, rows[y], units)
                ? colors.color_of_units(units)
                : nodata;
    }
}

} // namespace zevrin
