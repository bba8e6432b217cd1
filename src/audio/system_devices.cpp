// The process-wide device set: PortAudio's devices, then the virtual loopback.

#include "audio/portaudio_devices.h"
#include "audio/virtual_loopback.h"

namespace zevrin {

namespace {

class TSystemDevices final : public TDevices {
public:
    std::vector<std::string> input_names() override {
        return joined(fcards.input_names(), floop.input_names());
    }
    std::vector<std::string> output_names() override {
        return joined(fcards.output_names(), floop.output_names());
    }
    std::unique_ptr<TAudioStream> open_input(int id, TStreamFormat format,
                                             TSampleSink& sink) override {
        if (on_cards(true, id)) {
            return fcards.open_input(id, format, sink);
        }
        return floop.open_input(loop_id(true, id), format, sink);
    }
    std::unique_ptr<TAudioStream> open_output(int id, TStreamFormat format,
                                              TSampleSource& source) override {
        if (on_cards(false, id)) {
            return fcards.open_output(id, format, source);
        }
        return floop.open_output(loop_id(false, id), format, source);
    }
    std::string error_text(int code) const override { return fcards.error_text(code); }

private:
    static std::vector<std::string> joined(std::vector<std::string> a,
                                           const std::vector<std::string>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    }
    /// -1 is the cards' default device where PortAudio has one, else the loopback.
    bool on_cards(bool input, int id) const {
        return id == -1 ? fcards.has_default(input) : id >= 0 && id < fcards.count(input);
    }
    /// The loopback's own ID (0) for the entry after the cards; the others it refuses.
    int loop_id(bool input, int id) const { return id == -1 ? -1 : id - fcards.count(input); }

    TPortAudioDevices fcards;
    TVirtualLoopback floop{TLoopbackClock::real_time};
};

} // namespace

TDevices& TDevices::system() {
    static TSystemDevices devices;
    return devices;
}

} // namespace zevrin
