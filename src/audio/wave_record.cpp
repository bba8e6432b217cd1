#include "audio/wave_record.h"

namespace zevrin {

TMPCRecord::TMPCRecord(TDevices& devices)
    : TMPCComponent(devices, TSide::input, std::make_unique<TCaptureQueue>()) {}

void TMPCRecord::Run() {
    if (!OnFetch) {
        throw EMPCError("Nothing assigned to OnFetch!");
    }
    addnomore = false;
    if (!open_board()) {
        throw EMPCError("Could not aquire board");
    }
    // The empty chunks go to the device without passing through OnFetch.
    oktofetch = false;
    for (int i = 0; i < nBuffers(); ++i) {
        requeue(i, 0, 0);
    }
    oktofetch = true;
    start_board();
}

std::unique_ptr<TAudioStream> TMPCRecord::open_stream(TStreamFormat format) {
    return fdevices.open_input(DeviceID(), format, static_cast<TCaptureQueue&>(queue()));
}

void TMPCRecord::buffer_returned(const TReturnedBuffer& buffer) {
    if (buffer.user == stop_marker) {
        close_board();
    } else {
        requeue(buffer.index, static_cast<int>(buffer.count), buffer.lost_before);
    }
}

void TMPCRecord::requeue(int index, int used, int lost) {
    // After `last`, the chunks that come back before the marked one are dropped.
    if (addnomore) {
        return;
    }
    if (oktofetch) {
        const unsigned before = session();
        try {
            report_lost(lost);
            OnFetch(farr[static_cast<size_t>(index)], used, addnomore);
        } catch (...) {
            // The chunk goes back to the device all the same, or the ring would shrink
            // by one chunk at every error until capture stalled.
            if (session() == before) {
                give_back(index, static_cast<size_t>(nChunkSamples()), addnomore);
            }
            throw;
        }
        if (session() != before) {
            return; // the handler stopped (or restarted) the capture
        }
    }
    if (OwnBoard()) {
        give_back(index, static_cast<size_t>(nChunkSamples()), addnomore);
    }
}

} // namespace zevrin
