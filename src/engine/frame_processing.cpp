// Frame processing: every captured chunk holds exactly one frame of every channel.

#include "engine/analyser.h"

#include "dsp/numeric.h"
#include "dsp/text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace zevrin {

namespace {

constexpr int excluded_frames_after_event = 3;
// The average power needs this many frames before a frame is tested against it.
constexpr int power_warmup_frames = 11;

int16_t clamp_sample(double v) {
    return static_cast<int16_t>(std::clamp(round_even(v), -32768.0, 32767.0));
}

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
// high-pass filter runs, so that both exclusions work in either case.
void TAnalyser::measure_frame(const TWaveChunk& arr, int used, double& framepower,
                              bool& overloaded) {
    framepeak = {0, 0};
    for (int b = 0; b < used; ++b) {
        const int v = arr[static_cast<size_t>(b)];
        int& peak = framepeak[dualchannels && b % 2 == 1 ? 1 : 0];
        peak = std::max(peak, std::abs(v));
        if (fexcludeoverloaded && (v == 32767 || v == -32768)) {
            excludehold = excluded_frames_after_event;
            overloaded = true;
        }
        framepower += static_cast<double>(v * v);
    }
}

void TAnalyser::highpass_frame(TWaveChunk& arr, int used) {
    TAnalyserComponents& c = fcomponents;
    for (int b = 0; b < used; ++b) {
        THPFilterSection& hp = (dualchannels && b % 2 == 1) ? c.HPFilter2 : c.HPFilter1;
        int16_t& sample = arr[static_cast<size_t>(b)];
        sample = clamp_sample(hp.filter(sample));
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

void TAnalyser::keep_frozen_copies() {
    if (ffreeze) {
        return;
    }
    std::copy(outdb1.begin(), outdb1.end(), outdb1a.begin());
    std::copy(outdb2.begin(), outdb2.end(), outdb2a.begin());
    std::copy(inre1.begin(), inre1.end(), inre1a.begin());
    std::copy(inre2.begin(), inre2.end(), inre2a.begin());
}

// channel 0: mono; 1: left of an interleaved pair; 2: right.
void TAnalyser::transform_channel(const TWaveChunk& arr, int used, int channel) {
    tdoublearr& frame = channel == 2 ? inre2 : inre1;
    const size_t stride = channel == 0 ? 1 : 2;
    const size_t offset = channel == 2 ? 1 : 0;
    if (frame.empty()) {
        return; // no run has sized the arrays yet
    }
    const size_t count = std::min(frame.size(), static_cast<size_t>(used) / stride);
    for (size_t i = 0; i < count; ++i) {
        frame[i] = arr[i * stride + offset];
    }
    TFFT& fft = fcomponents.FFT1;
    fft.set_InRe(frame);
    const tdoublearr& db = fft.OutdB();
    tdoublearr& out = channel == 2 ? outdb2 : outdb1;
    std::copy_n(db.begin(), std::min(db.size(), out.size()), out.begin());
    if (!exclude) {
        accumulate(channel == 2 ? ltas2 : ltas1, channel == 2 ? sltas2 : sltas1);
        if (fsltas) {
            powersums.add(channel, fft.OutRe(), fft.OutIm(), sltasdecayfactor);
        }
    }
}

void TAnalyser::accumulate(tdoublearr& ltasarr, tcomplexarr& sltasarr) {
    TFFT& fft = fcomponents.FFT1;
    if (fltas) {
        const tdoublearr& mag = fft.OutAbs();
        const size_t n = std::min(mag.size(), ltasarr.size());
        for (size_t i = 0; i < n; ++i) {
            ltasarr[i] = mag[i] + ltasarr[i] * ltasdecayfactor;
        }
    }
    if (fsltas) {
        const tdoublearr& re = fft.OutRe();
        const tdoublearr& im = fft.OutIm();
        const size_t n = std::min(re.size(), sltasarr.size());
        for (size_t i = 0; i < n; ++i) {
            sltasarr[i].re = re[i] + sltasarr[i].re * sltasdecayfactor;
            sltasarr[i].im = im[i] + sltasarr[i].im * sltasdecayfactor;
        }
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
