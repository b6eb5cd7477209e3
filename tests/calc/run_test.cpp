// The run's frame: rows, steps, refusals, equivalent shapes, cancellation.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <variant>
#include <vector>

#include "calc/catalogue.h"
#include "calc/cone.h"
#include "calc/run.h"

namespace {

using tarvol::RefusalKind;
using tarvol::RunOptions;

tarvol::RunOutcome run(int shape, std::vector<double> dims, int decimals = 3, char sep = '.')
{
    RunOptions o;
    o.decimalPlaces = decimals;
    o.separator = sep;
    return tarvol::calculate(shape, dims, o);
}

struct RowsCase {
    const char* name;
    double diameter;
    int step;
    int rowCount;
    int lastLevel;
};

class SphereRows : public ::testing::TestWithParam<RowsCase> {};

TEST_P(SphereRows, StepDividesTheHeight)
{
    const auto& c = GetParam();
    const auto out = run(0, {c.diameter});
    ASSERT_TRUE(out.ok());
    EXPECT_EQ(out.result().outputStep, c.step);
    EXPECT_EQ(out.result().rowCount, c.rowCount);
    ASSERT_EQ(out.result().rows.size(), static_cast<size_t>(c.rowCount - 1));
    for (size_t k = 0; k < out.result().rows.size(); ++k)
        EXPECT_EQ(out.result().rows[k].levelValue, static_cast<double>((k + 1) * static_cast<size_t>(c.step)));
    EXPECT_EQ(out.result().rows.back().levelValue, c.lastLevel);
}

INSTANTIATE_TEST_SUITE_P(Heights, SphereRows,
                         ::testing::Values(RowsCase{"Ten", 10, 1, 11, 10}, RowsCase{"Nineteen", 19, 1, 20, 19},
                                           RowsCase{"Twenty", 20, 2, 11, 20}, RowsCase{"Thousand", 1000, 100, 11, 1000},
                                           RowsCase{"TopWithoutRow", 1005, 100, 11, 1000}),
                         [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST(Run, SumCoversSlabsAboveTheLastRow)
{
    const auto out = run(0, {1005});
    ASSERT_TRUE(out.ok());
    // the last 5 slabs are above level 1000 but still in the full volume
    EXPECT_GT(out.result().sumVolume, out.result().rows.back().volumeValue);
    EXPECT_NEAR(out.result().sumVolume, out.result().trueVolume, out.result().trueVolume * 1e-6);
}

struct RefusalCase {
    const char* name;
    int shape;
    std::vector<double> dims;
    char separator;
    const char* message;
};

class Refusals : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(Refusals, RefuseWithTheirMessage)
{
    const auto& c = GetParam();
    const auto out = run(c.shape, c.dims, 3, c.separator);
    ASSERT_FALSE(out.ok());
    EXPECT_EQ(out.refusal()->kind, RefusalKind::Inconsistent);
    EXPECT_EQ(out.refusal()->message, c.message);
}

INSTANTIATE_TEST_SUITE_P(
    Checks, Refusals,
    ::testing::Values(
        RefusalCase{"SphericalHeadTooHigh",
                    3,
                    {1000, 1000, 50, 600},
                    ',',
                    "Размеры указаны неверно!\nУвеличьте диаметр ёмкости не менее чем 1200,0 мм\n"
                    "или уменьшите высоту сферической части днища не более чем 500,0 мм."},
        RefusalCase{"SphericalHeadTooLong",
                    10,
                    {2000, 1000, 100, 501},
                    ',',
                    "Размеры указаны неверно!\nУвеличьте диаметр ёмкости не менее чем 1002,0 мм\n"
                    "или уменьшите длину сферической части днища не более чем 500,0 мм."},
        RefusalCase{"FrustumWiderThanShell",
                    13,
                    {2000, 1000, 100, 300, 1001},
                    ',',
                    "Размеры указаны неверно!\nМинимальный диаметр конуса днища должен быть не более 1000,0 мм."},
        RefusalCase{"CornersTallerThanBox",
                    16,
                    {2000, 300, 1500, 151},
                    '.',
                    "Размеры указаны неверно!\nРадиус скругления углов должен быть не более 150 мм."},
        RefusalCase{"CornersWiderThanBox",
                    16,
                    {2000, 1000, 500, 251},
                    '.',
                    "Размеры указаны неверно!\nРадиус скругления углов должен быть не более 250 мм."},
        RefusalCase{"SphereBelowTenMillimetres",
                    0,
                    {9},
                    '.',
                    "Размер \"Внутренний диаметр ёмкости (D)\" должен быть не менее 10 мм."},
        RefusalCase{"ZeroHeight", 1, {0, 1000}, '.', "Размер \"Высота ёмкости (H)\" должен быть не менее 10 мм."},
        RefusalCase{"ShallowBeforeHeadCheck", 3, {1, 1000, 1, 2}, '.', "Высота ёмкости должна быть не менее 10 мм."},
        RefusalCase{"ZeroDiameterCone",
                    12,
                    {2000, 0, 100, 300},
                    '.',
                    "Размер \"Внутренний диаметр емкости (D)\" должен быть не менее 10 мм."},
        // limits no eight-digit field can hold name the field that can be changed instead
        RefusalCase{"TopArcBeyondAnyField",
                    17,
                    {1000, 99999999, 10, 1, 0, 0, 5},
                    '.',
                    "Размеры указаны неверно!\nРазмер \"Радиус верхней/нижней стенки (RV)\" должен быть равен 0: "
                    "при остальных размерах дуга требует размеров больше 99999999 мм."},
        RefusalCase{"SideArcNeedsNineDigitWidth",
                    17,
                    {1000, 50000004, 50000002, 0, 50000002, 0, 2},
                    '.',
                    "Размеры указаны неверно!\nРазмер \"Радиус боковой стенки ёмкости (RB)\" должен быть равен 0: "
                    "при остальных размерах дуга требует размеров больше 99999999 мм."},
        RefusalCase{"RadiusWiderThanAnyWidth",
                    17,
                    {1000, 99999999, 99999999, 0, 0, 0, 5},
                    '.',
                    "Размеры указаны неверно!\nРадиус выпуклой стороны ёмкости (R) должен быть не больше 99999994 мм: "
                    "ширина минус толщина стенки."}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST(Run, HemisphericalHeadsAreAccepted)
{
    EXPECT_TRUE(run(3, {1000, 1000, 50, 500}).ok());
    EXPECT_TRUE(run(10, {2000, 1000, 100, 500}).ok());
}

// Two shapes that must give the same table.
struct SameCase {
    const char* name;
    int shapeA;
    std::vector<double> dimsA;
    int shapeB;
    std::vector<double> dimsB;
    bool sameTrueVolume;
};

class SameTable : public ::testing::TestWithParam<SameCase> {};

TEST_P(SameTable, RowsAgree)
{
    const auto& c = GetParam();
    const auto a = run(c.shapeA, c.dimsA);
    const auto b = run(c.shapeB, c.dimsB);
    ASSERT_TRUE(a.ok());
    ASSERT_TRUE(b.ok());
    ASSERT_EQ(a.result().rows.size(), b.result().rows.size());
    for (size_t k = 0; k < a.result().rows.size(); ++k) {
        EXPECT_EQ(a.result().rows[k].level, b.result().rows[k].level);
        EXPECT_EQ(a.result().rows[k].volume, b.result().rows[k].volume) << "row " << k + 1;
    }
    if (c.sameTrueVolume) {
        EXPECT_NEAR(a.result().trueVolume, b.result().trueVolume, 1e-9 * b.result().trueVolume);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Limits, SameTable,
    ::testing::Values(SameCase{"FrustumToPointIsCone", 6, {1000, 1000, 50, 300, 0}, 5, {1000, 1000, 50, 300}, true},
                      SameCase{"FlatSphericalHeadsAreCylinder", 3, {1000, 1000, 50, 0}, 1, {1100, 1000}, true},
                      SameCase{"FlatEllipticHeadsAreCylinder", 4, {1000, 1000, 50, 0}, 1, {1100, 1000}, true},
                      SameCase{"FlatConeHeadsAreCylinder", 5, {1000, 1000, 50, 0}, 1, {1100, 1000}, true},
                      SameCase{"FlatFrustumHeadsAreCylinder", 6, {1000, 1000, 50, 0, 300}, 1, {1100, 1000}, true},
                      SameCase{"NoHeadCylinderVertical", 3, {1100, 1000, 0, 200}, 3, {1000, 1000, 50, 200}, true},
                      SameCase{"FlatSphericalHeadsHorizontal", 10, {2000, 1000, 100, 0}, 8, {2200, 1000}, true},
                      SameCase{"FlatEllipticHeadsHorizontal", 11, {2000, 1000, 100, 0}, 8, {2200, 1000}, true},
                      SameCase{"FlatConeHeadsHorizontal", 12, {2000, 1000, 100, 0}, 8, {2200, 1000}, true},
                      SameCase{"FlatFrustumHeadsHorizontal", 13, {2000, 1000, 100, 0, 400}, 8, {2200, 1000}, true},
                      SameCase{
                          "FrustumToPointHorizontal", 13, {2000, 1000, 100, 300, 0}, 12, {2000, 1000, 100, 300}, true},
                      SameCase{"StraightFrustumIsCylinder", 13, {2000, 1000, 100, 300, 1000}, 8, {2800, 1000}, true},
                      SameCase{"SharpCornersAreBox", 16, {2000, 1000, 1500, 0}, 15, {2000, 1000, 1500}, true}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST(Run, EveryLevelIsTheRunningVolume)
{
    RunOptions o;
    o.keepEveryLevel = true;
    const std::vector<double> dims{1000, 1000};
    const auto out = tarvol::calculate(8, dims, o);
    ASSERT_TRUE(out.ok());
    const auto& v = out.result().levelVolumes;
    ASSERT_EQ(v.size(), 1001u);
    EXPECT_EQ(v[0], 0.0);
    EXPECT_EQ(v[100], out.result().rows[0].volumeValue);
    EXPECT_EQ(v[1000], out.result().sumVolume);
    for (size_t n = 1; n < v.size(); ++n)
        ASSERT_GE(v[n], v[n - 1]) << "level " << n;
}

TEST(Run, TextsMustBeDigitStrings)
{
    RunOptions o;
    for (const std::string bad : {"", "12a", "-5", "1.5", "123456789", " 12"}) {
        const std::vector<std::string> texts{bad};
        const auto out = tarvol::calculateFromTexts(0, texts, o);
        ASSERT_FALSE(out.ok()) << bad;
        EXPECT_EQ(out.refusal()->kind, RefusalKind::BadInput);
        EXPECT_FALSE(out.refusal()->message.empty());
    }
    const std::vector<std::string> leadingZeros{"00012"};
    EXPECT_TRUE(tarvol::calculateFromTexts(0, leadingZeros, o).ok());
    const std::vector<std::string> wrongCount{"100", "100"};
    EXPECT_FALSE(tarvol::calculateFromTexts(0, wrongCount, o).ok());
}

TEST(Run, CancelStopsWithoutRows)
{
    std::atomic<bool> cancel{true};
    RunOptions o;
    o.cancel = &cancel;
    const std::vector<double> dims{1000000};
    const auto out = tarvol::calculate(0, dims, o);
    ASSERT_FALSE(out.ok());
    EXPECT_TRUE(out.cancelled());
    EXPECT_EQ(out.refusal(), nullptr);
    EXPECT_ANY_THROW(static_cast<void>(out.result())); // no table at all
}

TEST(Run, CancelReachesIntoTheConeSummation)
{
    // one level of this cone takes about 10^8 samples; the run must still stop
    std::atomic<bool> cancel{true};
    RunOptions o;
    o.cancel = &cancel;
    const std::vector<double> dims{1000, 99999999, 0, 99999999};
    const auto out = tarvol::calculate(12, dims, o);
    ASSERT_FALSE(out.ok());
    EXPECT_TRUE(out.cancelled());
}

TEST(Run, ProgressRisesToTheEnd)
{
    std::vector<double> seen;
    RunOptions o;
    o.progress = [&](double f) { seen.push_back(f); };
    const std::vector<double> dims{100000};
    ASSERT_TRUE(tarvol::calculate(0, dims, o).ok());
    ASSERT_FALSE(seen.empty());
    for (size_t k = 1; k < seen.size(); ++k)
        EXPECT_GT(seen[k], seen[k - 1]);
    EXPECT_LE(seen.back(), 1.0);
}

// Beyond 2^53 the step j + 1 no longer moves j; one level must still end after the samples it counted.
TEST(ConeSamples, EndBeyondTwoToTheFiftyThird)
{
    const RunOptions none;
    tarvol::WorkMeter meter(none, 1);
    const double K = 0x1p54;
    tarvol::ConeSummation cone{1000, K, K - 1000, 2 * K};
    cone.meter = &meter;
    const double head = cone.section(500); // on the axis: every sample from Ks to K
    EXPECT_GE(meter.steps(), 1000);
    EXPECT_LE(meter.steps(), 1002);
    EXPECT_NEAR(head, 1000 * 1000.0, 3 * 1000.0); // each sample a full chord of the large base
}

// A cone of 10^8 samples a level: progress must move within the level, not only between levels.
TEST(ConeSamples, ProgressFollowsTheSamples)
{
    const std::vector<double> dims{1000, 100, 0, 99999999};
    const double work = tarvol::estimateWork(12, dims);
    EXPECT_NEAR(work, 100 + 99999999 * 50.0, 1.0);
    std::atomic<bool> cancel{false};
    std::vector<double> seen;
    RunOptions o;
    o.cancel = &cancel;
    o.progress = [&](double f) {
        seen.push_back(f);
        if (seen.size() == 12)
            cancel = true;
    };
    const auto out = tarvol::calculate(12, dims, o);
    ASSERT_FALSE(out.ok());
    ASSERT_EQ(seen.size(), 12u);
    double gap = seen.front();
    for (size_t k = 1; k < seen.size(); ++k)
        gap = std::max(gap, seen[k] - seen[k - 1]);
    // in samples: one poll's worth and the level that holds it
    EXPECT_LE(gap * work, (1 << 20) + 2.0);
    EXPECT_GT(seen.back(), seen.front());
}

// Shapes whose height comes from other fields judge those fields first; limits are whole millimetres on the
// accepted side. The names are what machine-readable output carries.
struct OwnRefusalCase {
    const char* name;
    int shape;
    std::vector<double> dims;
    const char* fault;
    int field;
    const char* message;
};

class OwnRefusals : public ::testing::TestWithParam<OwnRefusalCase> {};

TEST_P(OwnRefusals, NameFieldFaultAndLimit)
{
    const OwnRefusalCase& c = GetParam();
    const auto out = run(c.shape, c.dims);
    ASSERT_FALSE(out.ok());
    const tarvol::Refusal& r = *out.refusal();
    EXPECT_EQ(tarvol::refusalKindName(r.kind), "inconsistent");
    EXPECT_EQ(tarvol::refusalFaultName(r.fault), c.fault);
    EXPECT_EQ(r.field, c.field);
    EXPECT_EQ(r.message, c.message);
}

INSTANTIATE_TEST_SUITE_P(
    Checks, OwnRefusals,
    ::testing::Values(
        OwnRefusalCase{"DTankWallLeavesNoHeight",
                       17,
                       {2000, 800, 300, 0, 0, 0, 297},
                       "wall-too-thick",
                       6,
                       "Размеры указаны неверно!\nТолщина стенки ёмкости должна быть не больше 295 мм: внутри должно "
                       "оставаться не менее 10 мм высоты."},
        OwnRefusalCase{"InclinedGaugeTooHigh",
                       18,
                       {2000, 5, 1999, 2000},
                       "gauge-too-high",
                       3,
                       "Размеры указаны неверно!\nУровнемер должен находиться не далее 1991 мм от нижнего края: над "
                       "ним должно оставаться не менее 10 мм уровня."},
        OwnRefusalCase{"InclinedZeroDiameter",
                       22,
                       {2000, 0, 100, 300, 100, 0},
                       "too-shallow",
                       -1,
                       "Высота ёмкости должна быть не менее 10 мм."},
        OwnRefusalCase{"LargeLimitInPlainDigits",
                       16,
                       {1000, 99999999, 99999999, 60000000},
                       "corners-too-large",
                       3,
                       "Размеры указаны неверно!\nРадиус скругления углов должен быть не более 49999999 мм."}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

} // namespace
