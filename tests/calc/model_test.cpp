// The continuous model against the table of every shape, and its continuity where its formulas change.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "calc/catalogue.h"
#include "calc/model.h"
#include "calc/run.h"
#include "tests/realistic_tanks.h"

namespace {

class ModelAgainstTable : public ::testing::TestWithParam<int> {};

// The table sums 1 mm midpoint slabs. Its error at level n is, to first order, −(A'(z_n) − A'(z_first)) / 24 with
// A the section's area, so it need not grow with the level: a tilted tank's cancels by its top. The bound is
// the table's final error (the square-root edges) plus twice the largest |A'| / 24, A' read from the table's
// own consecutive slab differences, plus round-off.
TEST_P(ModelAgainstTable, AgreesAtEveryMillimetreWithinTheTablesOwnError)
{
    const int k = GetParam();
    const auto dims = tarvol::sample::kRealistic.find(tarvol::shape(k).key);
    ASSERT_NE(dims, tarvol::sample::kRealistic.end()) << "no realistic size for " << tarvol::shape(k).key;
    tarvol::RunOptions options;
    options.keepEveryLevel = true;
    const auto run = tarvol::calculate(k, dims->second, options);
    ASSERT_TRUE(run.ok());
    const std::vector<double>& table = run.result().levelVolumes;
    const auto outcome = tarvol::prepareModel(k, dims->second);
    ASSERT_TRUE(outcome.ok());
    const tarvol::TankModel& model = outcome.model();
    const double full = run.result().trueVolume;

    double steepest = 0;
    for (size_t n = 2; n < table.size(); ++n)
        steepest = std::max(steepest, std::fabs(table[n] - 2 * table[n - 1] + table[n - 2]));
    const double bound = std::fabs(run.result().sumVolume - full) + steepest / 12 + 1e-9 * full;

    for (size_t n = 0; n < table.size(); ++n) {
        const double level = static_cast<double>(n);
        ASSERT_NEAR(model.volume(level), table[n], bound) << "level " << n;
        if (n > 0) {
            const double between = model.volume(level - 0.5);
            ASSERT_LE(model.volume(level - 1), between) << "level " << level - 0.5;
            ASSERT_LE(between, model.volume(level)) << "level " << level - 0.5;
        }
    }
    const double top = static_cast<double>(table.size() - 1);
    EXPECT_NEAR(model.volume(top), full, 1e-12 * full);
    EXPECT_EQ(model.volume(top + 5), model.volume(top));
    EXPECT_EQ(model.volume(-5), model.volume(0));
}

INSTANTIATE_TEST_SUITE_P(EveryShape, ModelAgainstTable, ::testing::Range(0, static_cast<int>(tarvol::shapes().size())),
                         [](const auto& row) { return tarvol::sample::rowName(tarvol::shape(row.param).key); });

// Where a shape switches formula with its dimensions, or a formula has a limit, the volume stays continuous: the
// second difference over ±1e-6 mm of one field shows any jump.
struct ContinuityCase {
    const char* name;
    std::string_view key;
    std::vector<double> dims;
    int field;
    double level;
};

class ModelContinuity : public ::testing::TestWithParam<ContinuityCase> {};

TEST_P(ModelContinuity, NoJumpAcrossTheDimension)
{
    const auto& c = GetParam();
    const int k = *tarvol::findShapeByKey(c.key);
    const auto at = [&](double shift) {
        std::vector<double> dims = c.dims;
        dims[static_cast<size_t>(c.field)] += shift;
        return tarvol::volumeAt(k, dims, c.level);
    };
    const double delta = 1e-6;
    const double full = tarvol::shape(k).twin ? tarvol::shape(*tarvol::shape(k).twin).functions.trueVolume(c.dims)
                                              : tarvol::shape(k).functions.trueVolume(c.dims);
    EXPECT_NEAR(at(delta) - at(0), at(0) - at(-delta), 1e-10 * full);
}

INSTANTIATE_TEST_SUITE_P(
    Limits, ModelContinuity,
    ::testing::Values(
        ContinuityCase{"FlatSphericalHeadLeavesTheClosedForm",
                       "horizontal-spherical-heads",
                       {10000, 3000, 100, 106.33218075125038},
                       3,
                       700},
        ContinuityCase{
            "SphericalHeadNearTheHemisphere", "horizontal-spherical-heads", {10000, 3000, 100, 1500 - 1e-6}, 3, 1000},
        ContinuityCase{
            "NarrowFrustumLeavesTheClosedForm", "horizontal-frustum-heads", {10000, 3000, 100, 800, 2970}, 4, 400},
        ContinuityCase{
            "FrustumNearTheCylinder", "horizontal-frustum-heads", {10000, 3000, 100, 800, 3000 - 1e-6}, 4, 2600},
        ContinuityCase{
            "FaintTiltLeavesTheClosedShell", "inclined-cylinder", {10000, 3000, 29.999865000911246, 9000}, 2, 500},
        ContinuityCase{"TiltFromLevel", "inclined-cylinder", {10000, 3000, 1e-6, 5000}, 2, 1200},
        ContinuityCase{"HeadFromNothing", "vertical-elliptic-heads", {5000, 3000, 100, 1e-6}, 3, 50}),
    [](const auto& row) { return std::string(row.param.name); });

// Dimensions a run refuses reach no formula: the model gives the same refusal, the single volume NaN.
struct RefusalCase {
    const char* name;
    std::string_view key;
    std::vector<double> dims;
    tarvol::Fault fault;
};

class ModelRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(ModelRefusal, RefusesWhatTheRunRefuses)
{
    const auto& c = GetParam();
    const int k = *tarvol::findShapeByKey(c.key);
    const auto outcome = tarvol::prepareModel(k, c.dims);
    ASSERT_FALSE(outcome.ok());
    EXPECT_EQ(outcome.refusal()->fault, c.fault);
    EXPECT_FALSE(outcome.refusal()->message.empty());
    EXPECT_TRUE(std::isnan(tarvol::volumeAt(k, c.dims, 100)));
}

INSTANTIATE_TEST_SUITE_P(
    Refused, ModelRefusal,
    ::testing::Values(
        RefusalCase{"HeadHigherThanHalfTheDiameter",
                    "vertical-spherical-heads",
                    {5000, 3000, 100, 1501},
                    tarvol::Fault::SphericalHeadTooHigh},
        RefusalCase{"NotANumber", "sphere", {std::nan("")}, tarvol::Fault::OutOfRange},
        RefusalCase{
            "RiseAsLongAsTheShell", "inclined-cylinder", {10000, 3000, 10000, 9000}, tarvol::Fault::RiseTooLarge},
        RefusalCase{"TooShallowForAStep", "horizontal-cylinder", {10000, 9.5}, tarvol::Fault::TooShallow}),
    [](const auto& row) { return std::string(row.param.name); });

// A fractional height leaves a last level the tank fills only in part: its table ends at the full volume.
struct FractionalCase {
    const char* name;
    std::string_view key;
    std::vector<double> dims;
};

class FractionalHeight : public ::testing::TestWithParam<FractionalCase> {};

TEST_P(FractionalHeight, TableEndsAtTheFullVolume)
{
    const auto& c = GetParam();
    const auto run = tarvol::calculate(*tarvol::findShapeByKey(c.key), c.dims, tarvol::RunOptions{});
    ASSERT_TRUE(run.ok());
    EXPECT_NEAR(run.result().sumVolume, run.result().trueVolume, 1e-5 * run.result().trueVolume);
}

INSTANTIATE_TEST_SUITE_P(Partial, FractionalHeight,
                         ::testing::Values(FractionalCase{"ChordBeyondTheTop", "horizontal-cylinder", {10000, 3000.37}},
                                           FractionalCase{"ShellBeyondTheTop", "vertical-cylinder", {5000.37, 3000}},
                                           FractionalCase{
                                               "CornersBeyondTheTop", "rounded-box", {10000, 2000.37, 3000, 300}}),
                         [](const auto& row) { return std::string(row.param.name); });
} // namespace
