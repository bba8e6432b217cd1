#include "audio/virtual_loopback.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace zevrin {

namespace {

constexpr int min_rate = 1000;
constexpr int max_rate = 384000;
constexpr size_t block_frames = 256;
constexpr auto clock_period = std::chrono::milliseconds(5);

uint64_t splitmix64(uint64_t& state) {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

} // namespace

class TVirtualLoopback::Stream final : public TAudioStream {
public:
    explicit Stream(TVirtualLoopback& loop) : floop(loop) {}
    ~Stream() override { floop.close(*this, false); }
    void start() override { floop.start(*this); }
    void abort() override { floop.abort(*this); }
    void close() override { floop.close(*this, true); }

private:
    TVirtualLoopback& floop;
};

TVirtualLoopback::TVirtualLoopback(TLoopbackClock clock) : fclock(clock) {}

TVirtualLoopback::~TVirtualLoopback() {
    std::unique_lock lock(fmutex);
    finput.clear();
    foutput.clear();
    stop_clock_if_idle(lock);
}

void TVirtualLoopback::set_gain(double gain) {
    std::lock_guard lock(fmutex);
    fgain = gain;
}

void TVirtualLoopback::set_filter(std::function<double(double, int)> filter) {
    std::lock_guard lock(fmutex);
    ffilter = std::move(filter);
}

void TVirtualLoopback::set_noise(double rms, uint64_t seed) {
    std::lock_guard lock(fmutex);
    fnoise = std::max(rms, 0.0);
    fseed = seed;
    frandom = seed;
    fspare.reset();
}

void TVirtualLoopback::set_delay(int frames) {
    std::lock_guard lock(fmutex);
    fline.assign(2 * static_cast<size_t>(std::max(frames, 0)), int16_t{0});
    flinepos = 0;
}

void TVirtualLoopback::set_fault(TLoopbackFault fault) {
    std::lock_guard lock(fmutex);
    ffault = fault;
}

TLoopbackFault TVirtualLoopback::fault() const {
    std::lock_guard lock(fmutex);
    return ffault;
}

std::optional<TStreamFormat> TVirtualLoopback::input_format() const {
    std::lock_guard lock(fmutex);
    return finput.stream != nullptr ? std::optional(finput.format) : std::nullopt;
}

std::optional<TStreamFormat> TVirtualLoopback::output_format() const {
    std::lock_guard lock(fmutex);
    return foutput.stream != nullptr ? std::optional(foutput.format) : std::nullopt;
}

int TVirtualLoopback::open_streams() const {
    std::lock_guard lock(fmutex);
    return (finput.stream != nullptr ? 1 : 0) + (foutput.stream != nullptr ? 1 : 0);
}

bool TVirtualLoopback::clock_running() const {
    std::lock_guard lock(fmutex);
    return fclockthread.joinable();
}

std::unique_ptr<TAudioStream> TVirtualLoopback::open_input(int id, TStreamFormat format,
                                                           TSampleSink& sink) {
    std::lock_guard lock(fmutex);
    auto stream = open(finput, id, format);
    finput.sink = &sink;
    frandom = fseed;
    fspare.reset();
    return stream;
}

std::unique_ptr<TAudioStream> TVirtualLoopback::open_output(int id, TStreamFormat format,
                                                            TSampleSource& source) {
    std::lock_guard lock(fmutex);
    auto stream = open(foutput, id, format);
    foutput.source = &source;
    return stream;
}

std::unique_ptr<TAudioStream> TVirtualLoopback::open(Endpoint& end, int id, TStreamFormat format) {
    if (id != -1 && id != 0) {
        throw TDeviceError(err_bad_device_id);
    }
    if (ffault == TLoopbackFault::open) {
        ffault = TLoopbackFault::none;
        throw TDeviceError(err_simulated_fault);
    }
    if (end.stream != nullptr) {
        throw TDeviceError(err_device_busy);
    }
    if (format.channels < 1 || format.channels > 2) {
        throw TDeviceError(err_bad_channels);
    }
    if (format.rate < min_rate || format.rate > max_rate) {
        throw TDeviceError(err_bad_rate);
    }
    auto stream = std::make_unique<Stream>(*this);
    end.clear();
    end.stream = stream.get();
    end.format = format;
    return stream;
}

TVirtualLoopback::Endpoint* TVirtualLoopback::endpoint_of(const Stream& stream) {
    if (finput.stream == &stream) {
        return &finput;
    }
    return foutput.stream == &stream ? &foutput : nullptr;
}

void TVirtualLoopback::start(const Stream& stream) {
    std::lock_guard lock(fmutex);
    Endpoint* end = endpoint_of(stream);
    if (end == nullptr) {
        return;
    }
    end->started = true;
    if (fclock == TLoopbackClock::real_time && !fclockthread.joinable()) {
        fclockthread = std::jthread([this](std::stop_token stop) { run_clock(stop); });
    }
}

void TVirtualLoopback::abort(const Stream& stream) {
    std::unique_lock lock(fmutex);
    Endpoint* end = endpoint_of(stream);
    if (end == nullptr) {
        return;
    }
    end->started = false;
    const bool fault = ffault == TLoopbackFault::reset;
    if (fault) {
        ffault = TLoopbackFault::none;
    }
    stop_clock_if_idle(lock);
    if (fault) {
        throw TDeviceError(err_simulated_fault);
    }
}

void TVirtualLoopback::close(const Stream& stream, bool may_fail) {
    std::unique_lock lock(fmutex);
    Endpoint* end = endpoint_of(stream);
    if (end == nullptr) {
        return;
    }
    end->clear();
    const bool fault = may_fail && ffault == TLoopbackFault::close;
    if (fault) {
        ffault = TLoopbackFault::none;
    }
    stop_clock_if_idle(lock);
    if (fault) {
        throw TDeviceError(err_simulated_fault);
    }
}

void TVirtualLoopback::stop_clock_if_idle(std::unique_lock<std::mutex>& lock) {
    if (finput.started || foutput.started || !fclockthread.joinable()) {
        return;
    }
    std::jthread finished = std::move(fclockthread);
    lock.unlock();
    finished.request_stop();
    fclockwake.notify_all();
    finished.join();
    lock.lock();
}

int TVirtualLoopback::clock_rate() const {
    if (finput.started) {
        return finput.format.rate;
    }
    return foutput.started ? foutput.format.rate : 0;
}

void TVirtualLoopback::run_clock(std::stop_token stop) {
    using clock = std::chrono::steady_clock;
    std::unique_lock lock(fmutex);
    int rate = 0;
    clock::time_point origin;
    uint64_t moved = 0;
    while (!stop.stop_requested()) {
        fclockwake.wait_for(lock, stop, clock_period, [] { return false; });
        if (stop.stop_requested()) {
            break;
        }
        const clock::time_point now = clock::now();
        if (clock_rate() != rate) {
            rate = clock_rate();
            origin = now;
            moved = 0;
        }
        const auto due =
            static_cast<uint64_t>(std::chrono::duration<double>(now - origin).count() * rate);
        // After a long stall of this thread, catch up at most one second.
        if (due > moved + static_cast<uint64_t>(rate)) {
            moved = due - static_cast<uint64_t>(rate);
        }
        step(due - moved);
        moved = due;
    }
}

void TVirtualLoopback::advance(size_t frames) {
    if (fclock != TLoopbackClock::manual) {
        throw std::logic_error("TVirtualLoopback::advance needs the manual clock");
    }
    std::lock_guard lock(fmutex);
    step(frames);
}

void TVirtualLoopback::step(size_t frames) {
    if (ffault == TLoopbackFault::running && (finput.started || foutput.started)) {
        ffault = TLoopbackFault::none;
        fail_running();
    }
    const bool underflow = take_fault(TLoopbackFault::underflow, foutput);
    const bool overflow = take_fault(TLoopbackFault::overflow, finput);
    if (underflow) {
        foutput.source->lost();
    }
    if (overflow) {
        finput.sink->lost();
    }
    int16_t line[block_frames * 2];
    while (frames > 0) {
        const size_t n = std::min(frames, block_frames);
        if (underflow) {
            std::fill_n(line, 2 * n, int16_t{0});
        } else {
            pull_output(line, n);
        }
        pass_delay(line, n);
        if (!overflow) {
            push_input(line, n);
        }
        frames -= n;
    }
}

bool TVirtualLoopback::take_fault(TLoopbackFault fault, const Endpoint& end) {
    if (ffault != fault || !end.active()) {
        return false;
    }
    ffault = TLoopbackFault::none;
    return true;
}

void TVirtualLoopback::fail_running() {
    if (finput.active()) {
        finput.failed = true;
        finput.sink->fail(err_simulated_fault);
    }
    if (foutput.active()) {
        foutput.failed = true;
        foutput.source->fail(err_simulated_fault);
    }
}

void TVirtualLoopback::pull_output(int16_t* line, size_t frames) {
    if (!foutput.active()) {
        std::fill_n(line, 2 * frames, int16_t{0});
        return;
    }
    int16_t played[block_frames * 2];
    const size_t channels = static_cast<size_t>(foutput.format.channels);
    if (!foutput.source->read(played, frames * channels)) {
        foutput.ended = true;
        foutput.source->drained();
    }
    for (size_t i = 0; i < frames; ++i) {
        line[2 * i] = played[i * channels];
        line[2 * i + 1] = played[i * channels + channels - 1];
    }
}

void TVirtualLoopback::pass_delay(int16_t* line, size_t frames) {
    if (fline.empty()) {
        return;
    }
    for (size_t i = 0; i < 2 * frames; ++i) {
        std::swap(line[i], fline[flinepos]);
        flinepos = (flinepos + 1) % fline.size();
    }
}

void TVirtualLoopback::push_input(const int16_t* line, size_t frames) {
    if (!finput.active()) {
        return;
    }
    int16_t captured[block_frames * 2];
    const int channels = finput.format.channels;
    size_t k = 0;
    for (size_t i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            captured[k++] = simulate(line[2 * i + static_cast<size_t>(c)], c);
        }
    }
    finput.sink->write(captured, k);
}

int16_t TVirtualLoopback::simulate(int16_t value, int channel) {
    if (fgain == 1.0 && !ffilter && fnoise == 0.0) {
        return value;
    }
    double y = fgain * value;
    if (ffilter) {
        y = ffilter(y, channel);
    }
    if (fnoise > 0.0) {
        y += fnoise * gaussian();
    }
    if (std::isnan(y)) {
        return 0;
    }
    return static_cast<int16_t>(std::clamp(std::nearbyint(y), -32768.0, 32767.0));
}

double TVirtualLoopback::gaussian() {
    if (fspare) {
        const double v = *fspare;
        fspare.reset();
        return v;
    }
    // Box-Muller on two uniform values in (0, 1].
    const double u1 = static_cast<double>((splitmix64(frandom) >> 11) + 1) * 0x1.0p-53;
    const double u2 = static_cast<double>(splitmix64(frandom) >> 11) * 0x1.0p-53;
    const double r = std::sqrt(-2.0 * std::log(u1));
    fspare = r * std::sin(2.0 * std::numbers::pi * u2);
    return r * std::cos(2.0 * std::numbers::pi * u2);
}

} // namespace zevrin
