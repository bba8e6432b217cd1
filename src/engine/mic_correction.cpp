#include "engine/mic_correction.h"

#include "engine/text_file.h"

#include <algorithm>
#include <cmath>

namespace zevrin {

namespace {

bool is_separator(char c) {
    return c == ' ' || c == '\t' || c == ',' || c == ';';
}

bool is_comment(const std::string& line) {
    const size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos) {
        return false;
    }
    const char c = line[start];
    return c == '*' || c == '#' || c == ';' || c == '"' || line.compare(start, 2, "//") == 0;
}

std::string line_error(const std::string& source, size_t lineno, const std::string& what) {
    return "Line " + std::to_string(lineno) + " of the microphone correction file \"" + source +
           "\" " + what;
}

} // namespace

TMicCorrection TMicCorrection::parse(const std::string& text, const std::string& source) {
    TMicCorrection c;
    size_t lineno = 0;
    for (const std::string& line : text_lines(text)) {
        ++lineno;
        if (is_comment(line) || line.find_first_not_of(" \t,;") == std::string::npos) {
            continue;
        }
        std::vector<double> fields;
        if (!split_numbers(line, is_separator, fields)) {
            if (c.ffreq.empty()) {
                continue; // a header above the numbers
            }
            throw EMicCorrectionError(
                line_error(source, lineno, "holds no numbers: \"" + line + "\""));
        }
        if (fields.size() < 2 || fields.size() > 3) {
            throw EMicCorrectionError(line_error(
                source, lineno, "must hold a frequency, a correction and optionally a phase"));
        }
        if (!(fields[0] > 0.0)) {
            throw EMicCorrectionError(
                line_error(source, lineno, "has a frequency that is not above 0 Hz"));
        }
        if (!c.ffreq.empty() && !(fields[0] > c.ffreq.back())) {
            throw EMicCorrectionError(
                line_error(source, lineno,
                           "has a frequency that is not above the one before it: the "
                           "frequencies must rise without repeating"));
        }
        c.ffreq.push_back(fields[0]);
        c.fdb.push_back(fields[1]);
        c.flogf.push_back(std::log10(fields[0]));
    }
    if (c.ffreq.empty()) {
        throw EMicCorrectionError("The microphone correction file \"" + source +
                                  "\" holds no lines of frequency and correction");
    }
    return c;
}

TMicCorrection TMicCorrection::read(const std::string& path) {
    std::string text;
    const std::string error = read_text_file(path, text);
    if (!error.empty()) {
        throw EMicCorrectionError("Cannot read the microphone correction file \"" + path +
                                  "\": " + error);
    }
    return parse(text, path);
}

double TMicCorrection::at(double f) const {
    if (ffreq.empty()) {
        return 0.0;
    }
    if (!(f > ffreq.front())) {
        return fdb.front();
    }
    if (f >= ffreq.back()) {
        return fdb.back();
    }
    const size_t hi =
        static_cast<size_t>(std::upper_bound(ffreq.begin(), ffreq.end(), f) - ffreq.begin());
    const size_t lo = hi - 1;
    const double t = (std::log10(f) - flogf[lo]) / (flogf[hi] - flogf[lo]);
    return fdb[lo] + t * (fdb[hi] - fdb[lo]);
}

void TMicCorrection::fill_bins(size_t n, double sampfreq, tdoublearr& table) const {
    const size_t count = n > 0 ? n / 2 + 1 : 0;
    table.resize(count);
    for (size_t m = 0; m < count; ++m) {
        table[m] = at(static_cast<double>(m) * sampfreq / static_cast<double>(n));
    }
}

} // namespace zevrin
