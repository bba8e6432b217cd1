// The spectrum plot's off-screen image: its memory, and the lines drawn into it tile by
// tile.

#include "display/huge_page_image.h"
#include "display/line_raster.h"
#include "display/tile_raster.h"

#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>
#include <fstream>
#include <random>
#include <vector>

namespace zevrin {
namespace {

// Random lines over and beyond a width × height image, most of them tall strokes as a
// noisy curve draws, in a few colours so that the order of drawing shows.
std::vector<TRasterLine> random_lines(int width, int height, size_t count, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> x(-20, width + 20);
    std::uniform_int_distribution<int> y(-600, height + 20);
    std::uniform_int_distribution<uint32_t> color(1, 5);
    std::uniform_int_distribution<int> kind(0, 3);
    std::vector<TRasterLine> lines;
    for (size_t i = 0; i < count; ++i) {
        TRasterLine l{x(rng), y(rng), x(rng), y(rng), color(rng)};
        if (kind(rng) != 0) { // a stroke or a join to the next column
            l.x2 = l.x1 + kind(rng) % 2;
        }
        lines.push_back(l);
    }
    lines.push_back(TRasterLine{0, height / 2, width - 1, height / 2, 6}); // a grid line
    lines.push_back(TRasterLine{-5, -7, width + 9, height + 3, 7});        // corner to corner
    lines.push_back(TRasterLine{width / 3, -500, width / 3, -500, 8});     // far above
    return lines;
}

std::vector<uint32_t> plain_picture(int width, int height, const std::vector<TRasterLine>& lines) {
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * static_cast<size_t>(height), 9u);
    const TRasterImage image{pixels.data(), width, height, width};
    for (const TRasterLine& l : lines) {
        draw_line(image, l.x1, l.y1, l.x2, l.y2, l.color);
    }
    return pixels;
}

TEST(TileRaster, DrawsThePictureOfTheLinesDrawnInTurn) {
    constexpr int width = 517;
    constexpr int height = 301;
    // A row longer than the image: the tiles must keep to the image's own pixels.
    constexpr int stride = width + 3;
    TTileRaster raster; // one for all, as the plot keeps it
    for (unsigned seed = 1; seed <= 4; ++seed) {
        // The second picture has fewer lines than the first: nothing of it may linger.
        const std::vector<TRasterLine> lines = random_lines(width, height, 3000 / seed, seed);
        const std::vector<uint32_t> expected = plain_picture(width, height, lines);
        for (const auto& [tw, th] : {std::pair{0, 0}, {16, 8}, {37, 23}, {width, 1}}) {
            SCOPED_TRACE(testing::Message() << "seed " << seed << ", tile " << tw << " x " << th);
            std::vector<uint32_t> pixels(static_cast<size_t>(stride) * height, 0u);
            raster.draw(TRasterImage{pixels.data(), width, height, stride}, 9u, lines, tw, th);
            for (int row = 0; row < height; ++row) {
                const auto at = pixels.begin() + static_cast<ptrdiff_t>(row) * stride;
                ASSERT_TRUE(std::equal(at, at + width, expected.begin() + row * width))
                    << "row " << row;
                ASSERT_EQ(std::count(at + width, at + stride, 0u), stride - width) << "row " << row;
            }
        }
    }
}

// Resident memory of the process in bytes.
long long resident_bytes() {
    std::ifstream statm("/proc/self/statm");
    long long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * 4096;
}

TEST(HugePageImage, HasEveryPixelOfItsSizeAndFreesItsMemory) {
    for (const QSize size : {QSize(1, 2), QSize(1001, 1049), QSize(3840, 2000), QSize(0, 5)}) {
        SCOPED_TRACE(testing::Message() << size.width() << " x " << size.height());
        QImage image = huge_page_image(size, QImage::Format_RGB32);
        if (size.isEmpty()) {
            EXPECT_TRUE(image.isNull());
            continue;
        }
        ASSERT_EQ(image.size(), size);
        EXPECT_EQ(image.format(), QImage::Format_RGB32);
        ASSERT_GE(image.bytesPerLine(), size.width() * 4);
        image.fill(qRgb(1, 2, 3));
        image.setPixel(size.width() - 1, size.height() - 1, qRgb(4, 5, 6));
        // A copy shares the pixels and keeps them when the image goes.
        QImage copy = image;
        image = QImage();
        EXPECT_EQ(copy.pixel(0, 0), qRgb(1, 2, 3));
        EXPECT_EQ(copy.pixel(size.width() - 1, size.height() - 1), qRgb(4, 5, 6));
        // Drawn into with the line raster across its rows.
        copy.fill(qRgb(1, 2, 3));
        const TRasterImage r{reinterpret_cast<uint32_t*>(copy.bits()), copy.width(), copy.height(),
                             copy.bytesPerLine() / 4};
        draw_line(r, size.width() - 1, 0, size.width() - 1, size.height() - 1, qRgb(7, 8, 9));
        EXPECT_EQ(copy.pixel(size.width() - 1, size.height() / 2), qRgb(7, 8, 9));
        EXPECT_EQ(copy.pixel(0, size.height() / 2),
                  size.width() == 1 ? qRgb(7, 8, 9) : qRgb(1, 2, 3));
    }
    // The memory of a large image, every page of it written, goes with its last copy.
    const long long before = resident_bytes();
    {
        QImage image = huge_page_image(QSize(3840, 2000), QImage::Format_RGB32);
        image.fill(qRgb(1, 2, 3));
        EXPECT_GT(resident_bytes(), before + 25'000'000);
    }
    EXPECT_LT(resident_bytes(), before + 5'000'000);
}

} // namespace
} // namespace zevrin
