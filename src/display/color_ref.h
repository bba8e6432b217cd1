#pragma once
// Colours are kept as the settings store them: 32-bit references laid out 0x00BBGGRR,
// red in the low byte.

#include <QColor>

#include <cstdint>

namespace zevrin {

inline QColor color_ref(uint32_t bbggrr) {
    return QColor(static_cast<int>(bbggrr & 0xFFu), static_cast<int>((bbggrr >> 8) & 0xFFu),
                  static_cast<int>((bbggrr >> 16) & 0xFFu));
}

inline uint32_t color_ref_of(const QColor& c) {
    return static_cast<uint32_t>(c.red()) | static_cast<uint32_t>(c.green()) << 8 |
           static_cast<uint32_t>(c.blue()) << 16;
}

} // namespace zevrin
