#pragma once
// What the capture component TMPCRecord and the playback component TMPCPlay share:
// the format and ring properties, the device selection, the board (an open stream)
// and the delivery of everything that happens to it on the owner's thread.
//
// Threads. Every member is for the owner's thread only, except that the wake-up
// function is called on the device's thread. The device only moves samples through a
// lock-free queue (audio/buffer_queue.h) and then calls the wake-up; the owner then
// calls pump(), which raises the events in order: OnOpened, each buffer (OnFetch or
// OnStash, with OnLost first when buffers were lost before it), OnClosed. Nothing is
// delivered for a board after Stop(). pump() may be called at any time and as often as
// wished; a call made from inside one of its own events returns at once (the outer
// call goes on delivering).
//
// Devices. A component uses the device set given to its constructor, by default the
// process-wide TDevices::system(). Tests give it a TVirtualLoopback on a manual clock:
//
//     TVirtualLoopback loop;            // declared first: it must outlive the components
//     TMPCPlay play(loop);
//     TMPCRecord rec(loop);
//     ... set OnStash / OnFetch, Run() both ...
//     loop.advance(4096);               // moves 4096 frames from play to rec
//     play.pump();
//     rec.pump();
//
// Failures raise EMPCError whose message is a label followed directly by the
// device's error text, for example "waveinOpen:The device identifier is out of range.".
// A failure of the device while it runs is raised by pump(); the component has then
// closed its board, like any failure of Run or Stop, so a new Run can follow at once.

#include "audio/buffer_queue.h"
#include "audio/device.h"
#include "dsp/types.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace zevrin {

class EMPCError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// The 16-bit linear PCM format a component opens its device with.
struct TWaveFormat {
    int wFormatTag = 1;
    int nChannels = 1;
    int nSamplesPerSec = 16000;
    int wBitsPerSample = 16;
    int64_t nAvgBytesPerSec = 32000;
    int nBlockAlign = 2;
    int cbSize = 0;
};

/// nchans channels sharing sftot values per second (truncating division).
TWaveFormat make_wave_format(int nchans, int sftot);

/// The notifications pump() handles, numbered as the wave device messages they stand
/// for. OnMsg sees each one first; dwUser is the returned buffer's index in the ring or
/// stop_marker, and 0 for the others.
struct TMPCMessage {
    uint32_t Msg = 0;
    int64_t dwUser = 0;
};
inline constexpr uint32_t MM_WOM_OPEN = 0x3BB;
inline constexpr uint32_t MM_WOM_CLOSE = 0x3BC;
inline constexpr uint32_t MM_WOM_DONE = 0x3BD;
inline constexpr uint32_t MM_WIM_OPEN = 0x3BE;
inline constexpr uint32_t MM_WIM_CLOSE = 0x3BF;
inline constexpr uint32_t MM_WIM_DATA = 0x3C0;

class TMPCComponent {
public:
    TMPCComponent(const TMPCComponent&) = delete;
    TMPCComponent& operator=(const TMPCComponent&) = delete;
    /// Closes a board still owned, without raising events.
    virtual ~TMPCComponent();

    /// Values per chunk (channels x frames); below 1 becomes 1. The setter sizes every
    /// chunk; it raises EMPCError while the board is owned.
    int nChunkSamples() const { return fnchunksamples; }
    void set_nChunkSamples(int value);
    /// 0 or less becomes 1. EMPCError while the board is owned.
    int nChans() const { return fnchans; }
    void set_nChans(int value);
    /// Values per second over all channels; 0 or less becomes 1. EMPCError while owned.
    int sfTot() const { return fsftot; }
    void set_sfTot(int value);
    /// Chunks in the ring, 1 to 1000. The setter allocates them; EMPCError while owned.
    int nBuffers() const { return fnbufs; }
    void set_nBuffers(int value);
    /// The device to open, an index into Devicenames(); -1 is the default device.
    /// Takes effect at the next Run.
    int DeviceID() const { return fdeviceid; }
    void set_DeviceID(int value) { fdeviceid = value; }
    /// Seconds of sound the device may hold (TStreamFormat::latency), at most 10; 0, the
    /// default, leaves it to the device set, as does a value that is no positive number.
    /// Takes effect at the next Run.
    double Latency() const { return flatency; }
    void set_Latency(double seconds) { flatency = seconds > 0.0 ? std::min(seconds, 10.0) : 0.0; }
    /// True from a successful open until the board is closed.
    bool OwnBoard() const { return fownboard; }
    /// Devices of this direction, asked of the device set at every call.
    int nDevices();
    /// Device names, index = DeviceID; re-read at every call.
    const std::vector<std::string>& Devicenames();
    std::string ErrorText(int errornumber) const;
    const TWaveFormat& wavefmt() const { return fwavefmt; }

    /// Called on the device's thread when pump() has something to deliver; must be
    /// thread-safe, cheap, must not throw and must not call pump() itself (post a call
    /// to the owner's thread instead). Also called on the owner's thread for OnOpened
    /// and OnClosed. Takes effect at the next Run.
    void set_wakeup(std::function<void()> wakeup) { fwakeup = std::move(wakeup); }
    /// Delivers, in order, every event since the last call (see the top of this file).
    /// Raises what an event handler raises, and EMPCError when the device failed.
    void pump();
    /// Closes the board; nothing of it is delivered afterwards, and OnClosed follows
    /// through pump(). Does nothing when idle.
    void Stop() { close_board(); }
    /// Whole chunks lost since Run because the owner did not pump in time (capture:
    /// values dropped; playback: silence played); any thread.
    int64_t lost_chunks() const { return fqueue->lost_total(); }

    std::function<void()> OnOpened;
    std::function<void()> OnClosed;
    std::function<void(TMPCMessage& msg)> OnMsg;
    /// Raised by pump() just before the next chunk is handed over, with the number of
    /// chunks lost since the previous one.
    std::function<void(int count)> OnLost;

protected:
    enum class TSide { input, output };
    struct TLabels {
        const char* open;
        const char* write;
        const char* reset;
        const char* close;
        uint32_t msg_open;
        uint32_t msg_close;
        uint32_t msg_data;
    };
    TMPCComponent(TDevices& devices, TSide side, std::unique_ptr<TBufferQueue> queue);

    /// Opens the device stopped and empties the queue; false when already owned.
    bool open_board();
    /// Starts the device; a failure closes the board and raises the open label.
    void start_board();
    void close_board();
    /// `index` goes to the device with `used` values of its chunk.
    void give_back(int index, size_t used, bool last);
    /// Raises OnLost when count > 0.
    void report_lost(int count);
    TBufferQueue& queue() { return *fqueue; }
    const TBufferQueue& queue() const { return *fqueue; }
    /// Increases whenever the board opens or closes: a handler may Stop or Run.
    unsigned session() const { return fsession; }

    virtual std::unique_ptr<TAudioStream> open_stream(TStreamFormat format) = 0;
    /// A buffer the device handed back, after OnMsg has seen it.
    virtual void buffer_returned(const TReturnedBuffer& buffer) = 0;

    TDevices& fdevices;
    std::vector<TWaveChunk> farr;

private:
    void make_format() { fwavefmt = make_wave_format(fnchans, fsftot); }
    void read_devicenames();
    void refuse_while_owning(const char* message) const;
    void notify(uint32_t msg);
    bool deliver_notification();
    /// The device failed while running: close and raise the write label.
    [[noreturn]] void fail_running(int code);
    /// close_board() for a board that failed already: its own errors are not news.
    void close_failed_board();

    TSide fside;
    TLabels flabels;
    std::unique_ptr<TBufferQueue> fqueue;
    std::unique_ptr<TAudioStream> fstream;
    TWaveFormat fwavefmt;
    std::vector<std::string> fdevicenames;
    std::deque<uint32_t> fnotes;
    std::function<void()> fwakeup;
    int fnchunksamples = 0;
    int fnchans = 1;
    int fsftot = 16000;
    int fnbufs = 0;
    int fdeviceid = -1;
    double flatency = 0.0;
    bool fownboard = false;
    bool fpumping = false;
    unsigned fsession = 0;
};

} // namespace zevrin
