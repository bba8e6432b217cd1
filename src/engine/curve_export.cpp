#include "engine/curve_export.h"

#include "engine/reference_curve.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace zevrin {

std::to_chars_result table_number_chars(char* first, char* last, double v) {
    return std::to_chars(first, last, v, std::chars_format::general, 10);
}

void put_table_number(std::ostream& out, double v) {
    if (!std::isfinite(v)) {
        return;
    }
    char buffer[40];
    const auto res = table_number_chars(buffer, buffer + sizeof buffer, v);
    out.write(buffer, res.ptr - buffer);
}

std::vector<int> exported_curves(const TAnalyser& analyser,
                                 const std::array<bool, ncurves>& showcurve) {
    std::array<int, ncurves> order{};
    const int count = curves_to_draw(analyser, showcurve, order);
    std::vector<int> curves(order.begin(), order.begin() + count);
    std::sort(curves.begin(), curves.end());
    return curves;
}

void write_curves_csv(const TAnalyser& analyser, const std::vector<int>& curves, std::ostream& out,
                      const TReferenceCurve* reference) {
    const size_t n = analyser.outdb1.size();
    const size_t rows = n / 2 + 1;
    std::vector<tdoublearr> levels;
    std::vector<int> present;
    for (int curve : curves) {
        tdoublearr values(rows);
        if (shown_levels(analyser, curve, rows, values)) {
            levels.push_back(std::move(values));
            present.push_back(curve);
        }
    }
    out << "frequency_hz";
    for (int curve : present) {
        out << ',' << curve_names[static_cast<size_t>(curve)];
    }
    const bool differ = reference != nullptr && !present.empty();
    size_t refcurve = 0;
    if (differ) {
        const std::string last = curve_names[static_cast<size_t>(present.back())];
        refcurve = reference->curve_named(last);
        out << ',' << last << " - " << reference->curvenames[refcurve] << " (" << reference->name
            << ')';
    }
    out << '\n';
    for (size_t i = 0; i < rows; ++i) {
        const double f = static_cast<double>(i) * analyser.sampfreq / static_cast<double>(n);
        put_table_number(out, f);
        for (const tdoublearr& values : levels) {
            out << ',';
            put_table_number(out, values[i]);
        }
        if (differ) {
            out << ',';
            put_table_number(out, as_written(levels.back()[i]) -
                                      reference->level_at(refcurve, as_written(f)));
        }
        out << '\n';
    }
}

} // namespace zevrin
