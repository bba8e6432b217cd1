// Reference curves: the table written and read back, the difference to it, and a
// reference of other frequencies read between its rows.

#include "engine_fixture.h"

#include "engine/curve_export.h"
#include "engine/reference_curve.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

namespace zevrin {
namespace {

class Reference : public ::testing::Test, public testing::EngineFixture {
protected:
    void SetUp() override {
        configure();
        TAnalyser& a = *analyser;
        a.RunExecute();
        a.set_ltas(true);
        for (int k = 0; k < 3; ++k) {
            feed(sine(3000, 32 + k * 0.3));
        }
        a.set_ltas(false);
    }
};

TEST_F(Reference, SavedLevelsComeBackAndDifferByNothing) {
    TAnalyser& a = *analyser;
    a.calibration.channels[0].offset = 12.5; // a calibrated reference
    const std::vector<int> curves = {1, 7};
    std::ostringstream saved;
    write_reference(a, curves, {"Settings: 16000 Hz, mono", "FFT 512"}, saved);
    const TReferenceCurve r = parse_reference(saved.str(), "room");
    EXPECT_EQ(r.notes, (std::vector<std::string>{"Settings: 16000 Hz, mono", "FFT 512"}));
    ASSERT_EQ(r.curvenames, (std::vector<std::string>{"Mono", "Mono LTAS"}));
    ASSERT_EQ(r.frequencies.size(), 257u);
    tdoublearr levels(257);
    ASSERT_TRUE(shown_levels(a, 7, 257, levels));
    size_t compared = 0;
    for (size_t i = 0; i < 257; ++i) {
        const double f = static_cast<double>(i) * 31.25;
        const double drawn = r.level_at(1, f);
        if (std::isnan(levels[i])) {
            EXPECT_TRUE(std::isnan(drawn)) << i;
        } else {
            EXPECT_EQ(drawn, as_written(levels[i])) << i;
            compared += 1;
        }
    }
    EXPECT_GT(compared, 250u);

    std::ostringstream csv;
    write_curves_csv(a, curves, csv, &r);
    std::istringstream rows(csv.str());
    std::string line;
    std::getline(rows, line);
    EXPECT_EQ(line, "frequency_hz,Mono,Mono LTAS,Mono LTAS - Mono LTAS (room)");
    size_t zeros = 0;
    while (std::getline(rows, line)) {
        const std::string last = line.substr(line.rfind(',') + 1);
        EXPECT_TRUE(last.empty() || last == "0") << line;
        zeros += last == "0" ? 1 : 0;
    }
    EXPECT_EQ(zeros, compared);
}

TEST(ReferenceFile, OtherFrequenciesAreReadBetweenRows) {
    const TReferenceCurve r =
        parse_reference("# 44100 Hz\r\nfrequency_hz,Left LTAS,Right LTAS\r\n0,,1\r\n"
                        "10.7666,40,2\r\n21.5332,50,\r\n",
                        "old");
    EXPECT_TRUE(std::isnan(r.level_at(0, 5)));
    EXPECT_DOUBLE_EQ(r.level_at(0, 10.7666), 40);
    EXPECT_NEAR(r.level_at(0, 10.7666 * 1.25), 42.5, 1e-9);
    EXPECT_TRUE(std::isnan(r.level_at(1, 15)));
    EXPECT_TRUE(std::isnan(r.level_at(0, 30)));
    EXPECT_EQ(r.curve_named("Right LTAS"), 1u);
    EXPECT_EQ(r.curve_named("Mono"), 1u);
}

TEST(ReferenceFile, WhatIsNoReferenceNamesItsLine) {
    const auto message = [](const std::string& text) {
        try {
            parse_reference(text, "r");
        } catch (const EReferenceError& e) {
            return std::string(e.what());
        }
        return std::string("accepted");
    };
    EXPECT_EQ(
        message("freq,Mono\n0,1\n"),
        "Line 1 of the reference \"r\" is no header \"frequency_hz,\" with the curves' names");
    EXPECT_EQ(message("frequency_hz,Mono\n0,1\n5,x\n"),
              "Line 3 of the reference \"r\" has a level that is no number: \"x\"");
    EXPECT_EQ(message("frequency_hz,Mono\n0,1\n5,2,3\n"),
              "Line 3 of the reference \"r\" has 3 cells, not 2");
    EXPECT_EQ(message("frequency_hz,Mono\n5,1\n5,2\n"),
              "Line 3 of the reference \"r\" has a frequency that is not above the one before it");
    EXPECT_EQ(message("frequency_hz,Mono\n"), "The reference \"r\" holds no rows of levels");
}

} // namespace
} // namespace zevrin
