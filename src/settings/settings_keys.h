#pragma once
// The analyser's settings as keys of the section [Settings], the same in the
// program's registry key and in a ".zvr" settings file. Free of Qt: the window and
// the command line without a window read and write them through the same code.
//
// Keys in the order written: "SampFreq", "Bandwidth", "SLTASPoints", "UseSLTAS",
// "NonSLTASWindow", "Decay", "SDecay", "DecayTime", "SDecayTime", "fMax", "fMin",
// "LogfScale", "GridLines", "HighPass", "dBMin", "dBMax", "ExcludedBLimit",
// "ExcludeOverloaded", "ExcludeHighPower", "AutoXAxis", "Window", "PartialPattern",
// "PartialsPerOctave", "Chirpiness", "SingleSinusFreq", "DualChannels", "ShowWave",
// "StretchWave", "Measure", "PlotOffScreen", "SnapToPeak", "Interpolate",
// "MeasureCurveNo", "InDeviceID", "OutDeviceID", "MaxGain" (20·log10 of the gain),
// "Color0".."Color18", "ShowCurve0".."ShowCurve18".

#include "engine/analyser.h"
#include "engine/curves.h"
#include "platform/ini_store.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace zevrin {

inline constexpr const char* settings_section = "Settings";
inline constexpr const char* common_section = "Common";
/// The capture's latency in milliseconds, "InLatency" of [Common] in the program's own
/// store only: it belongs to the machine's sound set-up, not to a measurement. Through
/// the sound server a capture's blocks are a fraction of it, so a shorter one shows a
/// sound sooner; by default a quarter of a second, which loses nothing on a machine
/// kept busy where 100 and 150 ms lost blocks.
inline constexpr int default_input_latency_ms = 250;
/// The calibration and the reference curves, in a section of their own: "LevelUnit"
/// (0 dB, 1 dB SPL, 2 dBV, 3 dBFS), "Offset0" and "Offset1" (dB, channel 0 mono or
/// left, 1 right), "CorrectionFile0" and "CorrectionFile1" (microphone correction
/// files, empty for none) and "Reference1".."Reference4" (reference tables shown).
/// Written only while something in it is set: with nothing calibrated and no
/// reference the section is taken away, and the stored keys are those without it.
inline constexpr const char* calibration_section = "Calibration";
inline constexpr int max_references = 4;

/// What the keys are read into and written from: the engine with its components,
/// and the window's curve colours and visibility flags by curve number.
struct TSettingValues {
    TAnalyser& analyser;
    std::array<uint32_t, ncurves>& linecolor;
    /// The colours that absent "Color" keys give.
    const std::array<uint32_t, ncurves>& defaultlinecolor;
    std::array<bool, ncurves>& showcurve;
    /// The reference tables shown, by file name; null where the caller keeps none.
    std::vector<std::string>* referencefiles = nullptr;
};

/// Writes every [Settings] key, and the [Calibration] section. A gain of 0 or less, which has no
/// level, is written as 30 dB.
void write_settings_keys(IniStore& store, const TSettingValues& v);

/// Reads the [Settings] keys in their reading order, each through its setter, and
/// shows the background whatever "ShowCurve0" says. Absent keys, and Boolean keys
/// that are no integer, take their first-start defaults. A numeric key that is no
/// number, or lies outside its setting's range (engine/setting_limits.h), is never
/// put in force: its default takes its place, reading goes on, and the warnings
/// returned name each such key with its range and what replaced it.
/// The [Calibration] section is read last: its offsets are checked as the numeric keys
/// are, and a correction file that cannot be read is left out with a warning that
/// gives the reason.
std::vector<std::string> read_settings_keys(IniStore& store, const TSettingValues& v);

/// An integer key of `section` (such as "XSize" of [Common]) within its setting's
/// range, else `default_value` with a warning as read_settings_keys gives.
int read_checked_integer(IniStore& store, const std::string& section, const char* key,
                         int default_value, std::vector<std::string>& warnings);

/// One message for the warnings of a reading from `source` ("the stored settings",
/// "the settings file \"x.zvr\""), one line per value.
std::string settings_warning_text(const std::string& source,
                                  const std::vector<std::string>& warnings);

/// std::runtime_error with the reason when `path` names no readable file: opening
/// such a name must not quietly put the first-start values in force.
void check_settings_file(const std::string& path);

} // namespace zevrin
