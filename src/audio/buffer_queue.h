#pragma once
// The queue of buffers between a component (the owner, on its own thread) and a
// device stream (on the device's thread), lock-free for one thread on each side.
//
// It behaves like a sound card driver's buffer queue: the owner queues buffers, the
// device fills (capture) or plays (playback) them strictly in the order queued and
// hands each back with the count of values it wrote or played; the owner takes them
// back in that order. The queue never allocates after resize() and never copies a
// buffer: the owner's memory is filled or read in place.
//
// When the device finds no queued buffer (the owner stalled), values are lost, always
// in whole buffer lengths ("units"): a capture drops a unit of values, a playback plays
// a unit of silence. The stream therefore keeps its alignment to the buffer length,
// which synchronous averaging needs, and every lost unit is counted: in total, and on
// the next buffer handed back as the number lost just before it. A loss that the
// device's host reports itself (an overflow or underflow of its own buffers, of a
// length it does not say) counts as one unit the same way.
//
// A buffer queued with the stop marker ends the stream: after it nothing more is
// captured (or played), and a played marker buffer is handed back only once the
// device has played it out (drained()).

#include "audio/device.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace zevrin {

/// What a buffer carries instead of its index when it is the last one.
inline constexpr int64_t stop_marker = 100000000;

struct TReturnedBuffer {
    int index = 0;       ///< the index given to queue()
    int64_t user = 0;    ///< the index again, or stop_marker
    size_t count = 0;    ///< values the device wrote or played
    int lost_before = 0; ///< whole units lost between the previous buffer and this one
};

class TBufferQueue {
public:
    virtual ~TBufferQueue() = default;
    TBufferQueue(const TBufferQueue&) = delete;
    TBufferQueue& operator=(const TBufferQueue&) = delete;

    // Owner's thread, only while the device does not call the queue.

    /// Room for `buffers` buffers in the queue at once.
    void resize(size_t buffers);
    /// Empties the queue and zeroes every count. `unit` (at least 1) is the length in
    /// which values are lost; `channels` the values per frame; `wake` is called on the
    /// device's thread whenever the owner has something new to take (at most once
    /// until clear_wake()); it may be empty.
    void restart(size_t unit, int channels, std::function<void()> wake);

    // Owner's thread.

    /// Gives the device `length` values at `data`, which stay the device's until
    /// take() hands them back. At most resize()'s count of buffers may be out at once.
    void queue(int16_t* data, size_t length, int index, int64_t user);
    /// The next buffer the device handed back, in queue order.
    bool take(TReturnedBuffer& out);
    /// 0, or the error code with which the stream stopped. Every buffer handed back
    /// before the failure can be taken once this reads non-zero.
    int failure() const { return ffailed.load(std::memory_order_acquire); }
    /// Units lost since restart(); any thread.
    int64_t lost_total() const { return flosttotal.load(std::memory_order_relaxed); }
    /// Re-arms the wake-up; call before looking for work, so none is missed.
    void clear_wake() { fwakepending.exchange(false, std::memory_order_acq_rel); }

protected:
    TBufferQueue() = default;

    struct Slot {
        int16_t* data = nullptr;
        size_t length = 0;
        size_t count = 0;
        int index = 0;
        int64_t user = 0;
        int lost_before = 0;
    };

    // Device's thread.

    /// The buffer the device works on, or nullptr when none is queued or a unit is
    /// being lost.
    Slot* current();
    /// Hands the current buffer back with `count` values.
    void complete(size_t count);
    /// Loses up to n values toward the unit in progress; returns how many.
    size_t lose(size_t n);
    /// Counts one unit lost by the host.
    void host_lost();
    void signal_failure(int code);

    size_t fpos = 0;       ///< values done in the current buffer
    bool fended = false;   ///< the marker buffer has been reached
    bool fdrained = false; ///< ... and, in a playback, played out
    int fchannels = 1;
    int fchannel = 0; ///< channel of the next value
    void next_channels(size_t n) {
        fchannel = static_cast<int>((static_cast<size_t>(fchannel) + n) % fchannels);
    }

private:
    void wake();

    std::vector<Slot> fslots;
    std::function<void()> fwake;
    size_t funit = 1;
    size_t fdiscarded = 0; ///< values of the unit being lost
    int fpendinglost = 0;  ///< units lost since the last buffer handed back
    uint64_t ftaken = 0;   ///< owner only
    alignas(64) std::atomic<uint64_t> fqueued{0};
    alignas(64) std::atomic<uint64_t> fdone{0};
    std::atomic<int64_t> flosttotal{0};
    std::atomic<int> ffailed{0};
    std::atomic<bool> fwakepending{false};
};

/// Capture: the device writes into the queued buffers.
class TCaptureQueue final : public TBufferQueue, public TSampleSink {
public:
    TCaptureQueue() = default;
    void write(const int16_t* values, size_t n) noexcept override;
    /// Hands back the partly filled buffer, then reports the failure.
    void fail(int code) noexcept override;
    void lost() noexcept override { host_lost(); }
};

/// Playback: the device reads the queued buffers, scaled by the volume.
class TPlaybackQueue final : public TBufferQueue, public TSampleSource {
public:
    TPlaybackQueue() = default;
    bool read(int16_t* values, size_t n) noexcept override;
    void drained() noexcept override;
    void fail(int code) noexcept override;
    void lost() noexcept override { host_lost(); }

    /// Low 16 bits: gain of channel 1 (and of every odd-numbered channel), high 16
    /// bits: channel 2 (every even-numbered one); 0 is silence, 0xFFFF unity. Any
    /// thread; takes effect within one read.
    void set_volume(uint32_t value) { fvolume.store(value, std::memory_order_relaxed); }
    uint32_t volume() const { return fvolume.load(std::memory_order_relaxed); }

private:
    void copy_scaled(int16_t* to, const int16_t* from, size_t n, uint32_t volume);
    void silence(int16_t* to, size_t n);

    std::atomic<uint32_t> fvolume{0xFFFFFFFFu};
};

} // namespace zevrin
