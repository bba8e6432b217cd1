#include "display/tile_raster.h"

#include <algorithm>
#include <cstring>

namespace zevrin {

namespace {

// A tile: rows of a kilobyte, each a run of whole cache lines that the processor
// fetches ahead, and in all about a quarter of the second-level cache of this
// generation of processors (512 KB per core), the rest left for the lines and the code.
constexpr int tile_width = 256;
constexpr size_t tile_bytes = size_t{128} << 10;
// An image of up to this size stays in the last-level cache (32 MB here, shared with
// the window's own copy of the picture and other programs) from one curve to the next:
// tiles would only add their sorting to its repaint.
constexpr size_t cached_image_bytes = size_t{8} << 20;

bool fits_in_cache(const TRasterImage& image) {
    return static_cast<size_t>(image.height) * static_cast<size_t>(image.stride) *
               sizeof(uint32_t) <=
           cached_image_bytes;
}

// The first row pixel by pixel, the others copied from it: the library's copy goes at
// the width of the vector registers, the compiler's loop of the baseline build does not.
void fill(const TRasterImage& image, uint32_t background) {
    std::fill_n(image.pixels, image.width, background);
    for (int y = 1; y < image.height; ++y) {
        std::memcpy(image.pixels + static_cast<ptrdiff_t>(y) * image.stride, image.pixels,
                    static_cast<size_t>(image.width) * sizeof(uint32_t));
    }
}

void draw_whole(const TRasterImage& image, uint32_t background,
                const std::vector<TRasterLine>& lines) {
    fill(image, background);
    for (const TRasterLine& l : lines) {
        draw_line(image, l.x1, l.y1, l.x2, l.y2, l.color);
    }
}

} // namespace

void TCellSweep::start(const std::vector<int>& first, const std::vector<int>& last, int cells) {
    flast = &last;
    const size_t count = first.size();
    fend.assign(static_cast<size_t>(cells) + 1, 0);
    for (size_t i = 0; i < count; ++i) {
        if (first[i] <= last[i]) {
            ++fend[static_cast<size_t>(first[i]) + 1];
        }
    }
    for (size_t c = 1; c < fend.size(); ++c) {
        fend[c] += fend[c - 1];
    }
    // A stable counting sort; fend[c] moves from the start of cell c's items to their end.
    fbyfirst.resize(fend.back());
    for (size_t i = 0; i < count; ++i) {
        if (first[i] <= last[i]) {
            fbyfirst[fend[static_cast<size_t>(first[i])]++] = static_cast<uint32_t>(i);
        }
    }
    factive.clear();
}

const std::vector<uint32_t>& TCellSweep::cell(int c) {
    const size_t from = c == 0 ? 0 : fend[static_cast<size_t>(c) - 1];
    const size_t to = fend[static_cast<size_t>(c)];
    fcrossing.resize(factive.size() + (to - from));
    std::merge(factive.begin(), factive.end(), fbyfirst.begin() + static_cast<ptrdiff_t>(from),
               fbyfirst.begin() + static_cast<ptrdiff_t>(to), fcrossing.begin());
    factive.clear();
    for (const uint32_t i : fcrossing) {
        if ((*flast)[i] > c) {
            factive.push_back(i);
        }
    }
    return fcrossing;
}

void TTileRaster::draw(const TRasterImage& image, uint32_t background,
                       const std::vector<TRasterLine>& lines, int width, int height) {
    if (image.width <= 0 || image.height <= 0) {
        return;
    }
    if (width <= 0 && height <= 0 && fits_in_cache(image)) {
        draw_whole(image, background, lines);
        return;
    }
    width = width > 0 ? width : std::min(tile_width, image.width);
    height = height > 0 ? height
                        : std::max(1, static_cast<int>(tile_bytes / (static_cast<size_t>(width) *
                                                                     sizeof(uint32_t))));
    // A line with no pixel in the image crosses no band.
    ffirstband.resize(lines.size());
    flastband.resize(lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        const TRasterLine& l = lines[i];
        const int top = std::min(l.y1, l.y2);
        const int bottom = std::max(l.y1, l.y2);
        const bool seen = std::max(l.x1, l.x2) >= 0 && std::min(l.x1, l.x2) < image.width &&
                          bottom >= 0 && top < image.height;
        ffirstband[i] = seen ? std::max(top, 0) / height : 1;
        flastband[i] = seen ? std::min(bottom, image.height - 1) / height : 0;
    }
    const int bands = (image.height + height - 1) / height;
    fbands.start(ffirstband, flastband, bands);
    for (int b = 0; b < bands; ++b) {
        const int top = b * height;
        draw_band(image, background, lines, fbands.cell(b), top,
                  std::min(height, image.height - top), width);
    }
}

// The band's tiles from left to right.
void TTileRaster::draw_band(const TRasterImage& image, uint32_t background,
                            const std::vector<TRasterLine>& lines,
                            const std::vector<uint32_t>& band, int top, int rows, int width) {
    ffirststrip.resize(band.size());
    flaststrip.resize(band.size());
    for (size_t k = 0; k < band.size(); ++k) {
        const TRasterLine& l = lines[band[k]];
        ffirststrip[k] = std::max(std::min(l.x1, l.x2), 0) / width;
        flaststrip[k] = std::min(std::max(l.x1, l.x2), image.width - 1) / width;
    }
    const int strips = (image.width + width - 1) / width;
    fstrips.start(ffirststrip, flaststrip, strips);
    for (int s = 0; s < strips; ++s) {
        const int left = s * width;
        const TRasterImage tile{image.pixels + static_cast<ptrdiff_t>(top) * image.stride + left,
                                std::min(width, image.width - left), rows, image.stride};
        fill(tile, background);
        for (const uint32_t k : fstrips.cell(s)) {
            const TRasterLine& l = lines[band[k]];
            draw_line(tile, l.x1 - left, l.y1 - top, l.x2 - left, l.y2 - top, l.color);
        }
    }
}

} // namespace zevrin
