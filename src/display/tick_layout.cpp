#include "display/tick_layout.h"

#include "dsp/numeric.h"
#include "dsp/text.h"

#include <array>
#include <cmath>

namespace zevrin {

namespace {

// Label classes in the order in which they claim space. Musical notes: A first, then
// the other natural notes; the five sharps never keep a label. Decimal steps: the
// leading digit, 1 first.
constexpr std::array<int, 12> note_class_order = {9, 0, 2, 4, 5, 7, 11, 1, 3, 6, 8, 10};
constexpr std::size_t labelled_note_classes = 7;
constexpr std::array<int, 9> digit_class_order = {1, 2, 5, 3, 4, 8, 6, 7, 9};

constexpr double int64_limit = 9.2e18;

bool fits_int64(double x) {
    return std::isfinite(x) && std::fabs(x) < int64_limit;
}

// The next decimal step above v: 1, 2, ..., 9 times the power of ten of v.
double next_decimal(double v) {
    double e = std::trunc(log10(v * 1.0000001));
    if (v < 0.99) {
        e -= 1.0;
    }
    const double d = pow10(e);
    return d * (std::trunc(v / d + 1e-10) + 1.0);
}

// The frequency of the next natural note above v; NaN where v has no note number.
double next_natural_note(double v) {
    const double m = std::trunc(freq_to_note(v * 1.0000000001));
    if (!(std::fabs(m) < 1e9)) {
        return std::nan("");
    }
    auto note = static_cast<int32_t>(m) + 1;
    if (is_black_key(note)) {
        ++note;
    }
    return note_to_freq(note);
}

int note_class(double frequency) {
    const double n = round_even(freq_to_note(frequency) + 120.0);
    if (!fits_int64(n)) {
        return -1;
    }
    return static_cast<int>((static_cast<long long>(n) % 12 + 12) % 12);
}

int clamp_pixel(int p, std::size_t extent) {
    const int last = static_cast<int>(extent) - 1;
    return p < 0 ? 0 : (p > last ? last : p);
}

// Strides of linear labels: 1, 2 and 5 times a power of ten, so that the labels kept
// are themselves round multiples of the step.
long long next_stride(long long stride) {
    long long decade = 1;
    while (stride >= 10 * decade) {
        decade *= 10;
    }
    const long long mantissa = stride / decade;
    return (mantissa == 1 ? 2 : (mantissa == 2 ? 5 : 10)) * decade;
}

bool on_stride(long long index, long long stride) {
    return (index % stride + stride) % stride == 0;
}

int digit_class(const std::string& label) {
    for (char c : label) {
        if (c >= '1' && c <= '9') {
            return c - '0';
        }
    }
    return -1;
}

} // namespace

void TickLayout::set_tick_count(long long count) {
    if (count <= 0 || count > static_cast<long long>(max_ticks)) {
        count = 0;
    }
    ticks_.resize(static_cast<std::size_t>(count));
    for (AxisTick& t : ticks_) {
        t.value = 0.0;
        t.position = 0;
        t.text.clear();
    }
}

void TickLayout::compute(const TickLayoutInput& in, const TextMeasure& measure) {
    const AxisScale& s = in.scale;
    const bool logarithmic_steps =
        s.logarithmic && (in.music_scale || (s.lo > 0.0 && s.hi / s.lo > 4.0));
    if (logarithmic_steps) {
        compute_logarithmic(in, measure);
    } else {
        compute_linear(in, measure);
    }
}

void TickLayout::compute_linear(const TickLayoutInput& in, const TextMeasure& measure) {
    const AxisScale& s = in.scale;
    long long intervals = 3;
    if (in.tick_space_aim != 0) {
        const double aimed = round_even(nice_step(s.extent - 1));
        if (fits_int64(aimed)) {
            intervals = static_cast<long long>(aimed) / in.tick_space_aim;
        }
    }
    set_tick_count(intervals);
    const auto n = static_cast<double>(ticks_.size());

    double step = 1.0;
    if (n > 0) {
        step = nice_step((s.hi - s.lo) / n);
        if (!std::isfinite(step)) {
            step = 1.0;
        }
    }
    double first = 0.0;
    if (step != 0.0) {
        const double q = std::trunc(s.lo / step);
        first = fits_int64(q) ? q * step : 0.0;
    }
    if (s.lo > first) {
        first += step;
    }
    long long count = 3;
    if (step != 0.0) {
        const double q = std::trunc((s.hi - s.lo) / step);
        if (fits_int64(q)) {
            count = static_cast<long long>(q) + 2;
        }
    }
    set_tick_count(count);

    const double stored_span = in.stored_hi - in.stored_lo;
    for (std::size_t i = 0; i < ticks_.size(); ++i) {
        AxisTick& t = ticks_[i];
        t.value = first + static_cast<double>(i) * step;
        t.position = value_to_pixel(s, t.value);
        if (stored_span == 0.0 || std::fabs(t.value / stored_span) < 1e-5) {
            t.text.assign(1, '0');
        } else {
            t.text = format_significant(8, t.value);
        }
    }
    thin_linear_labels(in, step, measure);
}

// Leaving out only the labels that collide would space the rest unevenly (a wide
// "1000" pushes out its neighbour, the narrower labels before it all stay); a stride
// keeps the scale regular.
void TickLayout::thin_linear_labels(const TickLayoutInput& in, double step,
                                    const TextMeasure& measure) {
    const double index = ticks_.size() < 2 ? 0.0 : std::round(ticks_[0].value / step);
    if (ticks_.size() < 2 || !fits_int64(index)) {
        return;
    }
    const auto first_index = static_cast<long long>(index);
    extents_.resize(ticks_.size());
    for (std::size_t i = 0; i < ticks_.size(); ++i) {
        extents_[i] = measure(ticks_[i].text);
    }
    // Side by side, numbers need a blank between them to read as two; stacked, they
    // may touch as lines of text do.
    const int gap = in.scale.vertical ? 0 : measure(" ").width;
    // Only one label can be left once the stride spans every tick, so this ends.
    long long stride = 1;
    while (!linear_labels_clear(in, first_index, stride, gap)) {
        stride = next_stride(stride);
    }
    for (std::size_t i = 0; i < ticks_.size(); ++i) {
        if (!on_stride(first_index + static_cast<long long>(i), stride)) {
            ticks_[i].text.clear();
        }
    }
}

// Ticks beyond the range, held on the end pixel, are not painted and do not count.
bool TickLayout::linear_labels_clear(const TickLayoutInput& in, long long first_index,
                                     long long stride, int gap) const {
    const AxisScale& s = in.scale;
    bool placed = false;
    int placed_from = 0;
    int placed_to = 0;
    for (std::size_t i = 0; i < ticks_.size(); ++i) {
        const int p = value_to_notclippedpixel(s, ticks_[i].value);
        if (!on_stride(first_index + static_cast<long long>(i), stride) || p < 0 ||
            p > s.extent - 1) {
            continue;
        }
        const int size = s.vertical ? extents_[i].height : extents_[i].width;
        const int from = ticks_[i].position - size / 2;
        const int to = from + size;
        if (placed && from < placed_to + gap && placed_from < to + gap) {
            return false;
        }
        placed = true;
        placed_from = from;
        placed_to = to;
    }
    return true;
}

void TickLayout::compute_logarithmic(const TickLayoutInput& in, const TextMeasure& measure) {
    const AxisScale& s = in.scale;
    // Every step strictly above the low value, up to and including the first one
    // above the high value.
    ticks_.clear();
    double v = s.lo;
    do {
        v = in.music_scale ? next_natural_note(v) : next_decimal(v);
        if (!std::isfinite(v) || ticks_.size() >= max_ticks) {
            ticks_.clear();
            return;
        }
        ticks_.push_back(AxisTick{v, value_to_notclippedpixel(s, v), {}});
    } while (s.hi >= v);

    for (AxisTick& t : ticks_) {
        t.text = in.music_scale ? freq_to_notename(false, t.value) : format_significant(8, t.value);
    }
    thin_labels(in, measure);
}

void TickLayout::thin_labels(const TickLayoutInput& in, const TextMeasure& measure) {
    const AxisScale& s = in.scale;
    if (s.extent < 1) {
        return;
    }
    occupied_.assign(static_cast<std::size_t>(s.extent), 0);
    classes_.resize(ticks_.size());
    for (std::size_t i = 0; i < ticks_.size(); ++i) {
        classes_[i] = in.music_scale ? note_class(ticks_[i].value) : digit_class(ticks_[i].text);
    }
    // Decimal labels keep one free pixel on each side; note names may touch.
    const int margin = in.music_scale ? 0 : 1;
    const std::size_t nclasses =
        in.music_scale ? note_class_order.size() : digit_class_order.size();
    for (std::size_t c = 0; c < nclasses; ++c) {
        const int cls = in.music_scale ? note_class_order[c] : digit_class_order[c];
        const bool may_keep = !in.music_scale || c < labelled_note_classes;
        for (std::size_t i = 0; i < ticks_.size(); ++i) {
            AxisTick& t = ticks_[i];
            if (t.text.empty() || classes_[i] != cls) {
                continue;
            }
            int width = 0;
            if (!may_keep) {
                t.text.clear();
            } else {
                const TextExtent e = measure(t.text);
                const int half = (s.vertical ? e.height : e.width) / 2;
                if (span_occupied(t.position - half - margin, t.position + half + margin)) {
                    t.text.clear();
                } else {
                    width = e.width;
                }
            }
            occupy(t.position - width / 2, t.position + width / 2);
        }
    }
}

bool TickLayout::span_occupied(int from, int to) const {
    from = clamp_pixel(from, occupied_.size());
    to = clamp_pixel(to, occupied_.size());
    for (int p = from; p <= to; ++p) {
        if (occupied_[static_cast<std::size_t>(p)] != 0) {
            return true;
        }
    }
    return false;
}

void TickLayout::occupy(int from, int to) {
    from = clamp_pixel(from, occupied_.size());
    to = clamp_pixel(to, occupied_.size());
    for (int p = from; p <= to; ++p) {
        occupied_[static_cast<std::size_t>(p)] = 1;
    }
}

} // namespace zevrin
