#pragma once
// TMPCRecord: owns one sound input ("board") and delivers what it captures as a stream
// of chunks of nChunkSamples 16-bit values (channels interleaved, channel 1 first)
// through OnFetch, on the owner's thread (see audio/wave_component.h for threads,
// devices and errors).
//
// Run opens the device at sfTot / nChans frames per second, queues every chunk of the
// ring and starts it. Each chunk the device fills is handed to OnFetch and queued
// again. A handler that sets `last` ends the capture: the chunk is queued once more
// with the stop marker, the chunks filled before it are dropped, and when it comes
// back full the board closes (OnClosed follows). If the owner does not pump in time the
// ring overflows: whole chunks of sound are dropped, counted in lost_chunks() and
// announced by OnLost before the next chunk; nothing is reordered or repeated.

#include "audio/wave_component.h"

namespace zevrin {

class TMPCRecord : public TMPCComponent {
public:
    /// `devices` must outlive the component.
    explicit TMPCRecord(TDevices& devices = TDevices::system());

    /// Raises EMPCError "Nothing assigned to OnFetch!" without an OnFetch handler,
    /// "Could not aquire board" while the board is owned, and "waveinOpen:" + the
    /// device's error text when the device cannot be opened or started.
    void Run();

    /// `arr` is the chunk itself (the handler copies what it keeps and must not resize
    /// it), `used` the values the device wrote (fewer than the chunk length only in the
    /// last chunk before a device failure); set `last` to end the capture.
    std::function<void(TWaveChunk& arr, int used, bool& last)> OnFetch;

private:
    std::unique_ptr<TAudioStream> open_stream(TStreamFormat format) override;
    void buffer_returned(const TReturnedBuffer& buffer) override;
    void requeue(int index, int used, int lost);

    bool addnomore = false;
    bool oktofetch = true;
};

} // namespace zevrin
