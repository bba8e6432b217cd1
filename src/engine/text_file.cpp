#include "engine/text_file.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace zevrin {

std::vector<std::string> text_lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        size_t stop = end;
        if (stop > start && text[stop - 1] == '\r') {
            --stop;
        }
        lines.push_back(text.substr(start, stop - start));
        start = end + 1;
    }
    return lines;
}

bool parse_number(std::string_view s, double& value) {
    const size_t first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return false;
    }
    s.remove_prefix(first);
    s.remove_suffix(s.size() - (s.find_last_not_of(" \t") + 1));
    if (s.size() > 1 && s[0] == '+' && s[1] != '-') {
        s.remove_prefix(1);
    }
    const auto res = std::from_chars(s.data(), s.data() + s.size(), value);
    return res.ec == std::errc() && res.ptr == s.data() + s.size() && std::isfinite(value);
}

bool split_numbers(const std::string& line, const std::function<bool(char)>& separator,
                   std::vector<double>& values) {
    values.clear();
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && separator(line[i])) {
            ++i;
        }
        size_t end = i;
        while (end < line.size() && !separator(line[end])) {
            ++end;
        }
        if (end > i) {
            double v = 0.0;
            if (!parse_number(std::string_view(line).substr(i, end - i), v)) {
                return false;
            }
            values.push_back(v);
        }
        i = end;
    }
    return !values.empty();
}

std::string read_text_file(const std::string& path, std::string& text, size_t limit) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        return "it is a folder";
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::strerror(errno);
    }
    text.clear();
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        text.append(buffer, static_cast<size_t>(in.gcount()));
        if (text.size() > limit) {
            return "the file is larger than " + std::to_string(limit >> 20) + " MiB";
        }
    }
    if (in.bad()) {
        return "it cannot be read";
    }
    return std::string();
}

} // namespace zevrin
