// What the device's thread pays per callback to move values through the buffer queue,
// beside a plain copy of the same values. The owner's side (taking each buffer back and
// queueing it again) runs in the same loop, as it would on the owner's thread.

#include "audio/buffer_queue.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace zevrin {
namespace {

constexpr size_t chunk = 4096;
constexpr size_t buffers = 32;

struct Ring {
    std::vector<std::vector<int16_t>> chunks{buffers, std::vector<int16_t>(chunk)};
    template <class Queue> void start(Queue& q) {
        q.resize(buffers);
        q.restart(chunk, 1, [] {});
        for (size_t i = 0; i < buffers; ++i) {
            q.queue(chunks[i].data(), chunk, static_cast<int>(i), static_cast<int64_t>(i));
        }
    }
    template <class Queue> void recycle(Queue& q) {
        TReturnedBuffer b;
        while (q.take(b)) {
            q.queue(chunks[static_cast<size_t>(b.index)].data(), chunk, b.index, b.index);
        }
        q.clear_wake();
    }
};

void BM_Copy(benchmark::State& state) {
    const size_t n = static_cast<size_t>(state.range(0));
    std::vector<int16_t> from(n, 7);
    std::vector<int16_t> to(chunk);
    size_t pos = 0;
    for (auto _ : state) {
        std::memcpy(to.data() + pos, from.data(), n * sizeof(int16_t));
        pos = (pos + n) % (chunk - n);
        benchmark::DoNotOptimize(to.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_CaptureWrite(benchmark::State& state) {
    const size_t n = static_cast<size_t>(state.range(0));
    std::vector<int16_t> from(n, 7);
    Ring ring;
    TCaptureQueue q;
    ring.start(q);
    for (auto _ : state) {
        q.write(from.data(), n);
        ring.recycle(q);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_PlaybackRead(benchmark::State& state) {
    const size_t n = static_cast<size_t>(state.range(0));
    std::vector<int16_t> to(n);
    Ring ring;
    TPlaybackQueue q;
    q.set_volume(static_cast<uint32_t>(state.range(1)));
    ring.start(q);
    for (auto _ : state) {
        q.read(to.data(), n);
        ring.recycle(q);
        benchmark::DoNotOptimize(to.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(BM_Copy)->Arg(256)->Arg(1024);
BENCHMARK(BM_CaptureWrite)->Arg(256)->Arg(1024);
BENCHMARK(BM_PlaybackRead)
    ->Args({256, 0xFFFFFFFF})
    ->Args({1024, 0xFFFFFFFF})
    ->Args({1024, 0x80008000});

} // namespace
} // namespace zevrin
