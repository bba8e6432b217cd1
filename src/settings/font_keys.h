#pragma once
// A font kept as seven keys: the given key followed by "Name", "Size", "Color",
// "Bold", "Italics", "Underline" and "Strikeout". Shared by the settings stores,
// which differ only in when they read the colour.

#include "settings/color_ref.h"

#include <QColor>
#include <QFont>

#include <cstdlib>
#include <string>

namespace zevrin {

enum class FontColorRead {
    always_after_style,  ///< the colour is set from the key, 0 (black) when absent
    when_not_zero_first, ///< only a colour other than 0, read before the style keys
};

/// Largest size in points that a stored font may have; a larger one is damage.
inline constexpr int max_font_size = 1000;

template <typename Store>
void write_font_keys(Store& store, const std::string& section, const std::string& key,
                     const QFont& font, const QColor& color) {
    const int size = font.pointSize() > 0 ? font.pointSize() : font.pixelSize() * 72 / 96;
    store.WriteString(section, key + "Name", font.family().toStdString());
    store.WriteInteger(section, key + "Size", size);
    store.WriteInteger(section, key + "Color", to_colorref(color));
    store.WriteBool(section, key + "Bold", font.bold());
    store.WriteBool(section, key + "Italics", font.italic());
    store.WriteBool(section, key + "Underline", font.underline());
    store.WriteBool(section, key + "Strikeout", font.strikeOut());
}

/// Changes `font` and `color` by the stored keys and returns `font`: a non-empty
/// name (its first 255 characters) and a size other than 0 replace the font's; the
/// style is cleared and each flag stored as true adds its style.
template <typename Store>
QFont& read_font_keys(Store& store, const std::string& section, const std::string& key, QFont& font,
                      QColor& color, FontColorRead rule) {
    const std::string name = store.ReadString(section, key + "Name", "");
    if (!name.empty()) {
        font.setFamily(QString::fromStdString(name).left(255));
    }
    const int size = store.ReadInteger(section, key + "Size", 0);
    // A negative size is Windows' height form of the same size.
    if (size != 0 && size >= -max_font_size && size <= max_font_size) {
        font.setPointSize(std::abs(size));
    }
    if (rule == FontColorRead::when_not_zero_first) {
        if (const int ref = store.ReadInteger(section, key + "Color", 0); ref != 0) {
            color = from_colorref(ref);
        }
    }
    font.setBold(store.ReadBool(section, key + "Bold", false));
    font.setItalic(store.ReadBool(section, key + "Italics", false));
    font.setUnderline(store.ReadBool(section, key + "Underline", false));
    font.setStrikeOut(store.ReadBool(section, key + "Strikeout", false));
    if (rule == FontColorRead::always_after_style) {
        color = from_colorref(store.ReadInteger(section, key + "Color", 0));
    }
    return font;
}

} // namespace zevrin
