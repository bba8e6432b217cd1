#include "display/huge_page_image.h"

#include <sys/mman.h>

#include <cstdlib>

namespace zevrin {

namespace {

constexpr size_t huge_page = size_t{2} << 20;
constexpr qsizetype cache_line = 64;

// Rows start on a cache line, and an odd number of cache lines apart. A vertical stroke
// touches one cache line per row: rows a power of two times an odd number of lines
// apart (3840 pixels: 15 KB, 16 × 15 lines) fall into a sixteenth of the cache's sets
// and drive each other out; an odd number spreads them over all sets.
qsizetype padded_line(qsizetype bytes) {
    const qsizetype lines = (bytes + cache_line - 1) / cache_line;
    return (lines % 2 == 0 ? lines + 1 : lines) * cache_line;
}

void free_pixels(void* pixels) {
    std::free(pixels);
}

} // namespace

QImage huge_page_image(QSize size, QImage::Format format) {
    const QImage probe(1, 1, format);
    if (size.isEmpty() || probe.isNull()) {
        return QImage(size, format);
    }
    const qsizetype line = padded_line((size.width() * probe.depth() + 7) / 8);
    const auto bytes = static_cast<size_t>(line) * static_cast<size_t>(size.height());
    // Huge pages for an image of at least one; aligned_alloc wants a multiple of the
    // alignment.
    const size_t align = bytes >= huge_page ? huge_page : static_cast<size_t>(cache_line);
    const size_t rounded = (bytes + align - 1) / align * align;
    void* pixels = std::aligned_alloc(align, rounded);
    if (pixels == nullptr) {
        return QImage(size, format);
    }
    if (align == huge_page) {
        // A request: where it is refused (huge pages switched off, an older kernel)
        // the memory stays in ordinary pages.
        (void)madvise(pixels, rounded, MADV_HUGEPAGE);
    }
    return QImage(static_cast<uchar*>(pixels), size.width(), size.height(), line, format,
                  free_pixels, pixels);
}

} // namespace zevrin
