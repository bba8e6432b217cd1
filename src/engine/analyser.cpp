#include "engine/analyser.h"

#include "dsp/numeric.h"
#include "dsp/text.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace zevrin {

const std::array<const char*, 5> TAnalyser::windownames = {"rectangular", "Bartlett", "Hamming",
                                                           "Hanning", "Blackman"};

namespace {

constexpr int capture_buffers = 32;

} // namespace

TAnalyserComponents::TAnalyserComponents(TDevices& devices)
    : MPCRecord1(devices), MPCPlay1(devices) {
    set_form_values();
}

void TAnalyserComponents::set_form_values() {
    FFT1.set_LogFFTSize(9);
    FFT1.set_FFTSize(512);
    FFT1.set_WindowSize(512);
    FFT1.set_Window(TFFTWindow::Hamming);
    LPFilter.set_Gain(1);
    LPFilter.set_Q(10);
    LPFilter.set_F0(1000);
    LPFilter.set_SampFreq(48000);
    for (THPFilterSection* hp : {&HPFilter1, &HPFilter2}) {
        hp->set_Gain(1);
        hp->set_Q(0.7071);
        hp->set_F0(1);
        hp->set_SampFreq(16000);
    }
}

TAnalyser::TAnalyser(TAnalyserComponents& components) : fcomponents(components) {
    for (std::string& text : fstatustext) {
        text.reserve(status_text_length);
    }
    fcomponents.MPCRecord1.OnFetch = [this](TWaveChunk& arr, int used, bool& last) {
        MPCRecord1Fetch(arr, used, last);
    };
    fcomponents.MPCRecord1.OnLost = [this](int count) { MPCRecord1Lost(count); };
    fcomponents.MPCPlay1.OnLost = [this](int count) { MPCPlay1Lost(count); };
    fcomponents.MPCPlay1.OnStash = [this](TWaveChunk& arr, int& used, bool& last) {
        MPCPlay1Stash(arr, used, last);
    };
}

TAnalyser::~TAnalyser() {
    fcomponents.MPCRecord1.OnFetch = nullptr;
    fcomponents.MPCRecord1.OnLost = nullptr;
    fcomponents.MPCPlay1.OnLost = nullptr;
    fcomponents.MPCPlay1.OnStash = nullptr;
}

void TAnalyser::changed(TAnalyserChange what) {
    if (OnChange) {
        OnChange(what);
    }
}

void TAnalyser::set_status(int panel, const char* text) {
    std::string& target = fstatustext[static_cast<size_t>(panel)];
    if (target != text) {
        target.assign(text);
    }
}

// Settings whose setters act beyond storing.

void TAnalyser::set_dbmin(double v) {
    fdbmin = v;
    changed(TAnalyserChange::dbrange);
}

void TAnalyser::set_dbmax(double v) {
    fdbmax = v;
    changed(TAnalyserChange::dbrange);
}

void TAnalyser::set_fmax(double v) {
    ffmax = v;
    changed(TAnalyserChange::frequencyaxis);
}

void TAnalyser::set_fmin(double v) {
    ffmin = v;
    changed(TAnalyserChange::frequencyaxis);
}

void TAnalyser::set_logfscale(bool v) {
    flogfscale = v;
    changed(TAnalyserChange::frequencyaxis);
}

void TAnalyser::set_musicfscale(bool v) {
    fmusicfscale = v;
    changed(TAnalyserChange::frequencyaxis);
}

void TAnalyser::set_autoxaxis(bool v) {
    fautoxaxis = v;
    if (v) {
        set_fmax(sampfreq / 2);
    }
}

double TAnalyser::decay_factor(bool decay, double decaytime) const {
    if (!decay || decaytime == 0.0) {
        return 1.0;
    }
    const double frame = static_cast<double>(frame_length()) / sampfreq;
    const double factor = std::exp(std::log(1000.0) * (-frame / decaytime));
    // A decay time far shorter than a frame underflows to 0; the smallest positive
    // factor forgets as much and keeps the factor a factor of decay.
    return std::isfinite(factor) ? std::max(factor, std::numeric_limits<double>::min()) : 1.0;
}

void TAnalyser::set_ltasdecaytime(double v) {
    fltasdecaytime = v;
    ltasdecayfactor = decay_factor(ltasdecay, fltasdecaytime);
}

void TAnalyser::set_sltasdecaytime(double v) {
    fsltasdecaytime = v;
    sltasdecayfactor = decay_factor(sltasdecay, fsltasdecaytime);
}

void TAnalyser::set_gridlines(bool v) {
    fgridlines = v;
    changed(TAnalyserChange::spectrum);
}

void TAnalyser::set_measurecurveno(int v) {
    fmeasurecurveno = v;
    changed(TAnalyserChange::measuremenu);
}

void TAnalyser::set_snaptopeak(bool v) {
    fsnaptopeak = v;
    changed(TAnalyserChange::measuremenu);
}

void TAnalyser::set_interpolate(bool v) {
    finterpolate = v;
    changed(TAnalyserChange::measuremenu);
}

void TAnalyser::set_usesltas(bool v) {
    fusesltas = v;
    changed(TAnalyserChange::buttons);
    if (!v) {
        clearsltasExecute();
        set_sltas(false);
    }
}

// Run state.

void TAnalyser::set_running(bool v) {
    if (v == frunning) {
        return;
    }
    frunning = v;
    runButton_down = v;
    changed(TAnalyserChange::buttons);
    changed(TAnalyserChange::spectrum);
}

void TAnalyser::set_freeze(bool v) {
    if (v == ffreeze) {
        return;
    }
    ffreeze = v;
    freezeButton_down = v;
    changed(TAnalyserChange::buttons);
}

void TAnalyser::set_ltas(bool v) {
    if (v == fltas) {
        return;
    }
    fltas = v;
    ltasbutton_down = v;
    changed(TAnalyserChange::buttons);
}

void TAnalyser::set_sltas(bool v) {
    if (v == fsltas) {
        return;
    }
    fsltas = v;
    SLTASbutton_down = v;
    changed(TAnalyserChange::buttons);
}

// Actions.

int TAnalyser::frame_length() const {
    if (fusesltas) {
        return sltaspoints;
    }
    const auto window = static_cast<size_t>(fcomponents.FFT1.Window());
    return round_int(sampfreq / bandwidth * windowfactors.at(window));
}

void TAnalyser::RunExecute() {
    set_running(!frunning);
    if (frunning) {
        start_run();
    } else {
        fcomponents.MPCRecord1.Stop();
    }
    changed(TAnalyserChange::actions);
}

void TAnalyser::size_arrays(int framelength) {
    frightcopiesheld = false;
    const auto l = static_cast<size_t>(framelength);
    for (tdoublearr* a : {&inre1, &inre2, &inre1a, &inre2a}) {
        a->resize(l);
    }
    const auto n = static_cast<size_t>(fcomponents.FFT1.FFTSize());
    for (tdoublearr* a : {&outdb1, &outdb1a, &outdb2, &outdb2a, &ltas1, &ltas2}) {
        a->resize(n);
    }
    sltas1.resize(n);
    sltas2.resize(n);
    powersums.resize(n);
}

void TAnalyser::start_run() {
    prepare_frames();
    TMPCRecord& rec = fcomponents.MPCRecord1;
    try {
        rec.Run();
    } catch (...) {
        runButton_down = rec.OwnBoard();
        changed(TAnalyserChange::buttons);
        throw;
    }
}

void TAnalyser::prepare_frames() {
    TAnalyserComponents& c = fcomponents;
    for (THPFilterSection* hp : {&c.HPFilter1, &c.HPFilter2}) {
        hp->set_SampFreq(sampfreq);
        hp->reset();
    }
    TMPCRecord& rec = c.MPCRecord1;
    rec.set_nChans(dualchannels ? 2 : 1);
    rec.set_sfTot(round_int(rec.nChans() * sampfreq));
    rec.set_nBuffers(capture_buffers);
    const int l = frame_length();
    rec.set_nChunkSamples(l);
    ftaxishigh = l / sampfreq * 1000.0;
    changed(TAnalyserChange::timeaxis);
    c.FFT1.set_FFTSize(l);
    c.FFT1.set_WindowSize(l);
    size_arrays(l);
    rec.set_nChunkSamples(rec.nChans() * l);
    const auto window = static_cast<size_t>(c.FFT1.Window());
    fstatustext[0] = "BW:" + format_float("# ##0.##", bandwidth) + "Hz " + windownames.at(window) +
                     ", " + format_float("0.#", ftaxishigh) + " ms";
    changed(TAnalyserChange::status);
    if (OnFramesStart) {
        OnFramesStart();
    }
}

void TAnalyser::Freeze1Execute() {
    set_freeze(!ffreeze);
    changed(TAnalyserChange::spectrum);
    changed(TAnalyserChange::waveform);
}

void TAnalyser::DoLTASExecute() {
    set_ltas(!fltas);
}
void TAnalyser::DoSLTASExecute() {
    set_sltas(!fsltas);
}

void TAnalyser::clearltasExecute() {
    std::fill(ltas1.begin(), ltas1.end(), 0.0);
    std::fill(ltas2.begin(), ltas2.end(), 0.0);
    ltascount = 0;
    ltasdecayedcount = 0.0;
    taken = skipped = excluded = 0;
    powercount = 0;
    powersum = 0.0;
    changed(TAnalyserChange::spectrum);
    changed(TAnalyserChange::waveform);
}

void TAnalyser::clearsltasExecute() {
    std::fill(sltas1.begin(), sltas1.end(), tcomplex{});
    std::fill(sltas2.begin(), sltas2.end(), tcomplex{});
    powersums.clear();
    sltascount = 0;
    sltasdecayedcount = 0.0;
    taken = skipped = excluded = 0;
    powercount = 0;
    powersum = 0.0;
    changed(TAnalyserChange::spectrum);
    changed(TAnalyserChange::waveform);
}

void TAnalyser::playactionExecute() {
    set_playing(!fplaying);
}

void TAnalyser::FormCloseQuery() {
    fcomponents.MPCRecord1.Stop();
    fcomponents.MPCPlay1.Stop();
}

void TAnalyser::pump_capture() {
    TMPCRecord& rec = fcomponents.MPCRecord1;
    try {
        rec.pump();
    } catch (...) {
        if (frunning && !rec.OwnBoard()) {
            set_running(false);
            changed(TAnalyserChange::actions);
        }
        throw;
    }
}

void TAnalyser::pump_playback() {
    TMPCPlay& play = fcomponents.MPCPlay1;
    try {
        play.pump();
    } catch (...) {
        if (fplaying && !play.OwnBoard()) {
            set_playing(false);
        }
        throw;
    }
}

void TAnalyser::MPCRecord1Lost(int count) {
    if (fltas || fsltas) {
        skipped += count;
        update_count_text();
        changed(TAnalyserChange::status);
    }
}

void TAnalyser::MPCPlay1Lost(int count) {
    if (frunning) {
        MPCRecord1Lost(count);
    }
}

} // namespace zevrin
