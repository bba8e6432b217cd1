#include "shell/version_file.h"

#include "dsp/text.h"

namespace zevrin {

namespace {

bool is_break(char c) {
    return c == '\r' || c == '\n';
}

void skip_breaks(std::string_view text, size_t& pos) {
    while (pos < text.size() && is_break(text[pos])) {
        ++pos;
    }
}

std::string next_line(std::string_view text, size_t& pos) {
    skip_breaks(text, pos);
    const size_t end = std::min(text.find_first_of("\r\n", pos), text.size());
    std::string line(text.substr(pos, end - pos));
    pos = end;
    return line;
}

} // namespace

TVersionFile parse_version_file(std::string_view text) {
    TVersionFile file;
    size_t pos = 0;
    file.newversion = next_line(text, pos);
    file.downloadurl = next_line(text, pos);
    next_line(text, pos);
    skip_breaks(text, pos);
    file.usermessage = std::string(text.substr(pos));
    return file;
}

bool plausible_version(std::string_view version) {
    const std::string v = trim(version);
    if (v.empty() || v.size() > 40) {
        return false;
    }
    for (char c : v) {
        const bool ok = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') ||
                        (c >= 'A' && c <= 'Z') ||
                        std::string_view(" ._-+()").find(c) != std::string_view::npos;
        if (!ok) {
            return false;
        }
    }
    return true;
}

} // namespace zevrin
