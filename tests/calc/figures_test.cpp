// Published figures of the calculation, to every printed digit.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "calc/catalogue.h"
#include "calc/format.h"
#include "calc/run.h"
#include "tests/published_figures.h"

namespace {

using tarvol::RunOptions;
using tarvol::published::kSphereErrorLine;
using tarvol::published::sphereVolume;

// A figure printed with as many decimals as its text shows.
std::string asPrinted(double value, const std::string& printed)
{
    const auto dot = printed.find('.');
    const int decimals = dot == std::string::npos ? 0 : static_cast<int>(printed.size() - dot - 1);
    return tarvol::formatFixed(value, 16, decimals, '.');
}

struct FigureCase {
    const char* name;
    int shape;
    std::vector<double> dims;
    int step;
    std::vector<std::pair<int, const char*>> rows; // level, volume text with 3 decimals and a comma
    const char* sumVolume;                         // empty: not published
    const char* trueVolume;
    const char* errorLine; // empty: not published
};

class Figures : public ::testing::TestWithParam<FigureCase> {};

TEST_P(Figures, MatchPublishedDigits)
{
    const auto& c = GetParam();
    RunOptions o;
    o.decimalPlaces = 3;
    o.separator = ',';
    const auto out = tarvol::calculate(c.shape, c.dims, o);
    ASSERT_TRUE(out.ok()) << out.refusal()->message;
    const auto& r = out.result();
    EXPECT_EQ(r.outputStep, c.step);
    for (const auto& [level, text] : c.rows) {
        const auto row = static_cast<size_t>(level / c.step);
        ASSERT_LE(row, r.rows.size());
        EXPECT_EQ(r.rows[row - 1].level, std::to_string(level));
        EXPECT_EQ(r.rows[row - 1].volume, text) << "level " << level;
    }
    if (*c.sumVolume) {
        EXPECT_EQ(asPrinted(r.sumVolume, c.sumVolume), c.sumVolume);
    }
    EXPECT_EQ(asPrinted(r.trueVolume, c.trueVolume), c.trueVolume);
    if (*c.errorLine) {
        EXPECT_EQ(r.errorLine, c.errorLine);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, Figures,
    ::testing::Values(
        FigureCase{"Sphere",
                   0,
                   {1000},
                   100,
                   {{100, sphereVolume(100)},
                    {200, sphereVolume(200)},
                    {300, sphereVolume(300)},
                    {500, sphereVolume(500)},
                    {1000, sphereVolume(1000)}},
                   "523.5990374",
                   "523.5987756",
                   kSphereErrorLine},
        FigureCase{"VerticalCylinder",
                   1,
                   {1500, 2000},
                   150,
                   {{150, "471,239"}, {300, "942,478"}, {1500, "4712,389"}},
                   "4712.389",
                   "4712.389",
                   "Погрешность расчётов: 0,000000 %."},
        FigureCase{
            "VerticalEllipse", 2, {1200, 1500, 1000}, 120, {{120, "141,372"}, {1200, "1413,717"}}, "", "1413.717", ""},
        FigureCase{"SphericalHeadsVertical",
                   3,
                   {1000, 1000, 50, 200},
                   150,
                   {{150, "47,713"}, {1500, "1029,395"}},
                   "1029.3952975",
                   "1029.3951928",
                   "Погрешность расчётов: 0,000010 %."},
        FigureCase{"EllipticHeadsVertical",
                   4,
                   {1000, 1000, 50, 250},
                   160,
                   {{160, "63,268"}, {1600, "1125,738"}},
                   "",
                   "1125.7373675",
                   "Погрешность расчётов: 0,000047 %."},
        FigureCase{"ConeHeadsVertical",
                   5,
                   {1000, 1000, 50, 300},
                   170,
                   {{170, "14,291"}, {1700, "1021,017"}},
                   "1021.0171761",
                   "1021.0176124",
                   "Погрешность расчётов: 0,000043 %."},
        FigureCase{"FrustumHeadsVertical",
                   6,
                   {1000, 1000, 50, 300, 400},
                   170,
                   {{170, "44,666"}, {1700, "1108,982"}},
                   "",
                   "1108.9822067",
                   "Погрешность расчётов: 0,000014 %."},
        FigureCase{"HorizontalCylinder", 8, {1000, 1000}, 100, {{100, "40,879"}}, "785.405864", "785.398163", ""},
        FigureCase{"HorizontalEllipse", 9, {1000, 1200, 800}, 80, {}, "753.992568", "753.982237", ""},
        FigureCase{"SphericalHeadsHorizontal", 10, {2000, 1000, 100, 200}, 100, {}, "1893.350117", "1893.333173", ""},
        FigureCase{"HemisphericalHeadsHorizontal", 10, {2000, 1000, 100, 500}, 100, {}, "", "2251.474735", ""},
        FigureCase{"FlatSphericalHeadsHorizontal", 10, {2000, 1000, 100, 0}, 100, {}, "", "1727.875959", ""},
        FigureCase{"FlatEllipticHeadsHorizontal", 11, {2000, 1000, 100, 0}, 100, {}, "", "1727.875959", ""},
        FigureCase{"EllipticHeadsHorizontal", 11, {2000, 1000, 100, 250}, 100, {}, "1989.692420", "1989.675347", ""},
        FigureCase{"ConeHeadsHorizontal", 12, {2000, 1000, 100, 300}, 100, {}, "1885.137074", "1884.955592", ""},
        FigureCase{
            "FrustumHeadsHorizontal", 13, {2000, 1000, 100, 300, 400}, 100, {}, "1973.337723", "1972.920186", ""},
        FigureCase{"Box",
                   15,
                   {2000, 1000, 1500},
                   100,
                   {{100, "300,000"}, {200, "600,000"}, {1000, "3000,000"}},
                   "3000",
                   "3000",
                   "Погрешность расчётов: 0,000000 %."},
        FigureCase{"RoundedBox",
                   16,
                   {2000, 1000, 1500, 200},
                   100,
                   {{100, "269,140"}, {200, "565,669"}, {300, "865,669"}},
                   "2931.337151",
                   "2931.327412",
                   ""}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST(Figures, RoundedBoxFourDecimals)
{
    RunOptions o;
    o.decimalPlaces = 3;
    const std::vector<double> dims{2000, 1000, 1500, 200};
    const auto r = tarvol::calculate(16, dims, o).result();
    EXPECT_EQ(tarvol::formatFixed(r.rows[0].volumeValue, 16, 4, '.'), "269.1396");
    EXPECT_EQ(tarvol::formatFixed(r.rows[1].volumeValue, 16, 4, '.'), "565.6686");
    // from level 201 to 800 every millimetre adds exactly L × S × 1e-6 litres
    EXPECT_NEAR(r.rows[7].volumeValue - r.rows[1].volumeValue, 600 * 3.0, 1e-9);
}

TEST(Figures, SphereWithoutDecimalsRoundsTheHalfLitre)
{
    RunOptions o;
    o.decimalPlaces = -1; // no entry chosen
    const std::vector<double> dims{1000};
    EXPECT_EQ(tarvol::calculate(0, dims, o).result().rows[4].volume, "262");
}

TEST(Figures, AccuracyDialogText)
{
    RunOptions o;
    o.separator = ',';
    const std::vector<double> dims{1000};
    const auto r = tarvol::calculate(0, dims, o).result();
    EXPECT_EQ(tarvol::accuracyReport(0, r.sumVolume, r.trueVolume, ','), tarvol::published::kSphereReport);
    EXPECT_EQ(tarvol::accuracyReport(17, 2, 1, '.')
                  .rfind("Расcчитанный объём емкости: 2.000 л.\nПроверочное значение объёма: 1.000 л.", 0),
              0u);
    EXPECT_EQ(tarvol::accuracyReport(0, 1, 0, '.'), "");
}

TEST(Figures, ErrorIsSymmetric) { EXPECT_DOUBLE_EQ(tarvol::errorPercent(101, 100), tarvol::errorPercent(99, 100)); }

} // namespace
