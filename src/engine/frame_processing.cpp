// Frame processing: every captured chunk holds exactly one frame of every channel.

#include "engine/analyser.h"

#include "dsp/numeric.h"
#include "dsp/sample_scan.h"
#include "dsp/text.h"
#include "dsp/vector_math.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace zevrin {

namespace {

constexpr int excluded_frames_after_event = 3;
// The average power needs this many frames before a frame is tested against it.
constexpr int power_warmup_frames = 11;

// Appends a non-negative integer without allocating.
char* put_int(char* p, char* end, long long v) {
    return std::to_chars(p, end, v).ptr;
}

char* put_text(char* p, const char* text) {
    while (*text != '\0') {
        *p++ = *text++;
    }
    return p;
}

} // namespace

void TAnalyser::MPCRecord1Fetch(TWaveChunk& arr, int used, bool& /*last*/) {
    used = std::clamp(used, 0, static_cast<int>(arr.size()));
    double framepower = 0.0;
    bool overloaded = false;
    measure_frame(arr, used, framepower, overloaded);
    if (fhighpass) {
        highpass_frame(arr, used);
    }
    decide_exclusion(framepower, overloaded);
    domeasure = false;
    keep_frozen_copies();
    if (dualchannels) {
        transform_channel(arr, used, 1);
        transform_channel(arr, used, 2);
    } else {
        transform_channel(arr, used, 0);
    }
    if (!exclude) {
        if (fltas) {
            ++ltascount;
            ltasdecayedcount = ltasdecayedcount * ltasdecayfactor + 1.0;
        }
        if (fsltas) {
            ++sltascount;
            sltasdecayedcount = sltasdecayedcount * sltasdecayfactor + 1.0;
        }
    }
    if (OnFrame) {
        OnFrame();
    }
    changed(TAnalyserChange::spectrum);
    changed(TAnalyserChange::waveform);
    update_count_text();
    changed(TAnalyserChange::status);
}

// Overload and power are measured on the samples as captured, whether or not the
// high-pass filter runs, so that both exclusions work in either case; the peaks of each
// channel tell the calibrator a clipped input. One pass finds all three. The squares
// are summed as integers, which is exact in any order, and turned into a double once:
// the sum of doubles value by value gives the same for any frame below 2^23 values.
void TAnalyser::measure_frame(const TWaveChunk& arr, int used, double& framepower,
                              bool& overloaded) {
    const auto count = static_cast<size_t>(std::max(used, 0));
    const TSampleScan scan = scan_samples(arr.data(), count, dualchannels ? 2 : 1);
    framepower += static_cast<double>(scan.squares);
    for (size_t c = 0; c < framepeak.size(); ++c) {
        framepeak[c] = std::max(scan.high[c], -scan.low[c]);
    }
    const bool clipped = scan.high[0] == 32767 || scan.high[1] == 32767 || scan.low[0] == -32768 ||
                         scan.low[1] == -32768;
    if (fexcludeoverloaded && clipped) {
        excludehold = excluded_frames_after_event;
        overloaded = true;
    }
}

// In dual mode each channel runs through its own section.
void TAnalyser::highpass_frame(TWaveChunk& arr, int used) {
    TAnalyserComponents& c = fcomponents;
    const auto count = static_cast<size_t>(used);
    if (dualchannels) {
        TFilterSectionBase::filter_interleaved(c.HPFilter1, c.HPFilter2, arr.data(), count);
    } else {
        c.HPFilter1.filter_samples(arr.data(), count);
    }
}

void TAnalyser::decide_exclusion(double framepower, bool overloaded) {
    // No test while the average is 0: a silent past says nothing about a loud frame.
    if (powercount >= power_warmup_frames && fexcludehighpower && powersum > 0.0) {
        const double ratio = power_db(framepower / (powersum / powercount));
        if (ratio > fexcludedblimit) {
            excludehold = excluded_frames_after_event;
        }
    }
    exclude = excludehold > 0;
    if (exclude && (fltas || fsltas)) {
        ++excluded;
        set_status(2, overloaded ? "Excluded (overloaded)" : "Excluded");
        --excludehold;
    } else {
        set_status(2, "");
    }
    if (!exclude) {
        ++powercount;
        powersum += framepower;
        if (fltas || fsltas) {
            ++taken;
        }
    }
}

namespace {

// The frozen copy takes the array's values. Arrays of the same size exchange their
// storage instead of copying 100 KB or more; the array then holds the copy's old values
// until keep_rest.
bool hand_over(tdoublearr& current, tdoublearr& frozen) {
    if (current.size() == frozen.size()) {
        current.swap(frozen);
        return true;
    }
    std::copy_n(current.begin(), std::min(current.size(), frozen.size()), frozen.begin());
    return false;
}

// After hand_over and a rewrite of the first `written` entries: the others keep their
// values from before.
void keep_rest(tdoublearr& current, const tdoublearr& frozen, size_t written, bool exchanged) {
    if (exchanged && written < current.size()) {
        std::copy(frozen.begin() + static_cast<std::ptrdiff_t>(written), frozen.end(),
                  current.begin() + static_cast<std::ptrdiff_t>(written));
    }
}

} // namespace

// A channel transformed below hands its arrays to the frozen copies there, when it
// rewrites them; here the others. In mono the right channel's arrays stay as they are,
// so once copied their copies need no copying again (200 KB a frame, cold in the cache).
void TAnalyser::keep_frozen_copies() {
    if (ffreeze) {
        return;
    }
    if (inre1.empty()) { // no transform below
        std::copy_n(outdb1.begin(), std::min(outdb1.size(), outdb1a.size()), outdb1a.begin());
    }
    if (dualchannels && !inre2.empty()) {
        frightcopiesheld = false; // transform_channel rewrites them
    } else if (!frightcopiesheld) {
        for (auto [current, frozen] : {std::pair{&outdb2, &outdb2a}, std::pair{&inre2, &inre2a}}) {
            std::copy_n(current->begin(), std::min(current->size(), frozen->size()),
                        frozen->begin());
        }
        frightcopiesheld = outdb2.size() == outdb2a.size() && inre2.size() == inre2a.size();
    }
}

// channel 0: mono; 1: left of an interleaved pair; 2: right.
void TAnalyser::transform_channel(const TWaveChunk& arr, int used, int channel) {
    const bool right = channel == 2;
    tdoublearr& frame = right ? inre2 : inre1;
    tdoublearr& out = right ? outdb2 : outdb1;
    const size_t stride = channel == 0 ? 1 : 2;
    const size_t offset = right ? 1 : 0;
    if (frame.empty()) {
        return; // no run has sized the arrays yet
    }
    const bool keep = !ffreeze;
    tdoublearr& frozenframe = right ? inre2a : inre1a;
    tdoublearr& frozenout = right ? outdb2a : outdb1a;
    const size_t count = std::min(frame.size(), static_cast<size_t>(used) / stride);
    const bool frameexchanged = keep && hand_over(frame, frozenframe);
    channel_to_doubles(arr.data(), stride, offset, frame.data(), count);
    keep_rest(frame, frozenframe, count, frameexchanged);
    TFFT& fft = fcomponents.FFT1;
    fft.set_InRe(frame);
    if (fspectrawanted) {
        const bool outexchanged = keep && hand_over(out, frozenout);
        keep_rest(out, frozenout, fft.take_OutdB(out), outexchanged);
    }
    if (!exclude) {
        accumulate(right ? ltas2 : ltas1, right ? sltas2 : sltas1);
        if (fsltas) {
            powersums.add(channel, fft.OutRe(), fft.OutIm(), sltasdecayfactor);
        }
    }
}

void TAnalyser::accumulate(tdoublearr& ltasarr, tcomplexarr& sltasarr) {
    TFFT& fft = fcomponents.FFT1;
    if (fltas) {
        const tdoublearr& mag = fft.OutAbs();
        add_decayed(ltasarr.data(), mag.data(), ltasdecayfactor,
                    std::min(mag.size(), ltasarr.size()));
    }
    if (fsltas) {
        const tdoublearr& re = fft.OutRe();
        const tdoublearr& im = fft.OutIm();
        add_decayed(sltasarr.data(), re.data(), im.data(), sltasdecayfactor,
                    std::min(re.size(), sltasarr.size()));
    }
}

void TAnalyser::update_count_text() {
    char buffer[status_text_length];
    char* const end = buffer + sizeof buffer - 1;
    char* p = buffer;
    if (ltascount == 0 && sltascount == 0) {
        // empty
    } else if (ltasdecay) {
        p = put_text(p, "Equiv. of ");
        p += format_float_to(p, 48, "0.0", ltasdecayedcount);
        p = put_text(p, " taken");
    } else {
        p = put_int(p, end, taken);
        p = put_text(p, " taken, ");
        p = put_int(p, end, excluded);
        p = put_text(p, " excluded, ");
        p = put_int(p, end, skipped);
        p = put_text(p, " skipped");
    }
    *p = '\0';
    set_status(1, buffer);
}

} // namespace zevrin
