#pragma once
// The printed page's words: its job title and the block of facts about the
// measurement below the plot. Free of Qt, so that every line is tested as text.

#include "engine/analyser.h"

#include <string>
#include <string_view>
#include <vector>

namespace zevrin {

/// The title the user typed, trimmed, with " - Zevrin" after it; "Zevrin" alone when
/// nothing is left. It is both the printer's job title and the page's title line.
std::string print_job_title(std::string_view title);

/// What the facts block reports.
struct TPrintFacts {
    std::string printed; ///< date and time of printing, in the user's formats
    double bandwidth = 0.0;
    double timewindow = 0.0; ///< ms: the high value of the time axis
    TFFTWindow window = TFFTWindow::rectangle;
    int windowsize = 0;
    int fftsize = 0;
    double sampfreq = 0.0;
    int ltascount = 0;
    bool ltasdecay = false;
    double ltasdecaytime = 0.0;
    double ltasdecayedcount = 0.0;
    int sltascount = 0;
    bool sltasdecay = false;
    double sltasdecaytime = 0.0;
    double sltasdecayedcount = 0.0;
    int taken = 0;
    int excluded = 0;
    int skipped = 0;
    /// "Calibration: ..." while levels are calibrated, else empty.
    std::string calibration;
};

/// "Calibration: levels in dB SPL, offsets 20.00 dB and 0.00 dB, microphone
/// correction mic.txt (left)" while `c` is active; empty otherwise.
std::string calibration_fact(const TCalibration& c);

/// The facts of the engine now; `timewindow` in ms.
TPrintFacts print_facts(const TAnalyser& a, double timewindow, std::string printed);

/// The lines of the facts block, top to bottom. The averages appear only when they
/// hold something: with decay their time and equivalent count, else the frame counts.
std::vector<std::string> fact_lines(const TPrintFacts& f);

} // namespace zevrin
