#include "app/image_size.h"

#include <charconv>
#include <stdexcept>

namespace zevrin {

namespace {

// Room for the axes beside a plot; beyond the largest, a picture is a mistake.
constexpr int smallest_width = 100;
constexpr int smallest_height = 80;
constexpr int largest_side = 10000;

bool read_side(const char* from, const char* to, int& side) {
    const auto [end, error] = std::from_chars(from, to, side);
    return error == std::errc() && end == to && from != to;
}

} // namespace

TImageSize parse_image_size(const std::string& option, const std::string& text) {
    const size_t x = text.find_first_of("xX");
    TImageSize size;
    const char* begin = text.data();
    const bool read = x != std::string::npos && read_side(begin, begin + x, size.width) &&
                      read_side(begin + x + 1, begin + text.size(), size.height);
    if (!read || size.width < smallest_width || size.height < smallest_height ||
        size.width > largest_side || size.height > largest_side) {
        throw std::invalid_argument(
            option + " takes WIDTHxHEIGHT in pixels, from " + std::to_string(smallest_width) + "x" +
            std::to_string(smallest_height) + " to " + std::to_string(largest_side) + "x" +
            std::to_string(largest_side) + ", not '" + text + "'");
    }
    return size;
}

} // namespace zevrin
