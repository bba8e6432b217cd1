// TFFT against FFTW3's real-input transform (FFTW_MEASURE), one frame at a time.
//
// pipeline: what the analyser does per frame and channel: assign a real frame of N
//   samples (Hamming window, mean removed), read OutdB and OutAbs. FFTW does the same
//   work: mean, windowing, transform, then the N-bin dB and magnitude arrays with the
//   same per-bin rules, the logarithm from the maths library.
// bare: TFFT's transform as a caller gets it: assign the frame (rectangle window, mean
//   kept), read OutRe and OutIm (all N bins, scaled). Against fftw_execute() alone,
//   which transforms the frame where it lies into N/2 + 1 unscaled bins: every pass
//   TFFT makes beyond the transform (copying the input, completing the upper half) is
//   charged to TFFT.
// transform: the transform alone, FFTPlan::real_forward (bins 0..N/2, scaled as they are
//   computed), the same work as fftw_execute().
// Every case runs in both register states (bench/support/register_state.h); all
// repetitions are interleaved at random. At the end a table per state gives, per N, the
// fastest CPU time per frame of each and the ratios against their goals.

#include "comparison.h"
#include "dsp/fft.h"
#include "dsp/fft_plan.h"
#include "register_state.h"
#include "run_benchmarks.h"

#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace zevrin {
namespace {

constexpr std::size_t smallest = 256;
constexpr std::size_t largest = 131072;
constexpr double pipeline_goal = 1.0;
constexpr double bare_goal = 1.5;
// 10 / log2(10): the maths library's binary logarithm to decibels, as the program
// computed them before.
const double db_per_octave = 10.0 / std::log2(10.0);

// Three tones in noise at the scale of 16-bit samples, the same every run.
void fill_frame(double* x, std::size_t n) {
    uint32_t seed = 12345;
    for (std::size_t i = 0; i < n; ++i) {
        seed = seed * 134775813u + 1u;
        const double noise = static_cast<double>(seed) / 4294967296.0 - 0.5;
        const double t = static_cast<double>(i);
        x[i] = 300.0 + 8000.0 * std::sin(0.05 * t) + 2000.0 * std::sin(0.31 * t + 1.0) +
               50.0 * std::sin(2.9 * t) + 100.0 * noise;
    }
}

tdoublearr frame(std::size_t n) {
    tdoublearr x(n);
    fill_frame(x.data(), n);
    return x;
}

// An FFTW plan with its input and output arrays.
class FFTWReal {
public:
    explicit FFTWReal(std::size_t n)
        : fn(n), fin(fftw_alloc_real(n)), fout(fftw_alloc_complex(n / 2 + 1)),
          fplan(fftw_plan_dft_r2c_1d(static_cast<int>(n), fin, fout, FFTW_MEASURE)) {
        // Planning with FFTW_MEASURE overwrites the arrays.
        fill_frame(fin, n);
    }
    ~FFTWReal() {
        fftw_destroy_plan(fplan);
        fftw_free(fout);
        fftw_free(fin);
    }
    FFTWReal(const FFTWReal&) = delete;
    FFTWReal& operator=(const FFTWReal&) = delete;

    std::size_t size() const { return fn; }
    double* in() { return fin; }
    const fftw_complex* out() const { return fout; }
    void execute() { fftw_execute(fplan); }

private:
    std::size_t fn;
    double* fin;
    fftw_complex* fout;
    fftw_plan fplan;
};

// The frame's sum, summed as TFFT sums its input: four quarters side by side, each
// across the vector lanes.
double frame_sum(const double* x, std::size_t n) {
    const std::size_t q = n / 4;
    double s0 = 0.0, s1 = 0.0, s2 = 0.0, s3 = 0.0;
#pragma omp simd reduction(+ : s0, s1, s2, s3)
    for (std::size_t i = 0; i < q; ++i) {
        s0 += x[i];
        s1 += x[i + q];
        s2 += x[i + 2 * q];
        s3 += x[i + 3 * q];
    }
    for (std::size_t i = 4 * q; i < n; ++i) {
        s0 += x[i];
    }
    return (s0 + s1) + (s2 + s3);
}

using bench::enter_state;
using bench::TRegisterState;

void pipeline_zevrin(benchmark::State& state, std::size_t n, TRegisterState rs) {
    TFFT fft;
    fft.set_FFTSize(static_cast<int>(n));
    fft.set_WindowSize(static_cast<int>(n));
    fft.set_Window(TFFTWindow::Hamming);
    const tdoublearr x = frame(n);
    for (auto _ : state) {
        enter_state(rs);
        fft.set_InRe(x);
        benchmark::DoNotOptimize(fft.OutdB().data());
        benchmark::DoNotOptimize(fft.OutAbs().data());
        benchmark::ClobberMemory();
    }
}

void pipeline_fftw(benchmark::State& state, std::size_t n, TRegisterState rs) {
    TFFT windows;
    windows.set_FFTSize(static_cast<int>(n));
    windows.set_WindowSize(static_cast<int>(n));
    windows.set_Window(TFFTWindow::Hamming);
    const tdoublearr window = windows.WinValues();
    const tdoublearr x = frame(n);
    FFTWReal fftw(n);
    tdoublearr db(n), magnitude(n);
    const double scale = 1.0 / static_cast<double>(n);
    for (auto _ : state) {
        enter_state(rs);
        const double mean = frame_sum(x.data(), n) / static_cast<double>(n);
        double* in = fftw.in();
        for (std::size_t k = 0; k < n; ++k) {
            in[k] = (x[k] - mean) * window[k];
        }
        fftw.execute();
        const fftw_complex* out = fftw.out();
        // Removing the windowed frame's own mean leaves bin 0 at 0.
        db[0] = -3250.0;
        magnitude[0] = 0.0;
        for (std::size_t m = 1; m <= n / 2; ++m) {
            const double re = out[m][0] * scale;
            const double im = out[m][1] * scale;
            const double p = re * re + im * im;
            double level = p <= 0.0 ? -3250.0 : 0.0;
            if (p > 0.0) {
                level = db_per_octave * std::log2(p);
                if (!std::isfinite(level)) {
                    level = 0.0;
                }
            }
            const double v = std::sqrt(p);
            const double mag = v <= DBL_MAX ? v : 0.0;
            db[m] = level;
            db[n - m] = level;
            magnitude[m] = mag;
            magnitude[n - m] = mag;
        }
        benchmark::DoNotOptimize(db.data());
        benchmark::DoNotOptimize(magnitude.data());
        benchmark::ClobberMemory();
    }
}

void bare_zevrin(benchmark::State& state, std::size_t n, TRegisterState rs) {
    TFFT fft;
    fft.set_FFTSize(static_cast<int>(n));
    fft.set_WindowSize(static_cast<int>(n));
    fft.set_Window(TFFTWindow::rectangle);
    fft.set_RemoveDC(false);
    const tdoublearr x = frame(n);
    for (auto _ : state) {
        enter_state(rs);
        fft.set_InRe(x);
        benchmark::DoNotOptimize(fft.OutRe().data());
        benchmark::DoNotOptimize(fft.OutIm().data());
        benchmark::ClobberMemory();
    }
}

void transform_zevrin(benchmark::State& state, std::size_t n, TRegisterState rs) {
    FFTPlan plan;
    plan.prepare(n);
    const tdoublearr x = frame(n);
    tdoublearr re(n), im(n);
    const double scale = 1.0 / static_cast<double>(n);
    for (auto _ : state) {
        enter_state(rs);
        plan.real_forward(x.data(), n, 0.0, nullptr, scale, re.data(), im.data());
        benchmark::DoNotOptimize(re.data());
        benchmark::DoNotOptimize(im.data());
        benchmark::ClobberMemory();
    }
}

void execute_fftw(benchmark::State& state, std::size_t n, TRegisterState rs) {
    FFTWReal fftw(n);
    for (auto _ : state) {
        enter_state(rs);
        fftw.execute();
        benchmark::DoNotOptimize(fftw.out());
        benchmark::ClobberMemory();
    }
}

// Prints the comparison of the fastest repetitions (interference from other work on
// the machine only ever adds time) as tables at the end.
class TableReporter : public bench::FastestRunReporter {
public:
    void Finalize() override {
        ConsoleReporter::Finalize();
        for (const char* st : {"clean", "dirty"}) {
            print_table(st);
        }
        std::printf(
            "\nGoals: pipeline/FFTW at most %.1f, bare/execute at most %.1f; a miss shows by "
            "how much the ratio exceeds its goal.\n",
            pipeline_goal, bare_goal);
    }

private:
    void print_table(const std::string& st) const {
        std::printf("\nFFT per frame, microseconds (fastest of the repetitions), register state %s:"
                    " TFFT against FFTW3 r2c FFTW_MEASURE\n\n",
                    st.c_str());
        std::printf("| N | pipeline TFFT | pipeline FFTW + libm | ratio | bare TFFT | transform "
                    "TFFT | FFTW execute | bare / execute | transform / execute |\n");
        std::printf("|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
        for (std::size_t n = smallest; n <= largest; n *= 2) {
            const std::string s = "/" + st + "/" + std::to_string(n);
            const double pz = fastest("pipeline/TFFT" + s), pf = fastest("pipeline/FFTW" + s);
            const double bz = fastest("bare/TFFT" + s), tz = fastest("transform/TFFT" + s);
            const double ex = fastest("execute/FFTW" + s);
            if (pz + pf + bz + tz + ex == 0) {
                continue; // filtered out
            }
            std::printf("| %zu | %s | %s | %s | %s | %s | %s | %s | %s |\n", n, number(pz).c_str(),
                        number(pf).c_str(), verdict(pz, pf, pipeline_goal).c_str(),
                        number(bz).c_str(), number(tz).c_str(), number(ex).c_str(),
                        verdict(bz, ex, bare_goal).c_str(), verdict(tz, ex, 0).c_str());
        }
    }

    static std::string number(double us) {
        if (us <= 0) {
            return "-";
        }
        char text[32];
        std::snprintf(text, sizeof text, "%.2f", us);
        return text;
    }

    static std::string verdict(double ours, double fftw, double goal) {
        if (ours <= 0 || fftw <= 0) {
            return "-";
        }
        const double ratio = ours / fftw;
        char text[64];
        if (goal == 0 || ratio <= goal) {
            std::snprintf(text, sizeof text, "%.2f", ratio);
        } else {
            std::snprintf(text, sizeof text, "%.2f (misses by %.1f%%)", ratio,
                          (ratio / goal - 1.0) * 100.0);
        }
        return text;
    }
};

void register_benchmarks() {
    using Fn = void (*)(benchmark::State&, std::size_t, TRegisterState);
    const struct {
        const char* name;
        Fn fn;
    } cases[] = {{"pipeline/TFFT/", pipeline_zevrin},
                 {"pipeline/FFTW/", pipeline_fftw},
                 {"bare/TFFT/", bare_zevrin},
                 {"transform/TFFT/", transform_zevrin},
                 {"execute/FFTW/", execute_fftw}};
    for (std::size_t n = smallest; n <= largest; n *= 2) {
        for (const auto& c : cases) {
            for (TRegisterState rs : {TRegisterState::clean, TRegisterState::dirty}) {
                const std::string name =
                    c.name + std::string(bench::state_name(rs)) + "/" + std::to_string(n);
                benchmark::RegisterBenchmark(name.c_str(), c.fn, n, rs)
                    ->Unit(benchmark::kMicrosecond);
            }
        }
    }
}

} // namespace
} // namespace zevrin

int main(int argc, char** argv) {
    zevrin::register_benchmarks();
    zevrin::TableReporter reporter;
    return zevrin::bench::run_benchmarks(argc, argv,
                                         {"--benchmark_repetitions=10",
                                          "--benchmark_enable_random_interleaving=true",
                                          "--benchmark_min_time=0.1"},
                                         reporter);
}
