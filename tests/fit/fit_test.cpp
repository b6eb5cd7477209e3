// The fill log's reading and the fit against scipy's fit of the same logs (scripts/fill-reference.py).

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "calc/catalogue.h"
#include "fit/filljson.h"
#include "fit/filllog.h"
#include "fit/fit.h"

namespace {

using Json = nlohmann::json;

std::string readData(const std::string& name)
{
    std::ifstream in(std::string(TARVOL_FIT_DATA) + "/" + name);
    return {std::istreambuf_iterator<char>(in), {}};
}

const Json& reference()
{
    static const Json j = Json::parse(readData("reference.json"));
    return j;
}

tarvol::FitResult fitOf(const Json& ref, const std::vector<std::string>& free)
{
    const auto log = tarvol::parseFillLog(readData(ref.at("log").get<std::string>()));
    EXPECT_TRUE(log.has_value());
    tarvol::FitRequest request;
    request.shape = *tarvol::findShapeByKey(ref.at("shape").get<std::string>());
    request.dims = ref.at("dimensions").get<std::vector<double>>();
    request.free = free;
    const auto fit = tarvol::fitFillLog(request, *log);
    EXPECT_TRUE(fit.has_value());
    return *fit;
}

class AgainstScipy : public ::testing::TestWithParam<const char*> {};

// Estimates and standard errors within a tenth of a standard error of scipy's; the truth within three.
TEST_P(AgainstScipy, AgreesAndRecoversTheTank)
{
    const auto& ref = reference().at(GetParam());
    const auto fit = fitOf(ref, ref.at("free").get<std::vector<std::string>>());
    EXPECT_TRUE(fit.converged);
    EXPECT_FALSE(fit.failure) << tarvol::fitFailureText(*fit.failure);
    EXPECT_TRUE(fit.undetermined.empty());
    EXPECT_EQ(fit.dof, ref.at("points").get<int>() - static_cast<int>(fit.parameters.size()));
    EXPECT_NEAR(fit.residualRms, ref.at("residual_rms_l").get<double>(), 1e-3 * fit.residualRms);
    const auto& params = ref.at("parameters");
    ASSERT_EQ(fit.parameters.size(), params.size());
    for (size_t i = 0; i < params.size(); ++i) {
        const auto& p = fit.parameters[i];
        const double se = params[i].at("standard_error").get<double>();
        SCOPED_TRACE(p.name);
        EXPECT_NEAR(p.value, params[i].at("value").get<double>(), 0.1 * se);
        EXPECT_NEAR(p.standardError, se, 0.1 * se);
        EXPECT_NEAR(p.value, params[i].at("true").get<double>(), 3 * se);
    }
}

INSTANTIATE_TEST_SUITE_P(Logs, AgainstScipy, ::testing::Values("horizontal_cylinder", "inclined_cylinder"));

TEST(FitOutliers, TheReadingOff20MmIsTheOnlyOutlier)
{
    Json ref = {{"log", "outlier.csv"}, {"shape", "horizontal-cylinder"}, {"dimensions", {6000, 2000}}};
    const auto fit = fitOf(ref, {"L", "D", "zero"});
    for (const auto& point : fit.points)
        EXPECT_EQ(point.outlier, point.line == reference().at("outlier").at("line").get<int>()) << point.line;
}

struct LogCase {
    const char* name;
    const char* text;
    bool doses;
    std::vector<double> levels;  // expected, when read
    std::vector<double> volumes; // cumulative
    tarvol::LogFault fault = tarvol::LogFault::NotNumber;
    int line = 0;   // the refused line; 0 when the log is read
    int shape = -1; // the shape whose limits the log keeps, when one is given
};

// a line longer than any log's, and a number longer than the reader's copy on the stack
const std::string kLongLine = "10;50\n" + std::string(5000, '1') + ";60\n";
const std::string kLongNumber = "0." + std::string(200, '0') + "5;50\n20;60\n";

class FillLogText : public ::testing::TestWithParam<LogCase> {};

TEST_P(FillLogText, ReadsOrRefusesTheLine)
{
    const auto& c = GetParam();
    tarvol::LogOptions options;
    options.doses = c.doses;
    const auto log = tarvol::parseFillLog(c.text, c.shape >= 0 ? tarvol::withShapeLimits(options, c.shape) : options);
    if (c.line) {
        ASSERT_FALSE(log.has_value());
        EXPECT_EQ(log.error().fault, c.fault);
        EXPECT_EQ(log.error().line, c.line);
        EXPECT_NE(tarvol::logRefusalText(log.error()).find(std::to_string(c.line)), std::string::npos);
        return;
    }
    ASSERT_TRUE(log.has_value()) << tarvol::logRefusalText(log.error());
    std::vector<double> levels, volumes;
    for (const auto& p : log->points) {
        levels.push_back(p.level);
        volumes.push_back(p.volume);
    }
    EXPECT_EQ(levels, c.levels);
    EXPECT_EQ(volumes, c.volumes);
}

using F = tarvol::LogFault;
INSTANTIATE_TEST_SUITE_P(
    Texts, FillLogText,
    ::testing::Values(
        LogCase{"SemicolonDecimalComma", "10,5;50\n20,25;100\n", false, {10.5, 20.25}, {50, 100}},
        LogCase{"TabFromASpreadsheet", "Уровень\tОбъём\r\n10,5\t50\r\n20\t100,5\r\n", false, {10.5, 20}, {50, 100.5}},
        LogCase{"BlanksAndComments", "# налив 12.03\n  10.5   50 # первая\n\n20 100\n", false, {10.5, 20}, {50, 100}},
        LogCase{"CommaBetweenPointNumbers", "level,volume\n10.5,50\n20.5, 100\n", false, {10.5, 20.5}, {50, 100}},
        LogCase{"DosesAddUp", "10;50\n20;50\n30;25\n", true, {10, 20, 30}, {50, 100, 125}},
        LogCase{"NoiseBelowTheLimit", "10;50\n8;60\n", false, {10, 8}, {50, 60}},
        LogCase{"WordInTheData", "10;50\n20;сто\n", false, {}, {}, F::NotNumber, 2},
        LogCase{"SecondHeading", "h;v\nh;v\n", false, {}, {}, F::NotNumber, 2},
        LogCase{"ThreeFields", "10;50;1\n", false, {}, {}, F::NotTwoFields, 1},
        LogCase{"AmbiguousCommas", "10,5,50,5\n", false, {}, {}, F::NotTwoFields, 1},
        LogCase{"LevelFallsBeyondNoise", "10;50\n# пауза\n30;100\n20;150\n", false, {}, {}, F::LevelFalls, 4},
        LogCase{"VolumeFalls", "10;50\n20;40\n", false, {}, {}, F::VolumeFalls, 2},
        LogCase{"NegativeDose", "10;50\n20;-5\n", true, {}, {}, F::VolumeFalls, 2},
        LogCase{"LineLongerThanALog", kLongLine.c_str(), false, {}, {}, F::LineTooLong, 2},
        LogCase{"LongNumber", kLongNumber.c_str(), false, {5e-201, 20}, {50, 60}},
        // a horizontal cylinder's two fields of at most 99 999 999 mm: no level above 2·10⁸ mm, no volume above
        // (2·10⁸ mm)³ = 8·10¹⁸ l
        LogCase{"PointBeyondAnyTank", "10;50\n1e300;1e300\n", false, {}, {}, F::LevelBeyond, 2, 8},
        LogCase{"LevelBeyondAnyTank", "10;50\n-2e8;60\n", false, {}, {}, F::LevelBeyond, 2, 8},
        LogCase{"VolumeBeyondAnyTank", "10;50\n20;9e18\n", false, {}, {}, F::VolumeBeyond, 2, 8},
        LogCase{"DosesAddUpBeyond", "10;5e18\n20;5e18\n", true, {}, {}, F::VolumeBeyond, 2, 8},
        LogCase{"LargestTankStillRead", "10;50\n1.9e8;7.9e18\n", false, {10, 1.9e8}, {50, 7.9e18}, F::NotNumber, 0, 8}),
    [](const auto& row) { return std::string(row.param.name); });

struct RefusalCase {
    const char* name;
    const char* log;
    std::vector<std::string> free;
    tarvol::FitFault fault;
};

class FitRefused : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(FitRefused, FitsNothing)
{
    const auto& c = GetParam();
    const auto log = tarvol::parseFillLog(c.log);
    ASSERT_TRUE(log.has_value());
    const auto fit = tarvol::fitFillLog({.shape = 18,
                                         .dims = {8000, 2400, 150, 7000},
                                         .free = c.free,
                                         .excluded = {},
                                         .correction = {},
                                         .orientation = {}},
                                        *log);
    ASSERT_FALSE(fit.has_value());
    EXPECT_EQ(fit.error().fault, c.fault);
    EXPECT_FALSE(tarvol::fitRefusalText(fit.error()).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Requests, FitRefused,
    ::testing::Values(RefusalCase{"ThreePointsForFour",
                                  "100;1000\n200;2000\n300;3000\n",
                                  {"L", "D", "A", "zero"},
                                  tarvol::FitFault::TooFewPoints},
                      RefusalCase{
                          "NoSuchField", "100;1000\n200;2000\n300;3000\n", {"HS"}, tarvol::FitFault::UnknownParameter},
                      RefusalCase{"NothingFree", "100;1000\n200;2000\n300;3000\n", {}, tarvol::FitFault::NoParameter}),
    [](const auto& row) { return std::string(row.param.name); });

// A fit whose model cannot be the log's tank is reported as failed, with its reason, and the good fits are not.
struct FailureCase {
    const char* name;
    const char* log;
    const char* shape;
    std::vector<double> dims;
    std::vector<std::string> free;
    std::optional<tarvol::FitFailureKind> failure;
};

class FitFailures : public ::testing::TestWithParam<FailureCase> {};

TEST_P(FitFailures, AreFoundInTheResiduals)
{
    const auto& c = GetParam();
    const Json ref = {{"log", c.log}, {"shape", c.shape}, {"dimensions", c.dims}};
    const auto fit = fitOf(ref, c.free);
    ASSERT_EQ(fit.failure.has_value(), c.failure.has_value())
        << (fit.failure ? tarvol::fitFailureText(*fit.failure) : "");
    if (!c.failure)
        return;
    EXPECT_EQ(fit.failure->kind, *c.failure);
    EXPECT_NE(tarvol::fitFailureText(*fit.failure).find("не описывает журнал налива"), std::string::npos);
}

using K = tarvol::FitFailureKind;
INSTANTIATE_TEST_SUITE_P(
    Logs, FitFailures,
    ::testing::Values(
        // a sphere D 2000 (tests/fit/sphere_log.py) as a horizontal cylinder: 9 runs of one sign where chance gives
        // 42 ± 4.5, residuals of 10 mm against 0.8 mm of noise; with v0 free too, readings above the fitted top
        FailureCase{
            "SphereAsCylinder", "sphere.csv", "horizontal-cylinder", {2000, 2000}, {"L", "D", "zero"}, K::Systematic},
        FailureCase{"SphereAsCylinderWithV0",
                    "sphere.csv",
                    "horizontal-cylinder",
                    {2000, 2000},
                    {"D", "zero", "v0"},
                    K::ReadingAboveTop},
        FailureCase{"SphereAsSphere", "sphere.csv", "sphere", {2010}, {"D", "zero"}, std::nullopt},
        // a reading every 50 mm: the misfit changes more between neighbours than the noise, so only their second
        // differences leave it out of the noise; at the top the cylinder's section narrows and a residual in mm soars
        FailureCase{
            "SparseSphereAsCylinder", "sphere_sparse.csv", "horizontal-cylinder", {2000, 2000}, {"L"}, K::Systematic},
        // the cylinder's gauge zero of 4 mm left out: residuals of 3.7 mm in 8 runs
        FailureCase{"CylinderWithoutItsZero",
                    "horizontal_cylinder.csv",
                    "horizontal-cylinder",
                    {6000, 2000},
                    {"D"},
                    K::Systematic},
        // smaller misfits, within three times the noise, are the user's to judge
        FailureCase{"CylinderLengthFixed",
                    "horizontal_cylinder.csv",
                    "horizontal-cylinder",
                    {6000, 2000},
                    {"D", "zero"},
                    std::nullopt},
        FailureCase{"CylinderWithItsZero",
                    "horizontal_cylinder.csv",
                    "horizontal-cylinder",
                    {6000, 2000},
                    {"L", "D", "zero"},
                    std::nullopt}),
    [](const auto& row) { return std::string(row.param.name); });

// The gauge's foot B and its zero move the level alike: the fit names them instead of inventing figures.
TEST(FitWarnings, NamesParametersTheLogCannotSeparate)
{
    const auto fit = fitOf(reference().at("inclined_cylinder"), {"B", "zero"});
    EXPECT_EQ(fit.undetermined, (std::vector<std::string>{"B", "zero"}));
}

// Parameters the log cannot separate are correlated as they trade off: a longer shell takes shorter heads (−1), a
// higher gauge zero takes more litres before the first dose (+1), a gauge foot further up the slope a lower zero
// (−1).
struct TradeCase {
    const char* name;
    const char* log; // a file of tests/fit/data, or the log itself
    const char* shape;
    std::vector<double> dims;
    std::vector<std::string> free;
    double correlation; // of the first two free parameters
};

class FitTradeOff : public ::testing::TestWithParam<TradeCase> {};

TEST_P(FitTradeOff, CorrelatesAsTheParametersTradeOff)
{
    const auto& c = GetParam();
    const std::string text = std::string(c.log).ends_with(".csv") ? readData(c.log) : std::string(c.log);
    const auto log = tarvol::parseFillLog(text);
    ASSERT_TRUE(log.has_value());
    const auto fit = tarvol::fitFillLog({.shape = *tarvol::findShapeByKey(c.shape),
                                         .dims = c.dims,
                                         .free = c.free,
                                         .excluded = {},
                                         .correction = {},
                                         .orientation = {}},
                                        *log);
    ASSERT_TRUE(fit.has_value());
    EXPECT_EQ(fit->undetermined, (std::vector<std::string>{c.free[0], c.free[1]}));
    EXPECT_NEAR(fit->correlation[0][1], c.correlation, 1e-6);
    EXPECT_EQ(fit->correlation[0][1], fit->correlation[1][0]);
}

INSTANTIATE_TEST_SUITE_P(Pairs, FitTradeOff,
                         ::testing::Values(TradeCase{"ShellAndHeadLengths",
                                                     "horizontal_cylinder.csv",
                                                     "horizontal-spherical-heads",
                                                     {5000, 2000, 500, 0},
                                                     {"L", "LD", "zero"},
                                                     -1},
                                           // π/4 · 1000² mm² is 0.785398 l a millimetre
                                           TradeCase{"ZeroAndVolumeBefore",
                                                     "100;78.540\n200;157.080\n300;235.619\n400;314.159\n500;392.699\n",
                                                     "vertical-cylinder",
                                                     {1000, 1000},
                                                     {"zero", "v0"},
                                                     1},
                                           TradeCase{"GaugeFootAndZero",
                                                     "inclined_cylinder.csv",
                                                     "inclined-cylinder",
                                                     {8000, 2400, 150, 4000},
                                                     {"B", "zero"},
                                                     -1}),
                         [](const auto& row) { return std::string(row.param.name); });

// What is saved with the tank, through the plain json type a tank document uses, reads back as it was.
TEST(FitJson, ReadsBackWhatItWrote)
{
    const auto fit = fitOf(reference().at("horizontal_cylinder"), {"L", "D", "zero"});
    const Json saved = fit;
    const auto back = saved.get<tarvol::FitResult>();
    EXPECT_EQ(tarvol::fitJson(back), tarvol::fitJson(fit));
    EXPECT_EQ(back.dims, fit.dims);
    const auto log = tarvol::parseFillLog(readData("outlier.csv"));
    const Json savedLog = *log;
    EXPECT_EQ(tarvol::fillLogJson(savedLog.get<tarvol::FillLog>()), tarvol::fillLogJson(*log));
}

} // namespace
