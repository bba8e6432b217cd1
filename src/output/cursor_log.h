#pragma once
// The cursor log: a growing table of cursor readings, kept in memory, which the window
// puts on the clipboard whole after every change so that it can be pasted into a
// spreadsheet at any time. Rows are tab-separated; the clipboard text joins them with
// CR LF and has no line break after the last.

#include <string>
#include <vector>

namespace zevrin {

class TCursorLog {
public:
    static constexpr const char* header = "f1 [Hz]\tLevel1 [dB]\tf2 [Hz]\tLevel2 [dB]";

    /// Starts again with the header row alone; returns the clipboard text (the header).
    std::string new_log();
    /// Adds a row (a blank one when `row` is empty), starting a new log first when
    /// there is none; returns the clipboard text.
    std::string log(const std::string& row);

    const std::vector<std::string>& rows() const { return frows; }

private:
    std::string text() const;

    std::vector<std::string> frows;
};

} // namespace zevrin
