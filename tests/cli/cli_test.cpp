// tarvol-table as a user runs it: output and exit statuses.

#include <gtest/gtest.h>

#include "tests/cli/shell.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "calc/catalogue.h"
#include "calc/csv.h"
#include "calc/run.h"
#include "tests/published_figures.h"

namespace {

using tarvol::test::Ran;

Ran table(const std::string& args)
{
    return tarvol::test::runShell(std::string(TARVOL_TABLE_PATH) + " " + args + " 2>/dev/null");
}

TEST(Cli, SphereExample)
{
    const auto r = table("--decimals 3 --comma 0 1000");
    EXPECT_EQ(r.status, 0);
    std::string expected = "Сферическая ёмкость\nВнутренний диаметр ёмкости (D)  1000\n\nУровень (мм)\tОбъём (л)\n";
    for (const auto& row : tarvol::published::kSphereRows)
        expected += std::to_string(row.level) + '\t' + row.volume + '\n';
    EXPECT_EQ(r.out, expected + '\n' + tarvol::published::kSphereErrorLine + '\n');
}

// the index one past the catalogue's last shape
const std::string kPastLastShape = std::to_string(tarvol::kShapeCount) + " 1000";

struct StatusCase {
    const char* name;
    const char* args;
    int status;
};

class CliStatus : public ::testing::TestWithParam<StatusCase> {};

TEST_P(CliStatus, ExitsWith) { EXPECT_EQ(table(GetParam().args).status, GetParam().status); }

INSTANTIATE_TEST_SUITE_P(
    Statuses, CliStatus,
    ::testing::Values(
        StatusCase{"Table", "8 1000 1000", 0}, StatusCase{"List", "--list", 0},
        StatusCase{"Refused", "3 1000 1000 50 600", 2}, StatusCase{"TooShallow", "0 9", 2},
        StatusCase{"NoArguments", "", 64}, StatusCase{"UnknownShape", kPastLastShape.c_str(), 64},
        StatusCase{"ShapeNotANumber", "x 1000", 64}, StatusCase{"TooFewDims", "1 1000", 64},
        StatusCase{"TooManyDims", "0 1000 1000", 64}, StatusCase{"NineDigits", "0 123456789", 64},
        StatusCase{"NotDigits", "0 1e3", 64}, StatusCase{"NegativeDim", "0 -5", 64},
        StatusCase{"BadDecimals", "--decimals 4 0 1000", 64}, StatusCase{"UnknownOption", "--x 0 1000", 64},
        StatusCase{"Help", "--help", 0}, StatusCase{"Version", "--version", 0},
        StatusCase{"DecimalsWithoutValue", "0 1000 --decimals", 64},
        StatusCase{"CsvWithJson", "--csv --json 0 1000", 64}, StatusCase{"UnknownKey", "spheroid 1000", 64},
        StatusCase{"KeyInOtherCase", "Sphere 1000", 64}, StatusCase{"StdoutFull", "0 1000 >/dev/full", 74},
        StatusCase{"EveryMmStdoutFull", "--every-mm 0 100000 >/dev/full", 74},
        StatusCase{"StdoutClosed", "0 1000 >&-", 74}, StatusCase{"EndOfOptions", "-- 0 1000", 0},
        StatusCase{"RepeatedDecimals", "--decimals 1 --decimals 2 0 1000", 64},
        StatusCase{"FlagWithAValue", "--json=0 0 1000", 64}, StatusCase{"RepeatedFlag", "--csv --csv 0 1000", 64},
        StatusCase{"RepeatedSensorOption", "--sensor --zero 1 --zero 2 0 1000", 64},
        StatusCase{"RepeatedSaveTank", "--save-tank a --save-tank b 0 1000", 64},
        StatusCase{"ByGaugeWithoutZero", "--by-gauge 0 1000", 0},
        StatusCase{"ByGaugeWithSensor", "--by-gauge --sensor 0 1000", 64},
        StatusCase{"SensorWithUncertainty", "--sensor --u-dim 1 0 1000", 64},
        StatusCase{"SensorAtShellTemperature", "--sensor --shell-temperature 40 0 1000", 0},

        StatusCase{"SensorTable", "--sensor --zero 5 0 1000", 0},
        StatusCase{"SensorFewestWithin", "--sensor --max-error 0.5% --max-points 30 8 2000 1000", 0},
        StatusCase{"SensorOptionAlone", "--zero 5 0 1000", 64},
        StatusCase{"SensorZeroAndTop", "--sensor --zero 5 --from-top 900 0 1000", 64},
        StatusCase{"SensorCodeWithoutSpan", "--sensor --code 0:1023 0 1000", 64},
        StatusCase{"SensorCodeNotPair", "--sensor --code 1023 --span 500 0 1000", 64},
        StatusCase{"SensorBadError", "--sensor --max-error 5l 0 1000", 64},
        StatusCase{"SensorOnePoint", "--sensor --max-points 1 0 1000", 64},
        StatusCase{"SensorUnknownFormat", "--sensor --format xml 0 1000", 64},
        StatusCase{"SensorWithCsv", "--sensor --csv 0 1000", 64},
        StatusCase{"SensorReferenceZero", "--sensor --from-top 0 0 1000", 2},
        StatusCase{"SensorZeroAboveTop", "--sensor --zero 1001 0 1000", 2},
        StatusCase{"SensorSpanZero", "--sensor --code 0:1023 --span 0 0 1000", 2},
        StatusCase{"SensorEqualCodes", "--sensor --code 7:7 --span 500 0 1000", 2},
        StatusCase{"SensorTooFewPoints", "--sensor --max-error 0.01% --max-points 5 8 2000 1000", 2},
        StatusCase{"SensorTankRefused", "--sensor 0 9", 2}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST(Cli, ListHasEveryShape)
{
    const auto r = table("--list");
    int lines = 0;
    for (char c : r.out)
        lines += c == '\n';
    EXPECT_EQ(lines, tarvol::kShapeCount);
    EXPECT_NE(
        r.out.find("16\t1\tПрямоугольная емкость со скруглёнными краями\tДлина ёмкости (L) | Высота ёмкости (H) | "
                   "Ширина ёмкости (S) | Радиус скругления углов (RS)\trounded-box\n"),
        std::string::npos);
}

TEST(Cli, JsonCarriesTheFigures)
{
    const auto r = table("--json 15 2000 1000 1500");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("\"step\": 100"), std::string::npos);
    EXPECT_NE(r.out.find("\"sum_volume\": 3000,"), std::string::npos);
    EXPECT_NE(r.out.find("\"error_percent\": 0,"), std::string::npos);
    EXPECT_NE(r.out.find("\"check_value\": false"), std::string::npos);
    EXPECT_NE(r.out.find("{\"level\": 100, \"volume\": 300, \"text\": \"300\"}"), std::string::npos);
}

TEST(Cli, EveryMillimetreFromZeroToTheTop)
{
    const auto r = table("--every-mm 15 10 10 10");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("\n0\t0\n1\t0\n"), std::string::npos);
    EXPECT_NE(r.out.find("\n10\t0\n\n"), std::string::npos);
}

struct OutputCase {
    const char* name;
    const char* args;
    const char* head; // what standard output starts with
};

class CliOutput : public ::testing::TestWithParam<OutputCase> {};

// a box of 1 m by 1 m holds one litre a millimetre
INSTANTIATE_TEST_SUITE_P(
    Sensor, CliOutput,
    ::testing::Values(OutputCase{"ZeroOffset", "--sensor --zero 2 box 1000 10 1000", "level_mm;volume_l\n0;2\n1;3\n"},
                      OutputCase{"FromTopPairs", "--sensor --from-top 12 --format xy box 1000 10 1000", "2 10\n3 9\n"},
                      OutputCase{"CodeYaml", "--sensor --code 0:4 --span 2 --decimals 1 --format yaml box 1000 10 1000",
                                 "- calibrate_linear:\n    - 0 -> 0.0\n    - 1 -> 0.5\n    - 2 -> 1.0\n"},
                      OutputCase{"StraightJson", "--sensor --max-error 0 --format json box 1000 10 1000",
                                 "{\"x\": \"level_mm\", \"breakpoints\": [[0, 0], [10, 10]], "
                                 "\"max_error_l\": 0, \"at\": null}\n"}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST_P(CliOutput, StartsWith) { EXPECT_EQ(table(GetParam().args).out.rfind(GetParam().head, 0), 0u); }

// horizontal cylinder L 2000, D 1000: the first slabs are 2 L sqrt(R^2 - (R - x)^2) at mid-height x
INSTANTIATE_TEST_SUITE_P(
    Heads, CliOutput,
    ::testing::Values(
        OutputCase{"Version", "--version", "tarvol-table 4.1\n"},
        OutputCase{"Help", "--help", "tarvol-table — градуировочная таблица"},
        OutputCase{"CsvHead", "--decimals 3 --csv 8 2000 1000",
                   "level_mm;volume_l\n0;0.000\n1;0.089\n2;0.244\n3;0.444\n"},
        OutputCase{"RefusalWithField", "--json 3 1000 1000 50 600",
                   "{\"refusal\": {\"kind\": \"inconsistent\", \"fault\": \"spherical-head-too-high\", "
                   "\"field\": 3, \"limit\": 500, \"other_limit\": 1200, \"message\": \"Размеры указаны "
                   "неверно!\\nУвеличьте диаметр"},
        OutputCase{"WholeNumbersWithoutExponent", "--json 0 100000",
                   "{\"shape\": 0, \"name\": \"Сферическая ёмкость\", \"dimensions\": [100000], \"rows\": "
                   "[{\"level\": 10000, \"volume\": 14660765.719370347"},
        OutputCase{"RefusalOfTheOneField", "--json 0 9",
                   "{\"refusal\": {\"kind\": \"inconsistent\", \"fault\": \"too-shallow\", \"field\": "
                   "0, \"limit\": 10, \"message\": \"Размер \\\"Внутренний диаметр ёмкости (D)\\\" должен "
                   "быть не менее 10 мм.\"}}\n"}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

struct KeyCase {
    const char* key;
    const char* index;
    const char* dims;
};

class CliKey : public ::testing::TestWithParam<KeyCase> {};

TEST_P(CliKey, GivesTheIndexTable)
{
    const auto byKey = table(std::string("--json ") + GetParam().key + " " + GetParam().dims);
    EXPECT_EQ(byKey.status, 0);
    EXPECT_EQ(byKey.out, table(std::string("--json ") + GetParam().index + " " + GetParam().dims).out);
}

INSTANTIATE_TEST_SUITE_P(Keys, CliKey,
                         ::testing::Values(KeyCase{"sphere", "0", "1000"},
                                           KeyCase{"horizontal-cone-heads", "12", "2000 1000 100 300"},
                                           KeyCase{"inclined-box", "25", "2000 1000 1500 100 200"}),
                         [](const auto& testInfo) {
                             std::string name = testInfo.param.key;
                             std::erase(name, '-');
                             return name;
                         });

TEST(Cli, CsvIsTheCoresCsv)
{
    tarvol::RunOptions options;
    options.decimalPlaces = 2;
    options.keepEveryLevel = true;
    const std::vector<std::string> dims{"2000", "1000", "100", "300"};
    const auto run = tarvol::calculateFromTexts(18, dims, options);
    ASSERT_TRUE(run.ok());
    EXPECT_EQ(table("--decimals 2 --csv 18 2000 1000 100 300").out, tarvol::csvTable(run.result().levelVolumes, 2));
}

TEST(Cli, CsvHasEveryMillimetre)
{
    const auto r = table("--csv 8 2000 1000");
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1002);
    EXPECT_TRUE(r.out.ends_with("\n1000;1571\n"));
}

} // namespace
