#pragma once
// A picture of many lines drawn tile by tile. The spectrum plot's curves are mostly
// vertical strokes, each crossing hundreds of rows: drawn curve after curve over a
// large image, every curve brings the memory of each row it crosses into the cache
// again and writes it back, and the image is far larger than the cache. Drawn tile by
// tile (a few hundred pixels wide and high), each tile stays in the cache while the
// background is filled and every line that crosses it is drawn, in the lines' order,
// so each pixel's memory goes through the cache once per picture. An image small
// enough to stay in the cache as a whole is drawn line after line.
//
// The picture is that of filling the image and drawing the lines one after the other
// with draw_line (display/line_raster.h): a line drawn into a tile sets exactly its own
// pixels within the tile, and within each tile the lines keep their order, so each
// pixel ends in the colour of the last line that covers it. Qt-free; nothing allocates
// once the buffers have grown to the number of lines.

#include "display/line_raster.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zevrin {

struct TRasterLine {
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    uint32_t color = 0;
};

/// Hands out, cell by cell of a row of cells, the items that cross each cell, in the
/// items' order.
class TCellSweep {
public:
    /// Items 0 .. first.size() - 1; item i crosses cells first[i] .. last[i], none
    /// when first[i] > last[i]. Cells are numbered 0 .. cells - 1.
    void start(const std::vector<int>& first, const std::vector<int>& last, int cells);
    /// The items that cross cell c, for c = 0, 1, ... in turn; valid until the next call.
    const std::vector<uint32_t>& cell(int c);

private:
    const std::vector<int>* flast = nullptr;
    // The items by the first cell they cross, in their order within each; where each
    // cell's items end; those that reach the next cell from the ones before; those of
    // the current cell.
    std::vector<uint32_t> fbyfirst;
    std::vector<size_t> fend;
    std::vector<uint32_t> factive;
    std::vector<uint32_t> fcrossing;
};

class TTileRaster {
public:
    /// Fills `image` with `background` and draws `lines` in order, each over the ones
    /// before, in tiles of `width` × `height` pixels; with 0 for both, in tiles that fit
    /// the processor's second-level cache, or as a whole where the image is small.
    void draw(const TRasterImage& image, uint32_t background, const std::vector<TRasterLine>& lines,
              int width = 0, int height = 0);

private:
    void draw_band(const TRasterImage& image, uint32_t background,
                   const std::vector<TRasterLine>& lines, const std::vector<uint32_t>& band,
                   int top, int rows, int width);

    // The bands of rows each line crosses, and the strips of columns each line of the
    // band being drawn crosses.
    TCellSweep fbands;
    std::vector<int> ffirstband;
    std::vector<int> flastband;
    TCellSweep fstrips;
    std::vector<int> ffirststrip;
    std::vector<int> flaststrip;
};

} // namespace zevrin
