#pragma once
// Colours as the settings store them: Windows' 32-bit colour
// reference $00BBGGRR (red in the low byte), kept as a signed decimal integer.

#include <QColor>

#include <cstdint>

namespace zevrin {

inline int32_t to_colorref(const QColor& c) {
    return static_cast<int32_t>(static_cast<uint32_t>(c.red()) |
                                (static_cast<uint32_t>(c.green()) << 8) |
                                (static_cast<uint32_t>(c.blue()) << 16));
}

/// The colour of a reference; a high byte (Windows' flags for system
/// and palette colours) is ignored.
inline QColor from_colorref(int32_t ref) {
    const auto v = static_cast<uint32_t>(ref);
    return QColor(static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF),
                  static_cast<int>((v >> 16) & 0xFF));
}

} // namespace zevrin
