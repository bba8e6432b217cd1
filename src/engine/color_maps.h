#pragma once
// Colour maps for levels shown as colour: t from 0 (the lowest level shown) to 1 (the
// highest) to a colour. Viridis and magma are perceptually uniform (equal steps in t
// look like equal steps in colour, and their lightness rises steadily, so they read
// right in grey print and for most colour-blind eyes); they are computed from the
// published degree-6 polynomial fits of the two maps, which stay within 4 of 255 of
// their tables in every channel. Grey runs from black to white. Pure functions; no Qt.

#include <array>
#include <cstdint>

namespace zevrin {

enum class TColorMap { viridis, magma, grey };

inline constexpr int ncolormaps = 3;

/// The names shown to the user, by TColorMap.
extern const std::array<const char*, ncolormaps> color_map_names;

struct TRgb {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    bool operator==(const TRgb&) const = default;
};

/// The colour at t; t outside [0, 1] (or no number) counts as the nearer end.
TRgb color_map_rgb(TColorMap map, double t);

} // namespace zevrin
