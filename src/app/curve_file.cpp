#include "app/curve_file.h"

#include "engine/curve_export.h"
#include "engine/reference_curve.h"
#include "platform/safe_file_stream.h"

#include <stdexcept>

namespace zevrin {

void write_curves_csv_file(SafeFileStream& file, const std::string& path, const TAnalyser& analyser,
                           const std::vector<int>& curves, const TReferenceCurve* reference) {
    if (!file.error()) {
        write_curves_csv(analyser, curves, file.stream(), reference);
    }
    if (const FileError e = file.commit()) {
        throw std::runtime_error(write_failure_text(path, e));
    }
}

void write_curves_csv_file(const std::string& path, const TAnalyser& analyser,
                           const std::vector<int>& curves) {
    SafeFileStream file(path);
    write_curves_csv_file(file, path, analyser, curves);
}

void write_reference_file(const std::string& path, const TAnalyser& analyser,
                          const std::vector<int>& curves, const std::vector<std::string>& notes) {
    SafeFileStream file(path);
    if (!file.error()) {
        write_reference(analyser, curves, notes, file.stream());
    }
    if (const FileError e = file.commit()) {
        throw std::runtime_error(write_failure_text(path, e));
    }
}

} // namespace zevrin
