#pragma once
// The curves as numbers: one row per spectrum entry from 0 to N/2 with its frequency
// and the level of every curve the spectrum plot would draw, computed as the plot
// computes it.

#include "engine/curves.h"

#include <charconv>
#include <ostream>
#include <string>
#include <vector>

namespace zevrin {

/// The digits every table of the program writes for a finite number: up to 10
/// significant digits, "." as the decimal separator.
std::to_chars_result table_number_chars(char* first, char* last, double v);

/// A table's cell: the digits of a finite number, nothing for a failed value.
void put_table_number(std::ostream& out, double v);

/// The curves the plot would draw now, in curve-number order.
std::vector<int> exported_curves(const TAnalyser& analyser,
                                 const std::array<bool, ncurves>& showcurve);

struct TReferenceCurve;

/// Comma-separated: a header "frequency_hz" and the curves' names, then N/2 + 1 rows.
/// "." is the decimal separator, numbers have up to 10 significant digits, and a level
/// the plot could not place (the logarithm of 0) is an empty cell. The levels are
/// calibrated as the plot shows them.
///
/// With a reference, a last column "<curve> - <reference curve> (<reference>)" holds
/// the last curve's level less the reference's level of the curve of the same name (or
/// its last) at the row's frequency, both as the tables write them, so that against the
/// table of the same analysis it is 0; empty where either has no level.
void write_curves_csv(const TAnalyser& analyser, const std::vector<int>& curves, std::ostream& out,
                      const TReferenceCurve* reference = nullptr);

} // namespace zevrin
