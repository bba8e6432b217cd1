// The test signal of the synchronous average: synthesis when playing starts, and the
// playback feed that repeats the period without a gap.

#include "engine/analyser.h"
#include "engine/test_signal.h"

#include "dsp/numeric.h"
#include "dsp/text.h"

#include <algorithm>
#include <cmath>

namespace zevrin {

namespace {

constexpr int playback_buffers = 32;
constexpr size_t progress_step = 100;
const char* const silence_text = "No partial: silence";

} // namespace

void TAnalyser::set_playing(bool v) {
    if (v != fplaying) {
        fplaying = v;
        playbutton_down = v;
        changed(TAnalyserChange::buttons);
        if (v) {
            start_playing();
        } else {
            fcomponents.MPCPlay1.Stop();
        }
    }
    changed(TAnalyserChange::actions);
}

void TAnalyser::report_progress(size_t c, size_t length) {
    if (c % progress_step != 0) {
        return;
    }
    const double done =
        length > 1 ? 100.0 * static_cast<double>(c) / static_cast<double>(length - 1) : 100.0;
    fstatustext[2] = format_float("0.###", done) + "%";
    changed(TAnalyserChange::status_now);
}

TTestSignalSettings TAnalyser::test_signal_settings() const {
    TTestSignalSettings settings;
    settings.partialpattern = partialpattern;
    settings.partialsperoctave = partialsperoctave;
    settings.singlesinusfreq = singlesinusfreq;
    settings.chirpiness = chirpiness;
    settings.tilt = ftilt;
    settings.sampfreq = sampfreq;
    return settings;
}

void TAnalyser::select_test_partials() {
    partialused.assign(static_cast<size_t>(std::max(sltaspoints, 0)), false);
    select_partials(test_signal_settings(), partialused);
    if (partialpattern == static_cast<int>(TPartialPattern::single)) {
        std::fill(partialused.begin(), partialused.end(), true);
    }
}

void TAnalyser::build_test_signal() {
    const auto l = static_cast<size_t>(sltaspoints);
    stasharr.assign(l, 0);
    partialused.assign(l, false);
    partialamp.assign(l, 0.0);
    fperiod.assign(l, 0.0);
    stashcount = 0;
    select_partials(test_signal_settings(), partialused);
    partial_amplitudes(ftilt, partialamp);
    synthesise(partialused, partialamp, chirpiness, synthfft, fperiod);
    double peak = 0.0;
    for (size_t c = 0; c < l; ++c) {
        peak = std::max(peak, std::abs(fperiod[c]));
        report_progress(c, l);
    }
    fstatustext[2] = format_float("0.###", 100) + "%";
    changed(TAnalyserChange::status_now);
    if (partialpattern == static_cast<int>(TPartialPattern::single)) {
        std::fill(partialused.begin(), partialused.end(), true);
    }
    fstatustext[2].clear();
    if (peak > 0.0) {
        for (size_t c = 0; c < l; ++c) {
            stasharr[c] = to_sample(true, fperiod[c] * 32767.0 / peak);
        }
    } else {
        // Nothing to normalise: the period stays silent, and the user is told why.
        fstatustext[2] = silence_text;
    }
    changed(TAnalyserChange::status);
}

void TAnalyser::start_playing() {
    TMPCPlay& play = fcomponents.MPCPlay1;
    play.set_nChans(1);
    play.set_sfTot(round_int(sampfreq));
    play.set_nBuffers(playback_buffers);
    play.set_nChunkSamples(sltaspoints);
    fcomponents.FFT1.set_WindowSize(sltaspoints);
    build_test_signal();
    try {
        play.Run();
    } catch (...) {
        playbutton_down = play.OwnBoard();
        changed(TAnalyserChange::buttons);
        throw;
    }
}

void TAnalyser::MPCPlay1Stash(TWaveChunk& arr, int& used, bool& /*last*/) {
    const auto length = static_cast<int>(stasharr.size());
    const int count = std::min(used, static_cast<int>(arr.size()));
    if (length == 0) {
        std::fill_n(arr.begin(), count, int16_t{0});
        return;
    }
    for (int i = 0; i < count; ++i) {
        ++stashcount;
        if (stashcount > length - 1) {
            stashcount = 0;
        }
        arr[static_cast<size_t>(i)] = stasharr[static_cast<size_t>(stashcount)];
    }
}

} // namespace zevrin
