// The transfer function, the impulse response and distortion apart from noise, measured
// through the virtual loopback with a known simulated system.

#include "engine_fixture.h"

#include "dsp/filter_section.h"
#include "dsp/numeric.h"
#include "engine/curves.h"
#include "engine/distortion.h"
#include "engine/played_signal.h"
#include "engine/transfer_function.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <deque>
#include <memory>
#include <numeric>

namespace zevrin {
namespace {

constexpr double rate = 16000;
constexpr int period = 4096;

using cplx = std::complex<double>;

// The simulated system: a high-pass section (its impulse response peaks at its first
// sample, so the delay is where the response begins) after a gain.
struct HighPass {
    static constexpr double f0 = 20, q = 0.7, gain = 0.5;
    HighPass() {
        section.set_SampFreq(rate);
        section.set_F0(f0);
        section.set_Q(q);
    }
    // H(e^{iω}) = gain·b0·a0·(1 + b1·z⁻¹ + z⁻²) / (1 - a1·z⁻¹ - a2·z⁻²), z = e^{iω}.
    cplx response(double f) const {
        const cplx z1 = std::polar(1.0, -2 * pi * f / rate);
        const THPFilterSection& s = section;
        return gain * s.b0() * s.a0() * (1.0 + s.b1() * z1 + z1 * z1) /
               (1.0 - s.a1() * z1 - s.a2() * z1 * z1);
    }
    // Its own impulse response over one period (it has died away long before the end).
    std::vector<double> impulse() const {
        THPFilterSection s = section;
        s.reset();
        std::vector<double> h(period);
        for (int n = 0; n < period; ++n) {
            h[static_cast<size_t>(n)] = gain * s.filter(n == 0 ? 1.0 : 0.0);
        }
        return h;
    }
    THPFilterSection section;
};

class Transfer : public ::testing::Test, public testing::EngineFixture {
protected:
    void SetUp() override {
        TAnalyser& a = *analyser;
        configure(rate, rate / period, TFFTWindow::rectangle);
        a.set_usesltas(true);
        a.sltaspoints = period;
        a.partialpattern = 0; // every partial: the full impulse response
        a.chirpiness = 1;
        a.set_highpass(false);
        a.set_excludeoverloaded(false);
    }

    // Plays and captures; the first frames (filter and line settling) stay out.
    void measure(int frames) {
        TAnalyser& a = *analyser;
        a.set_playing(true);
        a.RunExecute();
        advance(3 * static_cast<size_t>(a.sltaspoints));
        a.clearsltasExecute();
        a.set_sltas(true);
        more(frames);
        ASSERT_EQ(a.sltascount, frames);
    }
    void more(int frames) {
        for (int k = 0; k < frames; ++k) {
            advance(static_cast<size_t>(analyser->sltaspoints));
        }
    }

    // Checks H, the delay and the impulse response against the simulated system.
    void expect_system(const TTransferFunction& tf, int delay) {
        ASSERT_TRUE(tf.valid()) << tf.problem();
        ASSERT_EQ(tf.bins.size(), static_cast<size_t>(period / 2 - 1));
        EXPECT_TRUE(tf.delay_found);
        EXPECT_EQ(tf.delay, delay);
        EXPECT_DOUBLE_EQ(tf.delay_ms, delay * 1000.0 / rate);
        double worst_db = 0, worst_deg = 0, lowest_coherence = 1;
        for (size_t j = 0; j < tf.bins.size(); ++j) {
            const cplx h = system.response(tf.frequency[j]);
            worst_db =
                std::max(worst_db, std::abs(tf.magnitude_db[j] - 20 * std::log10(std::abs(h))));
            const double dphi = std::remainder(tf.phase_deg[j] - std::arg(h) * 180 / pi, 360.0);
            worst_deg = std::max(worst_deg, std::abs(dphi));
            lowest_coherence = std::min(lowest_coherence, tf.coherence[j]);
        }
        EXPECT_LT(worst_db, 0.05);
        EXPECT_LT(worst_deg, 0.5);
        EXPECT_GT(lowest_coherence, 0.99);
    }

    // h[n] of the measurement against the system's own, `shift` samples later.
    void expect_impulse(const TTransferFunction& tf, int shift) {
        const std::vector<double> own = system.impulse();
        const double peak = std::abs(own[0]);
        double worst = 0;
        for (int n = 0; n < period; ++n) {
            const double expected = own[static_cast<size_t>((n - shift + period) % period)];
            worst = std::max(worst, std::abs(tf.impulse[static_cast<size_t>(n)] - expected));
        }
        EXPECT_LT(worst, 1e-4 * peak) << "worst deviation " << worst;
        EXPECT_EQ(tf.peak_index, shift);
        EXPECT_NEAR(tf.etc_db()[static_cast<size_t>(shift)], 0.0, 0.1);
    }

    HighPass system;
};

TEST_F(Transfer, DualChannelsMeasureTheSystemBetweenThem) {
    // Left straight through; right through the system and 300 samples of delay, with a
    // little noise on both, so that the coherence has something to measure.
    constexpr int delay = 300;
    auto hp = std::make_shared<HighPass>();
    auto line = std::make_shared<std::deque<double>>(delay, 0.0);
    loopback->set_filter([hp, line](double v, int channel) {
        if (channel == 0) {
            return v;
        }
        line->push_back(HighPass::gain * hp->section.filter(v));
        const double out = line->front();
        line->pop_front();
        return out;
    });
    loopback->set_delay(37);
    loopback->set_noise(1.0, 5);
    analyser->dualchannels = true;
    measure(8);
    TTransferFunction tf;
    tf.compute(*analyser);
    expect_system(tf, delay);
    expect_impulse(tf, delay);
    // |H| is the L-R SLTAS curve at every partial.
    tdoublearr lr(period / 2 + 1);
    ASSERT_TRUE(curve_levels(*analyser, 14, lr.size(), lr));
    for (size_t j = 0; j < tf.bins.size(); ++j) {
        ASSERT_NEAR(tf.magnitude_db[j], lr[tf.bins[j]], 1e-9) << "bin " << tf.bins[j];
    }
    // The unwrapped phase has no jump, and the group delay of a high-pass falls towards
    // high frequencies.
    for (size_t j = 1; j < tf.bins.size(); ++j) {
        ASSERT_LT(std::abs(tf.unwrapped_deg[j] - tf.unwrapped_deg[j - 1]), 180.0);
    }
    EXPECT_GT(tf.group_delay_ms[10], tf.group_delay_ms[1000]);
}

TEST_F(Transfer, MonoFindsAndRemovesTheCaptureOffset) {
    auto hp = std::make_shared<HighPass>();
    loopback->set_gain(HighPass::gain);
    loopback->set_filter([hp](double v, int) { return hp->section.filter(v); });
    constexpr int offset = 237;
    loopback->set_delay(offset);
    measure(4);
    TTransferFunction tf;
    tf.compute(*analyser);
    expect_system(tf, offset);
    expect_impulse(tf, 0); // the offset taken out
}

TEST_F(Transfer, NeedsThePlayedPeriodOfAPowerOfTwoPoints) {
    measure(2);
    analyser->sltaspoints = period * 2; // a period not yet played nor averaged
    TTransferFunction tf;
    tf.compute(*analyser);
    EXPECT_FALSE(tf.valid());
    EXPECT_NE(tf.problem().find("8192"), std::string::npos) << tf.problem();
    analyser->sltaspoints = 1000; // as a hand-edited settings file may give it
    tf.compute(*analyser);
    EXPECT_NE(tf.problem().find("no power of two"), std::string::npos) << tf.problem();
}

TEST_F(Transfer, CoherenceFallsWithNoiseAndStaysOneForASteadyInputWithDecay) {
    // A steady response with decay: every sum decays alike, the coherence stays 1.
    TAnalyser& a = *analyser;
    a.sltasdecay = true;
    a.set_sltasdecaytime(0.5);
    ASSERT_LT(a.sltasdecayfactor, 0.99);
    a.partialpattern = 2;
    measure(12);
    TTransferFunction tf;
    tf.compute(a);
    ASSERT_TRUE(tf.valid()) << tf.problem();
    for (double c : tf.coherence) {
        ASSERT_NEAR(c, 1.0, 1e-9);
    }
    // Noise: the coherence is the coherent share of the power, (S + N/K) / (S + N) for
    // a partial of power S in noise of power N per bin after K frames.
    a.set_playing(false);
    a.RunExecute();
    a.sltasdecay = false;
    a.set_sltasdecaytime(0);
    loopback->set_gain(0.02);
    measure(1);
    std::vector<double> clean;
    for (size_t k : tf.bins) {
        clean.push_back(squared_modulus(a.sltas1[k]) / (a.sltasdecayedcount * a.sltasdecayedcount));
    }
    a.set_playing(false);
    a.RunExecute();
    constexpr double sigma = 600;
    loopback->set_noise(sigma, 3);
    constexpr int frames = 32;
    measure(frames);
    tf.compute(a);
    const double noise = sigma * sigma / period; // per bin, FFT units
    double measured = 0, expected = 0, off = 0;
    for (size_t j = 0; j < tf.bins.size(); ++j) {
        const double e = (clean[j] + noise / frames) / (clean[j] + noise);
        measured += tf.coherence[j];
        expected += e;
        off += std::abs(tf.coherence[j] - e);
    }
    const auto n = static_cast<double>(tf.bins.size());
    EXPECT_NEAR(measured / n, expected / n, 0.02);
    EXPECT_LT(off / n, 0.1);
}

// Clips a period of played values as the loopback does, and computes its THD from the
// spectrum: the harmonics of bin a folded about L/2, each bin once.
double clipped_thd(const std::vector<int16_t>& played, double gain, size_t a) {
    const size_t l = played.size();
    std::vector<cplx> spectrum(l / 2 + 1);
    for (size_t k = 0; k <= l / 2; ++k) {
        cplx sum = 0;
        for (size_t n = 0; n < l; ++n) {
            const double y = std::clamp(std::nearbyint(gain * played[n]), -32768.0, 32767.0);
            sum += y * std::polar(1.0, -2 * pi * static_cast<double>(k * n % l) /
                                           static_cast<double>(l));
        }
        spectrum[k] = sum;
    }
    std::vector<bool> seen(l / 2 + 1);
    double harmonics = 0;
    for (size_t m = 2; m < l; ++m) {
        size_t k = m * a % l;
        k = std::min(k, l - k);
        if (k != 0 && k != a && !seen[k]) {
            seen[k] = true;
            harmonics += std::norm(spectrum[k]);
        }
    }
    return harmonics / std::norm(spectrum[a]);
}

TEST_F(Transfer, ThdOfAClippedSinusoid) {
    TAnalyser& a = *analyser;
    a.sltaspoints = 1024; // the reference spectrum below is a direct DFT
    a.bandwidth = rate / 1024;
    a.partialpattern = 4;
    a.singlesinusfreq = 1000; // bin 64
    constexpr double gain = 2.0;
    loopback->set_gain(gain);
    measure(4);
    TDistortion d;
    d.compute(a);
    ASSERT_TRUE(d.valid()) << d.problem();
    ASSERT_TRUE(d.single);
    const double expected = clipped_thd(a.stasharr, gain, 64);
    ASSERT_GT(expected, 1e-3); // really clipped
    EXPECT_NEAR(10 * std::log10(d.thd), 10 * std::log10(expected), 0.1);
    // Nothing but the clipping: THD+N is the same power, the rounding aside.
    EXPECT_NEAR(10 * std::log10(d.thdn), 10 * std::log10(expected), 0.1);
}

// The mean over the unused bins between the partials, in dB.
double mean_level(const TDistortion& d, const tdoublearr& levels) {
    double sum = 0;
    int n = 0;
    for (size_t u = 0; u < d.bins.size(); ++u) {
        if (d.bins[u] > d.partials.front() && d.bins[u] < d.partials.back() &&
            std::isfinite(levels[u])) {
            sum += std::pow(10.0, levels[u] / 10);
            ++n;
        }
    }
    return 10 * std::log10(sum / n);
}

TEST_F(Transfer, NoiseAveragesOutOfTheDistortionFloorButClippingStays) {
    TAnalyser& a = *analyser;
    a.partialpattern = 2; // twelve per octave: unused bins between the partials
    struct Floors {
        std::vector<double> distortion, noise, thd, thdn;
    };
    const auto floors = [&](double gain) {
        loopback->set_gain(gain);
        loopback->set_noise(100, 9);
        Floors f;
        measure(8);
        for (int frames = 8; frames <= 64; frames *= 2) {
            if (frames > 8) {
                more(frames / 2);
            }
            TDistortion d;
            d.compute(a);
            EXPECT_NEAR(d.effective_frames, frames, 1e-9);
            f.distortion.push_back(mean_level(d, d.distortion_db));
            f.noise.push_back(mean_level(d, d.noise_db));
            f.thd.push_back(10 * std::log10(d.thd));
            f.thdn.push_back(10 * std::log10(d.thdn));
        }
        a.set_playing(false);
        a.RunExecute();
        return f;
    };
    const Floors clean = floors(0.5);
    const Floors clipped = floors(3.0);
    for (size_t k = 1; k < clean.distortion.size(); ++k) {
        // Noise alone: 3 dB less per doubling of the frames; the noise floor stays,
        // but for its factor 1 - 1/K.
        EXPECT_NEAR(clean.distortion[k - 1] - clean.distortion[k], 3.0, 0.5) << k;
        const auto unbiased = [&](size_t i) {
            return clean.noise[i] - 10 * std::log10(1 - 1.0 / (8 << i));
        };
        EXPECT_NEAR(unbiased(k), unbiased(0), 0.15) << k;
        // Clipping: the distortion stays, far above the noise.
        EXPECT_NEAR(clipped.distortion[k], clipped.distortion[0], 0.3) << k;
        // The multi-tone's figures follow: THD falls with the noise, THD+N stays.
        EXPECT_NEAR(clean.thd[k - 1] - clean.thd[k], 3.0, 0.5) << k;
        EXPECT_NEAR(clean.thdn[k], clean.thdn[0], 0.6) << k;
        EXPECT_NEAR(clipped.thd[k], clipped.thd[0], 0.3) << k;
    }
    EXPECT_GT(clipped.distortion.back(), clipped.noise.back() + 10);
    EXPECT_LT(clean.distortion.back(), clean.noise.back() - 15);
}

TEST_F(Transfer, TheWrittenSignalIsWhatPlaybackHandsTheSoundCard) {
    // What the loopback's output receives from a start of playing ...
    TAnalyser& a = *analyser;
    a.partialpattern = 2;
    a.set_tilt(-3);
    set_random_seed(0);
    a.set_playing(true);
    a.RunExecute();
    std::vector<int16_t> heard;
    components->MPCRecord1.OnFetch = [&heard](TWaveChunk& arr, int used, bool&) {
        heard.insert(heard.end(), arr.begin(), arr.begin() + used);
    };
    advance(3 * period);
    // ... is what the file gets from the same settings in another analyser.
    testing::EngineFixture other;
    other.configure(rate, rate / period, TFFTWindow::rectangle);
    TAnalyser& b = *other.analyser;
    b.set_usesltas(true);
    b.sltaspoints = period;
    b.partialpattern = 2;
    b.set_tilt(-3);
    set_random_seed(0);
    const std::vector<int16_t> written = played_periods(b, 3);
    ASSERT_EQ(written.size(), static_cast<size_t>(3 * period));
    ASSERT_GE(heard.size(), written.size());
    EXPECT_TRUE(std::equal(written.begin(), written.end(), heard.begin()));
    EXPECT_EQ(written[0], b.stasharr[1]);
    EXPECT_THROW(played_periods(b, 0), std::invalid_argument);
}

} // namespace
} // namespace zevrin
