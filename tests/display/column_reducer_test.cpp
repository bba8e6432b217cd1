// The reduced polyline must give exactly the picture of the full one.

#include "display/column_reducer.h"
#include "display/line_raster.h"
#include "test_application.h"

#include <QImage>
#include <QLine>
#include <QPainter>

#include <cmath>
#include <limits>
#include <random>
#include <utility>
#include <vector>

namespace zevrin {
namespace {

constexpr int width = 300;
constexpr int height = 200;
constexpr double nan = std::numeric_limits<double>::quiet_NaN();

// Quantities to rows like a level axis: higher values nearer the top, clamped to the
// plot, NaN far above it.
struct Rows {
    double scale = 1.0;
    bool failed(double q) const { return std::isnan(q); }
    int failed_row() const { return -500; }
    int row(double q) const {
        const double y = std::round((height - 1) - q * scale);
        return static_cast<int>(std::clamp(y, 0.0, height - 1.0));
    }
};

QImage blank() {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

// The picture of a polyline: every segment with both of its end pixels.
QImage draw_polyline(const std::vector<QPoint>& points) {
    QImage image = blank();
    QPainter p(&image);
    p.setPen(QColor(0, 0, 255));
    for (size_t i = 1; i < points.size(); ++i) {
        p.drawLine(points[i - 1], points[i]);
    }
    return image;
}

QImage draw_lines(const std::vector<QLine>& lines) {
    QImage image = blank();
    QPainter p(&image);
    p.setPen(QColor(0, 0, 255));
    p.drawLines(lines.data(), static_cast<int>(lines.size()));
    return image;
}

struct Curve {
    std::vector<int> x;
    std::vector<double> q;
};

std::vector<QPoint> full(const Curve& c, const Rows& rows) {
    std::vector<QPoint> points;
    for (size_t i = 0; i < c.x.size(); ++i) {
        const double q = c.q[i];
        points.emplace_back(c.x[i], rows.failed(q) ? rows.failed_row() : rows.row(q));
    }
    return points;
}

std::vector<QLine> reduced(const Curve& c, const Rows& rows) {
    std::vector<TColumnRun> runs;
    for (size_t begin = 0; begin < c.x.size();) {
        size_t end = begin + 1;
        while (end < c.x.size() && c.x[end] == c.x[begin]) {
            ++end;
        }
        runs.push_back(reduce_run(rows, c.x[begin], c.q.data() + begin, end - begin));
        begin = end;
    }
    std::vector<QLine> lines;
    column_lines(runs.data(), runs.size(), rows,
                 [&lines](int x1, int y1, int x2, int y2) { lines.emplace_back(x1, y1, x2, y2); });
    return lines;
}

// A noisy spectrum-like walk over `n` points, columns from `x0` to `x1` (either way,
// beyond the plot where the ends lie outside it), some values failed.
Curve make_curve(size_t n, double x0, double x1, double failrate, unsigned seed) {
    std::mt19937 rng(seed);
    std::normal_distribution<double> step(0.0, 8.0);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    Curve c;
    double level = 100.0;
    for (size_t i = 0; i < n; ++i) {
        const double x = x0 + (x1 - x0) * static_cast<double>(i) / static_cast<double>(n - 1);
        c.x.push_back(std::clamp(static_cast<int>(std::lround(x)), 0, width - 1));
        level = std::clamp(level + step(rng), -50.0, 260.0);
        c.q.push_back(u(rng) < failrate ? nan : level);
    }
    return c;
}

void expect_same_picture(const Curve& c, const Rows& rows) {
    const std::vector<QLine> lines = reduced(c, rows);
    EXPECT_LE(lines.size(), 2 * static_cast<size_t>(width));
    EXPECT_TRUE(draw_polyline(full(c, rows)) == draw_lines(lines));
}

TEST(ColumnReducer, DrawsThePictureOfTheFullPolyline) {
    const Rows rows;
    for (unsigned seed = 1; seed <= 10; ++seed) {
        SCOPED_TRACE(seed);
        expect_same_picture(make_curve(20000, 0, width - 1, 0.0, seed), rows);
        expect_same_picture(make_curve(20000, 0, width - 1, 0.02, seed), rows);
        expect_same_picture(make_curve(5000, width - 1, 0, 0.3, seed), rows); // falling x
        // Zoomed in: several columns between points.
        expect_same_picture(make_curve(60, 0, width - 1, 0.1, seed), rows);
        // Zoomed into the middle: the points beyond either end pile up in the edge columns.
        expect_same_picture(make_curve(8000, -2 * width, 3 * width, 0.05, seed), rows);
        // A column of failed values only.
        Curve gap = make_curve(3000, 0, width - 1, 0.0, seed);
        std::fill(gap.q.begin() + 1000, gap.q.begin() + 1100, nan);
        expect_same_picture(gap, rows);
    }
}

// floor(a / b) for b > 0.
long long floor_div(long long a, long long b) {
    const long long q = a / b;
    return (a % b != 0 && a < 0) ? q - 1 : q;
}

// A line's pixels by their definition: one per step t along the longer axis, from the
// end with the smaller coordinate on it; across it a + floor((2·t·d + n) / (2·n)), the
// nearest position with halves upwards.
std::vector<uint32_t> line_by_definition(int size, int x1, int y1, int x2, int y2) {
    std::vector<uint32_t> image(static_cast<size_t>(size * size));
    const bool steep = std::abs(y2 - y1) > std::abs(x2 - x1);
    if (steep ? y2 < y1 : x2 < x1) {
        std::swap(x1, x2);
        std::swap(y1, y2);
    }
    const long long n = steep ? y2 - y1 : x2 - x1;
    const long long d = steep ? x2 - x1 : y2 - y1;
    for (long long t = 0; t <= n; ++t) {
        const long long across = n == 0 ? 0 : floor_div(2 * t * d + n, 2 * n);
        const long long x = steep ? x1 + across : x1 + t;
        const long long y = steep ? y1 + t : y1 + across;
        if (x >= 0 && x < size && y >= 0 && y < size) {
            image[static_cast<size_t>(y * size + x)] = 1;
        }
    }
    return image;
}

// The line raster: each line has the pixels of its definition, the same from either
// end, and clipping leaves the visible part as it was. Every other line is steep, from
// one to a few columns across, as the plot joins its columns.
TEST(LineRaster, EndsDirectionsAndClipping) {
    constexpr int big = 3 * width;
    std::vector<uint32_t> a(static_cast<size_t>(big * big));
    std::vector<uint32_t> b(a.size());
    std::vector<uint32_t> c(static_cast<size_t>(width * width));
    const TRasterImage ia{a.data(), big, big, big};
    const TRasterImage ib{b.data(), big, big, big};
    const TRasterImage ic{c.data(), width, width, width};
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> pos(-width, 2 * width - 1);
    for (int k = 0; k < 200; ++k) {
        std::fill(a.begin(), a.end(), 0u);
        std::fill(b.begin(), b.end(), 0u);
        std::fill(c.begin(), c.end(), 0u);
        const int x1 = pos(rng), y1 = pos(rng), y2 = pos(rng);
        const int near =
            std::clamp(x1 + std::uniform_int_distribution<int>(-3, 3)(rng), -width, 2 * width - 1);
        const int x2 = k % 2 == 0 ? pos(rng) : near;
        draw_line(ia, x1 + width, y1 + width, x2 + width, y2 + width, 1);
        draw_line(ib, x2 + width, y2 + width, x1 + width, y1 + width, 1);
        draw_line(ic, x1, y1, x2, y2, 1);
        ASSERT_EQ(a, b);
        ASSERT_EQ(a, line_by_definition(big, x1 + width, y1 + width, x2 + width, y2 + width));
        EXPECT_EQ(a[static_cast<size_t>((y1 + width) * big + x1 + width)], 1u);
        EXPECT_EQ(a[static_cast<size_t>((y2 + width) * big + x2 + width)], 1u);
        const long steps = std::max(std::abs(x2 - x1), std::abs(y2 - y1)) + 1;
        EXPECT_EQ(std::count(a.begin(), a.end(), 1u), steps);
        for (int y = 0; y < width; ++y) {
            for (int x = 0; x < width; ++x) {
                ASSERT_EQ(c[static_cast<size_t>(y * width + x)],
                          a[static_cast<size_t>((y + width) * big + x + width)]);
            }
        }
    }
}

} // namespace
} // namespace zevrin
