#pragma once
// TAnalyser: the analysis engine of the main window, free of any window code.
//
// It holds the settings in force, the run state, the frame arrays, the long-term
// accumulators and their counters, and the SLTAS test signal; it drives the capture
// and playback components and turns every captured chunk into spectra and averages.
// The window owns one, forwards its actions to it, and repaints what OnChange names.
//
// Everything runs on one thread (the GUI thread): the components deliver chunks
// through their pump() on that thread, so the state needs no locks.

#include "audio/wave_play.h"
#include "audio/wave_record.h"
#include "dsp/fft.h"
#include "dsp/filter_section.h"
#include "dsp/types.h"
#include "engine/calibration.h"
#include "engine/power_sums.h"
#include "engine/test_signal.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace zevrin {

/// The components the main window owns and the engine drives, with the values the
/// window's form gives them.
struct TAnalyserComponents {
    /// `devices` (the sound cards and the virtual loopback unless a test gives its
    /// own) must outlive the components.
    explicit TAnalyserComponents(TDevices& devices = TDevices::system());

    TMPCRecord MPCRecord1;
    TMPCPlay MPCPlay1;
    TFFT FFT1;
    TLPFilterSection LPFilter;
    THPFilterSection HPFilter1;
    THPFilterSection HPFilter2;

private:
    void set_form_values();
};

/// What changed, so that the window can show it.
enum class TAnalyserChange {
    spectrum,      ///< repaint the spectrum plot
    waveform,      ///< repaint the waveform panel
    status,        ///< the texts of the first status bar
    status_now,    ///< the same, to be shown at once (long computation in progress)
    buttons,       ///< down states and visibility of the toolbar's check buttons
    actions,       ///< Settings and Print enabled or not
    dbrange,       ///< level axis: dbmin, dbmax
    frequencyaxis, ///< frequency axis: fmin, fmax, logfscale, musicfscale
    timeaxis,      ///< time axis: frame duration
    measuremenu,   ///< measured curve, snap to peak, interpolate
};

class TAnalyser {
public:
    /// Frame length in periods of the bandwidth, and the window's name, per window.
    static constexpr std::array<int, 5> windowfactors = {1, 2, 2, 2, 3};
    static const std::array<const char*, 5> windownames;

    explicit TAnalyser(TAnalyserComponents& components);
    TAnalyser(const TAnalyser&) = delete;
    TAnalyser& operator=(const TAnalyser&) = delete;
    ~TAnalyser();

    std::function<void(TAnalyserChange)> OnChange;
    /// For views that keep what the frames showed (the spectrogram): OnFramesStart
    /// when frames start anew, a run or a sound file, once the arrays are sized;
    /// OnFrame after each frame's spectra are computed. OnFrame must not allocate.
    std::function<void()> OnFramesStart;
    std::function<void()> OnFrame;

    // Settings in force whose setters act beyond storing.
    double dbmin() const { return fdbmin; }
    void set_dbmin(double v);
    double dbmax() const { return fdbmax; }
    void set_dbmax(double v);
    double fmin() const { return ffmin; }
    void set_fmin(double v);
    double fmax() const { return ffmax; }
    void set_fmax(double v);
    bool logfscale() const { return flogfscale; }
    void set_logfscale(bool v);
    bool musicfscale() const { return fmusicfscale; }
    void set_musicfscale(bool v);
    bool autoxaxis() const { return fautoxaxis; }
    void set_autoxaxis(bool v);
    double ltasdecaytime() const { return fltasdecaytime; }
    void set_ltasdecaytime(double v);
    double sltasdecaytime() const { return fsltasdecaytime; }
    void set_sltasdecaytime(double v);
    bool gridlines() const { return fgridlines; }
    void set_gridlines(bool v);
    int measurecurveno() const { return fmeasurecurveno; }
    void set_measurecurveno(int v);
    bool snaptopeak() const { return fsnaptopeak; }
    void set_snaptopeak(bool v);
    bool interpolate() const { return finterpolate; }
    void set_interpolate(bool v);
    bool usesltas() const { return fusesltas; }
    void set_usesltas(bool v);
    // Settings in force that are only stored.
    bool highpass() const { return fhighpass; }
    void set_highpass(bool v) { fhighpass = v; }
    double tilt() const { return ftilt; }
    void set_tilt(double v) { ftilt = v; }
    double excludedblimit() const { return fexcludedblimit; }
    void set_excludedblimit(double v) { fexcludedblimit = v; }
    bool excludeoverloaded() const { return fexcludeoverloaded; }
    void set_excludeoverloaded(bool v) { fexcludeoverloaded = v; }
    bool excludehighpower() const { return fexcludehighpower; }
    void set_excludehighpower(bool v) { fexcludehighpower = v; }

    /// Whether the coming frames' current spectra (outdb1, outdb2) are computed, and
    /// handed to their frozen copies, as a run does (the default). A caller that reads
    /// them only after its last frame may turn this off for all frames but the last two
    /// (the current spectrum and the copy of the one before); the skipped frames still
    /// reach the frame arrays, the averages and every count. Nothing else may read the
    /// spectra on the way: no OnFrame, no window.
    bool spectra_wanted() const { return fspectrawanted; }
    void set_spectra_wanted(bool v) { fspectrawanted = v; }

    // Run state.
    bool running() const { return frunning; }
    void set_running(bool v);
    bool freeze() const { return ffreeze; }
    void set_freeze(bool v);
    bool ltas() const { return fltas; }
    void set_ltas(bool v);
    bool sltas() const { return fsltas; }
    void set_sltas(bool v);
    bool playing() const { return fplaying; }
    /// Starts (synthesising the test signal) or stops the playback.
    void set_playing(bool v);

    // Actions of the window.
    void RunExecute();
    void Freeze1Execute();
    void DoLTASExecute();
    void clearltasExecute();
    void DoSLTASExecute();
    void clearsltasExecute();
    void playactionExecute();
    /// The window is closing: stop capture, then playback.
    void FormCloseQuery();

    /// Everything a run does before the capture starts: filters reset, frame length
    /// and FFT size fixed, arrays sized (keeping the accumulators), the capture
    /// component configured for one frame of every channel per chunk. A sound-file
    /// analysis calls this and then feeds its chunks to MPCRecord1Fetch.
    void prepare_frames();
    /// The partials of the test signal in force, as playing would mark them, without
    /// synthesising it: for analysing a recording made with the test signal.
    void select_test_partials();
    /// Synthesises the test signal in force into stasharr, dither included, and starts
    /// the feed afresh, as playing does when it starts, without opening a device.
    void build_test_signal();
    /// The test signal's settings in force.
    TTestSignalSettings test_signal_settings() const;
    /// One captured chunk (the capture component's OnFetch).
    void MPCRecord1Fetch(TWaveChunk& arr, int used, bool& last);
    /// The next chunk to play (the playback component's OnStash).
    void MPCPlay1Stash(TWaveChunk& arr, int& used, bool& last);
    /// Chunks the capture lost (its OnLost).
    void MPCRecord1Lost(int count);
    /// Chunks of the test signal the playback lost (its OnLost): while the capture runs
    /// they reach the averages as a gap in the signal, and count as skipped too.
    void MPCPlay1Lost(int count);
    /// Hands over what the capture (playback) device delivered: the component's pump().
    /// A device that failed while running has closed itself; the run state then
    /// follows it before the error goes on (not running, or not playing: the button
    /// up, Settings enabled when both are idle), so that one Run or Play starts again.
    void pump_capture();
    void pump_playback();

    /// Settings and printing are available: neither capture nor playback runs.
    bool settings_enabled() const { return !runButton_down && !playbutton_down; }
    /// The frame length in samples per channel that a run would use now.
    int frame_length() const;
    /// The duration of the time axis, ms (set by a run).
    double taxis_high() const { return ftaxishigh; }
    const std::string& statustext(int panel) const { return fstatustext.at(panel); }

    // Toolbar check buttons, as shown.
    bool runButton_down = false;
    bool freezeButton_down = false;
    bool ltasbutton_down = false;
    bool SLTASbutton_down = false;
    bool playbutton_down = false;

    // Settings in force, plain fields. Every setting starts with the value a first
    // start without stored settings gives it.
    bool ltasdecay = false;
    bool sltasdecay = false;
    double sampfreq = 11025.0;
    double bandwidth = 50.0;
    bool dualchannels = false;
    bool showwave = true;
    bool bltplot = true;
    bool stretchwave = true;
    bool measure = true;
    double maxgain = 31.622776601683793;
    int partialpattern = 2;
    int partialsperoctave = 12;
    double chirpiness = 1.0;
    double singlesinusfreq = 100.0;
    int sltaspoints = 4096;
    TFFTWindow fftwindow = TFFTWindow::Hamming;

    // Frames and spectra (sized by a run; the accumulators keep their sums across runs).
    tdoublearr inre1, inre2, inre1a, inre2a;
    tdoublearr outdb1, outdb2, outdb1a, outdb2a;
    tdoublearr ltas1, ltas2;
    tcomplexarr sltas1, sltas2;
    /// Power and cross sums beside sltas1 and sltas2, taken and decayed with them.
    TPowerSums powersums;

    // Accumulators and counters.
    int ltascount = 0;
    int sltascount = 0;
    double ltasdecayedcount = 0.0;
    double sltasdecayedcount = 0.0;
    double ltasdecayfactor = 1.0;
    double sltasdecayfactor = 1.0;
    double powersum = 0.0;
    int powercount = 0;
    bool exclude = false;
    int taken = 0;
    int excluded = 0;
    int skipped = 0;
    /// Frames still to be excluded after an overloaded or high-power frame.
    int excludehold = 0;
    /// The measurement cursors hold a valid measurement; a new frame ends it.
    bool domeasure = false;
    /// The largest magnitude of a captured sample in the last frame, by channel (0 mono
    /// or left, 1 right), before the high-pass filter: 32767 or more is clipped.
    std::array<int, 2> framepeak{};

    /// Offsets, microphone corrections and the unit of calibrated levels.
    TCalibration calibration;

    // The test signal.
    int stashcount = 0;
    std::vector<int16_t> stasharr;
    tpartialflags partialused;
    tdoublearr partialamp;

    TAnalyserComponents& components() { return fcomponents; }
    const TAnalyserComponents& components() const { return fcomponents; }

private:
    // Long enough for every status text, so that a frame's texts never allocate.
    static constexpr size_t status_text_length = 96;

    void changed(TAnalyserChange what);
    double decay_factor(bool decay, double decaytime) const;
    void start_run();
    void size_arrays(int framelength);
    void start_playing();
    void report_progress(size_t c, size_t length);
    void set_status(int panel, const char* text);
    // Frame processing steps.
    void measure_frame(const TWaveChunk& arr, int used, double& framepower, bool& overloaded);
    void highpass_frame(TWaveChunk& arr, int used);
    void decide_exclusion(double framepower, bool overloaded);
    void keep_frozen_copies();
    // The right channel's frozen copies hold the values of its arrays: in mono, where
    // nothing rewrites those, the copy of step 7 is then already made. Cleared whenever
    // the arrays are sized or the right channel is processed.
    bool frightcopiesheld = false;
    void transform_channel(const TWaveChunk& arr, int used, int channel);
    void accumulate(tdoublearr& ltasarr, tcomplexarr& sltasarr);
    void count_accumulation();
    void update_count_text();

    TAnalyserComponents& fcomponents;
    TFFT synthfft;

    double fdbmin = -30.0;
    double fdbmax = 75.0;
    double ffmax = 5512.5;
    double ffmin = 0.0;
    bool flogfscale = false;
    bool fmusicfscale = false;
    double fltasdecaytime = 0.0;
    double fsltasdecaytime = 0.0;
    bool fautoxaxis = true;
    bool fgridlines = true;
    int fmeasurecurveno = 1;
    bool fsnaptopeak = true;
    bool finterpolate = true;
    bool fhighpass = true;
    double ftilt = 0.0;
    bool fusesltas = false;
    double fexcludedblimit = 6.0;
    bool fexcludeoverloaded = true;
    bool fexcludehighpower = false;
    bool fspectrawanted = true;

    bool frunning = false;
    bool ffreeze = false;
    bool fltas = false;
    bool fsltas = false;
    bool fplaying = false;
    double ftaxishigh = 1.0;
    std::array<std::string, 3> fstatustext;
    tdoublearr fperiod;
};

} // namespace zevrin
