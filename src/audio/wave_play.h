#pragma once
// TMPCPlay: owns one sound output ("board") and plays the chunks of 16-bit values that
// its owner fills on demand through OnStash, on the owner's thread (see
// audio/wave_component.h for threads, devices and errors).
//
// Run opens the device, fills every chunk of the ring through OnStash while the device
// is still stopped, then starts it; each chunk the device has played is refilled and
// played again, in order. A handler that sets `last`, or returns `used` = 0, ends the
// playback: that chunk (for `used` = 0, one frame of silence) is the last one, and once
// everything up to it has been played the board closes and OnClosed follows. If the
// owner does not pump in time, whole chunks of silence are played instead, counted in
// lost_chunks() and announced by OnLost before the next OnStash.

#include "audio/wave_component.h"

#include <cstdint>

namespace zevrin {

class TMPCPlay : public TMPCComponent {
public:
    /// `devices` must outlive the component.
    explicit TMPCPlay(TDevices& devices = TDevices::system());

    /// Raises EMPCError "Nothing assigned to OnStash!" without an OnStash handler,
    /// "Could not aquire board" while the board is owned, and "WaveOutOpen:" + the
    /// device's error text when the device cannot be opened or started.
    void Run();

    /// The volume acts on the output stream as a gain: 0 is silence, 65535 leaves the
    /// values untouched (the default). Left is channel 1 (the only one in mono), right
    /// channel 2. It is kept across runs and may be changed while playing.
    uint16_t LeftVolume() const { return static_cast<uint16_t>(volume() & 0xFFFF); }
    void set_LeftVolume(uint16_t value);
    uint16_t RightVolume() const { return static_cast<uint16_t>(volume() >> 16); }
    void set_RightVolume(uint16_t value);
    void set_BothVolume(uint16_t value);

    /// Fill `arr` (its length is the chunk length) and say in `used` how many of its
    /// values to play; on entry `used` is that length. Values outside 0..length are
    /// taken as the nearest of the two. A count that is no whole number of frames is
    /// completed with silence (or, where the chunk has no room, cut to whole frames),
    /// so that the channels never change places. Set `last` to make this chunk the last
    /// one.
    std::function<void(TWaveChunk& arr, int& used, bool& last)> OnStash;

private:
    std::unique_ptr<TAudioStream> open_stream(TStreamFormat format) override;
    void buffer_returned(const TReturnedBuffer& buffer) override;
    void restash(int index, int lost);
    /// `used` rounded to whole frames of nChans values.
    int whole_frames(TWaveChunk& chunk, int used) const;
    TPlaybackQueue& playback() { return static_cast<TPlaybackQueue&>(queue()); }
    uint32_t volume() const { return static_cast<const TPlaybackQueue&>(queue()).volume(); }
    void set_volume(uint32_t value) { playback().set_volume(value); }

    bool sendnomore = false;
};

} // namespace zevrin
