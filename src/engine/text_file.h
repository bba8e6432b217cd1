#pragma once
// Reading the small text files the calibration and the reference curves come from:
// the lines of a text with either line end, numbers written with "." whatever the
// locale, and a whole file read with a size limit.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zevrin {

/// The lines of `text`, split at LF, a CR before it and a UTF-8 byte order mark at
/// the start taken away.
std::vector<std::string> text_lines(const std::string& text);

/// The number `s` stands for ("12", "-1.5", "+2e3", surrounded by blanks); false
/// for anything else, including "nan" and "inf".
bool parse_number(std::string_view s, double& value);

/// The fields of `line` between runs of separators, all numbers, into `values`; false
/// when a field is no number.
bool split_numbers(const std::string& line, const std::function<bool(char)>& separator,
                   std::vector<double>& values);

/// The whole file at `path` (at most `limit` bytes) into `text`; the reason when it
/// cannot be read, else empty.
std::string read_text_file(const std::string& path, std::string& text,
                           size_t limit = size_t{16} << 20);

} // namespace zevrin
