#include "dsp/filter_section.h"
#include "dsp/numeric.h"

#include <gtest/gtest.h>

namespace zevrin {
namespace {

TEST(FilterSection, ExampleCoefficients) {
    TLPFilterSection lp;
    lp.set_Q(10);
    lp.set_F0(1000);
    lp.set_SampFreq(48000);
    EXPECT_NEAR(lp.a0(), 0.0169993, 1e-7);
    EXPECT_NEAR(lp.a1(), 1.97003, 1e-5);
    EXPECT_NEAR(lp.a2(), -0.987032, 1e-6);
    EXPECT_EQ(lp.b0(), 0.25);
    EXPECT_EQ(lp.b1(), 2);
    EXPECT_EQ(lp.b2(), 1);
    EXPECT_NEAR(lp.bw(), 100, 1e-12);

    THPFilterSection hp;
    hp.set_Q(0.7071);
    hp.set_F0(1);
    hp.set_SampFreq(16000);
    EXPECT_NEAR(hp.a0(), 1.5417e-7, 1e-11);
    EXPECT_NEAR(hp.a1(), 1.99944463, 1e-8);
    EXPECT_NEAR(hp.a2(), -0.99944479, 1e-8);
    EXPECT_NEAR(hp.b0(), 6484555.59, 1e-2);
    EXPECT_EQ(hp.b1(), -2);
    EXPECT_NEAR(hp.bw(), 1.41423, 1e-5);
    EXPECT_NEAR(hp.a0() + hp.a1() + hp.a2(), 1.0, 1e-15);
}

TEST(FilterSection, HighPassSwallowsFailedDesigns) {
    THPFilterSection hp;
    const double a1 = hp.a1();
    hp.set_Q(0);
    EXPECT_EQ(hp.a1(), a1);
    EXPECT_EQ(hp.bw(), 0.0);
    hp.set_Q(1);
    hp.set_SampFreq(0);
    EXPECT_EQ(hp.a1(), a1);
    TLPFilterSection lp;
    EXPECT_THROW(lp.set_Q(0), EMathError);
}

TEST(FilterSection, SteadyStates) {
    TLPFilterSection lp;
    double y = 0;
    for (int i = 0; i < 20000; ++i) {
        y = lp.filter(3.0);
    }
    EXPECT_NEAR(y, 3.0, 1e-9);
    THPFilterSection hp;
    for (int i = 0; i < 20000; ++i) {
        y = hp.filter(3.0);
    }
    EXPECT_NEAR(y, 0.0, 1e-9);
    for (int i = 0; i < 20000; ++i) {
        y = hp.filter(i % 2 ? -3.0 : 3.0);
    }
    EXPECT_NEAR(std::abs(y), 3.0, 1e-9);
    hp.reset();
    EXPECT_NEAR(hp.filter(0.0), 0.0, 0.0);
}

} // namespace
} // namespace zevrin
