#include "calc/dtank.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

namespace tarvol {
namespace {

constexpr double kPi = 3.141592653589793;

struct ShapeRow {
    const char* name;
    DTankDims dims;
};

std::string rowName(const testing::TestParamInfo<ShapeRow>& info) { return info.param.name; }

// The same inner outline described as a wall-less tank, its flat side moved to x = 0.
DTankDims asInnerDims(const DTankDims& k)
{
    return {k.L - 2 * k.t,
            k.S - 2 * k.t,
            k.R - k.t,
            k.RV > 0 ? k.RV - k.t : 0,
            k.RB > 0 ? k.RB - k.t : 0,
            k.RS > k.t ? k.RS - k.t : 0,
            0};
}

// Valid realistic tanks (R from 200) covering every pairing of straight and curved walls.
const std::vector<ShapeRow> kShapes = {
    {"Box", {1000, 700, 300, 0, 0, 0, 3}},
    {"BoxCorner", {1000, 700, 300, 0, 0, 50, 3}},
    {"TopArcCentreBelowMidline", {1000, 700, 300, 800, 0, 0, 3}},
    {"TopArcCorner", {1000, 700, 300, 800, 0, 80, 3}},
    {"SideArc", {1000, 700, 300, 0, 2000, 0, 3}},
    {"SideArcCorner", {1000, 700, 300, 0, 1200, 40, 3}},
    {"BothArcsSharp", {1000, 700, 300, 800, 1500, 0, 3}},
    {"BothArcsCorner", {1000, 700, 300, 800, 1500, 60, 3}},
    {"BothArcsCornerNarrow", {1000, 500, 300, 250, 600, 30, 3}},
    {"LargeTank", {3000, 2500, 1000, 3000, 5000, 200, 8}},
    {"SmallRadius", {800, 450, 200, 300, 900, 25, 2}},
};

// Areas derived independently of the section's pieces, integrated across x where that is easier.
struct AreaRow {
    const char* name;
    DTankDims dims;
    double area;
};

double boxArea(double S, double R, double t) { return (S - R - t) * 2 * (R - t) + kPi * (R - t) * (R - t) / 2; }

double sideArcArea(double S, double R, double RB, double t)
{
    const double h = R - t, b = RB - t, d = S - R;
    const double corner = RB - std::sqrt(b * b - h * h);
    const double segment = b * b * std::asin(h / b) - h * std::sqrt(b * b - h * h);
    return (d - corner) * 2 * h + kPi * h * h / 2 + segment;
}

double topArcArea(double S, double R, double RV, double t)
{
    const double h = R - t, v = RV - t, w = S - R - t;
    const double underArc = 0.5 * (w * std::sqrt(v * v - w * w) + v * v * std::asin(w / v));
    return 2 * ((R - RV) * w + underArc) + kPi * h * h / 2;
}

const std::vector<AreaRow> kAreas = {
    {"Box", {1000, 700, 300, 0, 0, 0, 3}, boxArea(700, 300, 3)},
    {"BoxWithoutWall", {1000, 700, 300, 0, 0, 0, 0}, boxArea(700, 300, 0)},
    {"HalfDiscWhenTopWallVanishes", {1000, 305, 300, 0, 0, 0, 5}, kPi * 295 * 295 / 2},
    {"BoxCornersCutSquareMinusQuarterDisc",
     {1000, 700, 300, 0, 0, 50, 3},
     boxArea(700, 300, 3) - 2 * (1 - kPi / 4) * 47 * 47},
    {"BoxCornerThinnerThanWallIsSharp", {1000, 700, 300, 0, 0, 3, 5}, boxArea(700, 300, 5)},
    {"SideArcSegment", {1000, 700, 300, 0, 2000, 0, 3}, sideArcArea(700, 300, 2000, 3)},
    {"SideArcFullBulge", {1000, 700, 300, 0, 300, 0, 0}, sideArcArea(700, 300, 300, 0)},
    {"TopArcCentreAboveMidline", {1000, 500, 300, 250, 0, 0, 3}, topArcArea(500, 300, 250, 3)},
    {"TopArcCentreBelowMidline", {1000, 700, 300, 800, 0, 0, 3}, topArcArea(700, 300, 800, 3)},
};

class DTankArea : public testing::TestWithParam<AreaRow> {};

TEST_P(DTankArea, MatchesClosedForm)
{
    const AreaRow& row = GetParam();
    ASSERT_FALSE(checkDTank(row.dims));
    const DTankSection section(row.dims);
    EXPECT_NEAR(section.area(), row.area, 1e-9 * row.area);
    EXPECT_DOUBLE_EQ(section.height(), 2 * (row.dims.R - row.dims.t));
    EXPECT_DOUBLE_EQ(section.innerLength(), row.dims.L - 2 * row.dims.t);
}

INSTANTIATE_TEST_SUITE_P(Known, DTankArea, testing::ValuesIn(kAreas),
                         [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST(DTankProfile, BoxIsRectanglePlusHalfDisc)
{
    const double S = 700, R = 300, t = 3, h = R - t;
    const DTankSection section({1000, S, R, 0, 0, 0, t});
    for (double y : {0.0, 0.5, 10.0, 150.0, 297.0, 400.25, 593.5, 594.0})
        EXPECT_NEAR(section.widthAt(y), (S - R - t) + std::sqrt(h * h - (y - h) * (y - h)), 1e-9) << "y = " << y;
    EXPECT_EQ(section.widthAt(-0.5), 0.0);
    EXPECT_EQ(section.widthAt(594.5), 0.0);
}

class DTankShape : public testing::TestWithParam<ShapeRow> {};

TEST_P(DTankShape, WallThicknessOnlyOffsetsTheOutline)
{
    const DTankDims& dims = GetParam().dims;
    const DTankDims inner = asInnerDims(dims);
    ASSERT_FALSE(checkDTank(dims));
    ASSERT_FALSE(checkDTank(inner));
    const DTankSection walled(dims);
    const DTankSection bare(inner);
    ASSERT_DOUBLE_EQ(walled.height(), bare.height());
    EXPECT_NEAR(walled.area(), bare.area(), 1e-9 * bare.area());
    EXPECT_DOUBLE_EQ(walled.innerLength(), bare.innerLength());
    for (double y = 0; y <= walled.height(); y += walled.height() / 97)
        EXPECT_NEAR(walled.widthAt(y), bare.widthAt(y), 1e-6) << "y = " << y;
}

TEST_P(DTankShape, ThickerWallsHoldLess)
{
    DTankDims dims = GetParam().dims;
    double previous = INFINITY;
    for (double t : {0.0, 1.0, 2.0, 4.0, 8.0}) {
        dims.t = t;
        ASSERT_FALSE(checkDTank(dims)) << "t = " << t;
        const double area = DTankSection(dims).area();
        EXPECT_LT(area, previous) << "t = " << t;
        previous = area;
    }
}

TEST_P(DTankShape, MillimetreSlabsSumToArea)
{
    const DTankSection section(GetParam().dims);
    double sum = 0;
    for (int level = 1; level <= static_cast<int>(section.height()); ++level)
        sum += section.widthAt(level - 0.5);
    EXPECT_NEAR(sum, section.area(), 1e-4 * section.area());
}

TEST_P(DTankShape, ProfileIsNonNegativeSymmetricAndWidestAtMidHeight)
{
    const DTankSection section(GetParam().dims);
    const double height = section.height();
    double previous = 0;
    for (double y = 0; y <= height / 2; y += 0.37) {
        const double width = section.widthAt(y);
        EXPECT_GE(width, 0.0) << "y = " << y;
        EXPECT_NEAR(width, section.widthAt(height - y), 1e-9) << "y = " << y;
        EXPECT_GE(width, previous - 1e-9) << "y = " << y; // the section is convex
        previous = width;
    }
}

// A misplaced tangent point shows as a step in the width, or as a kink where the corner is round.
TEST_P(DTankShape, ProfileIsContinuousAndRoundCornersAreTangent)
{
    const DTankDims& dims = GetParam().dims;
    const DTankSection section(dims);
    const double step = 0.01;
    auto slope = [&](double y) { return (section.widthAt(y + step) - section.widthAt(y)) / step; };
    // from 5 mm off the ends, where the arcs meeting the top steepen the width like a square root
    double previous = slope(5.0);
    for (double y = 5.0; y < section.height() / 2; y += step) {
        const double current = slope(y);
        EXPECT_LT(std::abs(current), 50.0) << "step at y = " << y;
        if (dims.RS > dims.t) {
            EXPECT_LT(std::abs(current - previous), 0.05) << "kink at y = " << y;
        }
        previous = current;
    }
}

INSTANTIATE_TEST_SUITE_P(Tanks, DTankShape, testing::ValuesIn(kShapes), rowName);

struct RefusalRow {
    const char* name;
    DTankDims dims;
    std::optional<DTankFault> fault;
    double limit;
};

const std::vector<RefusalRow> kRefusals = {
    {"WallAsThickAsRadius", {1000, 700, 300, 0, 0, 0, 300}, DTankFault::WallTooThick, 300},
    {"NarrowerThanRadius", {1000, 299, 300, 0, 0, 0, 0}, DTankFault::WidthBelowRadius, 300},
    {"TopWallThinnerThanWall", {1000, 304, 300, 0, 0, 0, 5}, DTankFault::WidthBelowRadius, 305},
    {"HalfCylinderAccepted", {1000, 300, 300, 0, 0, 0, 0}, std::nullopt, 0},
    {"BulgeWithoutTopWall", {1000, 305, 300, 0, 400, 0, 5}, DTankFault::WidthBelowRadius, 437.4},
    {"BulgeWithoutTopWallTooSmall", {1000, 305, 300, 0, 250, 0, 5}, DTankFault::SideArcTooSmall, 300},
    {"LengthTwoWalls", {10, 700, 300, 0, 0, 0, 5}, DTankFault::LengthTooShort, 10},
    {"TopArcShortOfFlatSide", {1000, 400, 300, 99, 0, 0, 5}, DTankFault::TopArcTooSmall, 100},
    {"TopArcReachesFlatSide", {1000, 400, 300, 100, 0, 0, 5}, std::nullopt, 0},
    {"TopArcsMeetBelowMidline", {1000, 800, 300, 500, 0, 0, 5}, DTankFault::TopArcTooSmall, 567.8},
    {"TopArcsMeetAtMidline", {1000, 800, 300, 567, 0, 0, 0}, std::nullopt, 0},
    {"SideArcShorterThanHeight", {1000, 1000, 300, 0, 299, 0, 0}, DTankFault::SideArcTooSmall, 300},
    {"SideArcMissesTopWall", {1000, 500, 300, 0, 324, 0, 0}, DTankFault::SideArcTooSmall, 325},
    {"SideArcMeetsTopWallEnd", {1000, 500, 300, 0, 325, 0, 0}, std::nullopt, 0},
    {"SideArcMissesInnerTopWall", {1000, 500, 300, 0, 326, 0, 10}, DTankFault::SideArcTooSmall, 326.4},
    {"CornerLongerThanTopWall", {1000, 500, 300, 0, 0, 201, 0}, DTankFault::CornerTooLarge, 200},
    {"CornerTakesWholeFlatSide", {1000, 700, 300, 0, 0, 300, 0}, std::nullopt, 0},
    {"CornersOverlap", {1000, 700, 300, 0, 0, 301, 0}, DTankFault::CornerTooLarge, 300},
    // the largest corner sits on the mid-line at (200, 0), 200 from both walls
    {"CornerBetweenArcsOverlaps", {1000, 700, 300, 450, 1500, 460, 3}, DTankFault::CornerTooLarge, 200},
};

class DTankRefusals : public testing::TestWithParam<RefusalRow> {};

TEST_P(DTankRefusals, NameFieldAndLimit)
{
    const RefusalRow& row = GetParam();
    const std::optional<DTankRefusal> refusal = checkDTank(row.dims);
    if (!row.fault) {
        EXPECT_FALSE(refusal);
        EXPECT_GT(DTankSection(row.dims).area(), 0.0);
        return;
    }
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->fault, *row.fault);
    EXPECT_NEAR(refusal->limit, row.limit, 1e-9);
    const DTankSection section(row.dims);
    EXPECT_EQ(section.area(), 0.0);
    EXPECT_EQ(section.widthAt(1.0), 0.0);
}

INSTANTIATE_TEST_SUITE_P(Checks, DTankRefusals, testing::ValuesIn(kRefusals),
                         [](const auto& testInfo) { return std::string(testInfo.param.name); });

// The reported largest corner radius is the boundary: its whole millimetres fit, one more does not.
TEST_P(DTankShape, CornerLimitIsTheBoundary)
{
    DTankDims dims = GetParam().dims;
    dims.RS = 4 * dims.R;
    const std::optional<DTankRefusal> refusal = checkDTank(dims);
    ASSERT_TRUE(refusal);
    ASSERT_EQ(refusal->fault, DTankFault::CornerTooLarge);
    dims.RS = std::floor(refusal->limit);
    EXPECT_FALSE(checkDTank(dims)) << "RS = " << dims.RS;
    EXPECT_GT(DTankSection(dims).area(), 0.0);
    dims.RS = std::floor(refusal->limit) + 1;
    EXPECT_TRUE(checkDTank(dims)) << "RS = " << dims.RS;
}

} // namespace
} // namespace tarvol
