// What the capture callback pays to turn the sound card's floats into 16-bit values:
// eight at a time, beside the value-by-value way it replaced.

#include "audio/float_samples.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace zevrin {
namespace {

void BM_FloatsToSamples(benchmark::State& state) {
    const size_t n = 1024;
    std::vector<float> in(n);
    std::mt19937 random(1);
    std::normal_distribution<float> noise(0.0f, 0.3f); // some values beyond full scale
    for (float& v : in) {
        v = noise(random);
    }
    std::vector<int16_t> out(n);
    const bool eight_at_a_time = state.range(0) != 0;
    for (auto _ : state) {
        if (eight_at_a_time) {
            samples_from_floats(in.data(), out.data(), n);
        } else {
            for (size_t i = 0; i < n; ++i) {
                out[i] = sample_from_float(in[i]);
            }
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(n));
}
BENCHMARK(BM_FloatsToSamples)->ArgName("eight")->Arg(0)->Arg(1);

} // namespace
} // namespace zevrin
