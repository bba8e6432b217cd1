#pragma once
// The sound cards as PortAudio sees them, over every host API it offers (ALSA, JACK,
// OSS, ...). Devices are named "<host API>: <device>", so that equal device names on
// different host APIs stay apart; an ID is an index into the list of devices of its
// direction, in PortAudio's order, and -1 is PortAudio's default device.
//
// Streams are opened for one direction each, never full-duplex, with 32-bit float
// samples: PortAudio's own 16-bit conversion is not exact on every host API, while
// value / 32768 and back is exact, so a 16-bit value played comes back as itself.
//
// Creating the set initialises PortAudio with the console messages of ALSA and JACK
// silenced; destroying it (after every stream it opened) terminates PortAudio.

#include "audio/device.h"

namespace zevrin {

/// Whether the status flags of one PortAudio callback say that the host lost sound of
/// the stream's direction just before it: an overflow or underflow of an input, an
/// underflow or overflow of an output. (Priming an output loses nothing.)
bool host_lost_sound(unsigned long status_flags, bool input);

class TPortAudioDevices : public TDevices {
public:
    TPortAudioDevices();
    ~TPortAudioDevices() override;
    TPortAudioDevices(const TPortAudioDevices&) = delete;
    TPortAudioDevices& operator=(const TPortAudioDevices&) = delete;

    /// Re-initialise PortAudio first when no stream is open, so that devices that came
    /// or went since are seen.
    std::vector<std::string> input_names() override;
    std::vector<std::string> output_names() override;
    std::unique_ptr<TAudioStream> open_input(int id, TStreamFormat format,
                                             TSampleSink& sink) override;
    std::unique_ptr<TAudioStream> open_output(int id, TStreamFormat format,
                                              TSampleSource& source) override;
    /// PortAudio's text for negative codes, ours for the others.
    std::string error_text(int code) const override;

    /// Devices of a direction as last seen, without asking PortAudio anew.
    int count(bool input) const;
    /// Whether PortAudio names a default device of that direction.
    bool has_default(bool input) const;

private:
    class Stream;
    friend class Stream;

    void rescan();
    std::vector<std::string> names(bool input);
    /// The PortAudio index of our ID, or throws TDeviceError.
    int pa_index(bool input, int id) const;
    std::unique_ptr<TAudioStream> open(bool input, int id, TStreamFormat format, TSampleSink* sink,
                                       TSampleSource* source);
    [[noreturn]] void raise(int code);

    int finiterror = 0;
    int fopen = 0;
    std::string fhosterror;
};

} // namespace zevrin
