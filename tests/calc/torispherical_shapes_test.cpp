// Shapes 7 and 14: torispherical heads against the heads they degenerate to, and against their check value.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "calc/run.h"

namespace {

tarvol::RunOutcome run(int shape, std::vector<double> dims)
{
    tarvol::RunOptions o;
    o.decimalPlaces = 3;
    o.separator = ',';
    return tarvol::calculate(shape, dims, o);
}

struct DegenerateCase {
    const char* name;
    int shape;
    std::vector<double> dims;
    int twin;
    std::vector<double> twinDims;
};

class TorisphericalDegenerates : public ::testing::TestWithParam<DegenerateCase> {};

TEST_P(TorisphericalDegenerates, GiveTheTwinsTable)
{
    const auto& c = GetParam();
    const auto a = run(c.shape, c.dims);
    const auto b = run(c.twin, c.twinDims);
    ASSERT_TRUE(a.ok()) << a.refusal()->message;
    ASSERT_TRUE(b.ok()) << b.refusal()->message;
    ASSERT_EQ(a.result().rows.size(), b.result().rows.size());
    for (size_t k = 0; k < a.result().rows.size(); ++k)
        EXPECT_NEAR(a.result().rows[k].volumeValue, b.result().rows[k].volumeValue, 1e-9 * b.result().sumVolume) << k;
    EXPECT_NEAR(a.result().trueVolume, b.result().trueVolume, 1e-9 * b.result().trueVolume);
}

INSTANTIATE_TEST_SUITE_P(
    Heads, TorisphericalDegenerates,
    ::testing::Values(
        // RS = 725 over D = 1000 is the segment 200 mm deep
        DegenerateCase{
            "VerticalNoKnuckleIsSphericalSegment", 7, {1000, 1000, 50, 200, 725, 0}, 3, {1000, 1000, 50, 200}},
        DegenerateCase{
            "VerticalHalfDiameterIsHemisphere", 7, {1000, 1000, 50, 500, 500, 100}, 3, {1000, 1000, 50, 500}},
        DegenerateCase{
            "HorizontalNoKnuckleIsSphericalSegment", 14, {2000, 1000, 100, 200, 725, 0}, 10, {2000, 1000, 100, 200}},
        DegenerateCase{
            "HorizontalHalfDiameterIsHemisphere", 14, {2000, 1000, 100, 500, 500, 0}, 10, {2000, 1000, 100, 500}}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

struct AccuracyCase {
    const char* name;
    int shape;
    std::vector<double> dims;
};

class TorisphericalAccuracy : public ::testing::TestWithParam<AccuracyCase> {};

TEST_P(TorisphericalAccuracy, SumWithinAHundredthPercentOfTheCheckValue)
{
    const auto out = run(GetParam().shape, GetParam().dims);
    ASSERT_TRUE(out.ok()) << out.refusal()->message;
    const auto& r = out.result();
    EXPECT_LT(tarvol::errorPercent(r.sumVolume, r.trueVolume), 0.01);
    for (size_t k = 1; k < r.rows.size(); ++k)
        EXPECT_GE(r.rows[k].volumeValue, r.rows[k - 1].volumeValue);
    EXPECT_LE(r.rows.back().volumeValue, r.sumVolume);
}

INSTANTIATE_TEST_SUITE_P(Sizes, TorisphericalAccuracy,
                         ::testing::Values(AccuracyCase{"VerticalStandardHead", 7, {1000, 1000, 50, 194, 1000, 100}},
                                           AccuracyCase{"VerticalSmallTank", 7, {600, 500, 20, 97, 500, 50}},
                                           AccuracyCase{"VerticalLargeTank", 7, {5000, 3000, 100, 581, 3000, 300}},
                                           AccuracyCase{
                                               "HorizontalStandardHead", 14, {2000, 1000, 100, 194, 1000, 100}},
                                           AccuracyCase{"HorizontalSmallTank", 14, {1000, 500, 0, 97, 500, 50}},
                                           AccuracyCase{"HorizontalLargeTank", 14, {10000, 3000, 100, 581, 3000, 300}}),
                         [](const auto& testInfo) { return std::string(testInfo.param.name); });

struct RefusalCase {
    const char* name;
    int shape;
    std::vector<double> dims;
    const char* message;
};

class TorisphericalRefusals : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(TorisphericalRefusals, NameTheLimit)
{
    const auto out = run(GetParam().shape, GetParam().dims);
    ASSERT_FALSE(out.ok());
    EXPECT_EQ(out.refusal()->kind, tarvol::RefusalKind::Inconsistent);
    EXPECT_EQ(out.refusal()->message, GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Checks, TorisphericalRefusals,
    ::testing::Values(
        RefusalCase{"CrownSmallerThanShell",
                    7,
                    {1000, 1000, 50, 194, 400, 100},
                    "Размеры указаны неверно!\nРадиус сферической части днища должен быть не менее 500 мм."},
        RefusalCase{"KnuckleWiderThanShell",
                    14,
                    {2000, 1000, 100, 194, 1000, 501},
                    "Размеры указаны неверно!\nРадиус отбортовки должен быть не более 500 мм."},
        RefusalCase{"DepthDoesNotMatch",
                    7,
                    {1000, 1000, 50, 250, 1000, 100},
                    "Размеры днища не согласованы!\nПри указанных диаметре и радиусах высота сферической части днища "
                    "равна 194 мм."}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

} // namespace
