#include "dsp/text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace zevrin {
namespace {

// Restores the process-wide separators whatever a test does.
class CommaLocale : public ::testing::Test {
protected:
    void SetUp() override {
        set_decimal_separator(',');
        set_thousand_separator('.');
    }
    void TearDown() override {
        set_decimal_separator('.');
        set_thousand_separator(',');
    }
};

TEST(FormatSignificant, TakesTheShorterForm) {
    EXPECT_EQ(format_significant(2, 12.345), "12");
    EXPECT_EQ(format_significant(2, 0.0012345), "0.0012");
    EXPECT_EQ(format_significant(2, 0.00012345), "1.2E-4");
    EXPECT_EQ(format_significant(2, 123456), "1.2E5");
    EXPECT_EQ(format_significant(2, 0), "0");
    EXPECT_EQ(format_significant(2, -40), "-40");
    EXPECT_EQ(format_significant(2, -3.4), "-3.4");
    EXPECT_EQ(format_significant(8, 1000), "1000");
    EXPECT_EQ(format_significant(8, 0.5), "0.5");
    EXPECT_EQ(format_significant(8, 20000), "20000");
    EXPECT_EQ(format_significant(1, 7.6), "8");
    EXPECT_EQ(format_significant(8, 1e20), "1E20");
}

TEST(GeneralText, FifteenDigitsFixedOrScientific) {
    EXPECT_EQ(float_to_str_dot(0.1), "0.1");
    EXPECT_EQ(float_to_str_dot(1e-5), "0.00001");
    EXPECT_EQ(float_to_str_dot(1e-6), "1E-6");
    EXPECT_EQ(float_to_str_dot(1.5e-7), "1.5E-7");
    EXPECT_EQ(float_to_str_dot(11025), "11025");
    EXPECT_EQ(float_to_str_dot(-2.5), "-2.5");
    EXPECT_EQ(float_to_str_dot(123456789012345.0), "123456789012345");
    EXPECT_EQ(float_to_str_dot(1234567890123456.0), "1.234567890123456E15");
    EXPECT_EQ(float_to_str_dot(1.5e15), "1.5E15");
    EXPECT_EQ(float_to_str_dot(1.0 / 3.0), "0.3333333333333333");
    EXPECT_EQ(float_to_str_dot(44100.0 / 4096.0), "10.7666015625");
    EXPECT_EQ(float_to_str_dot(0.0), "0");
}

TEST(StrToFloatDot, ReadsDotsOnly) {
    EXPECT_EQ(str_to_float_dot("1.5"), 1.5);
    EXPECT_EQ(str_to_float_dot(" -2.25 "), -2.25);
    EXPECT_EQ(str_to_float_dot("1E-5"), 1e-5);
    EXPECT_EQ(str_to_float_dot("+.5"), 0.5);
    EXPECT_EQ(str_to_float_dot("1e-400"), 0.0);
    try {
        str_to_float_dot("");
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "Cannot convert empty string to number");
    }
    try {
        str_to_float_dot("abc");
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'abc' is not a valid floating point value");
    }
    EXPECT_THROW(str_to_float_dot("1,5"), EConvertError);
    EXPECT_THROW(str_to_float_dot("1.5x"), EConvertError);
    EXPECT_THROW(str_to_float_dot("1e999"), EConvertError);
    EXPECT_THROW(str_to_float_dot("0x10"), EConvertError);
}

TEST(StrToFloatDot, RoundTripsEveryValue) {
    for (double v : {0.1, 1e-300, 5e-324, 1.7976931348623157e308, -123.456, 44100.0,
                     std::numeric_limits<double>::infinity()}) {
        EXPECT_EQ(str_to_float_dot(float_to_str_dot(v)), v) << v;
    }
    EXPECT_TRUE(std::isnan(str_to_float_dot(float_to_str_dot(std::nan("")))));
}

TEST_F(CommaLocale, DotFunctionsIgnoreTheUserSeparator) {
    EXPECT_EQ(str_to_float_dot("1.5"), 1.5);
    EXPECT_EQ(float_to_str_dot(0.1), "0.1");
    EXPECT_EQ(str_to_float("1,5"), 1.5);
    EXPECT_THROW(str_to_float("1.5"), EConvertError);
    EXPECT_EQ(format_significant(2, 0.0012345), "0,0012");
    EXPECT_EQ(format_float("# ##0.##", 1234.5), "1 234,5");
    EXPECT_EQ(format_float("#,##0", 1234567), "1.234.567");
}

TEST(FormatFloat, Pictures) {
    EXPECT_EQ(format_float("# ##0.##", 50), "50");
    EXPECT_EQ(format_float("# ##0.##", 10.7666), "10.77");
    EXPECT_EQ(format_float("# ##0.##", 12345.678), "12 345.68");
    EXPECT_EQ(format_float("0.#", 20), "20");
    EXPECT_EQ(format_float("0.#", 40.04), "40");
    EXPECT_EQ(format_float("0.0", 72.88), "72.9");
    EXPECT_EQ(format_float("0.0", -0.04), "0.0");
    EXPECT_EQ(format_float("0.0", -7.7), "-7.7");
    EXPECT_EQ(format_float("0.000", 2), "2.000");
    EXPECT_EQ(format_float("0.###", 33.33333), "33.333");
    EXPECT_EQ(format_float("0.###", 100), "100");
    EXPECT_EQ(format_float("0.00", 10.766601), "10.77");
}

// A decimal half rounds away from zero, also where the binary value lies a hair below
// it: the digits are those of the number's 15-digit text.
TEST(FormatFloat, HalvesRoundAwayFromZero) {
    EXPECT_EQ(format_float("0.0", 31.25), "31.3");
    EXPECT_EQ(format_float("0.0", -31.25), "-31.3");
    EXPECT_EQ(format_float("0", 2.5), "3");
    EXPECT_EQ(format_float("0", 3.5), "4");
    EXPECT_EQ(format_float("0.00", 0.125), "0.13");
    EXPECT_EQ(format_float("0.0", 0.15), "0.2");    // 0.1499999999999999944...
    EXPECT_EQ(format_float("0.00", 2.675), "2.68"); // 2.67499999999999982...
    EXPECT_EQ(format_float("0.0", 0.05), "0.1");
    EXPECT_EQ(format_float("0.0", -0.05), "-0.1");
    EXPECT_EQ(format_float("0.0", 0.0499999), "0.0");
    EXPECT_EQ(format_float("0.0", 9.96), "10.0");
    EXPECT_EQ(format_float("# ##0.##", 999999.995), "1 000 000");
    EXPECT_EQ(format_float("0.###", 99.9995), "100");
    EXPECT_EQ(format_float("0.0", 1e20), "100000000000000000000.0");
    EXPECT_EQ(format_float("#.##", 0.5), ".5");
    // What every caller shows: cursor frequencies of 512-point bins at 16000 Hz, the
    // frame duration, the decay weight and the bandwidth label.
    EXPECT_EQ(format_float("0.0", 16000.0 / 512), "31.3");
    EXPECT_EQ(format_float("0.0", 3 * 16000.0 / 512), "93.8");
    EXPECT_EQ(format_float("0.#", 1000 * 4096 / 11025.0), "371.5");
    EXPECT_EQ(format_float("0.000", 93.75 / 31.25), "3.000");
}

TEST(StrToInt, DecimalAndHex) {
    EXPECT_EQ(str_to_int("42"), 42);
    EXPECT_EQ(str_to_int(" -7"), -7);
    EXPECT_EQ(str_to_int("$FF"), 255);
    EXPECT_EQ(str_to_int("0x10"), 16);
    EXPECT_EQ(str_to_int("$FFFFFFFF"), -1);
    try {
        str_to_int("1.5");
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'1.5' is not a valid integer value");
    }
    EXPECT_THROW(str_to_int(""), EConvertError);
    EXPECT_THROW(str_to_int("3000000000"), EConvertError);
    EXPECT_EQ(str_to_int_def("abc", 9), 9);
    EXPECT_EQ(str_to_int_def("2", 9), 2);
}

TEST(Text, CaseAndReplace) {
    EXPECT_EQ(upper_case("abc Äö ß"), "ABC ÄÖ ß");
    EXPECT_EQ(lower_case("ÀÉÎ Straße ĀĹ ΣΑ ДЯ"), "àéî straße āĺ σα дя");
    EXPECT_EQ(lower_case("\xff\xfe"), "\xff\xfe");
    EXPECT_EQ(replace_all("a.b.c", ".", "::"), "a::b::c");
    EXPECT_EQ(replace_all("aaa", "a", "a"), "aaa");
    EXPECT_EQ(replace_all("aaa", "", "b"), "aaa");
    EXPECT_EQ(replace_all("abab", "ab", "b"), "bb");
    EXPECT_EQ(trim("  x y \t\r\n"), "x y");
}

} // namespace
} // namespace zevrin
