#pragma once
// The size of a picture the command line writes, given as WIDTHxHEIGHT.

#include <string>

namespace zevrin {

struct TImageSize {
    int width = 0;
    int height = 0;
};

/// "1200x400" (or "1200X400"); std::invalid_argument naming `option` for anything
/// else, or for a size outside 100x80 .. 10000x10000 pixels.
TImageSize parse_image_size(const std::string& option, const std::string& text);

} // namespace zevrin
