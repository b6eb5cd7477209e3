// A vertical tank from its field measurements: volumes against closed forms and an integration over the bottom's
// rings instead of the level, U against finite differences over the inputs, and the records refused.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

#include "tank/strapping.h"

namespace {

using namespace tarvol;
using Json = nlohmann::ordered_json;

constexpr double kPi = std::numbers::pi;

struct Shell {
    std::vector<double> diameters; // mm, inner at 20 °C, from the bottom up
    std::vector<double> heights;
    double thickness = 8;
    double paint = 0.3;
};

// Readings that a tape at `tape` °C gives of a shell at `shell` °C whose inner diameters at 20 °C are the shell's.
StrappingRecord measured(const Shell& s, double tape = 20, double shell = 20)
{
    StrappingRecord r;
    r.paint = s.paint;
    r.tapeCelsius = tape;
    r.shellCelsius = shell;
    const double tapeScale = 1 + r.tapeAlpha * (tape - 20);
    const double shellScale = 1 + r.shellAlpha * (shell - 20);
    for (std::size_t i = 0; i < s.diameters.size(); ++i) {
        const double outside = kPi * (s.diameters[i] * shellScale + 2 * s.thickness + 2 * s.paint) / tapeScale;
        r.courses.push_back({s.heights[i], s.thickness, {outside - 0.25, outside + 0.25}});
    }
    return r;
}

MeasuredTank prepared(const StrappingRecord& r)
{
    auto tank = MeasuredTank::prepare(r);
    EXPECT_TRUE(tank.has_value()) << (tank ? "" : strappingErrorText(tank.error()));
    return std::move(*tank);
}

// litres of a stack of cylinders up to the level, course by course
double stackLitres(const Shell& s, double level)
{
    double litres = 0, base = 0;
    for (std::size_t i = 0; i < s.diameters.size(); ++i) {
        const double wet = std::clamp(level - base, 0.0, s.heights[i]);
        litres += kPi * s.diameters[i] * s.diameters[i] / 4 * wet * 1e-6;
        base += s.heights[i];
    }
    return litres;
}

const Shell kFiveCourses{{12000, 11998, 11996.5, 11995, 11994}, {1490, 1490, 1500, 1490, 1480}, 10, 0.3};

// Courses whose circumferences are π·(D + 2t + 2·paint): the stack's volume, times √(1 + m²) with a tilt.
struct StackCase {
    const char* name;
    Shell shell;
    double tiltMmPerM;
};

class StrappedCourses : public ::testing::TestWithParam<StackCase> {};

TEST_P(StrappedCourses, IsTheSumOfItsCoursesTimesTheTilt)
{
    const StackCase& c = GetParam();
    StrappingRecord r = measured(c.shell);
    r.tiltMmPerM = c.tiltMmPerM;
    const MeasuredTank tank = prepared(r);
    const double tilt = std::hypot(1.0, c.tiltMmPerM / 1000);
    const double full = stackLitres(c.shell, 1e9);
    EXPECT_NEAR(tank.fullVolume(), tilt * full, 1e-9 * full);
    for (double level = 0; level <= tank.height(); level += 137)
        EXPECT_NEAR(tank.volumeAt(level), tilt * stackLitres(c.shell, level), 1e-9 * full) << level;
    EXPECT_DOUBLE_EQ(tank.tiltFactor(), tilt);
}

INSTANTIATE_TEST_SUITE_P(Courses, StrappedCourses,
                         ::testing::Values(StackCase{"FiveCourses", kFiveCourses, 0},
                                           StackCase{"OneCourse", Shell{{3000}, {2000}, 5, 0}, 0},
                                           StackCase{"Tilt30", kFiveCourses, 30}),
                         [](const auto& row) { return std::string(row.param.name); });

// The same shell read by a tape and a shell away from 20 °C gives the same table.
TEST(StrappingTemperature, LeavesTheTableAt20)
{
    const MeasuredTank reference = prepared(measured(kFiveCourses));
    for (const auto& [tape, shell] : {std::pair{4.0, 4.0}, std::pair{-30.0, 45.0}}) {
        const MeasuredTank read = prepared(measured(kFiveCourses, tape, shell));
        for (double level = 0; level <= reference.height(); level += 10)
            EXPECT_NEAR(read.volumeAt(level), reference.volumeAt(level), 1e-11 * reference.fullVolume()) << level;
        EXPECT_NEAR(read.courses()[2].inner20, 11996.5, 1e-6) << tape;
    }
}

// The bottom: liquid over each ring of the disc from the bottom up to the level, integrated over the radius (the
// tank integrates over the level). Within the first course of radius R; b(r) linear between the survey's points.
double ringLitres(const std::vector<BottomPoint>& survey, double radius, double level)
{
    std::vector<BottomPoint> points = survey;
    if (points.front().radius > 0)
        points.insert(points.begin(), {0, points.front().height});
    if (points.back().radius < radius)
        points.push_back({radius, points.back().height});
    // 2πr·(h − b(r))⁺ is a quadratic in r between the survey's radii and the radius where b crosses h: Simpson is exact
    const auto column = [&](double r, double b) { return 2 * kPi * r * std::max(0.0, level - b); };
    double mm3 = 0;
    for (std::size_t j = 1; j < points.size() && points[j - 1].radius < radius; ++j) {
        const BottomPoint a = points[j - 1], b = points[j];
        const auto height = [&](double r) {
            return a.height + (b.height - a.height) * (r - a.radius) / (b.radius - a.radius);
        };
        // a survey reaching past the wall is cut there
        std::vector<double> cuts{a.radius, std::min(b.radius, radius)};
        if ((height(cuts[0]) - level) * (height(cuts[1]) - level) < 0)
            cuts.insert(cuts.begin() + 1,
                        a.radius + (level - a.height) / (b.height - a.height) * (b.radius - a.radius));
        for (std::size_t k = 1; k < cuts.size(); ++k) {
            const double lo = cuts[k - 1], hi = cuts[k], mid = (lo + hi) / 2;
            mm3 += (hi - lo) / 6 * (column(lo, height(lo)) + 4 * column(mid, height(mid)) + column(hi, height(hi)));
        }
    }
    return mm3 * 1e-6;
}

struct BottomCase {
    const char* name;
    std::vector<BottomPoint> survey;
    double tiltMmPerM;
    double bottomVolume; // litres against a flat bottom at 0: +below zero, −raised; for R = 6000 mm
};

// Against a flat bottom at 0: what the rings hold up to a level above the bottom, less the flat disc's.
double netOf(const std::vector<BottomPoint>& survey)
{
    return ringLitres(survey, 6000, 1000) - kPi * 6000 * 6000 * 1000 * 1e-6;
}

// flat at 40 mm to 1 m, a step down to −20 mm, flat, then up to 10 mm at 5 m and on to the wall
const std::vector<BottomPoint> kStepDown{{1000, 40}, {1000.5, -20}, {4000, -20}, {5000, 10}};

// surveyed to the plate's outside, 5 mm past the inner wall
const std::vector<BottomPoint> kPastTheWall{{0, 60}, {3000, 20}, {6005, -10}};

class StrappedBottom : public ::testing::TestWithParam<BottomCase> {};

constexpr double kConeLitres = kPi * 6000 * 6000 * 300 / 3 * 1e-6; // πR²c/3, R 6 m, c 300 mm

TEST_P(StrappedBottom, HoldsWhatLiesOverTheRingsBelowTheLevel)
{
    const BottomCase& c = GetParam();
    const Shell shell{{12000, 12000}, {1500, 1500}, 10, 0.3};
    StrappingRecord r = measured(shell);
    r.bottom = c.survey;
    r.tiltMmPerM = c.tiltMmPerM;
    const MeasuredTank tank = prepared(r);
    const double tilt = std::hypot(1.0, c.tiltMmPerM / 1000);
    for (const double level : {-450.0, -300.0, -123.4, -1.0, 0.0, 1.0, 35.0, 60.0, 150.0, 299.0, 300.0, 777.7, 1500.0})
        EXPECT_NEAR(tank.volumeAt(level), tilt * ringLitres(c.survey, 6000, level), 1e-9 * tank.fullVolume()) << level;
    EXPECT_NEAR(tank.volumeAt(2500), tilt * (stackLitres(shell, 2500) + c.bottomVolume), 1e-9 * tank.fullVolume());
    EXPECT_NEAR(tank.bottomVolume(), tilt * c.bottomVolume, 1e-9 * tank.fullVolume());
}

INSTANTIATE_TEST_SUITE_P(Surveys, StrappedBottom,
                         ::testing::Values(BottomCase{"RaisedCone", {{0, 300}, {6000, 0}}, 0, -kConeLitres},
                                           BottomCase{"SunkenConeTilted", {{0, -300}, {6000, 0}}, 12, kConeLitres},
                                           BottomCase{"FlatStepDown", kStepDown, 0, netOf(kStepDown)},
                                           BottomCase{"PastTheWall", kPastTheWall, 0, netOf(kPastTheWall)}),
                         [](const auto& row) { return std::string(row.param.name); });

// The 5 000 m³ tank of docs/measured-tank.md: litres and U (u(C) 2 mm, u(t) 0,3 mm, u(h) 1 mm, k = 2), bare and
// stretched by diesel of 840 kg/m³, as tests/tank/strapping_reference.py computes them.
struct ExampleRow {
    double level, litres, expanded, diesel, dieselExpanded;
};

constexpr ExampleRow kExample[] = {
    {0, 0.000000, 0.000000, 0.000000, 0.000000},
    {10, 456.095009, 179.277473, 456.096550, 179.278032},
    {30, 3938.071088, 518.391626, 3938.085006, 518.393369},
    {52, 11592.228386, 816.010804, 11592.270235, 816.014146},
    {100, 31176.332185, 816.028355, 31176.487035, 816.034685},
    {1490, 598299.338007, 821.245462, 598333.735949, 821.473842},
    {5000, 2030032.482188, 832.446668, 2030444.610731, 834.575306},
    {10000, 4069120.101703, 849.651945, 4070986.294166, 860.412259},
    {11920, 4852010.791655, 857.131188, 4854811.937993, 874.792818},
};

StrappingRecord exampleTank()
{
    StrappingRecord r;
    const double thickness[] = {12, 11, 10, 9, 8, 7, 6, 6};
    const std::vector<double> readings[] = {{71680.2, 71681.0}, {71667.1, 71667.5}, {71654.9, 71655.9},
                                            {71658.3, 71658.3}, {71638.1, 71638.9}, {71625.4, 71626.2},
                                            {71625.9, 71626.7}, {71619.6, 71620.0}};
    for (int i = 0; i < 8; ++i)
        r.courses.push_back({1490, thickness[i], readings[i]});
    r.paint = 0.3;
    r.tapeCelsius = r.shellCelsius = 12;
    r.tiltMmPerM = 3.5;
    r.bottom = {{0, 52}, {3000, 44}, {6000, 35}, {9000, 18}, {11400, 0}};
    r.uCircumference = 2;
    r.uThickness = 0.3;
    return r;
}

TEST(StrappedExample, MatchesTheRingIntegration)
{
    StrappingRecord r = exampleTank();
    const MeasuredTank bare = prepared(r);
    r.hydrostatic = Hydrostatic{840, 206};
    const MeasuredTank diesel = prepared(r);
    for (const ExampleRow& row : kExample) {
        EXPECT_NEAR(bare.volumeAt(row.level), row.litres, 1e-4) << row.level;
        EXPECT_NEAR(diesel.volumeAt(row.level), row.diesel, 1e-4) << row.level;
        EXPECT_NEAR(bare.uncertaintyAt(row.level, 1, 2).expanded, row.expanded, 1e-5 * row.expanded) << row.level;
        EXPECT_NEAR(diesel.uncertaintyAt(row.level, 1, 2).expanded, row.dieselExpanded, 1e-5 * row.dieselExpanded)
            << row.level;
    }
    EXPECT_NEAR(bare.bottomVolume(), -9623.884062, 1e-6);
}

// A record with every key reads, and every record written reads back as it was.
TEST(StrappingJson, RoundTrips)
{
    const Json example = Json::parse(R"({"courses": [{"height_mm": 1490, "thickness_mm": 10,
        "circumferences_mm": [37713.4, 37713.9]}, {"height_mm": 1490, "thickness_mm": 8,
        "circumferences_mm": [37701.2]}], "paint_mm": 0.3, "tape": {"temperature_c": 12.0, "alpha": 11.5e-6},
        "shell_temperature_c": 12.0, "alpha_shell": 12e-6, "tilt": {"mm_per_m": 8.0},
        "bottom": [[0, 60], [2000, 35], [6000, 0]], "u_circumference_mm": 2.0, "u_thickness_mm": 0.3})");
    auto record = strappingFromJson(example);
    ASSERT_TRUE(record.has_value()) << strappingErrorText(record.error());
    EXPECT_EQ(record->courses[0].circumferences, (std::vector<double>{37713.4, 37713.9}));
    EXPECT_EQ(record->bottom[1], (BottomPoint{2000, 35}));
    EXPECT_EQ(record->tiltMmPerM, 8.0);
    record->hydrostatic = Hydrostatic{850.5, 200};
    for (const StrappingRecord& r : {*record, measured(kFiveCourses, -7.3, 31)}) {
        const auto again = strappingFromJson(Json::parse(strappingToJson(r).dump()));
        ASSERT_TRUE(again.has_value());
        EXPECT_EQ(*again, r);
    }
}

// Records that cannot describe a tank, refused naming the key.
struct RefusalCase {
    const char* name;
    std::string json; // merged over a sound two-course record
    const char* key;
};

class StrappingRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(StrappingRefusal, NamesTheKey)
{
    Json record = Json::parse(R"({"courses": [{"height_mm": 1490, "thickness_mm": 10, "circumferences_mm": [37713.4]},
        {"height_mm": 1490, "thickness_mm": 8, "circumferences_mm": [37701.2]}]})");
    record.merge_patch(Json::parse(GetParam().json));
    const auto read = strappingFromJson(record);
    ASSERT_FALSE(read.has_value());
    EXPECT_EQ(read.error().key, GetParam().key);
    EXPECT_FALSE(read.error().reason.empty());
}

constexpr const char* kOneCourse = R"({"courses": [{"height_mm": %H, "thickness_mm": %T, "circumferences_mm": [%C]}]})";

std::string oneCourse(const char* height, const char* thickness, const char* circumference)
{
    std::string json = kOneCourse;
    for (const auto& [mark, value] :
         {std::pair{"%H", height}, std::pair{"%T", thickness}, std::pair{"%C", circumference}})
        json.replace(json.find(mark), 2, value);
    return json;
}

INSTANTIATE_TEST_SUITE_P(
    Records, StrappingRefusal,
    ::testing::Values(
        RefusalCase{"NoCourses", R"({"courses": []})", "strapping.courses"},
        RefusalCase{"ZeroHeight", oneCourse("0", "10", "37713"), "strapping.courses[0].height_mm"},
        RefusalCase{"TextThickness", oneCourse("1", "\"10\"", "37713"), "strapping.courses[0].thickness_mm"},
        RefusalCase{"NegativeReading", oneCourse("1", "10", "37713, -1"), "strapping.courses[0].circumferences_mm[1]"},
        RefusalCase{"DiameterNotPositive", oneCourse("1", "10", "62"), "strapping.courses[0].circumferences_mm"},
        RefusalCase{"MisspeltKey", R"({"paint": 0.3})", "strapping.paint"},
        RefusalCase{"TiltOver30", R"({"tilt": {"mm_per_m": 30.5}})", "strapping.tilt.mm_per_m"},
        RefusalCase{"BottomBeyondWall", R"({"bottom": [[0, 10], [6010, 0]]})", "strapping.bottom[1][0]"},
        RefusalCase{"BottomRadiiBackwards", R"({"bottom": [[2000, 10], [1000, 0]]})", "strapping.bottom[1][0]"},
        RefusalCase{"BottomAboveFirstCourse", R"({"bottom": [[0, 1500], [5000, 0]]})", "strapping.bottom[0][1]"},
        RefusalCase{"ShellPastElastic", R"({"hydrostatic": {"density_kg_m3": 3000, "modulus_gpa": 1}})",
                    "strapping.hydrostatic"}),
    [](const auto& row) { return std::string(row.param.name); });

} // namespace
