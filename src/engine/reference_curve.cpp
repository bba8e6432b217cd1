#include "engine/reference_curve.h"

#include "engine/curve_export.h"
#include "engine/text_file.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <limits>

namespace zevrin {

namespace {

constexpr double none = std::numeric_limits<double>::quiet_NaN();

std::vector<std::string> split_cells(const std::string& line) {
    std::vector<std::string> cells;
    size_t start = 0;
    while (true) {
        const size_t comma = line.find(',', start);
        cells.push_back(line.substr(start, comma == std::string::npos ? comma : comma - start));
        if (comma == std::string::npos) {
            return cells;
        }
        start = comma + 1;
    }
}

std::string at_line(const std::string& name, size_t lineno) {
    return "Line " + std::to_string(lineno) + " of the reference \"" + name + "\" ";
}

void read_row(TReferenceCurve& r, const std::string& line, size_t lineno) {
    const std::vector<std::string> cells = split_cells(line);
    if (cells.size() != r.curvenames.size() + 1) {
        throw EReferenceError(at_line(r.name, lineno) + "has " + std::to_string(cells.size()) +
                              " cells, not " + std::to_string(r.curvenames.size() + 1));
    }
    double f = 0.0;
    if (!parse_number(cells[0], f) || f < 0.0) {
        throw EReferenceError(at_line(r.name, lineno) + "has no frequency: \"" + line + "\"");
    }
    if (!r.frequencies.empty() && !(f > r.frequencies.back())) {
        throw EReferenceError(at_line(r.name, lineno) +
                              "has a frequency that is not above the one before it");
    }
    r.frequencies.push_back(f);
    for (size_t k = 1; k < cells.size(); ++k) {
        double v = none;
        if (cells[k].find_first_not_of(" \t") != std::string::npos && !parse_number(cells[k], v)) {
            throw EReferenceError(at_line(r.name, lineno) + "has a level that is no number: \"" +
                                  cells[k] + "\"");
        }
        r.levels[k - 1].push_back(v);
    }
}

} // namespace

double TReferenceCurve::level_at(size_t k, double f) const {
    if (k >= levels.size() || frequencies.empty()) {
        return none;
    }
    const std::vector<double>& l = levels[k];
    const auto hi = static_cast<size_t>(
        std::lower_bound(frequencies.begin(), frequencies.end(), f) - frequencies.begin());
    if (hi < frequencies.size() && frequencies[hi] == f) {
        return l[hi];
    }
    if (hi == 0 || hi == frequencies.size()) {
        return none;
    }
    const double t = (f - frequencies[hi - 1]) / (frequencies[hi] - frequencies[hi - 1]);
    return l[hi - 1] + t * (l[hi] - l[hi - 1]);
}

size_t TReferenceCurve::curve_named(const std::string& wanted) const {
    const auto it = std::find(curvenames.begin(), curvenames.end(), wanted);
    if (it != curvenames.end()) {
        return static_cast<size_t>(it - curvenames.begin());
    }
    return curvenames.empty() ? 0 : curvenames.size() - 1;
}

TReferenceCurve parse_reference(const std::string& text, const std::string& name) {
    TReferenceCurve r;
    r.name = name;
    bool header = false;
    size_t lineno = 0;
    for (const std::string& line : text_lines(text)) {
        ++lineno;
        if (!line.empty() && line[0] == '#') {
            r.notes.push_back(line.substr(line.compare(0, 2, "# ") == 0 ? 2 : 1));
            continue;
        }
        if (line.find_first_not_of(" \t") == std::string::npos) {
            continue;
        }
        if (!header) {
            std::vector<std::string> cells = split_cells(line);
            if (cells[0] != "frequency_hz" || cells.size() < 2) {
                throw EReferenceError(at_line(name, lineno) +
                                      "is no header \"frequency_hz,\" with the curves' names");
            }
            r.curvenames.assign(cells.begin() + 1, cells.end());
            r.levels.resize(r.curvenames.size());
            header = true;
            continue;
        }
        read_row(r, line, lineno);
    }
    if (r.frequencies.empty()) {
        throw EReferenceError("The reference \"" + name + "\" holds no rows of levels");
    }
    return r;
}

TReferenceCurve read_reference(const std::string& path) {
    std::string text;
    const std::string error = read_text_file(path, text, size_t{64} << 20);
    if (!error.empty()) {
        throw EReferenceError("Cannot read the reference \"" + path + "\": " + error);
    }
    TReferenceCurve r = parse_reference(text, path);
    r.name = std::filesystem::path(path).stem().string();
    return r;
}

void write_reference(const TAnalyser& analyser, const std::vector<int>& curves,
                     const std::vector<std::string>& notes, std::ostream& out) {
    for (const std::string& note : notes) {
        out << "# " << note << '\n';
    }
    write_curves_csv(analyser, curves, out);
}

double as_written(double v) {
    if (!std::isfinite(v)) {
        return v;
    }
    char buffer[40];
    const auto res = table_number_chars(buffer, buffer + sizeof buffer, v);
    double back = v;
    std::from_chars(buffer, res.ptr, back);
    return back;
}

} // namespace zevrin
