#pragma once
// Lines one pixel wide, drawn straight into a 32-bit image. The plots draw thousands
// of short lines per repaint; a painter's per-line set-up would cost more than the
// pixels. Each line covers both of its end pixels and the same pixels whichever end
// it is drawn from, so a picture made of lines is the union of their pixel sets,
// whatever their order: the property the column reduction of the plots relies on.
// Pixels outside the image are left out. Qt-free; nothing allocates.

#include <cstddef>
#include <cstdint>

namespace zevrin {

struct TRasterImage {
    uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    ptrdiff_t stride = 0; ///< pixels from one row to the next
};

/// Sets the pixels of the line from (x1, y1) to (x2, y2) to `color`. Along the longer
/// axis every pixel is set; across it the line's position is rounded, halves upwards.
void draw_line(const TRasterImage& image, int x1, int y1, int x2, int y2, uint32_t color);

} // namespace zevrin
