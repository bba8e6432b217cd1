#include "output/print_facts.h"

#include "dsp/text.h"
#include "output/number_pattern.h"

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
    return f;
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
    return lines;
}

} // namespace zevrin
