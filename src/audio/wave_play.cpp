#include "audio/wave_play.h"

#include <algorithm>

namespace zevrin {

TMPCPlay::TMPCPlay(TDevices& devices)
    : TMPCComponent(devices, TSide::output, std::make_unique<TPlaybackQueue>()) {}

void TMPCPlay::Run() {
    if (!OnStash) {
        throw EMPCError("Nothing assigned to OnStash!");
    }
    sendnomore = false;
    if (!open_board()) {
        throw EMPCError("Could not aquire board");
    }
    // The device is opened stopped: it starts with the whole ring filled.
    for (int i = 0; i < nBuffers(); ++i) {
        restash(i, 0);
    }
    start_board();
}

void TMPCPlay::set_LeftVolume(uint16_t value) {
    set_volume((volume() & 0xFFFF0000u) | value);
}

void TMPCPlay::set_RightVolume(uint16_t value) {
    set_volume((volume() & 0x0000FFFFu) | (uint32_t{value} << 16));
}

void TMPCPlay::set_BothVolume(uint16_t value) {
    set_volume(uint32_t{value} * 65537u);
}

std::unique_ptr<TAudioStream> TMPCPlay::open_stream(TStreamFormat format) {
    return fdevices.open_output(DeviceID(), format, playback());
}

void TMPCPlay::buffer_returned(const TReturnedBuffer& buffer) {
    if (buffer.user == stop_marker) {
        close_board();
    } else {
        restash(buffer.index, buffer.lost_before);
    }
}

void TMPCPlay::restash(int index, int lost) {
    if (sendnomore) {
        return;
    }
    TWaveChunk& chunk = farr[static_cast<size_t>(index)];
    const int length = nChunkSamples();
    int used = length;
    const unsigned before = session();
    try {
        report_lost(lost);
        OnStash(chunk, used, sendnomore);
    } catch (...) {
        // Silence keeps the ring whole and the stream in step.
        if (session() == before) {
            chunk.assign(static_cast<size_t>(length), int16_t{0});
            give_back(index, static_cast<size_t>(length), sendnomore);
        }
        throw;
    }
    if (session() != before || !OwnBoard()) {
        return;
    }
    if (chunk.size() != static_cast<size_t>(length)) {
        chunk.resize(static_cast<size_t>(length)); // the handler must not resize it
    }
    used = std::clamp(used, 0, length);
    if (used == 0) {
        sendnomore = true;
        used = std::min(nChans(), length);
        std::fill_n(chunk.begin(), used, int16_t{0});
    } else {
        used = whole_frames(chunk, used);
    }
    give_back(index, static_cast<size_t>(used), sendnomore);
}

// A count that ends inside a frame would move every later value to the next channel,
// swapping the channels for the rest of the run. The broken frame is completed with
// silence where the chunk has room, else left out.
int TMPCPlay::whole_frames(TWaveChunk& chunk, int used) const {
    const int chans = nChans();
    const int partial = used % chans;
    if (partial == 0) {
        return used;
    }
    const int completed = used - partial + chans;
    if (completed <= static_cast<int>(chunk.size())) {
        std::fill(chunk.begin() + used, chunk.begin() + completed, int16_t{0});
        return completed;
    }
    // A chunk too short for one frame plays what it holds, as before.
    return used > partial ? used - partial : used;
}

} // namespace zevrin
