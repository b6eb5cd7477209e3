// The table of a fitted tank: U from the fit's covariance alone, by the tank's level and by the gauge's reading,
// against a Monte Carlo run of the same fit (tests/tank/fit_montecarlo.py).

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tank/table.h"
#include "uncertainty/statement.h"

namespace {

struct Reference {
    double level = 0;
    double volume = 0;
    double u = 0;
};

// rows → their reference rows, as the script wrote them
std::map<std::string, std::vector<Reference>> reference()
{
    std::map<std::string, std::vector<Reference>> rows;
    std::ifstream in(TARVOL_FIT_MONTECARLO);
    std::string line;
    std::getline(in, line); // heading
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string kind, level, volume, u;
        std::getline(fields, kind, ';');
        std::getline(fields, level, ';');
        std::getline(fields, volume, ';');
        std::getline(fields, u, ';');
        rows[kind].push_back({std::stod(level), std::stod(volume), std::stod(u)});
    }
    return rows;
}

// The horizontal cylinder fitted to tests/fit/data/horizontal_cylinder.csv with L, D and zero free, as the fit
// reported it; the budget says nothing of its own.
tarvol::Tank fittedCylinder()
{
    tarvol::FitResult fit;
    fit.shape = 8;
    fit.startDims = {6000, 2000};
    fit.dims = {6014.832637328816, 1991.1446476184694};
    using Kind = tarvol::ParameterKind;
    fit.parameters = {{"L", Kind::Field, 0, 6000, 6014.832637328816, 5.063741965470577},
                      {"D", Kind::Field, 1, 2000, 1991.1446476184694, 1.3131724553858901},
                      {"zero", Kind::Zero, -1, 0, 4.287139543821087, 0.276882611488259}};
    fit.correlation = {{1.0, -0.9817231164624785, -0.891007766994517},
                       {-0.9817231164624785, 1.0, 0.8094365898537909},
                       {-0.8910077669945171, 0.8094365898537909, 1.0}};
    tarvol::Tank drawing;
    drawing.shape = 8;
    drawing.dimensions = {6000, 2000};
    drawing.decimals = 3;
    drawing.budget = tarvol::UncertaintyInputs{};
    drawing.budget->dims = {0};
    return tarvol::withFit(drawing, fit);
}

class FittedTankU : public ::testing::TestWithParam<const char*> {};

TEST_P(FittedTankU, EveryRowWithinFivePercentOfMonteCarlo)
{
    const bool byGauge = std::string(GetParam()) == "gauge";
    tarvol::TableRequest request;
    request.keepLevels = true;
    request.byGauge = byGauge;
    const auto made = tarvol::tableOf(fittedCylinder(), request);
    ASSERT_TRUE(made.ok());
    const tarvol::TankTable& t = made.table();
    ASSERT_TRUE(t.hasU);
    ASSERT_EQ(t.byGauge, byGauge);
    const auto rows = reference()[GetParam()];
    ASSERT_EQ(rows.size(), 19u);
    for (const Reference& row : rows) {
        const auto level = static_cast<std::size_t>(row.level);
        // by the tank's level the rows are the slabs' sums, within the summation's own error of the exact volume
        EXPECT_NEAR(t.levelVolumes[level], row.volume, byGauge ? 1e-8 * row.volume : 0.05) << "level " << row.level;
        EXPECT_NEAR(t.levelU[level] / 2 / row.u, 1.0, 0.05)
            << "level " << row.level << ": " << t.levelU[level] / 2 << " against " << row.u;
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, FittedTankU, ::testing::Values("level", "gauge"),
                         [](const auto& row) { return std::string(row.param); });

struct NoteCase {
    const char* name;
    double from, to;
    const char* words;
};

class LinearityNote : public ::testing::TestWithParam<NoteCase> {};

TEST_P(LinearityNote, NamesOneLevelOrARange)
{
    const std::string note = tarvol::linearityNote(GetParam().from, GetParam().to, ',');
    EXPECT_NE(note.find(GetParam().words), std::string::npos) << note;
}

INSTANTIATE_TEST_SUITE_P(Levels, LinearityNote,
                         ::testing::Values(NoteCase{"One", 1000, 1000, "неточна на уровне 1000 мм:"},
                                           NoteCase{"Range", 1, 2, "неточна на уровнях 1–2 мм:"}),
                         [](const auto& row) { return std::string(row.param.name); });

// The ranges of a poor linear estimate do not depend on which rows are printed or kept: each level is told once,
// by the tank's level and by the gauge's reading.
struct RangesCase {
    const char* name;
    int shape;
    std::vector<double> dimensions;
    bool byGauge;
};

class NonlinearRangesOf : public ::testing::TestWithParam<RangesCase> {};

TEST_P(NonlinearRangesOf, AreTheSameWhicheverRowsAreMade)
{
    tarvol::Tank tank;
    tank.shape = GetParam().shape;
    tank.dimensions = GetParam().dimensions;
    tank.budget = tarvol::UncertaintyInputs{};
    tank.budget->level = 5;
    const auto ranges = [&tank](bool keep, bool every) {
        tarvol::TableRequest request;
        request.keepLevels = keep;
        request.everyLevel = every;
        request.byGauge = GetParam().byGauge;
        const auto made = tarvol::tableOf(tank, request);
        EXPECT_TRUE(made.ok());
        return made.ok() ? made.table().nonlinear : std::vector<std::pair<double, double>>{};
    };
    const auto printed = ranges(false, false);
    ASSERT_FALSE(printed.empty());
    for (std::size_t k = 1; k < printed.size(); ++k)
        EXPECT_GT(printed[k].first, printed[k - 1].second + 1);
    EXPECT_EQ(ranges(true, false), printed);
    EXPECT_EQ(ranges(false, true), printed);
    EXPECT_EQ(ranges(true, true), printed);
}

INSTANTIATE_TEST_SUITE_P(Tanks, NonlinearRangesOf,
                         ::testing::Values(RangesCase{"Cylinder", 8, {3000, 2000}, false},
                                           RangesCase{"CylinderByGauge", 8, {3000, 2000}, true},
                                           RangesCase{"InclinedCylinder", 18, {3000, 2000, 100, 1500}, false}),
                         [](const auto& row) { return std::string(row.param.name); });

} // namespace
