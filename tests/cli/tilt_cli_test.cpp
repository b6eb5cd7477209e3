// tarvol-table on a tilted horizontal tank: the pitch-only forms, the grid, the file, the refusals and u(pitch).

#include <gtest/gtest.h>

#include "tests/cli/shell.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include <nlohmann/json.hpp>

namespace {

using tarvol::test::Ran;

std::filesystem::path scratch()
{
    static const auto dir = [] {
        auto d = std::filesystem::temp_directory_path() / ("tarvol-tilt-cli-" + std::to_string(::getpid()));
        std::filesystem::create_directories(d);
        return d;
    }();
    return dir;
}

Ran run(const std::string& args)
{
    return tarvol::test::runShell(std::string(TARVOL_TABLE_PATH) + " " + args + " 2>/dev/null");
}

// The second form of each pair asks for the same table another way.
struct SameCase {
    const char* name;
    const char* first;
    const char* second;
};

void PrintTo(const SameCase& c, std::ostream* out) { *out << c.name; }

class TiltSame : public ::testing::TestWithParam<SameCase> {};

TEST_P(TiltSame, PrintsTheSameTable)
{
    const auto& c = GetParam();
    const Ran first = run(c.first);
    const Ran second = run(c.second);
    ASSERT_EQ(first.status, 0);
    ASSERT_EQ(second.status, 0);
    EXPECT_FALSE(first.out.empty());
    EXPECT_EQ(first.out, second.out);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, TiltSame,
    ::testing::Values(
        SameCase{"CylinderAsInclined", "--csv inclined-cylinder 6000 2000 140 3000",
                 "--csv --pitch 140mm --gauge-at 3000,0 horizontal-cylinder 6000 2000"},
        SameCase{"TorisphericalAsInclined",
                 "--csv --decimals 2 inclined-torispherical-heads 10000 3000 50 581 3000 300 "
                 "200 2000",
                 "--csv --decimals 2 --pitch 200mm --gauge-at 2000,0 horizontal-torispherical-heads 10000 3000 50 581 "
                 "3000 300"},
        SameCase{"BoxAsInclined", "--csv inclined-box 8000 1500 2000 90 4000",
                 "--csv --pitch 90mm --gauge-at 4000 box 8000 1500 2000"},
        // a round shell read through its axis is the same tank at every roll
        SameCase{"RolledCylinderThroughItsAxis", "--csv --pitch 1 --roll 7 horizontal-cylinder 6000 2000",
                 "--csv --pitch 1 horizontal-cylinder 6000 2000"}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

struct StatusCase {
    const char* name;
    const char* args;
    int status;
};

void PrintTo(const StatusCase& c, std::ostream* out) { *out << c.name; }

class TiltStatus : public ::testing::TestWithParam<StatusCase> {};

TEST_P(TiltStatus, Exits) { EXPECT_EQ(run(GetParam().args).status, GetParam().status); }

INSTANTIATE_TEST_SUITE_P(
    Refusals, TiltStatus,
    ::testing::Values(StatusCase{"VerticalShape", "--pitch 1 vertical-cylinder 1000 1000", 64},
                      StatusCase{"InclinedShape", "--roll 1 inclined-cylinder 6000 2000 140 3000", 64},
                      StatusCase{"NotAnAngle", "--pitch 1e3 horizontal-cylinder 6000 2000", 64},
                      StatusCase{"PastUpright", "--roll 90 horizontal-cylinder 6000 2000", 64},
                      StatusCase{"RiseLongerThanTheShell", "--pitch 7000mm horizontal-cylinder 6000 2000", 64},
                      StatusCase{"UnknownGauge", "--gauge float horizontal-cylinder 6000 2000", 64},
                      StatusCase{"GridWithSensor", "--pitch-range 0:2:1 --sensor horizontal-cylinder 6000 2000", 64},
                      StatusCase{"BothRanges", "--pitch-range 0:2:1 --roll-range 0:2:1 box 8000 1500 2000", 64},
                      StatusCase{"GaugeBeyondTheEnd", "--gauge-at 9000,0 --pitch 1 horizontal-cylinder 6000 2000", 2},
                      StatusCase{"GaugeBesideTheShell", "--gauge-at 3000,1200 horizontal-cylinder 6000 2000", 2}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

// Each column of the grid is the table of its own pitch, every millimetre.
TEST(TiltGrid, ColumnIsTheTableOfItsPitch)
{
    const Ran grid = run("--pitch-range -1:1:0.5 --roll 3 --gauge-at 1000,300 --decimals 3 box 8000 1500 2000");
    const Ran table = run("--csv --pitch 0.5 --roll 3 --gauge-at 1000,300 --decimals 3 box 8000 1500 2000");
    ASSERT_EQ(grid.status, 0);
    ASSERT_EQ(table.status, 0);
    std::istringstream g(grid.out);
    std::istringstream t(table.out);
    std::string gLine;
    std::string tLine;
    std::getline(g, gLine);
    std::getline(t, tLine);
    EXPECT_EQ(gLine, "level_mm;-1;-0.5;0;0.5;1");
    int compared = 0;
    while (std::getline(t, tLine) && std::getline(g, gLine)) {
        std::vector<std::string> cells;
        std::istringstream cellsIn(gLine);
        for (std::string cell; std::getline(cellsIn, cell, ';');)
            cells.push_back(cell);
        ASSERT_EQ(cells.size(), 6U);
        EXPECT_EQ(cells[0] + ';' + cells[4], tLine);
        ++compared;
    }
    EXPECT_GT(compared, 1000);
}

// The orientation and u(pitch) kept in the file give what the options gave.
TEST(TiltFile, KeepsTheOrientation)
{
    const std::string options = "--pitch 1.2 --roll -4 --gauge-at 2500,-300 --gauge fixed --u-roll 0.2";
    const auto file = scratch() / "tilted.tarvol";
    ASSERT_EQ(run(options + " --save-tank '" + file.string() + "' box 8000 1500 2000").status, 0);
    const Ran typed = run(options + " box 8000 1500 2000");
    const Ran read = run("--tank '" + file.string() + "'");
    ASSERT_EQ(typed.status, 0);
    EXPECT_EQ(typed.out, read.out);

    // the documents' grid is kept beside it; a range that gives no angles is a broken file
    auto json = nlohmann::json::parse(std::ifstream(file));
    for (const auto& [step, status] : {std::pair{0.5, 0}, std::pair{0.0, 65}}) {
        auto withGrid = json;
        withGrid["tilt_grid"] = {{"vary", "roll"}, {"from_deg", -2}, {"to_deg", 2}, {"step_deg", step}};
        const auto gridFile = scratch() / "grid.tarvol";
        std::ofstream(gridFile) << withGrid.dump();
        EXPECT_EQ(run("--tank '" + gridFile.string() + "'").status, status) << step;
    }
    // the same section on a vertical shape is a broken file
    json["shape"] = 0;
    json["dimensions_mm"] = {"1000"};
    const auto wrong = scratch() / "vertical.tarvol";
    std::ofstream(wrong) << json.dump();
    EXPECT_EQ(run("--tank '" + wrong.string() + "'").status, 65);
}

// U from u(pitch) alone is k times the volume's change per degree, found here from two tables a step apart.
TEST(TiltUncertainty, PitchJoinsTheBudget)
{
    const auto rowsOf = [](const std::string& args) {
        return nlohmann::json::parse(run("--json " + args + " box 8000 1500 2000").out).at("rows");
    };
    const auto rows = rowsOf("--pitch 2 --roll 1 --u-pitch 0.25");
    const auto up = rowsOf("--pitch 2.01 --roll 1");
    const auto down = rowsOf("--pitch 1.99 --roll 1");
    ASSERT_EQ(rows.size(), up.size());
    for (std::size_t i = 1; i + 1 < rows.size(); ++i) {
        const double slope = (up[i]["volume"].get<double>() - down[i]["volume"].get<double>()) / 0.02;
        EXPECT_NEAR(rows[i]["U"].get<double>(), 2 * std::abs(slope) * 0.25, 1e-3 * rows[i]["volume"].get<double>())
            << "row " << i;
    }
}

} // namespace
