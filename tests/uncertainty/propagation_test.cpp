// The uncertainty of rows against a Monte Carlo run through the exact volumes (montecarlo.py, run once).

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "calc/catalogue.h"
#include "calc/model.h"
#include "tests/realistic_tanks.h"
#include "uncertainty/inputs.h"
#include "uncertainty/propagation.h"

namespace {

struct ReferenceRow {
    std::string shape;
    std::vector<double> dims, uDims;
    double uLevel = 0, level = 0, volume = 0, u = 0;
};

std::vector<double> numbers(const std::string& text)
{
    std::vector<double> out;
    std::istringstream in(text);
    for (double v; in >> v;)
        out.push_back(v);
    return out;
}

// case name → its rows, as montecarlo.py wrote them
std::map<std::string, std::vector<ReferenceRow>> reference()
{
    std::map<std::string, std::vector<ReferenceRow>> cases;
    std::ifstream in(TARVOL_UNCERTAINTY_REFERENCE);
    std::string line;
    std::getline(in, line); // heading
    while (std::getline(in, line)) {
        std::vector<std::string> f;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, ';');)
            f.push_back(cell);
        cases[f[0]].push_back(
            {f[1], numbers(f[2]), numbers(f[3]), std::stod(f[4]), std::stod(f[5]), std::stod(f[6]), std::stod(f[7])});
    }
    return cases;
}

class MonteCarloAgreement : public ::testing::TestWithParam<const char*> {};

TEST_P(MonteCarloAgreement, EveryRowWithinFivePercent)
{
    const auto rows = reference()[GetParam()];
    ASSERT_EQ(rows.size(), 19u);
    const auto& first = rows.front();
    const int shape = *tarvol::findShapeByKey(first.shape);
    tarvol::UncertaintyInputs inputs;
    inputs.dims = first.uDims;
    inputs.level = first.uLevel;
    const auto p = tarvol::Propagation::prepare(shape, first.dims, inputs);
    ASSERT_TRUE(p.has_value());
    for (const auto& row : rows) {
        const auto r = p->at(row.level, row.volume);
        EXPECT_NEAR(r.u / row.u, 1.0, 0.05) << "level " << row.level << ": " << r.u << " against " << row.u;
        EXPECT_NEAR(r.expanded, 2 * r.u, 1e-12 * r.u);
    }
}

INSTANTIATE_TEST_SUITE_P(Shapes, MonteCarloAgreement,
                         ::testing::Values("Sphere", "VerticalCylinder", "HorizontalCylinder", "Box"),
                         [](const auto& row) { return std::string(row.param); });

class ProfileAgainstModels : public ::testing::TestWithParam<int> {};

// The rows of a whole table come from sensitivities interpolated along the height; each must be the row the
// models give, flag included, at levels off the profile's own nodes.
TEST_P(ProfileAgainstModels, EveryShapeToAMillionthOfU)
{
    const int k = GetParam();
    const auto& dims = tarvol::sample::kRealistic.at(tarvol::shape(k).key);
    tarvol::UncertaintyInputs inputs;
    inputs.dims = {1.0};
    inputs.level = 1.0;
    const auto p = tarvol::Propagation::prepare(k, dims, inputs);
    ASSERT_TRUE(p.has_value());
    for (double level = 0; level <= p->top(); level += 7) {
        const double volume = p->volume(level);
        const auto row = p->at(level, volume);
        const auto exact = p->exactAt(level, volume);
        EXPECT_NEAR(row.u, exact.u, 1e-6 * exact.u) << "level " << level;
        EXPECT_EQ(row.nonlinear, exact.nonlinear) << "level " << level;
    }
}

INSTANTIATE_TEST_SUITE_P(Catalogue, ProfileAgainstModels, ::testing::Range(0, tarvol::kShapeCount),
                         [](const auto& row) { return tarvol::sample::rowName(tarvol::shape(row.param).key); });

// Below the top the liquid never meets the roof, so the height measured wrong changes nothing.
TEST(UncertaintyOfHeight, VerticalCylinderBelowTheTopIsUntouched)
{
    const int shape = *tarvol::findShapeByKey("vertical-cylinder");
    const std::vector<double> dims{1500, 2000};
    tarvol::UncertaintyInputs heightOnly;
    heightOnly.dims = {5.0, 0.0};
    const auto p = tarvol::Propagation::prepare(shape, dims, heightOnly);
    ASSERT_TRUE(p.has_value());
    for (double level : {0.0, 1.0, 750.0, 1499.0})
        EXPECT_EQ(p->at(level, 1).u, 0.0) << "level " << level;
    EXPECT_GT(p->at(1500, 1).u, 0.0);
}

// A fit's covariance replaces its fields' own uncertainties: a diagonal one equals them.
TEST(UncertaintyOfFit, DiagonalCovarianceEqualsOwnUncertainties)
{
    const int shape = *tarvol::findShapeByKey("horizontal-cylinder");
    const std::vector<double> dims{2000, 1000};
    tarvol::UncertaintyInputs own;
    own.dims = {1.0, 0.5};
    tarvol::UncertaintyInputs fitted;
    fitted.dims = {1.0, 9.0}; // field 1's own figure must be ignored
    fitted.fit = tarvol::FieldCovariance{{1}, {0.25}};
    const auto a = tarvol::Propagation::prepare(shape, dims, own);
    const auto b = tarvol::Propagation::prepare(shape, dims, fitted);
    for (double level : {100.0, 500.0, 900.0})
        EXPECT_NEAR(a->at(level, 1).u, b->at(level, 1).u, 1e-12 * a->at(level, 1).u);
}

struct NonlinearCase {
    const char* name;
    double level;
    bool nonlinear;
};

class LinearityWarning : public ::testing::TestWithParam<NonlinearCase> {};

// The sphere's cap ~ h² near the bottom: the second-order term is u/(2h) of the first, 10 % at h = 5 u.
TEST_P(LinearityWarning, SphereWithTwoMillimetresOnTheLevel)
{
    tarvol::UncertaintyInputs inputs;
    inputs.level = 2;
    const std::vector<double> dims{1000};
    const auto p = tarvol::Propagation::prepare(0, dims, inputs);
    EXPECT_EQ(p->at(GetParam().level, 1).nonlinear, GetParam().nonlinear);
}

INSTANTIATE_TEST_SUITE_P(Rows, LinearityWarning,
                         ::testing::Values(NonlinearCase{"Bottom", 3, true}, NonlinearCase{"BelowFiveU", 9, true},
                                           NonlinearCase{"AboveFiveU", 11, false}, NonlinearCase{"Middle", 500, false},
                                           NonlinearCase{"EmptyRowNotJudged", 0, false}),
                         [](const auto& row) { return std::string(row.param.name); });

struct InputsCase {
    const char* name;
    const char* json;
    const char* faultKey; // empty: read
    tarvol::InputsProblem problem = tarvol::InputsProblem::Invalid;
};

class InputsSection : public ::testing::TestWithParam<InputsCase> {};

// What the tank file's section holds comes back the same, and a wrong value names its key and why.
TEST_P(InputsSection, ReadsOrNamesTheKey)
{
    const auto read = tarvol::inputsFromJson(nlohmann::ordered_json::parse(GetParam().json));
    std::optional<tarvol::InputsFault> fault = read ? std::nullopt : std::optional(read.error());
    if (read) {
        fault = tarvol::checkInputs(*read, 2);
        if (!fault) {
            EXPECT_EQ(*tarvol::inputsFromJson(tarvol::toJson(*read)), *read);
        }
    }
    EXPECT_EQ(fault ? fault->key : "", GetParam().faultKey);
    if (fault) {
        EXPECT_EQ(fault->problem, GetParam().problem) << tarvol::inputsProblemText(fault->problem);
    }
}

using enum tarvol::InputsProblem;

INSTANTIATE_TEST_SUITE_P(
    Sections, InputsSection,
    ::testing::Values(
        InputsCase{"Full",
                   R"({"u_dims": [1, 0.5], "u_level": 2, "coverage": 2, "limit": 0.2,
                       "fit_covariance": {"fields": [1], "matrix": [[0.25]]}, "shell_temperature": 40, "alpha": 2.3e-5})",
                   ""},
        InputsCase{"OneForAll", R"({"u_dims": [1], "u_level": 0})", ""},
        InputsCase{"ThreeForTwoFields", R"({"u_dims": [1, 1, 1]})", "u_dims", Count},
        InputsCase{"NegativeLevel", R"({"u_level": -1})", "u_level"},
        InputsCase{"TextCoverage", R"({"coverage": "2"})", "coverage"},
        InputsCase{"ZeroLimit", R"({"limit": 0})", "limit"},
        InputsCase{"FitFieldBeyondShape", R"({"fit_covariance": {"fields": [2], "matrix": [[1]]}})", "fit_covariance",
                   UnknownField},
        InputsCase{"FitNotSquare", R"({"fit_covariance": {"fields": [0, 1], "matrix": [[1, 0]]}})", "fit_covariance",
                   NotSquare},
        InputsCase{"NotAnObject", R"([1])", "uncertainty"},
        // every figure bounded, so that no row of any tank the entry rules allow can overflow
        InputsCase{"DimensionPastTenMetres", R"({"u_dims": [1, 10001]})", "u_dims", OutOfRange},
        InputsCase{"LevelPastADoubleSquared", R"({"u_level": 1e308})", "u_level", OutOfRange},
        InputsCase{"CoverageEleven", R"({"coverage": 11})", "coverage", OutOfRange},
        InputsCase{"LimitPastTheWholeVolume", R"({"limit": 101})", "limit", OutOfRange},
        InputsCase{"EveryBoundItself",
                   R"({"u_dims": [10000], "u_level": 10000, "coverage": 10, "limit": 100,
                       "shell_temperature": 300, "alpha": 1e-4})",
                   ""},
        InputsCase{"ShellColdest", R"({"shell_temperature": -100})", ""},
        InputsCase{"ShellBelowMinusHundred", R"({"shell_temperature": -101})", "shell_temperature", OutOfRange},
        InputsCase{"ShellAtTenToTheHundredSeventh", R"({"shell_temperature": 1e107})", "shell_temperature", OutOfRange},
        InputsCase{"AlphaPastAnyMetal", R"({"shell_temperature": 30, "alpha": 1e308})", "alpha", OutOfRange},
        InputsCase{"NegativeAlpha", R"({"shell_temperature": 30, "alpha": -1e-6})", "alpha"},
        // a covariance is a symmetric positive semi-definite matrix over distinct fields of the shape
        InputsCase{"FitSymmetricToRoundOff",
                   R"({"fit_covariance": {"fields": [0, 1], "matrix": [[1, 0.5], [0.5000000000001, 1]]}})", ""},
        InputsCase{"FitPerfectlyCorrelated", R"({"fit_covariance": {"fields": [0, 1], "matrix": [[4, 2], [2, 1]]}})",
                   ""},
        InputsCase{"FitNotSymmetric", R"({"fit_covariance": {"fields": [0, 1], "matrix": [[1, 0.5], [0.4, 1]]}})",
                   "fit_covariance", NotSymmetric},
        InputsCase{"FitIndefinite", R"({"fit_covariance": {"fields": [0, 1], "matrix": [[1, 2], [2, 1]]}})",
                   "fit_covariance", NotPositiveSemidefinite},
        InputsCase{"FitNegativeDefinite", R"({"fit_covariance": {"fields": [0, 1], "matrix": [[-1, 0], [0, -1]]}})",
                   "fit_covariance", NotPositiveSemidefinite},
        InputsCase{"FitFieldTwice", R"({"fit_covariance": {"fields": [1, 1], "matrix": [[1, 0], [0, 1]]}})",
                   "fit_covariance", RepeatedField},
        InputsCase{"FitFieldTwoToTheThirtySecond", R"({"fit_covariance": {"fields": [4294967296], "matrix": [[1]]}})",
                   "fit_covariance", UnknownField},
        InputsCase{"FitVariancePastBound", R"({"fit_covariance": {"fields": [0], "matrix": [[1e17]]}})",
                   "fit_covariance", OutOfRange}),
    [](const auto& row) { return std::string(row.param.name); });

// A model whose volumes overflow (a shell temperature the checks refuse) still ends its profile: the refinement
// stops at overflowed figures and at a bounded depth instead of recursing until the stack gives out.
TEST(UncertaintyProfile, EndsForAnOverflowingModel)
{
    const int shape = *tarvol::findShapeByKey("horizontal-cylinder");
    const std::vector<double> dims{2000, 1000};
    for (const double celsius : {1e107, 1e308}) {
        tarvol::UncertaintyInputs inputs;
        inputs.dims = {1.0};
        inputs.shell = tarvol::ShellTemperature{celsius, tarvol::kSteelExpansion};
        EXPECT_TRUE(tarvol::Propagation::prepare(shape, dims, inputs).has_value()) << celsius;
    }
}

} // namespace
