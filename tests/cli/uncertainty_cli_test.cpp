// tarvol-table with an uncertainty budget and a shell temperature: the columns, the JSON, the saved section.

#include <gtest/gtest.h>

#include "tests/cli/shell.h"
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <numbers>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using tarvol::test::Ran;

Ran run(const std::string& args)
{
    return tarvol::test::runShell(std::string(TARVOL_TABLE_PATH) + " " + args + " 2>/dev/null");
}

struct ShellCase {
    const char* name;
    const char* options;
    double celsius, alpha;
};

class ShellTemperature : public ::testing::TestWithParam<ShellCase> {};

// A vertical cylinder's exact volume is π D²/4 · h; at t every length is k times longer: V_t(h) = k² π D²/4 h up
// to the top k·H, the full volume above it.
TEST_P(ShellTemperature, EveryRowAndTheFullVolumeScale)
{
    const auto& c = GetParam();
    const auto r = run(std::string("--json --every-mm ") + c.options + " vertical-cylinder 1500 2000");
    ASSERT_EQ(r.status, 0);
    const auto j = nlohmann::json::parse(r.out);
    const double k = 1 + c.alpha * (c.celsius - 20);
    const double area = std::numbers::pi * 2000.0 * 2000.0 / 4 * 1e-6;
    ASSERT_EQ(j["rows"].size(), 1501u);
    for (const auto& row : j["rows"]) {
        const double h = row["level"];
        EXPECT_NEAR(row["volume"].get<double>(), k * k * area * std::min(h, k * 1500), 1e-12 * area * 1500)
            << "level " << h;
    }
    EXPECT_NEAR(j["shell"]["full_volume"].get<double>(), k * k * k * area * 1500, 1e-9);
    EXPECT_DOUBLE_EQ(j["shell"]["scale"].get<double>(), k);
}

INSTANTIATE_TEST_SUITE_P(Temperatures, ShellTemperature,
                         ::testing::Values(ShellCase{"Steel40", "--shell-temperature 40", 40, 12e-6},
                                           ShellCase{"AluminiumFrost", "--shell-temperature -30 --alpha 23e-6", -30,
                                                     23e-6},
                                           ShellCase{"AtReference", "--shell-temperature 20", 20, 12e-6}),
                         [](const auto& row) { return std::string(row.param.name); });

struct OutputCase {
    const char* name;
    const char* args;
};

class UncertaintyJson : public ::testing::TestWithParam<OutputCase> {};

// Every row carries U and U_rel = U/V in %, marked over the limit; the budget is echoed; the status stays 0.
TEST_P(UncertaintyJson, RowsCarryUAndTheLimitMark)
{
    const auto r = run(GetParam().args);
    ASSERT_EQ(r.status, 0);
    const auto j = nlohmann::json::parse(r.out);
    const double limit = j["uncertainty"]["limit"];
    EXPECT_EQ(j["uncertainty"]["coverage"], 2.0);
    for (const auto& row : j["rows"]) {
        if (row["volume"].get<double>() == 0) {
            EXPECT_TRUE(row["U_rel"].is_null());
            continue;
        }
        const double rel = 100 * row["U"].get<double>() / row["volume"].get<double>();
        EXPECT_NEAR(row["U_rel"].get<double>(), rel, 1e-9 * rel);
        EXPECT_EQ(row["over_limit"].get<bool>(), rel > limit) << "level " << row["level"];
    }
}

INSTANTIATE_TEST_SUITE_P(
    Runs, UncertaintyJson,
    ::testing::Values(OutputCase{"Typed", "--json --u-dim 1 --u-level 2 --limit 0.5% sphere 1000"},
                      OutputCase{"PerField", "--json --every-mm --u-dim 0.5,1.5 --u-level 1 --limit 1 8 2000 1000"}),
    [](const auto& row) { return std::string(row.param.name); });

struct RefusedCase {
    const char* name;
    const char* options;
    const char* said; // the start of the usage message
};

class BudgetRefused : public ::testing::TestWithParam<RefusedCase> {};

// A value past its range is a usage error naming the option and the range, before a row is printed: none of them
// can make a row overflow to INF or NaN, or the refinement of U recurse without end. The sensor's limits share
// the table: a value past its range is named as such, not as a fault of form.
TEST_P(BudgetRefused, NamesTheOptionAndItsRange)
{
    const auto r = tarvol::test::runShell(std::string(TARVOL_TABLE_PATH) + " " + GetParam().options
                                          + " horizontal-cylinder 2000 1000 2>&1 >/dev/null");
    EXPECT_EQ(r.status, 64);
    EXPECT_NE(r.out.find(std::string("tarvol-table: ") + GetParam().said), std::string::npos) << r.out;
}

INSTANTIATE_TEST_SUITE_P(
    Values, BudgetRefused,
    ::testing::Values(
        RefusedCase{"HotShellWithU", "--u-dim 1 --shell-temperature 1e107", "--shell-temperature: температура от −100"},
        RefusedCase{"HotShellAlone", "--shell-temperature 1e308", "--shell-temperature: температура от −100"},
        RefusedCase{"Alpha", "--shell-temperature 30 --alpha 1e308", "--alpha: число от 0 до 0,0001"},
        RefusedCase{"DimensionU", "--u-dim 1e308", "--u-dim: неотрицательные числа не больше 10000 мм"},
        RefusedCase{"LevelU", "--u-level 1e308", "--u-level: неотрицательное число не больше 10000 мм"},
        RefusedCase{"Coverage", "--u-dim 1 --coverage 1e308", "--coverage: положительное число не больше 10"},
        RefusedCase{"Limit", "--u-dim 1 --limit 1000%", "--limit: положительное число процентов не больше 100"},
        RefusedCase{"CommaInOneValue", "--u-level 1,2", "--u-level принимает одно число с десятичной точкой: 1.2"},
        RefusedCase{"SensorPointsPastRange", "--sensor --max-points 1000000000", "--max-points: точек не больше"},
        RefusedCase{"SensorOnePoint", "--sensor --max-points 1", "--max-points: точек не меньше 2"},
        RefusedCase{"SensorPercentPastRange", "--sensor --max-error 1000%", "--max-error в процентах — от 0 до 100"},
        RefusedCase{"SensorSevenDecimals", "--sensor --max-error 0.0000001", "--max-error: не более шести знаков"},
        RefusedCase{"SensorCommaInError", "--sensor --max-error 0,5%",
                    "--max-error принимает число с десятичной "
                    "точкой: 0.5%"}),
    [](const auto& row) { return std::string(row.param.name); });

// The budget saved with the tank prints the same table when the tank is read back.
TEST(UncertaintyTankFile, SavedBudgetComesBack)
{
    const auto file = std::filesystem::temp_directory_path() / ("tarvol-u-" + std::to_string(::getpid()) + ".tarvol");
    const std::string budget = "--u-dim 1,0.5 --u-level 2 --coverage 3 --limit 0.4 --shell-temperature 35";
    ASSERT_EQ(run("--save-tank '" + file.string() + "' " + budget + " horizontal-cylinder 2000 1000").status, 0);
    const auto fromFile = run("--json --tank '" + file.string() + "'");
    const auto typed = run("--json " + budget + " horizontal-cylinder 2000 1000");
    std::filesystem::remove(file);
    EXPECT_EQ(fromFile.status, 0);
    EXPECT_EQ(fromFile.out, typed.out);
}

} // namespace
