#pragma once
// Second-order filter sections designed by the bilinear transform from a corner
// frequency, a quality factor and the sampling frequency (corner pre-warped through
// the tangent). They filter one sample per call and keep their state between calls,
// so a stream can be filtered chunk by chunk; only reset() clears the state.

#include <cstddef>
#include <cstdint>

namespace zevrin {

enum class tfiltertype { ftnone, ftpole, ftzero, ftboth };

class TFilterSectionBase {
public:
    virtual ~TFilterSectionBase() = default;

    double a0() const { return fa0; }
    double a1() const { return fa1; }
    double a2() const { return fa2; }
    double b0() const { return fb0; }
    double b1() const { return fb1; }
    double b2() const { return fb2; }
    /// F0 / Q; 0 when Q is 0.
    double bw() const;
    double Gain() const { return fgain; }
    void set_Gain(double value) { fgain = value; }
    double Q() const { return fq; }
    void set_Q(double value);
    double F0() const { return ff0; }
    void set_F0(double value);
    double SampFreq() const { return fsf; }
    void set_SampFreq(double value);

    void reset();
    /// One step of the recursion (direct form II, output scale on the numerator).
    double filter(double insample);
    /// filter() over 16-bit samples in place, each output rounded to the nearest integer
    /// (halves to even) and limited to -32768..32767: the same numbers as filter() one by
    /// one, without a call per sample.
    void filter_samples(int16_t* samples, std::size_t count);
    /// The same over interleaved pairs: even positions through `first`, odd ones through
    /// `second` (two channels, each with its own state), both in one pass.
    static void filter_interleaved(TFilterSectionBase& first, TFilterSectionBase& second,
                                   int16_t* samples, std::size_t count);

protected:
    TFilterSectionBase() = default;
    /// Creation: sampling frequency 16000, corner 1000, then Q 1 through its setter.
    void init();
    virtual void calc_coefficients() = 0;
    struct Coefficients {
        double a0, a1, a2, b0, b1;
    };
    /// The common part of both designs; b0 and b1 are left for the kind to set.
    Coefficients design(double& b_factor) const;
    void apply(const Coefficients& c);

private:
    double fgain = 1.0;
    double fa0 = 0.0, fa1 = 0.0, fa2 = 0.0;
    double fb0 = 0.0, fb1 = 0.0, fb2 = 1.0;
    double fsf = 16000.0;
    double ff0 = 1000.0;
    double fq = 1.0;
    tfiltertype ffiltertype = tfiltertype::ftnone;
    double z0 = 0.0, z1 = 0.0, z2 = 0.0;
};

/// Low-pass: H(z) = (1 + z⁻¹)² / (C·(1 − a1·z⁻¹ − a2·z⁻²)), gain 1 at 0 Hz. A design
/// that fails (Q or SampFreq 0) raises EMathError.
class TLPFilterSection : public TFilterSectionBase {
public:
    TLPFilterSection();

protected:
    void calc_coefficients() override;
};

/// High-pass: H(z) = B·(1 − z⁻¹)² / (C·(1 − a1·z⁻¹ − a2·z⁻²)), gain 1 at half the
/// sampling frequency. A design that fails keeps the previous coefficients.
class THPFilterSection : public TFilterSectionBase {
public:
    THPFilterSection();

protected:
    void calc_coefficients() override;
};

} // namespace zevrin
