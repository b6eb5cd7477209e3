#include <gtest/gtest.h>

#include "calc/format.h"

namespace {

struct FixedCase {
    const char* name;
    double value;
    int precision;
    int digits;
    char separator;
    const char* expected;
};

class FixedFormat : public ::testing::TestWithParam<FixedCase> {};

TEST_P(FixedFormat, RoundsOnceHalfAwayFromZero)
{
    const auto& c = GetParam();
    EXPECT_EQ(tarvol::formatFixed(c.value, c.precision, c.digits, c.separator), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Edges, FixedFormat,
    ::testing::Values(FixedCase{"HalfUpAtZeroDigits", 2.5, 10, 0, '.', "3"},
                      FixedCase{"NegativeHalfAwayFromZero", -2.5, 10, 0, '.', "-3"},
                      FixedCase{"ExactBinaryHalfRoundsUp", 0.125, 10, 2, '.', "0.13"},
                      FixedCase{"BinaryBelowHalfRoundsDown", 0.285, 10, 2, '.',
                                "0.28"}, // 0.285 is stored as 0.28499999...
                      FixedCase{"PadsWithZeros", 3000, 10, 3, ',', "3000,000"},
                      FixedCase{"CommaSeparator", 14.6608, 10, 3, ',', "14,661"},
                      FixedCase{"FullStopSeparator", 14.6608, 10, 3, '.', "14.661"},
                      FixedCase{"OneDecimal", 261.7994, 10, 1, '.', "261.8"},
                      FixedCase{"TwoDecimals", 261.7994, 10, 2, '.', "261.80"},
                      FixedCase{"NoSeparatorAtZeroDigits", 261.7994, 10, 0, ',', "262"},
                      FixedCase{"LeadingZeroBelowOne", 0.0004, 10, 3, '.', "0.000"},
                      FixedCase{"SmallValueRoundsUp", 0.0005, 10, 3, '.', "0.001"},
                      FixedCase{"NegativeZeroHasNoSign", -0.0001, 10, 3, '.', "0.000"},
                      FixedCase{"ZeroValue", 0.0, 10, 3, ',', "0,000"},
                      FixedCase{"PrecisionCutsBeforeDigits", 123456789.987654, 10, 3, '.', "123456790.000"},
                      FixedCase{"TenIntegerDigitsStayFixed", 1234567890.4, 10, 1, '.', "1234567890.0"},
                      FixedCase{"ElevenIntegerDigitsGoExponent", 12345678901.0, 10, 3, '.', "1.23456789E+10"},
                      FixedCase{"ExponentWithComma", 5.2359877559829887e23, 10, 3, ',', "5,235987756E+23"},
                      FixedCase{"CarryIntoNewDigit", 9.9996, 10, 3, '.', "10.000"},
                      FixedCase{"CarryPastPrecisionGoesExponent", 9999999999.6, 10, 0, '.', "1E+10"},
                      FixedCase{"ErrorFigureSixDigits", 5.0013e-5, 16, 6, ',', "0,000050"},
                      FixedCase{"LimitOneDecimal", 1200.0, 6, 1, ',', "1200,0"},
                      FixedCase{"LimitPastSixDigitsGoesExponent", 199999998.0, 6, 1, '.', "2E+08"}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

struct GeneralCase {
    const char* name;
    double value;
    const char* expected;
};

class GeneralFormat : public ::testing::TestWithParam<GeneralCase> {};

TEST_P(GeneralFormat, ShortestForm) { EXPECT_EQ(tarvol::formatGeneral(GetParam().value, ','), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(Levels, GeneralFormat,
                         ::testing::Values(GeneralCase{"Whole", 250, "250"}, GeneralCase{"Zero", 0, "0"},
                                           GeneralCase{"EightDigits", 99999999, "99999999"},
                                           GeneralCase{"Fraction", 2.5, "2,5"}),
                         [](const auto& testInfo) { return std::string(testInfo.param.name); });

} // namespace
