#pragma once
// What one pixel of the spectrogram shows, and its colour; Qt-free, so that the rules
// are tested without a window.
//
// Both axes place items the same way: the bins of a column along the frequency axis,
// the frames along the time axis. Every item whose value lies within the axis's range
// goes to the pixel that the axis maps it to, as the spectrum plot places its bins, and
// a pixel that gets several shows the highest level among them, so a narrow peak is
// never lost between pixels. A pixel that gets none (the axis is finer than the items)
// shows the item nearest to its own value, and one beyond the items (above half the
// sampling frequency, before the first frame kept) shows no data.

#include "display/axis_scale.h"
#include "engine/color_maps.h"
#include "engine/spectrogram_ring.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace zevrin {

/// The items one pixel shows, first to last; `first` is -1 when it shows none.
struct TItemRange {
    int32_t first = -1;
    int32_t last = -1;
    bool empty() const { return first < 0; }
    bool operator==(const TItemRange&) const = default;
};

/// For every pixel of an axis (`out` gets scale.extent entries), the items it shows of
/// `count` items, item i at value start + i × step (step > 0).
void place_items(const AxisScale& scale, double start, double step, int64_t count,
                 std::vector<TItemRange>& out);

/// The colours of levels between two limits through a colour map, looked up in a table
/// of `steps` entries (fine enough that neighbouring entries differ by at most one unit
/// in a channel).
class TLevelColors {
public:
    static constexpr int steps = 1024;

    TLevelColors() { set(TColorMap::viridis, 0.0, 1.0); }
    /// Levels from `lo` (the map's first colour) to `hi` dB (its last).
    void set(TColorMap map, double lo, double hi);
    /// 0xFFRRGGBB of a level given in units of TSpectrogramRing::level_step.
    uint32_t color_of_units(int units) const;

private:
    std::array<uint32_t, steps> ftable{};
    double flo = 0.0;
    double fscale = 1.0;
};

/// What a pixel of the spectrogram shows: the highest level of the bins `rows` over
/// the frames `frames` (column base + f of the ring for f in the range; columns no
/// longer kept are left out), in units of level_step; false when nothing is left.
bool cell_level_units(const TSpectrogramRing& ring, TSpectrogramSource source, int64_t base,
                      TItemRange frames, TItemRange rows, int& units);

/// One pixel column: for each row y, the colour of what it shows, or `nodata`, into
/// pixels[y × stride]. Allocates nothing.
void render_column(const TSpectrogramRing& ring, TSpectrogramSource source, int64_t base,
                   TItemRange frames, const std::vector<TItemRange>& rows,
                   const TLevelColors& colors, uint32_t nodata, uint32_t* pixels, ptrdiff_t stride);

} // namespace zevrin
