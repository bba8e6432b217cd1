#pragma once
// A measurement microphone's correction file: the plain text that comes with the
// microphone, one line per frequency with the frequency in Hz, the correction in dB
// and optionally a phase in degrees, separated by blanks, tabs, commas or semicolons.
// Lines that start with '*', '#', ';', '//' or a double quote (the sensitivity line
// "Sens Factor =-1.2dB, SERNO: ...") are comments wherever they stand; lines of text
// before the first line of numbers are a header. LF and CRLF line ends both do.
//
// The correction is the microphone's own response: it is taken away from a measured
// level. Between the file's frequencies it is interpolated linearly over the logarithm
// of the frequency; below the first and above the last it stays at the end's value.

#include "dsp/types.h"

#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

namespace zevrin {

/// A file that cannot be used; what() names the file and the line.
class EMicCorrectionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TMicCorrection {
public:
    /// No correction: 0 dB everywhere.
    TMicCorrection() = default;

    /// The correction in `text`; `source` names it in messages ("mic.txt").
    /// EMicCorrectionError for a line that holds no numbers after the first that did,
    /// frequencies that do not rise, or no line of numbers at all.
    static TMicCorrection parse(const std::string& text, const std::string& source);
    /// The correction in a file (at most 16 MiB); EMicCorrectionError as parse, or
    /// when the file cannot be read.
    static TMicCorrection read(const std::string& path);

    bool empty() const { return ffreq.empty(); }
    size_t size() const { return ffreq.size(); }
    /// The correction in dB at `f` Hz (any f, 0 included).
    double at(double f) const;
    /// The correction at bin m × sampfreq / n for m = 0 .. n/2, into `table`.
    void fill_bins(size_t n, double sampfreq, tdoublearr& table) const;

    const std::vector<double>& frequencies() const { return ffreq; }
    const std::vector<double>& corrections() const { return fdb; }

private:
    std::vector<double> ffreq; ///< rising, above 0
    std::vector<double> fdb;
    std::vector<double> flogf; ///< log10 of ffreq
};

} // namespace zevrin
