#include "audio/portaudio_devices.h"

#include "audio/float_samples.h"

#include <alsa/asoundlib.h>
#include <dlfcn.h>
#include <portaudio.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>

namespace zevrin {

namespace {

void quiet_alsa(const char*, int, const char*, int, const char*, ...) {}
void quiet_jack(const char*) {}

// ALSA and JACK print dozens of lines while PortAudio probes for devices and servers
// that are not there. JACK is only present when PortAudio was built with it, so its
// functions are looked up rather than linked.
void silence_console() {
    snd_lib_error_set_handler(quiet_alsa);
    using setter = void (*)(void (*)(const char*));
    for (const char* name : {"jack_set_error_function", "jack_set_info_function"}) {
        void* symbol = dlsym(RTLD_DEFAULT, name);
        if (symbol != nullptr) {
            setter set = nullptr;
            std::memcpy(&set, &symbol, sizeof set);
            set(quiet_jack);
        }
    }
}

int channels_of(const PaDeviceInfo& info, bool input) {
    return input ? info.maxInputChannels : info.maxOutputChannels;
}

constexpr size_t block_values = 1024;
constexpr double min_latency = 0.25;
// Played after the last value's reported time of play before the playback counts as
// drained, for the rounding of the host's figures.
constexpr double drain_margin = 0.05;

} // namespace

bool host_lost_sound(unsigned long status_flags, bool input) {
    const unsigned long losses =
        input ? paInputOverflow | paInputUnderflow : paOutputUnderflow | paOutputOverflow;
    return (status_flags & losses) != 0;
}

class TPortAudioDevices::Stream final : public TAudioStream {
public:
    Stream(TPortAudioDevices& owner, TSampleSink* sink, TSampleSource* source, int channels)
        : fowner(owner), fsink(sink), fsource(source), fchannels(channels) {}

    ~Stream() override {
        if (fstream != nullptr) {
            fstopping = true;
            if (Pa_IsStreamStopped(fstream) == 0) {
                Pa_AbortStream(fstream);
            }
            Pa_CloseStream(fstream);
            --fowner.fopen;
        }
    }

    void open(const PaStreamParameters& params, bool input, double rate) {
        PaError err = Pa_OpenStream(&fstream, input ? &params : nullptr, input ? nullptr : &params,
                                    rate, paFramesPerBufferUnspecified, paClipOff | paDitherOff,
                                    &Stream::callback, this);
        if (err != paNoError) {
            fstream = nullptr;
            fowner.raise(err);
        }
        ++fowner.fopen;
        frate = rate;
        const PaStreamInfo* info = Pa_GetStreamInfo(fstream);
        foutputlatency = info != nullptr ? info->outputLatency : 0.0;
        err = Pa_SetStreamFinishedCallback(fstream, &Stream::finished);
        if (err != paNoError) {
            fowner.raise(err);
        }
    }

    void start() override {
        fstopping = false;
        const PaError err = Pa_StartStream(fstream);
        if (err != paNoError) {
            fowner.raise(err);
        }
    }

    void abort() override {
        fstopping = true;
        if (fstream == nullptr || Pa_IsStreamStopped(fstream) == 1) {
            return;
        }
        const PaError err = Pa_AbortStream(fstream);
        if (err != paNoError) {
            fowner.raise(err);
        }
    }

    void close() override {
        if (fstream == nullptr) {
            return;
        }
        fstopping = true;
        PaStream* stream = fstream;
        fstream = nullptr;
        --fowner.fopen;
        const PaError err = Pa_CloseStream(stream);
        if (err != paNoError) {
            fowner.raise(err);
        }
    }

private:
    static int callback(const void* input, void* output, unsigned long frames,
                        const PaStreamCallbackTimeInfo* time, PaStreamCallbackFlags status,
                        void* self) {
        auto* s = static_cast<Stream*>(self);
        const size_t n = frames * static_cast<size_t>(s->fchannels);
        // What the host lost goes before the values of this call.
        if (host_lost_sound(status, s->fsink != nullptr)) {
            if (s->fsink != nullptr) {
                s->fsink->lost();
            } else {
                s->fsource->lost();
            }
        }
        if (s->fsink != nullptr) {
            s->capture(static_cast<const float*>(input), n);
        } else {
            s->play(static_cast<float*>(output), n, frames, *time);
        }
        return paContinue;
    }

    // Runs when the stream has become inactive: after our own abort, or when the device
    // failed.
    static void finished(void* self) {
        auto* s = static_cast<Stream*>(self);
        if (s->fstopping) {
            return;
        }
        if (s->fsink != nullptr) {
            s->fsink->fail(err_device_stopped);
        } else {
            s->fsource->fail(err_device_stopped);
        }
    }

    void capture(const float* in, size_t n) {
        int16_t values[block_values];
        while (n > 0) {
            const size_t k = std::min(n, block_values);
            samples_from_floats(in, values, k);
            fsink->write(values, k);
            in += k;
            n -= k;
        }
    }

    // After the end, silence follows until the host has played the last value. (Ending
    // the stream from the callback instead loses the end of the sound: PortAudio's ALSA
    // host API was seen to drop its last buffer.)
    void play(float* out, size_t n, unsigned long frames, const PaStreamCallbackTimeInfo& time) {
        int16_t values[block_values];
        const bool ended_before = fended;
        while (n > 0) {
            const size_t k = std::min(n, block_values);
            if (fended) {
                std::fill_n(out, k, 0.0f);
            } else {
                fended = !fsource->read(values, k);
                for (size_t i = 0; i < k; ++i) {
                    out[i] = static_cast<float>(values[i]) / 32768.0f;
                }
            }
            out += k;
            n -= k;
        }
        fwritten += frames;
        if (fended && !ended_before) {
            // The host's delay to the speaker where it says, else the stream's latency.
            const double delay = time.outputBufferDacTime > time.currentTime
                                     ? time.outputBufferDacTime - time.currentTime
                                     : foutputlatency;
            fdrainedat = fwritten + frames + static_cast<uint64_t>((delay + drain_margin) * frate);
        } else if (fended && !fdrained && fwritten >= fdrainedat) {
            fdrained = true;
            fsource->drained();
        }
    }

    TPortAudioDevices& fowner;
    TSampleSink* fsink;
    TSampleSource* fsource;
    int fchannels;
    PaStream* fstream = nullptr;
    std::atomic<bool> fstopping{false};
    double frate = 0.0;
    double foutputlatency = 0.0;
    // The callback's own: frames written, whether the source's end has been read, and the
    // count of frames written by which its last value has been played.
    uint64_t fwritten = 0;
    bool fended = false;
    bool fdrained = false;
    uint64_t fdrainedat = 0;
};

TPortAudioDevices::TPortAudioDevices() {
    silence_console();
    finiterror = Pa_Initialize();
}

TPortAudioDevices::~TPortAudioDevices() {
    if (finiterror == paNoError) {
        Pa_Terminate();
    }
}

void TPortAudioDevices::rescan() {
    if (fopen > 0) {
        return;
    }
    if (finiterror == paNoError) {
        Pa_Terminate();
    }
    finiterror = Pa_Initialize();
}

std::vector<std::string> TPortAudioDevices::names(bool input) {
    rescan();
    std::vector<std::string> result;
    if (finiterror != paNoError) {
        return result;
    }
    for (PaDeviceIndex i = 0; i < Pa_GetDeviceCount(); ++i) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
        if (info != nullptr && channels_of(*info, input) > 0) {
            const PaHostApiInfo* api = Pa_GetHostApiInfo(info->hostApi);
            result.push_back(std::string(api != nullptr ? api->name : "?") + ": " + info->name);
        }
    }
    return result;
}

std::vector<std::string> TPortAudioDevices::input_names() {
    return names(true);
}

std::vector<std::string> TPortAudioDevices::output_names() {
    return names(false);
}

int TPortAudioDevices::count(bool input) const {
    if (finiterror != paNoError) {
        return 0;
    }
    int n = 0;
    for (PaDeviceIndex i = 0; i < Pa_GetDeviceCount(); ++i) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
        n += info != nullptr && channels_of(*info, input) > 0 ? 1 : 0;
    }
    return n;
}

bool TPortAudioDevices::has_default(bool input) const {
    return finiterror == paNoError &&
           (input ? Pa_GetDefaultInputDevice() : Pa_GetDefaultOutputDevice()) != paNoDevice;
}

int TPortAudioDevices::pa_index(bool input, int id) const {
    if (finiterror != paNoError) {
        throw TDeviceError(finiterror);
    }
    if (id == -1) {
        const PaDeviceIndex d = input ? Pa_GetDefaultInputDevice() : Pa_GetDefaultOutputDevice();
        if (d == paNoDevice) {
            throw TDeviceError(err_bad_device_id);
        }
        return d;
    }
    int seen = 0;
    for (PaDeviceIndex i = 0; id >= 0 && i < Pa_GetDeviceCount(); ++i) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
        if (info != nullptr && channels_of(*info, input) > 0 && seen++ == id) {
            return i;
        }
    }
    throw TDeviceError(err_bad_device_id);
}

std::unique_ptr<TAudioStream> TPortAudioDevices::open(bool input, int id, TStreamFormat format,
                                                      TSampleSink* sink, TSampleSource* source) {
    PaStreamParameters params{};
    params.device = pa_index(input, id);
    const PaDeviceInfo* info = Pa_GetDeviceInfo(params.device);
    // PortAudio would refuse it too, but with lines of debugging output on the console.
    if (format.channels < 1 || format.channels > channels_of(*info, input)) {
        throw TDeviceError(paInvalidChannelCount);
    }
    params.channelCount = format.channels;
    params.sampleFormat = paFloat32;
    // An analyser wants an unbroken stream more than a short delay: unless the caller
    // asks for another, a quarter of a second of buffering rides out a busy machine,
    // where the devices' own "high" latencies (as short as 35 ms) let the sound server
    // insert silence. Through ALSA's PulseAudio plug-in a stream's blocks are a fraction
    // of its latency: 62.5 ms or more at a quarter of a second.
    params.suggestedLatency = format.latency > 0.0
                                  ? format.latency
                                  : std::max(min_latency, input ? info->defaultHighInputLatency
                                                                : info->defaultHighOutputLatency);
    auto stream = std::make_unique<Stream>(*this, sink, source, format.channels);
    stream->open(params, input, format.rate);
    return stream;
}

std::unique_ptr<TAudioStream> TPortAudioDevices::open_input(int id, TStreamFormat format,
                                                            TSampleSink& sink) {
    return open(true, id, format, &sink, nullptr);
}

std::unique_ptr<TAudioStream> TPortAudioDevices::open_output(int id, TStreamFormat format,
                                                             TSampleSource& source) {
    return open(false, id, format, nullptr, &source);
}

void TPortAudioDevices::raise(int code) {
    if (code == paUnanticipatedHostError) {
        const PaHostErrorInfo* host = Pa_GetLastHostErrorInfo();
        fhosterror = host != nullptr && host->errorText != nullptr ? host->errorText : "";
    }
    throw TDeviceError(code);
}

std::string TPortAudioDevices::error_text(int code) const {
    if (code >= 0) {
        return own_error_text(code);
    }
    std::string text = Pa_GetErrorText(code);
    if (code == paUnanticipatedHostError && !fhosterror.empty()) {
        text += " (" + fhosterror + ")";
    }
    return text;
}

} // namespace zevrin
