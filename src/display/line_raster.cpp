#include "display/line_raster.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace zevrin {

namespace {

// floor(a / b) for b > 0.
long long floor_div(long long a, long long b) {
    const long long q = a / b;
    return (a % b != 0 && a < 0) ? q - 1 : q;
}

// The position across a line at steps t = from, from + 1, ... along it:
// a + floor((2·t·d + n) / (2·n)), the nearest position with halves upwards, for
// |d| <= n, n > 0; kept as quotient and remainder so that a step costs no division.
class TAcross {
public:
    TAcross(int a, long long from, long long d, long long n) : fd2(2 * d), fn2(2 * n) {
        const long long num = 2 * from * d + n;
        const long long q = floor_div(num, fn2);
        fpos = a + static_cast<int>(q);
        frem = num - q * fn2;
    }
    int pos() const { return fpos; }
    void step() {
        frem += fd2;
        if (frem >= fn2) {
            frem -= fn2;
            ++fpos;
        } else if (frem < 0) {
            frem += fn2;
            --fpos;
        }
    }

private:
    long long fd2;
    long long fn2;
    int fpos = 0;
    long long frem = 0;
};

// ceil(a / b) for b > 0.
long long ceil_div(long long a, long long b) {
    return -floor_div(-a, b);
}

// Rows from..to (within the image) of column x, where x is within it.
void span(const TRasterImage& im, int x, int from, int to, uint32_t color) {
    uint32_t* p = im.pixels + static_cast<ptrdiff_t>(from) * im.stride + x;
    for (int y = from; y <= to; ++y, p += im.stride) {
        *p = color;
    }
}

void vertical(const TRasterImage& im, int x, int ya, int yb, uint32_t color) {
    if (x < 0 || x >= im.width) {
        return;
    }
    span(im, x, std::max(std::min(ya, yb), 0), std::min(std::max(ya, yb), im.height - 1), color);
}

// A steep line from (x1, y1) down n > 0 rows, d columns across (0 < |d| < n), between
// rows from and to: the steps of TAcross taken column by column. Column x1 + j·sign(d)
// holds the steps t with 2nj - n <= 2t|d| < 2nj + n (d > 0) or 2nj - n < 2t|d| <= 2nj + n
// (d < 0, where halves round the other way), so each column is one vertical span and
// a step costs a store. The plot's curves join neighbouring columns by such lines.
void steep(const TRasterImage& im, int x1, int y1, long long d, long long n, int from, int to,
           uint32_t color) {
    const long long ad = std::llabs(d);
    const int dir = d > 0 ? 1 : -1;
    const auto first_step = [n, ad, d](long long j) {
        const long long num = 2 * n * j - n;
        return d > 0 ? ceil_div(num, 2 * ad) : floor_div(num, 2 * ad) + 1;
    };
    const long long last = to - y1;
    long long t = from - y1;
    long long j = dir * floor_div(2 * t * d + n, 2 * n);
    for (; t <= last; ++j) {
        const long long end = std::min(first_step(j + 1), last + 1);
        const int x = x1 + dir * static_cast<int>(j);
        if (x >= 0 && x < im.width) {
            span(im, x, y1 + static_cast<int>(t), y1 + static_cast<int>(end) - 1, color);
        }
        t = end;
    }
}

} // namespace

void draw_line(const TRasterImage& im, int x1, int y1, int x2, int y2, uint32_t color) {
    if (x1 == x2) {
        vertical(im, x1, y1, y2, color);
        return;
    }
    // Drawn from the end with the smaller coordinate along the longer axis, so that
    // both directions give the same pixels.
    const long long dx = x2 - x1;
    const long long dy = y2 - y1;
    if (std::llabs(dy) > std::llabs(dx)) {
        if (dy < 0) {
            std::swap(x1, x2);
            std::swap(y1, y2);
        }
        const long long n = y2 - y1;
        const long long d = x2 - x1;
        const int from = std::max(y1, 0);
        const int to = std::min(y2, im.height - 1);
        // Spans where they are several rows long; a division per column costs more than
        // a step per row where they are short.
        if (n >= 4 * std::llabs(d)) {
            steep(im, x1, y1, d, n, from, to, color);
            return;
        }
        TAcross x(x1, from - y1, d, n);
        for (int y = from; y <= to; ++y, x.step()) {
            if (x.pos() >= 0 && x.pos() < im.width) {
                im.pixels[static_cast<ptrdiff_t>(y) * im.stride + x.pos()] = color;
            }
        }
    } else {
        if (dx < 0) {
            std::swap(x1, x2);
            std::swap(y1, y2);
        }
        const long long n = x2 - x1;
        const long long d = y2 - y1;
        const int from = std::max(x1, 0);
        const int to = std::min(x2, im.width - 1);
        TAcross y(y1, from - x1, d, n);
        for (int x = from; x <= to; ++x, y.step()) {
            if (y.pos() >= 0 && y.pos() < im.height) {
                im.pixels[static_cast<ptrdiff_t>(y.pos()) * im.stride + x] = color;
            }
        }
    }
}

} // namespace zevrin
