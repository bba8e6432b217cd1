#pragma once
// Tick marks of an axis: where they go, what they say, and which labels stay so that
// none overlap. Text is measured through a callback, so the layout is computed and
// tested without any window; the axis widget only paints what it returns.

#include "display/axis_scale.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace zevrin {

/// Size in pixels of a text in the axis's font.
struct TextExtent {
    int width = 0;
    int height = 0;
};
using TextMeasure = std::function<TextExtent(const std::string&)>;

struct AxisTick {
    double value = 0.0;
    /// Pixel along the axis; a logarithmic layout's last tick lies beyond the end.
    int position = 0;
    /// Empty when the label was thinned out.
    std::string text;
};

struct TickLayoutInput {
    /// The mapping, with the axis's clamped low and high values.
    AxisScale scale;
    /// The stored low and high values: a linear label that is only a rounding
    /// residue of their difference reads "0".
    double stored_lo = 0.0;
    double stored_hi = 1.0;
    bool music_scale = false;
    /// Desired pixel spacing of linear ticks; 0 aims at three intervals.
    int tick_space_aim = 40;

    bool operator==(const TickLayoutInput&) const = default;
};

class TickLayout {
public:
    /// A layout that would need more ticks than this is treated like one whose
    /// arrays could not be allocated: it has no ticks.
    static constexpr std::size_t max_ticks = 100000;

    /// Recomputes the ticks. Logarithmic scales get decimal steps (1, 2, ..., 9 times
    /// each power of ten) or, with `music_scale`, the natural notes, when the range
    /// spans more than a ratio of 4; otherwise linear steps of 1, 2 or 5 times a
    /// power of ten. The labels that stay do not overlap: logarithmic ones are thinned
    /// by their leading digit or pitch class, linear ones keep every k-th step (k = 1,
    /// 2, 5, 10, 20, ...), counted from zero, so that they still read evenly.
    void compute(const TickLayoutInput& in, const TextMeasure& measure);
    const std::vector<AxisTick>& ticks() const { return ticks_; }

private:
    void set_tick_count(long long count);
    void compute_linear(const TickLayoutInput& in, const TextMeasure& measure);
    void thin_linear_labels(const TickLayoutInput& in, double step, const TextMeasure& measure);
    bool linear_labels_clear(const TickLayoutInput& in, long long first_index, long long stride,
                             int gap) const;
    void compute_logarithmic(const TickLayoutInput& in, const TextMeasure& measure);
    void thin_labels(const TickLayoutInput& in, const TextMeasure& measure);
    bool span_occupied(int from, int to) const;
    void occupy(int from, int to);

    std::vector<AxisTick> ticks_;
    // One flag per pixel of the extent: which pixels a kept label already covers.
    std::vector<unsigned char> occupied_;
    std::vector<int> classes_;
    std::vector<TextExtent> extents_;
};

} // namespace zevrin
