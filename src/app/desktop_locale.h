#pragma once
// The user's number format, taken from the desktop's locale when the window program
// starts: LC_ALL, else LC_NUMERIC, else LANG names it, as on any Linux desktop. The
// settings dialog, the readouts and the status bars then show "12,5" where the
// desktop writes numbers that way. Settings files, the registry and exported numbers
// (the curves' CSV, `zevrin --analyse`) keep "." whatever it says.

namespace zevrin {

/// Sets the decimal and thousands separators of the text helpers (dsp/text.h) from
/// the desktop's locale. A separator that is not one ASCII character falls back: a
/// kind of space to a blank, any other to "." (decimal) or "," (thousands).
void use_desktop_number_format();

} // namespace zevrin
