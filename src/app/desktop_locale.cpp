#include "app/desktop_locale.h"

#include "dsp/text.h"

#include <QLocale>

namespace zevrin {

namespace {

char single_character(const QString& text, char fallback) {
    if (text.size() != 1) {
        return fallback;
    }
    const QChar c = text.front();
    if (c.unicode() > 0x20 && c.unicode() < 0x7F) {
        return static_cast<char>(c.unicode());
    }
    // French and others group with a (narrow) no-break space.
    return c.isSpace() ? ' ' : fallback;
}

} // namespace

// Qt reads the locale's name from the environment itself, and knows its format even
// where the C library has no data for it.
void use_desktop_number_format() {
    const QLocale desktop = QLocale::system();
    const char decimal = single_character(desktop.decimalPoint(), '.');
    char thousands = single_character(desktop.groupSeparator(), ',');
    if (thousands == decimal) {
        thousands = decimal == ',' ? '.' : ',';
    }
    set_decimal_separator(decimal);
    set_thousand_separator(thousands);
}

} // namespace zevrin
