// tarvol-table on a tank made from its strapping record: the file round trip, the records and options refused,
// and every row as the record's own volume gives it.

#include <gtest/gtest.h>

#include "tests/cli/shell.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "tank/strapping.h"
#include "tank/tank.h"

namespace {

using tarvol::test::Ran;
using Json = nlohmann::ordered_json;

std::filesystem::path scratch()
{
    static const auto dir = [] {
        auto d = std::filesystem::temp_directory_path() / ("tarvol-measured-cli-" + std::to_string(::getpid()));
        std::filesystem::create_directories(d);
        return d;
    }();
    return dir;
}

Ran run(const std::string& args)
{
    const auto errFile = scratch() / "stderr";
    Ran r = tarvol::test::runShell(std::string(TARVOL_TABLE_PATH) + " " + args + " 2>'" + errFile.string() + "'");
    std::ifstream err(errFile);
    r.err.assign(std::istreambuf_iterator<char>(err), {});
    return r;
}

// Two courses, a coned bottom below the zero, a tilt and the record's uncertainties, with a level budget.
Json tankJson()
{
    return Json::parse(R"({"format": "tarvol-tank", "version": 1, "shape": "measured-vertical", "decimals": 2,
        "passport": {"tank_number": "РВС-7"},
        "strapping": {"courses": [{"height_mm": 1490, "thickness_mm": 10, "circumferences_mm": [18913.4, 18913.9]},
                                  {"height_mm": 1490, "thickness_mm": 8, "circumferences_mm": [18900.1]}],
                      "paint_mm": 0.3, "tape": {"temperature_c": 12.0, "alpha": 11.5e-6},
                      "shell_temperature_c": 12.0, "alpha_shell": 12e-6, "tilt": {"mm_per_m": 8.0},
                      "bottom": [[0, -60], [2000, -35], [3000, 0]],
                      "u_circumference_mm": 2.0, "u_thickness_mm": 0.3},
        "uncertainty": {"u_dims": [0], "u_level": 1.5}})"); // a zero for no field is no budget of fields
}

std::string written(const std::string& name, const Json& tank)
{
    const auto path = scratch() / (name + ".tarvol");
    std::ofstream(path) << tank.dump(2);
    return path.string();
}

tarvol::MeasuredTank prepared()
{
    const auto record = tarvol::strappingFromJson(tankJson()["strapping"]);
    return *tarvol::MeasuredTank::prepare(*record);
}

TEST(MeasuredTankFile, ReadsWritesAndReadsTheSameTank)
{
    const auto first = tarvol::readTank(written("round", tankJson()));
    ASSERT_TRUE(first.has_value()) << tarvol::tankFileErrorText(first.error());
    EXPECT_EQ(first->shape, tarvol::kMeasuredShape);
    const auto copy = (scratch() / "copy.tarvol").string();
    ASSERT_TRUE(tarvol::writeTank(copy, *first).has_value());
    const auto second = tarvol::readTank(copy);
    ASSERT_TRUE(second.has_value());
    EXPECT_EQ(tarvol::documentOf(*second), tarvol::documentOf(*first));
    EXPECT_EQ(second->strapping, first->strapping);
    // the command line's save of the file's tank keeps it too
    const auto saved = (scratch() / "saved.tarvol").string();
    ASSERT_EQ(run("--tank '" + copy + "' --save-tank '" + saved + "'").status, 0);
    EXPECT_EQ(tarvol::readTank(saved)->strapping, first->strapping);
}

struct RefusedCase {
    const char* name;
    const char* pointer; // JSON pointer into the file
    const char* value;   // JSON; null removes the key
    const char* key;     // named in the message
};

void PrintTo(const RefusedCase& c, std::ostream* out) { *out << c.name; }

class MeasuredTankRefused : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(MeasuredTankRefused, ExitsNamingTheKey)
{
    const RefusedCase& c = GetParam();
    Json tank = tankJson();
    const Json::json_pointer at(c.pointer);
    if (std::string(c.value) == "null")
        tank[at.parent_pointer()].erase(at.back());
    else
        tank[at] = Json::parse(c.value);
    const Ran r = run("--tank '" + written(c.name, tank) + "'");
    EXPECT_EQ(r.status, 65);
    EXPECT_TRUE(r.out.empty()) << r.out;
    EXPECT_NE(r.err.find(c.key), std::string::npos) << r.err;
}

INSTANTIATE_TEST_SUITE_P(
    Records, MeasuredTankRefused,
    ::testing::Values(RefusedCase{"NoCourses", "/strapping/courses", "[]", "«strapping.courses»"},
                      RefusedCase{"CourseHeight", "/strapping/courses/1/height_mm", "0",
                                  "«strapping.courses[1].height_mm»"},
                      RefusedCase{"DiameterNotPositive", "/strapping/courses/0/circumferences_mm", "[60]",
                                  "«strapping.courses[0].circumferences_mm»"},
                      RefusedCase{"Tilt", "/strapping/tilt/mm_per_m", "30.5", "«strapping.tilt.mm_per_m»"},
                      RefusedCase{"BottomPastTheWall", "/strapping/bottom/2/0", "3100", "«strapping.bottom[2][0]»"},
                      RefusedCase{"NoRecord", "/strapping", "null", "«strapping»"},
                      RefusedCase{"Dimensions", "/dimensions_mm", "[1000]", "«dimensions_mm»"},
                      RefusedCase{"DimensionUncertainty", "/uncertainty/u_dims", "[1]", "«uncertainty.u_dims»"}),
    [](const auto& row) { return std::string(row.param.name); });

// What a drawn shape's fields, fit or tilt ask has no meaning here: a usage error naming the option.
TEST(MeasuredTankOptions, InapplicableOnesAreUsageErrors)
{
    const std::string file = written("options", tankJson());
    for (const char* option : {"--u-dim 1", "--pitch 1", "--gauge-at 0,0", "--fill x.csv --free D"}) {
        const Ran r = run("--tank '" + file + "' " + option);
        EXPECT_EQ(r.status, 64) << option;
        EXPECT_NE(r.err.find(std::string(option).substr(0, std::string(option).find(' '))), std::string::npos) << r.err;
    }
}

struct RowsCase {
    const char* name;
    const char* options;
    double scale; // of every length: the shell's temperature
};

void PrintTo(const RowsCase& c, std::ostream* out) { *out << c.name; }

class MeasuredTankRows : public ::testing::TestWithParam<RowsCase> {};

TEST_P(MeasuredTankRows, EveryRowIsTheRecordsVolume)
{
    const RowsCase& c = GetParam();
    const Ran r = run(std::string("--json --every-mm ") + c.options + " --tank '" + written(c.name, tankJson()) + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    const Json out = Json::parse(r.out);
    const tarvol::MeasuredTank tank = prepared();
    const double k = c.scale;
    ASSERT_EQ(out["rows"].size(), static_cast<std::size_t>(std::floor(tank.height())) + 1);
    for (const Json& row : out["rows"]) {
        const double level = row["level"].get<double>();
        const double volume = k * k * k * tank.volumeAt(level / k);
        EXPECT_NEAR(row["volume"].get<double>(), volume, 1e-9 * tank.fullVolume()) << level;
        const double u = k * k * k * tank.uncertaintyAt(level / k, 1.5 / k, 2).expanded;
        EXPECT_NEAR(row["U"].get<double>(), u, 1e-9 * tank.fullVolume()) << level;
    }
    EXPECT_DOUBLE_EQ(out["true_volume"].get<double>(), tank.fullVolume());
}

INSTANTIATE_TEST_SUITE_P(Tables, MeasuredTankRows,
                         ::testing::Values(RowsCase{"At20", "", 1},
                                           RowsCase{"ShellAt40", "--shell-temperature 40", 1 + 12e-6 * 20}),
                         [](const auto& row) { return std::string(row.param.name); });

// Every other output of one tank works on it.
TEST(MeasuredTankOutputs, EachGivesItsTable)
{
    const std::string file = written("outputs", tankJson());
    for (const char* options : {"", "--csv", "--reverse", "--comma --limit 0.5", "--by-gauge", "--sensor"}) {
        const Ran r = run("--tank '" + file + "' " + options);
        EXPECT_EQ(r.status, 0) << options << ": " << r.err;
        EXPECT_FALSE(r.out.empty()) << options;
        EXPECT_EQ(r.out.find("nan"), std::string::npos) << options;
    }
}

} // namespace
