#pragma once
// Reference curves: curves kept in a file to lay later measurements over. The file is
// the table the curve export writes (a header "frequency_hz" and the curves' names,
// then one row per frequency, an empty cell where a level could not be computed),
// with lines that start with '#' before it: the settings it was measured with.
//
// A reference keeps its own frequencies: one made at another sampling frequency or FFT
// size is drawn and read at those, and read between them by straight lines.

#include "engine/curves.h"

#include <array>
#include <cstdint>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace zevrin {

/// The colours of the references shown, 0x00BBGGRR: orange, purple, olive, grey.
inline constexpr std::array<uint32_t, 4> reference_colors = {0x0080FF, 0x800080, 0x008080,
                                                             0x808080};

class EReferenceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TReferenceCurve {
    std::string name;                ///< shown in the legend: the file's name
    std::vector<std::string> notes;  ///< the comment lines, without '#'
    std::vector<double> frequencies; ///< rising
    std::vector<std::string> curvenames;
    std::vector<std::vector<double>> levels; ///< by curve, then row; NaN: none

    /// The level of curve `k` at `f`, between rows on a straight line; NaN outside the
    /// rows or next to a row without a level.
    double level_at(size_t k, double f) const;
    /// The curve whose name is `name`, else the last; the number of curves when none.
    size_t curve_named(const std::string& name) const;
};

/// The reference in `text`; `name` for the legend and messages. EReferenceError naming
/// the line for anything that is not such a table.
TReferenceCurve parse_reference(const std::string& text, const std::string& name);
/// The reference in a file; messages name the path, and the reference's name is the
/// file's name without folder and extension.
TReferenceCurve read_reference(const std::string& path);

/// The curves as the export writes them, with `notes` before them as comment lines.
void write_reference(const TAnalyser& analyser, const std::vector<int>& curves,
                     const std::vector<std::string>& notes, std::ostream& out);

/// A number as the table writes it (10 significant digits) and read back: what a
/// difference to a table's numbers must start from to be 0 against the same numbers.
double as_written(double v);

} // namespace zevrin
