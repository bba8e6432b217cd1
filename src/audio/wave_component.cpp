#include "audio/wave_component.h"

#include <algorithm>

namespace zevrin {

namespace {

constexpr int max_buffers = 1000;

} // namespace

TWaveFormat make_wave_format(int nchans, int sftot) {
    TWaveFormat f;
    f.nChannels = nchans;
    f.nSamplesPerSec = nchans != 0 ? sftot / nchans : sftot;
    f.nAvgBytesPerSec = int64_t{f.nChannels} * f.nSamplesPerSec * 16 / 8;
    f.nBlockAlign = nchans * 16 / 8;
    return f;
}

TMPCComponent::TMPCComponent(TDevices& devices, TSide side, std::unique_ptr<TBufferQueue> queue)
    : fdevices(devices), fside(side), fqueue(std::move(queue)) {
    flabels = side == TSide::input
                  ? TLabels{"waveinOpen:", "waveinWrite:", "waveinReset:", "waveinClose:",
                            MM_WIM_OPEN,   MM_WIM_CLOSE,   MM_WIM_DATA}
                  : TLabels{"WaveOutOpen:", "WaveOutWrite:", "WaveOutReset:", "WaveOutClose:",
                            MM_WOM_OPEN,    MM_WOM_CLOSE,    MM_WOM_DONE};
    set_nChans(1);
    set_sfTot(16000);
    set_nBuffers(4);
    set_nChunkSamples(4096);
    fdeviceid = -1;
    make_format();
    read_devicenames();
}

TMPCComponent::~TMPCComponent() {
    // The device must stop calling into the queue before the queue goes away.
    if (fstream) {
        try {
            fstream->abort();
        } catch (const TDeviceError&) {
        }
        try {
            fstream->close();
        } catch (const TDeviceError&) {
        }
    }
}

void TMPCComponent::refuse_while_owning(const char* message) const {
    if (fownboard) {
        throw EMPCError(message);
    }
}

void TMPCComponent::set_nChunkSamples(int value) {
    refuse_while_owning("Cannot change nChunkSamples while owning board");
    fnchunksamples = std::max(value, 1);
    for (TWaveChunk& c : farr) {
        c.resize(static_cast<size_t>(fnchunksamples));
    }
}

void TMPCComponent::set_nChans(int value) {
    refuse_while_owning("Cannot change nChans while owning board");
    fnchans = std::max(value, 1);
    make_format();
}

void TMPCComponent::set_sfTot(int value) {
    refuse_while_owning("Cannot change sfTot while owning board");
    fsftot = std::max(value, 1);
    make_format();
}

void TMPCComponent::set_nBuffers(int value) {
    refuse_while_owning("Cannot change nBuffers while owning board");
    fnbufs = std::clamp(value, 1, max_buffers);
    farr.resize(static_cast<size_t>(fnbufs));
    for (TWaveChunk& c : farr) {
        c.resize(static_cast<size_t>(fnchunksamples));
    }
    fqueue->resize(static_cast<size_t>(fnbufs));
}

int TMPCComponent::nDevices() {
    const auto names = fside == TSide::input ? fdevices.input_names() : fdevices.output_names();
    return static_cast<int>(names.size());
}

const std::vector<std::string>& TMPCComponent::Devicenames() {
    read_devicenames();
    return fdevicenames;
}

void TMPCComponent::read_devicenames() {
    make_format();
    fdevicenames = fside == TSide::input ? fdevices.input_names() : fdevices.output_names();
}

std::string TMPCComponent::ErrorText(int errornumber) const {
    return fdevices.error_text(errornumber);
}

bool TMPCComponent::open_board() {
    if (fownboard) {
        return false;
    }
    try {
        fstream = open_stream(TStreamFormat{fwavefmt.nSamplesPerSec, fwavefmt.nChannels, flatency});
    } catch (const TDeviceError& e) {
        throw EMPCError(flabels.open + ErrorText(e.code()));
    }
    fqueue->restart(static_cast<size_t>(fnchunksamples), fnchans, fwakeup);
    fownboard = true;
    ++fsession;
    notify(flabels.msg_open);
    return true;
}

void TMPCComponent::start_board() {
    try {
        fstream->start();
    } catch (const TDeviceError& e) {
        close_failed_board();
        throw EMPCError(flabels.open + ErrorText(e.code()));
    }
}

void TMPCComponent::close_board() {
    if (!fownboard) {
        return;
    }
    std::string error;
    try {
        fstream->abort();
    } catch (const TDeviceError& e) {
        error = flabels.reset + ErrorText(e.code());
    }
    try {
        fstream->close();
    } catch (const TDeviceError& e) {
        if (error.empty()) {
            error = flabels.close + ErrorText(e.code());
        }
    }
    // Even a device that failed to stop has stopped calling us: the board is given up,
    // so that the program can open it again.
    fstream.reset();
    fownboard = false;
    ++fsession;
    notify(flabels.msg_close);
    if (!error.empty()) {
        throw EMPCError(error);
    }
}

void TMPCComponent::close_failed_board() {
    try {
        close_board();
    } catch (const EMPCError&) {
    }
}

void TMPCComponent::fail_running(int code) {
    close_failed_board();
    throw EMPCError(flabels.write + ErrorText(code));
}

void TMPCComponent::give_back(int index, size_t used, bool last) {
    TWaveChunk& chunk = farr[static_cast<size_t>(index)];
    // A handler may have resized the chunk; the device gets memory of the ring's size.
    if (chunk.size() != static_cast<size_t>(fnchunksamples)) {
        chunk.resize(static_cast<size_t>(fnchunksamples));
    }
    fqueue->queue(chunk.data(), std::min(used, chunk.size()), index, last ? stop_marker : index);
}

void TMPCComponent::report_lost(int count) {
    if (count > 0 && OnLost) {
        OnLost(count);
    }
}

void TMPCComponent::notify(uint32_t msg) {
    fnotes.push_back(msg);
    if (fwakeup) {
        fwakeup();
    }
}

bool TMPCComponent::deliver_notification() {
    if (fnotes.empty()) {
        return false;
    }
    TMPCMessage msg{fnotes.front(), 0};
    fnotes.pop_front();
    if (OnMsg) {
        OnMsg(msg);
    }
    if (msg.Msg == flabels.msg_open && OnOpened) {
        OnOpened();
    } else if (msg.Msg == flabels.msg_close && OnClosed) {
        OnClosed();
    }
    return true;
}

void TMPCComponent::pump() {
    if (fpumping) {
        return;
    }
    fpumping = true;
    struct Guard {
        bool& flag;
        ~Guard() { flag = false; }
    } guard{fpumping};

    for (;;) {
        fqueue->clear_wake();
        if (deliver_notification()) {
            continue;
        }
        if (!fownboard) {
            return;
        }
        // Read the failure first: every buffer handed back before it is then visible.
        const int failure = fqueue->failure();
        TReturnedBuffer buffer;
        if (fqueue->take(buffer)) {
            TMPCMessage msg{flabels.msg_data, buffer.user};
            if (OnMsg) {
                const unsigned before = fsession;
                OnMsg(msg);
                if (fsession != before) {
                    continue;
                }
            }
            buffer_returned(buffer);
            continue;
        }
        if (failure != 0) {
            fail_running(failure);
        }
        return;
    }
}

} // namespace zevrin
