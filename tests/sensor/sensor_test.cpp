// Sensor tables against figures computed independently (tests/sensor/reference.py): the rows a sensor reads,
// the fewest breakpoints within an error, and the least error with a number of points.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <sstream>
#include <string>
#include <vector>

#include "calc/catalogue.h"
#include "calc/run.h"
#include "sensor/formats.h"
#include "sensor/sensor.h"
#include "sensor/settings.h"

namespace {

using namespace tarvol::sensor;
using tarvol::expected;

struct SensorCase {
    const char* name;
    const char* key;
    std::vector<double> dims;
    bool fromTop;
    std::int64_t zeroOrReference;
    bool hasCode;
    std::int64_t empty, full, span;
    std::size_t rows;
    std::int64_t firstX, lastX;
    long long unitSum;
    std::size_t pointsAt5Litres, pointsAtPermille;
    int decimals;
    double leastWith4, leastWith12; // litres
};

const SensorCase kCases[] = {
#include "sensor_reference.inc"
};

std::vector<double> levelVolumes(const char* key, const std::vector<double>& dims, int decimals = 3)
{
    tarvol::RunOptions options;
    options.decimalPlaces = decimals;
    options.keepEveryLevel = true;
    return tarvol::calculate(*tarvol::findShapeByKey(key), dims, options).result().levelVolumes;
}

Table tableOf(const SensorCase& c)
{
    Geometry g;
    g.mounting = c.fromTop ? Mounting::Top : Mounting::Bottom;
    (c.fromTop ? g.reference : g.zero) = c.zeroOrReference;
    if (c.hasCode)
        g.code = CodeRange{c.empty, c.full, c.span};
    return *sensorTable(levelVolumes(c.key, c.dims, c.decimals), g, c.decimals);
}

// Every row of the table lies within the limit of the interpolation between the chosen rows, checked on the
// printed integers: |(vb - va)(x - xa) - (v - va)(xb - xa)| <= E (xb - xa).
void expectWithin(const Table& t, const std::vector<Row>& points, long double limitUnits)
{
    ASSERT_GE(points.size(), 2u);
    EXPECT_EQ(points.front().x, t.rows.front().x);
    EXPECT_EQ(points.back().x, t.rows.back().x);
    std::size_t s = 0;
    for (const auto& row : t.rows) {
        while (points[s + 1].x < row.x)
            ++s;
        const auto& a = points[s];
        const auto& b = points[s + 1];
        const long double n = static_cast<long double>((b.units - a.units) * (row.x - a.x))
                              - static_cast<long double>((row.units - a.units) * (b.x - a.x));
        EXPECT_LE(std::abs(n), limitUnits * static_cast<long double>(b.x - a.x) * (1 + 1e-15L)) << "at " << row.x;
    }
}

class SensorReference : public ::testing::TestWithParam<SensorCase> {};

TEST_P(SensorReference, ReadsThePerMillimetreTable)
{
    const auto& c = GetParam();
    const Table t = tableOf(c);
    ASSERT_EQ(t.rows.size(), c.rows);
    EXPECT_EQ(t.rows.front().x, c.firstX);
    EXPECT_EQ(t.rows.back().x, c.lastX);
    EXPECT_EQ(std::accumulate(t.rows.begin(), t.rows.end(), 0LL, [](long long s, const Row& r) { return s + r.units; }),
              c.unitSum);
}

TEST_P(SensorReference, FewestPointsHoldTheError)
{
    const auto& c = GetParam();
    const Table t = tableOf(c);
    const auto litres = fewestWithin(t, *parseErrorLimit("5"));
    ASSERT_TRUE(litres);
    EXPECT_EQ(litres->points.size(), c.pointsAt5Litres);
    expectWithin(t, litres->points, 5 * std::pow(10.0L, c.decimals));
    const auto permille = fewestWithin(t, *parseErrorLimit("0.1%"));
    ASSERT_TRUE(permille);
    EXPECT_EQ(permille->points.size(), c.pointsAtPermille);
    expectWithin(t, permille->points, static_cast<long double>(t.fullUnits) / 1000);
}

TEST_P(SensorReference, LeastErrorWithPoints)
{
    const auto& c = GetParam();
    const Table t = tableOf(c);
    for (const auto& [points, least] : {std::pair{4, c.leastWith4}, std::pair{12, c.leastWith12}}) {
        const auto best = bestWithPoints(t, points);
        ASSERT_TRUE(best);
        EXPECT_LE(best->points.size(), static_cast<std::size_t>(points));
        EXPECT_NEAR(best->maxErrorLitres, least, 1e-9) << points << " points";
        expectWithin(t, best->points, least * std::pow(10.0L, c.decimals));
    }
}

// A segments file read back: each line's a·x + b gives the printed volumes of both its breakpoints and so meets the
// next segment; the last line, at the last point, holds its volume.
TEST_P(SensorReference, SegmentsReproduceTheirBreakpoints)
{
    const Table t = tableOf(GetParam());
    const auto chosen = fewestWithin(t, *parseErrorLimit("0.1%"));
    ASSERT_TRUE(chosen);
    const auto& points = chosen->points;
    std::istringstream in(findFormat("segments")->write(t, *chosen));
    struct Segment {
        std::int64_t x;
        double a, b;
        double at(std::int64_t reading) const { return a * static_cast<double>(reading) + b; }
        double tolerance(std::int64_t reading) const
        {
            return 1e-9 * (std::abs(a * static_cast<double>(reading)) + std::abs(b) + 1);
        }
    };
    std::vector<Segment> segments;
    for (std::string line; std::getline(in, line);) {
        Segment s{};
        char semicolon1 = 0, semicolon2 = 0;
        std::istringstream fields(line);
        ASSERT_TRUE(fields >> s.x >> semicolon1 >> s.a >> semicolon2 >> s.b) << line;
        ASSERT_EQ(semicolon1, ';');
        ASSERT_EQ(semicolon2, ';');
        segments.push_back(s);
    }
    ASSERT_EQ(segments.size(), points.size());
    for (std::size_t k = 0; k < segments.size(); ++k) {
        const Segment& s = segments[k];
        EXPECT_EQ(s.x, points[k].x);
        EXPECT_NEAR(s.at(s.x), t.litres(points[k].units), s.tolerance(s.x)) << "segment " << k;
        if (k + 1 == segments.size()) {
            EXPECT_EQ(s.a, 0);
            continue;
        }
        const std::int64_t end = points[k + 1].x;
        EXPECT_NEAR(s.at(end), t.litres(points[k + 1].units), s.tolerance(end)) << "segment " << k;
        EXPECT_NEAR(s.at(end), segments[k + 1].at(end), s.tolerance(end) + segments[k + 1].tolerance(end))
            << "segments " << k << " and " << k + 1;
    }
}

// ESPHome's calibrate_linear with the exact method: every breakpoint a datapoint, as printed, in order.
TEST_P(SensorReference, EsphomeListsEveryBreakpointExactly)
{
    const Table t = tableOf(GetParam());
    const auto chosen = fewestWithin(t, *parseErrorLimit("0.1%"));
    ASSERT_TRUE(chosen);
    std::string expected = "- calibrate_linear:\n    method: exact\n    datapoints:\n";
    for (const auto& p : chosen->points)
        expected += "      - " + std::to_string(p.x) + " -> " + t.volumeText(p.units) + "\n";
    EXPECT_EQ(findFormat("esphome")->write(t, *chosen), expected);
}

INSTANTIATE_TEST_SUITE_P(Tanks, SensorReference, ::testing::ValuesIn(kCases),
                         [](const auto& testInfo) { return std::string(testInfo.param.name); });

// horizontal cylinder L 6000, D 2000, volumes to 0.001 l
struct Closing {
    std::size_t pointsAtQuarterPercent, pointsAtPermille;
    double least10, least11, even11;
};
constexpr Closing kClosing{CLOSING_FIGURES};

TEST(SensorClosing, HorizontalCylinderPointsAndErrors)
{
    Geometry g;
    const Table t = *sensorTable(levelVolumes("horizontal-cylinder", {6000, 2000}), g, 3);
    EXPECT_EQ(fewestWithin(t, *parseErrorLimit("0.25%"))->points.size(), kClosing.pointsAtQuarterPercent);
    EXPECT_EQ(fewestWithin(t, *parseErrorLimit("0.1%"))->points.size(), kClosing.pointsAtPermille);
    EXPECT_NEAR(bestWithPoints(t, 10)->maxErrorLitres, kClosing.least10, 1e-9);
    EXPECT_NEAR(bestWithPoints(t, 11)->maxErrorLitres, kClosing.least11, 1e-9);
    std::vector<Row> even;
    for (std::size_t k = 0; k <= 10; ++k)
        even.push_back(t.rows[k * 200]);
    EXPECT_NEAR(measure(t, even).maxErrorLitres, kClosing.even11, 1e-9);
}

// A search told to stop ends as cancelled; whole litres of a tall vertical cylinder make one that would take long.
struct CancelCase {
    const char* name;
    expected<Breakpoints, Refusal> (*search)(const Table&, const SearchControl&);
};

class SensorCancel : public ::testing::TestWithParam<CancelCase> {};

TEST_P(SensorCancel, EndsAsCancelled)
{
    Geometry g;
    const Table t = *sensorTable(levelVolumes("vertical-cylinder", {300'000, 1000}, 0), g, 0);
    const std::atomic<bool> stop{true};
    SearchControl control;
    control.cancel = &stop;
    const auto found = GetParam().search(t, control);
    ASSERT_FALSE(found);
    EXPECT_EQ(found.error().fault, Fault::Cancelled);
    EXPECT_EQ(refusalText(found.error()), "Подбор точек прерван.");
}

INSTANTIATE_TEST_SUITE_P(Searches, SensorCancel,
                         ::testing::Values(CancelCase{"FewestWithin",
                                                      [](const Table& rows, const SearchControl& control) {
                                                          return fewestWithin(rows, *parseErrorLimit("0.6"),
                                                                              std::nullopt, control);
                                                      }},
                                           CancelCase{"BestWithPoints",
                                                      [](const Table& rows, const SearchControl& control) {
                                                          return bestWithPoints(rows, 5, control);
                                                      }}),
                         [](const auto& testInfo) { return std::string(testInfo.param.name); });

struct GeometryCase {
    const char* name;
    Geometry geometry;
    Fault fault;
};

class SensorRefusal : public ::testing::TestWithParam<GeometryCase> {};

TEST_P(SensorRefusal, NamesTheValue)
{
    const std::vector<double> tank(101, 1.0); // a table up to 100 mm
    const auto t = sensorTable(tank, GetParam().geometry, 0);
    ASSERT_FALSE(t);
    EXPECT_EQ(t.error().fault, GetParam().fault);
    EXPECT_FALSE(refusalText(t.error()).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Geometries, SensorRefusal,
    ::testing::Values(GeometryCase{"ReferenceZero", {Mounting::Top, 0, 0, {}}, Fault::ReferenceTooLow},
                      GeometryCase{"ZeroAboveTop", {Mounting::Bottom, 101, 0, {}}, Fault::ZeroAboveTop},
                      GeometryCase{"SpanZero", {Mounting::Bottom, 0, 0, CodeRange{0, 1023, 0}}, Fault::ZeroSpan},
                      GeometryCase{"EqualCodes", {Mounting::Top, 0, 50, CodeRange{9, 9, 100}}, Fault::EqualCodes}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

// A volume past the exact range is named in whole litres with its unit, the limit 2^50 units, never in E notation.
TEST(SensorTooLarge, NamesTheVolumeInLitres)
{
    const std::vector<double> tank{0, 5.2e17};
    const auto t = sensorTable(tank, Geometry{}, 0);
    ASSERT_FALSE(t);
    EXPECT_EQ(refusalText(t.error()), "Объём ёмкости слишком велик для таблицы датчика: 520 000 000 000 000 000 л при "
                                      "пределе 1 125 899 906 842 624 л.");
}

struct LimitCase {
    const char* name;
    const char* text;
    bool valid;
    std::int64_t micro;
    bool percent;
};

class SensorErrorLimit : public ::testing::TestWithParam<LimitCase> {};

TEST_P(SensorErrorLimit, Parses)
{
    const auto limit = parseErrorLimit(GetParam().text);
    ASSERT_EQ(limit.has_value(), GetParam().valid);
    if (limit) {
        EXPECT_EQ(limit->micro, GetParam().micro);
        EXPECT_EQ(limit->percent, GetParam().percent);
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, SensorErrorLimit,
                         ::testing::Values(LimitCase{"Litres", "5", true, 5'000'000, false},
                                           LimitCase{"Percent", "0.25%", true, 250'000, true},
                                           LimitCase{"CommaAndSpace", "0,1 %", true, 100'000, true},
                                           LimitCase{"SixDecimals", "0.000001", true, 1, false},
                                           LimitCase{"SevenDecimals", "0.0000001", false, 0, false},
                                           LimitCase{"Negative", "-1", false, 0, false},
                                           LimitCase{"Empty", "", false, 0, false},
                                           LimitCase{"PointAlone", "5.", false, 0, false},
                                           LimitCase{"OverHundredPercent", "100.5%", false, 0, false},
                                           LimitCase{"Unit", "5l", false, 0, false}),
                         [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST(SensorSettings, SurviveJson)
{
    Settings s;
    s.geometry = {Mounting::Top, 0, 1850, CodeRange{4095, 0, 1500}};
    s.maxError = ErrorLimit{250'000, true};
    s.maxPoints = 30;
    s.format = "yaml";
    const Settings back = nlohmann::json(s).get<Settings>();
    EXPECT_EQ(nlohmann::json(back), nlohmann::json(s));
    EXPECT_EQ(back.maxError->micro, 250'000);
    EXPECT_EQ(back.geometry.code->full, 0);
}

} // namespace
