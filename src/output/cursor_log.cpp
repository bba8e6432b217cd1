#include "output/cursor_log.h"

namespace zevrin {

std::string TCursorLog::new_log() {
    frows.assign(1, header);
    return text();
}

std::string TCursorLog::log(const std::string& row) {
    if (frows.empty()) {
        new_log();
    }
    frows.push_back(row);
    return text();
}

std::string TCursorLog::text() const {
    std::string out;
    for (size_t i = 0; i < frows.size(); ++i) {
        if (i > 0) {
            out += "\r\n";
        }
        out += frows[i];
    }
    return out;
}

} // namespace zevrin
