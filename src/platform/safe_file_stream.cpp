#include "platform/safe_file_stream.h"

namespace zevrin {

SafeFileStream::Buffer::Buffer(SafeFile& file) : file_(file) {
    setp(data_.data(), data_.data() + data_.size());
}

bool SafeFileStream::Buffer::drain() {
    const auto size = static_cast<size_t>(pptr() - pbase());
    setp(data_.data(), data_.data() + data_.size());
    return size == 0 || file_.write(std::string_view(data_.data(), size));
}

SafeFileStream::Buffer::int_type SafeFileStream::Buffer::overflow(int_type c) {
    if (!drain()) {
        return traits_type::eof();
    }
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
    }
    return traits_type::not_eof(c);
}

int SafeFileStream::Buffer::sync() {
    return drain() ? 0 : -1;
}

SafeFileStream::SafeFileStream(std::string path, SafeFile::Mode mode,
                               const SafeWriteOptions& options)
    : file_(std::move(path), mode, options), buffer_(file_), out_(&buffer_) {
    if (file_.error()) {
        out_.setstate(std::ios::badbit);
    }
}

FileError SafeFileStream::commit() {
    out_.flush();
    return file_.commit();
}

} // namespace zevrin
