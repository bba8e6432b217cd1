#pragma once
// The curves' table in a file, for --csv and "Export curves...".

#include "engine/curves.h"

#include <string>
#include <vector>

namespace zevrin {

class SafeFileStream;
struct TReferenceCurve;

/// Writes the table (engine/curve_export.h) through the program's file writer
/// (platform/safe_file.h): a regular file appears only when complete, a pipe or
/// device gets the rows as they come. std::runtime_error "Cannot write "PATH": why"
/// when it cannot be written; nothing is left behind then.
void write_curves_csv_file(const std::string& path, const TAnalyser& analyser,
                           const std::vector<int>& curves);
/// The same into a file opened beforehand (so that a target that will be refused is
/// known before a long analysis); commits it.
void write_curves_csv_file(SafeFileStream& file, const std::string& path, const TAnalyser& analyser,
                           const std::vector<int>& curves,
                           const TReferenceCurve* reference = nullptr);
/// A reference table (engine/reference_curve.h) with `notes`, written as the table is.
void write_reference_file(const std::string& path, const TAnalyser& analyser,
                          const std::vector<int>& curves, const std::vector<std::string>& notes);

} // namespace zevrin
