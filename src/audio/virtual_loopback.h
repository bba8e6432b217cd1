#pragma once
// TVirtualLoopback: a device set of one output and one input device, where what is
// played on the output reaches the input after a fixed delay, through a simulated
// system: gain, an optional filter, white noise, rounding and clipping to 16 bits.
//
// With no gain change, filter or noise the input receives exactly the values played
// (a mono output feeds both channels; a mono input takes channel 1), delayed by
// delay() frames; before anything was played the input hears silence (plus noise).
//
// Clocks: on the manual clock nothing moves until advance(frames) moves that many
// frames on the calling thread, so a test decides exactly when the streams' sinks and
// sources are called. On the real-time clock a thread of the loopback moves frames at
// the rate of the running input (else of the running output) while a stream runs; the
// program uses it after the sound cards and where there is none.
//
// One input and one output stream may be open at a time; rates 1000 to 384000 Hz,
// 1 or 2 channels. Every member may be called from any thread.

#include "audio/device.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace zevrin {

enum class TLoopbackClock { manual, real_time };

/// What fails next: `open` the next opening of a stream, `running` every running
/// stream at the next step of the clock (as if the device had vanished), `reset` the
/// next abort and `close` the next close of a stream (each after doing its work).
/// `overflow`: what the next step brings never reaches the running input, which is told
/// so as a host tells of its overflow; `underflow`: the running output is not read for
/// the next step, silence is played instead, and it is told so as of an underflow. The
/// switch returns to `none` once the fault has happened.
enum class TLoopbackFault { none, open, running, reset, close, overflow, underflow };

class TVirtualLoopback : public TDevices {
public:
    /// The name of both devices in the lists.
    static constexpr const char* device_name = "Zevrin: virtual loopback";

    explicit TVirtualLoopback(TLoopbackClock clock = TLoopbackClock::manual);
    /// Streams still open must not be used afterwards.
    ~TVirtualLoopback() override;
    TVirtualLoopback(const TVirtualLoopback&) = delete;
    TVirtualLoopback& operator=(const TVirtualLoopback&) = delete;

    /// Multiplies what reaches the input; 1 by default.
    void set_gain(double gain);
    /// Applied after the gain to every value, with its input channel (0 or 1), on the
    /// clock's thread; must not throw. Empty (the default) for none.
    void set_filter(std::function<double(double value, int channel)> filter);
    /// Gaussian white noise of `rms` (in units of the 16-bit values) added after the
    /// filter; its generator restarts from `seed` now and whenever an input opens.
    void set_noise(double rms, uint64_t seed = 1);
    /// Frames between playing and capturing, 0 or more; the line is silent again.
    void set_delay(int frames);
    void set_fault(TLoopbackFault fault);
    TLoopbackFault fault() const;

    /// Manual clock only: moves `frames` frames through the loopback now. Throws
    /// std::logic_error on the real-time clock.
    void advance(size_t frames);

    /// The formats of the open streams, if any (for tests).
    std::optional<TStreamFormat> input_format() const;
    std::optional<TStreamFormat> output_format() const;
    /// Streams open now (for tests).
    int open_streams() const;
    /// True while the real-time clock's thread exists (for tests).
    bool clock_running() const;

    std::vector<std::string> input_names() override { return {device_name}; }
    std::vector<std::string> output_names() override { return {device_name}; }
    std::unique_ptr<TAudioStream> open_input(int id, TStreamFormat format,
                                             TSampleSink& sink) override;
    std::unique_ptr<TAudioStream> open_output(int id, TStreamFormat format,
                                              TSampleSource& source) override;
    std::string error_text(int code) const override { return own_error_text(code); }

private:
    class Stream;
    friend class Stream;

    struct Endpoint {
        Stream* stream = nullptr;
        TStreamFormat format;
        TSampleSink* sink = nullptr;
        TSampleSource* source = nullptr;
        bool started = false;
        bool failed = false;
        bool ended = false; ///< an output whose source has nothing more to play
        bool active() const { return stream != nullptr && started && !failed && !ended; }
        void clear() {
            stream = nullptr;
            sink = nullptr;
            source = nullptr;
            started = failed = ended = false;
        }
    };

    std::unique_ptr<TAudioStream> open(Endpoint& end, int id, TStreamFormat format);
    /// The endpoint of `stream`, or nullptr once the stream is closed.
    Endpoint* endpoint_of(const Stream& stream);
    void start(const Stream& stream);
    void abort(const Stream& stream);
    void close(const Stream& stream, bool may_fail);
    void stop_clock_if_idle(std::unique_lock<std::mutex>& lock);
    void run_clock(std::stop_token stop);
    int clock_rate() const;

    void step(size_t frames);
    void fail_running();
    /// True, and the switch back to none, when `fault` is due and `end` runs.
    bool take_fault(TLoopbackFault fault, const Endpoint& end);
    void pull_output(int16_t* line, size_t frames);
    void pass_delay(int16_t* line, size_t frames);
    void push_input(const int16_t* line, size_t frames);
    int16_t simulate(int16_t value, int channel);
    double gaussian();

    const TLoopbackClock fclock;
    mutable std::mutex fmutex;
    std::condition_variable_any fclockwake;
    std::jthread fclockthread;
    Endpoint finput;
    Endpoint foutput;
    double fgain = 1.0;
    std::function<double(double, int)> ffilter;
    double fnoise = 0.0;
    uint64_t fseed = 1;
    uint64_t frandom = 1;
    std::optional<double> fspare; ///< the second value of a Box-Muller pair
    std::vector<int16_t> fline;   ///< two channels per frame
    size_t flinepos = 0;
    TLoopbackFault ffault = TLoopbackFault::none;
};

} // namespace zevrin
