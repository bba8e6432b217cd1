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

namespace zevrin {

inline constexpr const char* settings_section = "Settings";
inline constexpr const char* common_section = "Common";

/// What the keys are read into and written from: the engine with its components,
/// and the window's curve colours and visibility flags by curve number.
struct TSettingValues {
    TAnalyser& analyser;
    std::array<uint32_t, ncurves>& linecolor;
    /// The colours that absent "Color" keys give.
    const std::array<uint32_t, ncurves>& defaultlinecolor;
    std::array<bool, ncurves>& showcurve;
};

/// Writes every [Settings] key. A gain of 0 or less, which has no level, is
/// written as 30 dB.
void write_settings_keys(IniStore& store, const TSettingValues& v);

/// Reads the [Settings] keys in their reading order, each through its setter, and
/// shows the background whatever "ShowCurve0" says. Absent keys, and integer and
/// Boolean keys that are no integer, take their first-start defaults; so does a
/// window number that names no window. A float key that is no number raises
/// EConvertError: the keys read before it stay in force.
void read_settings_keys(IniStore& store, const TSettingValues& v);

/// std::runtime_error with the reason when `path` names no readable file: opening
/// such a name must not quietly put the first-start values in force.
void check_settings_file(const std::string& path);

} // namespace zevrin
