#include "audio/buffer_queue.h"

#include <algorithm>
#include <cstring>

namespace zevrin {

void TBufferQueue::resize(size_t buffers) {
    fslots.assign(std::max<size_t>(buffers, 1), Slot{});
}

void TBufferQueue::restart(size_t unit, int channels, std::function<void()> wake) {
    funit = std::max<size_t>(unit, 1);
    fchannels = std::max(channels, 1);
    fwake = std::move(wake);
    fpos = 0;
    fended = false;
    fdrained = false;
    fchannel = 0;
    fdiscarded = 0;
    fpendinglost = 0;
    ftaken = 0;
    fqueued.store(0, std::memory_order_relaxed);
    fdone.store(0, std::memory_order_relaxed);
    flosttotal.store(0, std::memory_order_relaxed);
    ffailed.store(0, std::memory_order_relaxed);
    fwakepending.store(false, std::memory_order_relaxed);
}

void TBufferQueue::queue(int16_t* data, size_t length, int index, int64_t user) {
    const uint64_t n = fqueued.load(std::memory_order_relaxed);
    Slot& s = fslots[n % fslots.size()];
    s.data = data;
    s.length = length;
    s.count = 0;
    s.index = index;
    s.user = user;
    s.lost_before = 0;
    fqueued.store(n + 1, std::memory_order_release);
}

bool TBufferQueue::take(TReturnedBuffer& out) {
    if (ftaken == fdone.load(std::memory_order_acquire)) {
        return false;
    }
    const Slot& s = fslots[ftaken % fslots.size()];
    out.index = s.index;
    out.user = s.user;
    out.count = s.count;
    out.lost_before = s.lost_before;
    ++ftaken;
    return true;
}

TBufferQueue::Slot* TBufferQueue::current() {
    if (fdiscarded > 0) {
        return nullptr;
    }
    const uint64_t done = fdone.load(std::memory_order_relaxed);
    if (done == fqueued.load(std::memory_order_acquire)) {
        return nullptr;
    }
    return &fslots[done % fslots.size()];
}

void TBufferQueue::complete(size_t count) {
    const uint64_t done = fdone.load(std::memory_order_relaxed);
    Slot& s = fslots[done % fslots.size()];
    s.count = count;
    s.lost_before = fpendinglost;
    fpendinglost = 0;
    fpos = 0;
    fdone.store(done + 1, std::memory_order_release);
    wake();
}

size_t TBufferQueue::lose(size_t n) {
    const size_t k = std::min(n, funit - fdiscarded);
    fdiscarded += k;
    if (fdiscarded == funit) {
        fdiscarded = 0;
        ++fpendinglost;
        flosttotal.fetch_add(1, std::memory_order_relaxed);
    }
    return k;
}

void TBufferQueue::host_lost() {
    ++fpendinglost;
    flosttotal.fetch_add(1, std::memory_order_relaxed);
}

void TBufferQueue::signal_failure(int code) {
    int none = 0;
    ffailed.compare_exchange_strong(none, code, std::memory_order_release);
    wake();
}

void TBufferQueue::wake() {
    if (!fwakepending.exchange(true, std::memory_order_acq_rel) && fwake) {
        fwake();
    }
}

void TCaptureQueue::write(const int16_t* values, size_t n) noexcept {
    while (n > 0 && !fended) {
        Slot* s = current();
        size_t k = 0;
        if (s == nullptr) {
            k = lose(n);
        } else {
            k = std::min(n, s->length - fpos);
            std::memcpy(s->data + fpos, values, k * sizeof(int16_t));
            fpos += k;
            if (fpos == s->length) {
                fended = s->user == stop_marker;
                complete(fpos);
            }
        }
        values += k;
        n -= k;
    }
}

void TCaptureQueue::fail(int code) noexcept {
    // What was recorded before the failure is real sound: hand it over.
    if (fpos > 0 && !fended && current() != nullptr) {
        complete(fpos);
    }
    signal_failure(code);
}

bool TPlaybackQueue::read(int16_t* values, size_t n) noexcept {
    const uint32_t volume = fvolume.load(std::memory_order_relaxed);
    while (n > 0) {
        if (fended) {
            silence(values, n);
            return false;
        }
        Slot* s = current();
        size_t k = 0;
        if (s == nullptr) {
            k = lose(n);
            silence(values, k);
        } else {
            k = std::min(n, s->length - fpos);
            copy_scaled(values, s->data + fpos, k, volume);
            fpos += k;
            if (fpos == s->length) {
                // The marker buffer goes back only when the device has played it.
                if (s->user == stop_marker) {
                    fended = true;
                } else {
                    complete(fpos);
                }
            }
        }
        values += k;
        n -= k;
    }
    return !fended;
}

void TPlaybackQueue::drained() noexcept {
    if (fended && !fdrained) {
        fdrained = true;
        complete(fpos);
    }
}

void TPlaybackQueue::fail(int code) noexcept {
    signal_failure(code);
}

void TPlaybackQueue::copy_scaled(int16_t* to, const int16_t* from, size_t n, uint32_t volume) {
    if (volume == 0xFFFFFFFFu) {
        std::memcpy(to, from, n * sizeof(int16_t));
        next_channels(n);
        return;
    }
    const int64_t gains[2] = {volume & 0xFFFF, volume >> 16};
    int channel = fchannel;
    for (size_t i = 0; i < n; ++i) {
        const int64_t p = from[i] * gains[channel & 1];
        // Rounded to nearest; |result| <= |value|, so it stays in 16 bits.
        to[i] = static_cast<int16_t>((p + (p >= 0 ? 32767 : -32767)) / 65535);
        channel = channel + 1 == fchannels ? 0 : channel + 1;
    }
    fchannel = channel;
}

void TPlaybackQueue::silence(int16_t* to, size_t n) {
    std::fill_n(to, n, int16_t{0});
    next_channels(n);
}

} // namespace zevrin
