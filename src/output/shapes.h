#pragma once
// The shapes that the planned pictures (the printed page, the copied image) are made
// of, in the device units of their target: points, texts placed by their top-left
// corner, lines and rectangles.

#include <string>

namespace zevrin {

struct TPagePoint {
    int x = 0;
    int y = 0;
    bool operator==(const TPagePoint&) const = default;
};

struct TPageText {
    int x = 0;
    int y = 0;
    std::string text;
};

/// A line that covers both of its end points.
struct TPageLine {
    TPagePoint from;
    TPagePoint to;
};

/// Left, top, right, bottom; right and bottom lie just outside.
struct TPageRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

} // namespace zevrin
