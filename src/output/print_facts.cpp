#include "output/print_facts.h"

#include "dsp/text.h"
#include "output/number_pattern.h"

#include <array>
#include <filesystem>

namespace zevrin {

std::string print_job_title(std::string_view title) {
    const std::string t = trim(title);
    return t.empty() ? std::string("Zevrin") : t + " - Zevrin";
}

TPrintFacts print_facts(const TAnalyser& a, double timewindow, std::string printed) {
    const TFFT& fft = a.components().FFT1;
    TPrintFacts f;
    f.printed = std::move(printed);
    f.bandwidth = a.bandwidth;
    f.timewindow = timewindow;
    f.window = fft.Window();
    f.windowsize = fft.WindowSize();
    f.fftsize = fft.FFTSize();
    f.sampfreq = a.sampfreq;
    f.ltascount = a.ltascount;
    f.ltasdecay = a.ltasdecay;
    f.ltasdecaytime = a.ltasdecaytime();
    f.ltasdecayedcount = a.ltasdecayedcount;
    f.sltascount = a.sltascount;
    f.sltasdecay = a.sltasdecay;
    f.sltasdecaytime = a.sltasdecaytime();
    f.sltasdecayedcount = a.sltasdecayedcount;
    f.taken = a.taken;
    f.excluded = a.excluded;
    f.skipped = a.skipped;
    f.calibration = calibration_fact(a.calibration);
    return f;
}

std::string calibration_fact(const TCalibration& c) {
    if (!c.active()) {
        return std::string();
    }
    const auto offset = [&c](size_t k) {
        return format_float("0.00", c.channels[k].offset) + " dB";
    };
    std::string text =
        "Calibration: levels in " + c.unit_text() + ", offsets " + offset(0) + " and " + offset(1);
    static constexpr std::array<const char*, 2> sides = {"mono or left", "right"};
    for (size_t k = 0; k < 2; ++k) {
        const std::string& file = c.channels[k].correctionfile;
        if (!c.channels[k].correction.empty()) {
            text += ", microphone correction " + std::filesystem::path(file).filename().string() +
                    " (" + sides[k] + ")";
        }
    }
    return text;
}

namespace {

// One average's lines; the frame counters are shared by both averages.
void average_lines(std::vector<std::string>& lines, const std::string& name, bool decay,
                   double decaytime, double decayedcount, const TPrintFacts& f) {
    if (decay) {
        lines.push_back(name + " decay time: " + format_pattern("# ##0.##", decaytime) + " s");
        lines.push_back("Equiv. of " + format_pattern("0.00", decayedcount) + " taken");
    } else {
        lines.push_back(name + " frames: " + std::to_string(f.taken) + " taken, " +
                        std::to_string(f.excluded) + " excluded, " + std::to_string(f.skipped) +
                        " skipped");
    }
}

} // namespace

std::vector<std::string> fact_lines(const TPrintFacts& f) {
    std::vector<std::string> lines = {
        "Printed: " + f.printed,
        "Bandwidth: " + format_pattern("# ##0.##", f.bandwidth) + " Hz",
        "Time window: " + format_pattern("0.#", f.timewindow) + " ms",
        std::string("Window function: ") + TAnalyser::windownames.at(static_cast<size_t>(f.window)),
        "FFT points: " + std::to_string(f.windowsize) + " of " + std::to_string(f.fftsize),
        "Sampling rate: " + format_pattern("# ##0.##", f.sampfreq) + " Hz",
    };
    if (f.ltascount > 0) {
        average_lines(lines, "LTAS", f.ltasdecay, f.ltasdecaytime, f.ltasdecayedcount, f);
    }
    if (f.sltascount > 0) {
        average_lines(lines, "SLTAS", f.sltasdecay, f.sltasdecaytime, f.sltasdecayedcount, f);
    }
    if (!f.calibration.empty()) {
        lines.push_back(f.calibration);
    }
    return lines;
}

} // namespace zevrin
