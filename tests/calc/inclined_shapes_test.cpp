// Shapes 18 to 25: tilted twins read by a vertical gauge.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "calc/inclined.h"
#include "calc/run.h"

namespace {

tarvol::RunOutcome run(int shape, std::vector<double> dims, bool every = false)
{
    tarvol::RunOptions o;
    o.decimalPlaces = 3;
    o.keepEveryLevel = every;
    return tarvol::calculate(shape, dims, o);
}

std::vector<double> with(std::vector<double> twin, double a, double b)
{
    twin.push_back(a);
    twin.push_back(b);
    return twin;
}

struct TwinCase {
    const char* name;
    int shape;
    int twin;
    std::vector<double> twinDims;
    double tolerance; // relative, of the full volume
};

class LevelTilt : public ::testing::TestWithParam<TwinCase> {};

TEST_P(LevelTilt, ReproducesTheTwinWhereverTheGaugeIs)
{
    const auto& c = GetParam();
    const auto twin = run(c.twin, c.twinDims);
    ASSERT_TRUE(twin.ok()) << twin.refusal()->message;
    for (double b : {0.0, 700.0}) {
        const auto tilted = run(c.shape, with(c.twinDims, 0, b));
        ASSERT_TRUE(tilted.ok()) << tilted.refusal()->message;
        ASSERT_EQ(tilted.result().rows.size(), twin.result().rows.size());
        for (size_t k = 0; k < twin.result().rows.size(); ++k)
            EXPECT_NEAR(tilted.result().rows[k].volumeValue, twin.result().rows[k].volumeValue,
                        c.tolerance * twin.result().sumVolume)
                << "B " << b << " row " << k + 1;
        EXPECT_DOUBLE_EQ(tilted.result().trueVolume, twin.result().trueVolume);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Twins, LevelTilt,
    ::testing::Values(TwinCase{"Cylinder", 18, 8, {3000, 1000}, 1e-12},
                      TwinCase{"Ellipse", 19, 9, {3000, 1200, 800}, 1e-12},
                      TwinCase{"SphericalHeads", 20, 10, {2000, 1000, 100, 200}, 1e-9},
                      TwinCase{"EllipticHeads", 21, 11, {2000, 1000, 100, 250}, 1e-9},
                      // the twin sums its cones in 1 mm samples; the tilted tank integrates them exactly
                      TwinCase{"ConeHeads", 22, 12, {2000, 1000, 100, 300}, 1.5e-4},
                      TwinCase{"FrustumHeads", 23, 13, {2000, 1000, 100, 300, 400}, 3e-4},
                      TwinCase{"TorisphericalHeads", 24, 14, {2000, 1000, 100, 194, 1000, 100}, 1e-9},
                      TwinCase{"Box", 25, 15, {3000, 1000, 1500}, 1e-12}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

// Heads that meet leave no cylindrical part: level, the tank is still its twin.
TEST(LevelTilt, HeadsWithoutAShellGiveTheTwinsTable)
{
    const auto twin = run(11, {0, 2000, 0, 500});
    const auto tilted = run(21, {0, 2000, 0, 500, 0, 0});
    ASSERT_TRUE(tilted.ok()) << tilted.refusal()->message;
    ASSERT_EQ(tilted.result().rows.size(), twin.result().rows.size());
    for (size_t k = 0; k < twin.result().rows.size(); ++k)
        EXPECT_NEAR(tilted.result().rows[k].volumeValue, twin.result().rows[k].volumeValue,
                    1e-9 * twin.result().sumVolume);
}

struct TiltCase {
    const char* name;
    int shape;
    std::vector<double> dims;
};

class Tilted : public ::testing::TestWithParam<TiltCase> {};

TEST_P(Tilted, SumMatchesTheFullVolumeAndNeverDecreases)
{
    const auto out = run(GetParam().shape, GetParam().dims, true);
    ASSERT_TRUE(out.ok()) << out.refusal()->message;
    const auto& r = out.result();
    EXPECT_LT(tarvol::errorPercent(r.sumVolume, r.trueVolume), 0.01);
    for (size_t n = 1; n < r.levelVolumes.size(); ++n)
        ASSERT_GE(r.levelVolumes[n], r.levelVolumes[n - 1]) << "level " << n;
    EXPECT_LE(r.rows.back().volumeValue, r.sumVolume);
}

INSTANTIATE_TEST_SUITE_P(Shapes, Tilted,
                         ::testing::Values(TiltCase{"CylinderTenPercent", 18, {5000, 500, 500, 4000}},
                                           TiltCase{"EllipseFivePercent", 19, {4000, 1200, 800, 200, 3000}},
                                           TiltCase{"SphericalHeads", 20, {3000, 1000, 100, 200, 160, 2500}},
                                           TiltCase{"EllipticHeads", 21, {3000, 1000, 100, 250, 320, 2500}},
                                           TiltCase{"ConeHeads", 22, {3000, 1000, 100, 300, 320, 2500}},
                                           TiltCase{"FrustumHeads", 23, {3000, 1000, 100, 300, 400, 320, 2500}},
                                           TiltCase{
                                               "TorisphericalHeads", 24, {3000, 1000, 100, 194, 1000, 100, 320, 2500}},
                                           TiltCase{"Box", 25, {4000, 1000, 1500, 400, 3500}}),
                         [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST(Inclined, GaugeAtTheLowerEndHasNoDeadVolume)
{
    for (const auto& [shape, dims] : std::vector<std::pair<int, std::vector<double>>>{
             {18, {3000, 1000, 150, 0}}, {19, {3000, 1200, 800, 150, 0}}, {25, {3000, 1000, 1500, 150, 0}}}) {
        const auto out = run(shape, dims, true);
        ASSERT_TRUE(out.ok());
        EXPECT_EQ(out.result().levelVolumes[0], 0.0) << shape;
    }
}

TEST(Inclined, DeadVolumeIsTheLiquidBelowTheGaugeFoot)
{
    const double L = 3000, D = 1000, A = 150, B = 2000;
    const auto out = run(18, {L, D, A, B}, true);
    ASSERT_TRUE(out.ok());
    const double z0 = B * A / L;
    const double exact = tarvol::tiltedCylinderVolume(D, L, A, z0) * 1e-6;
    EXPECT_NEAR(out.result().levelVolumes[0], exact, 1e-4 * exact);
    // and every level follows the exact tilted-cylinder volume
    for (size_t n = 100; n < out.result().levelVolumes.size(); n += 100) {
        const double v = tarvol::tiltedCylinderVolume(D, L, A, z0 + static_cast<double>(n)) * 1e-6;
        EXPECT_NEAR(out.result().levelVolumes[n], v, 1e-5 * v) << n;
    }
}

struct RefusalCase {
    const char* name;
    int shape;
    std::vector<double> dims;
    const char* message;
};

class InclinedRefusals : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(InclinedRefusals, NameTheLimit)
{
    const auto out = run(GetParam().shape, GetParam().dims);
    ASSERT_FALSE(out.ok());
    EXPECT_EQ(out.refusal()->message, GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Checks, InclinedRefusals,
    ::testing::Values(
        RefusalCase{"RiseAsLongAsTank",
                    18,
                    {1000, 1000, 1000, 0},
                    "Размеры указаны неверно!\nРазность высот краёв должна быть меньше длины ёмкости (1000 мм)."},
        RefusalCase{"RiseOverShellWithHeads",
                    20,
                    {2000, 1000, 100, 200, 2200, 0},
                    "Размеры указаны неверно!\nРазность высот должна быть меньше длины цилиндрической части L + 2·LD "
                    "(2200 мм)."},
        RefusalCase{"GaugeBeyondTheShell",
                    25,
                    {3000, 1000, 1500, 100, 3001},
                    "Размеры указаны неверно!\nУровнемер должен находиться в пределах длины ёмкости (не далее "
                    "3000 мм от нижнего края)."},
        RefusalCase{"RiseOnZeroLength",
                    18,
                    {0, 1000, 1, 0},
                    "Размеры указаны неверно!\nРазность высот краёв должна быть меньше длины ёмкости (0 мм)."},
        RefusalCase{"TwinCheckFirst",
                    20,
                    {2000, 1000, 100, 501, 100, 0},
                    "Размеры указаны неверно!\nУвеличьте диаметр ёмкости не менее чем 1002.0 мм\n"
                    "или уменьшите длину сферической части днища не более чем 500.0 мм."}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

} // namespace
