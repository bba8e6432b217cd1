#include "app/image_size.h"

#include <charconv>
#include <stdexcept>

namespace zevrin {

namespace {

constexpr int smallest_side = 16;
constexpr int largest_side = 16384;

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
    if (!read) {
        throw std::invalid_argument(
            option + " takes WIDTHxHEIGHT in pixels, such as 1200x400, not '" + text + "'");
    }
    for (int side : {size.width, size.height}) {
        if (side < smallest_side || side > largest_side) {
            throw std::invalid_argument(option + " needs sides from 16 to 16384 pixels, not '" +
                                        text + "'");
        }
    }
    return size;
}

} // namespace zevrin
