#pragma once
// The range of every numeric setting, in one place. The settings files and the
// registry, the settings dialog and the command line check their values here, so that
// no way in puts a value in force that another would refuse: beyond these ranges a
// setting asks for frames of gigabytes, a test signal that takes minutes to compute,
// a gain or level that no number holds, or names a window, pattern or curve that does
// not exist.
//
// The colour keys have no range: every integer names a colour (its low three bytes).

#include "dsp/types.h"

#include <string>
#include <string_view>

namespace zevrin {

/// The longest frame outside SLTAS mode, in samples per channel: some 22 s at
/// 48000 Hz (a bandwidth of 0.14 Hz with the Blackman window), with arrays of a few
/// hundred megabytes at most.
inline constexpr int max_frame_length = 1 << 20;

struct TSettingLimit {
    enum class Kind { number, integer, power_of_two };
    const char* name; ///< the setting's key in the store ("SampFreq")
    double low;
    double high;
    const char* unit; ///< "Hz", "dB", "s", "dB/oct" or ""
    Kind kind = Kind::number;
};

/// The limits of the setting of that store key ("SLTASPoints", "fMin"; also "Tilt",
/// which only the settings dialog sets). std::out_of_range for a key without limits,
/// such as "Bandwidth" (see bandwidth_limit) or a Boolean.
const TSettingLimit& setting_limit(std::string_view name);

/// Bandwidths that give frames of 2 to max_frame_length samples at `sampfreq` with
/// `window`. (50 Hz, the first start's, suits every sampling frequency allowed.)
TSettingLimit bandwidth_limit(double sampfreq, TFFTWindow window);

/// Whether `value` lies within the limit, and is whole or a power of two where the
/// limit asks for one. NaN never does.
bool within(const TSettingLimit& limit, double value);

/// "from 1000 to 384000 Hz", "a whole number from 0 to 18", "a power of two from 16
/// to 32768".
std::string range_text(const TSettingLimit& limit);

/// "<name> must be <range_text>, not <value>": `name` is how the caller's user knows
/// the setting (its key, a command-line option, a label of the dialog).
std::string range_error(std::string_view name, const TSettingLimit& limit, double value);

/// A number as a message shows it: at most six significant digits, 1E300 rather than
/// 301 digits.
std::string readable_number(double value);

} // namespace zevrin
