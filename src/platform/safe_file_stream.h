#pragma once
// A std::ostream onto a SafeFile, for writers that produce their text piece by piece
// (a table of any size) without holding all of it in memory.

#include "platform/safe_file.h"

#include <array>
#include <ostream>
#include <streambuf>
#include <string>

namespace zevrin {

class SafeFileStream {
public:
    explicit SafeFileStream(std::string path, SafeFile::Mode mode = SafeFile::Mode::replace,
                            const SafeWriteOptions& options = {});
    SafeFileStream(const SafeFileStream&) = delete;
    SafeFileStream& operator=(const SafeFileStream&) = delete;

    /// Where to write; it goes bad when the file fails.
    std::ostream& stream() { return out_; }
    /// The first failure so far (opening included).
    const FileError& error() const { return file_.error(); }
    /// Flushes and ends the write (SafeFile::commit). Without it nothing appears.
    FileError commit();

private:
    class Buffer : public std::streambuf {
    public:
        explicit Buffer(SafeFile& file);

    protected:
        int_type overflow(int_type c) override;
        int sync() override;

    private:
        bool drain();
        SafeFile& file_;
        std::array<char, 65536> data_{};
    };

    SafeFile file_;
    Buffer buffer_;
    std::ostream out_;
};

} // namespace zevrin
