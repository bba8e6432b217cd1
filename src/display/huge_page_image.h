#pragma once
// An image whose pixels lie in memory backed by 2 MB pages where the kernel grants them
// (transparent huge pages on request). The plots' strokes go down the columns of their
// off-screen image, one pixel per row: with 4 KB pages and rows of a large screen
// (15 KB at 3840 pixels) every pixel of a stroke lies on a page of its own, and the
// translation of its address costs more than the write. With 2 MB pages a whole image
// of that size needs about fifteen translations. Where the request is refused, or the
// image is smaller than one such page, the pixels lie in ordinary pages: the picture is
// the same. The rows are padded to an odd number of cache lines (huge_page_image.cpp).

#include <QImage>
#include <QSize>

namespace zevrin {

/// A new image of `size` and `format`, its pixels not initialised, as QImage(size,
/// format) gives, but for its rows' length (bytesPerLine). Its memory is freed when the
/// image and its last copy go. A null image when the memory cannot be had at all.
QImage huge_page_image(QSize size, QImage::Format format);

} // namespace zevrin
