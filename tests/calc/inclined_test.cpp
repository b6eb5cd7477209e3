// Sections of tilted tanks: the level limit, whole volumes, an independent sphere construction, odd input.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <stdexcept>
#include <string>
#include <vector>

#include "calc/inclined.h"
#include "calc/torispherical.h"

namespace {

using tarvol::HeadProfile;
using tarvol::ShellSection;
using tarvol::TiltedTank;
using tarvol::TorisphericalHead;
constexpr double kPi = std::numbers::pi;

TiltedTank circle(double D, double Ls, double A, HeadProfile head = {})
{
    return {ShellSection::Circle, D, D, Ls, std::move(head), A};
}

double chord(double D, double x) { return 2 * std::sqrt(x * (D - x)); }

// ∫ 2√(r(s)² − d²) ds over a cone from radius R to Rmin over LK: a hyperbolic segment, exact
double frustumSection(double D, double LK, double Dmin, double d)
{
    const double R = D / 2, rMin = std::max(Dmin / 2, d);
    if (d >= R)
        return 0;
    const auto primitive = [d](double r) {
        const double g = std::sqrt(r * r - d * d);
        return r * g - (d > 0 ? d * d * std::log(r + g) : 0.0);
    };
    return LK / (R - Dmin / 2) * (primitive(R) - primitive(rMin));
}

struct LevelCase {
    std::string name;
    TiltedTank tank;
    double z;
    double expected; // the horizontal tank's section
};

std::vector<LevelCase> levelCases()
{
    std::vector<LevelCase> rows;
    const double D = 1000, L = 2200;
    const TorisphericalHead tori(D, 1000, 100);
    for (double x : {0.5, 123.5, 500.5, 999.5}) {
        const std::string at = "_at" + std::to_string(int(x));
        const double u = D / 2 - x, shell = chord(D, x) * L;
        const double c = 525, rho = std::sqrt(x * (D - x) + c * c); // LS = 200
        const double cap = std::acos(c / rho) * rho * rho - std::sqrt(rho * rho - c * c) * c;
        rows.push_back({"Cylinder" + at, circle(D, L, 0), x, shell});
        rows.push_back({"Ellipse" + at,
                        {ShellSection::Ellipse, 1200, 800, L, {}, 0},
                        x * 0.8,
                        1200 * std::sqrt(1 - std::pow((x * 0.8 - 400) / 400, 2)) * L});
        rows.push_back({"Box" + at, {ShellSection::Rectangle, 1500, 1000, L, {}, 0}, x, 1500 * L});
        rows.push_back({"Sphere" + at, circle(D, L, 0, tarvol::sphericalSegmentHead(D, 200)), x, shell + 2 * cap});
        rows.push_back({"Ellipsoid" + at, circle(D, L, 0, tarvol::ellipsoidHead(D, 250)), x,
                        shell + 2 * (D * D / 4 - u * u) * kPi * 250 / D});
        rows.push_back({"Cone" + at, circle(D, L, 0, tarvol::coneHead(D, 300)), x,
                        shell + 2 * frustumSection(D, 300, 0, std::abs(u))});
        rows.push_back({"Frustum" + at, circle(D, L, 0, tarvol::frustumHead(D, 300, 400)), x,
                        shell + 2 * frustumSection(D, 300, 400, std::abs(u))});
        rows.push_back({"Torispherical" + at, circle(D, L, 0, tarvol::torisphericalHead(tori)), x,
                        shell + 2 * tori.sectionArea(std::abs(u))});
        rows.push_back({"TwoHemispheresAreASphere" + at, circle(D, 0, 0, tarvol::sphericalSegmentHead(D, 500)), x,
                        kPi * x * (D - x)});
    }
    return rows;
}

class LevelTank : public ::testing::TestWithParam<LevelCase> {};

TEST_P(LevelTank, SectionIsTheHorizontalTanks)
{
    const auto& c = GetParam();
    const double scale = c.tank.width * (c.tank.shellLength + c.tank.height);
    EXPECT_NEAR(tarvol::tiltedSectionArea(c.tank, c.z), c.expected, 1e-13 * scale);
}

INSTANTIATE_TEST_SUITE_P(Kinds, LevelTank, ::testing::ValuesIn(levelCases()),
                         [](const auto& testInfo) { return testInfo.param.name; });

struct BodyCase {
    std::string name;
    TiltedTank tank;
    double volume; // mm³, closed form
};

std::vector<BodyCase> bodyCases()
{
    std::vector<BodyCase> rows;
    for (double D : {1000.0, 3000.0}) {
        const double Ls = 2 * D, shell = kPi * D * D / 4 * Ls, LS = D / 5, R = D * D / (8 * LS) + LS / 2;
        const TorisphericalHead tori(D, D, D / 10);
        for (double tilt : {0.0, 0.02, 0.1}) {
            const double A = tilt * Ls;
            const std::string tag = "_D" + std::to_string(int(D)) + "_tilt" + std::to_string(int(tilt * 100));
            rows.push_back({"Cylinder" + tag, circle(D, Ls, A), shell});
            rows.push_back({"Ellipse" + tag, {ShellSection::Ellipse, D, 0.6 * D, Ls, {}, A}, 0.6 * shell});
            rows.push_back({"Box" + tag, {ShellSection::Rectangle, D, 0.6 * D, Ls, {}, A}, 0.6 * D * D * Ls});
            rows.push_back({"Sphere" + tag, circle(D, Ls, A, tarvol::sphericalSegmentHead(D, LS)),
                            shell + 2 * kPi * LS * LS * (R - LS / 3)});
            rows.push_back({"Hemisphere" + tag, circle(D, Ls, A, tarvol::sphericalSegmentHead(D, D / 2)),
                            shell + kPi * D * D * D / 6});
            rows.push_back(
                {"Ellipsoid" + tag, circle(D, Ls, A, tarvol::ellipsoidHead(D, D / 4)), shell + kPi * D * D * D / 12});
            rows.push_back({"Cone" + tag, circle(D, Ls, A, tarvol::coneHead(D, D / 3)), shell + kPi * D * D * D / 18});
            rows.push_back({"Frustum" + tag, circle(D, Ls, A, tarvol::frustumHead(D, D / 3, D / 2)),
                            shell + kPi * D / 3 * (D * D + D * D / 2 + D * D / 4) / 6});
            rows.push_back(
                {"Torispherical" + tag, circle(D, Ls, A, tarvol::torisphericalHead(tori)), shell + 2 * tori.volume()});
        }
    }
    return rows;
}

class WholeBody : public ::testing::TestWithParam<BodyCase> {};

TEST_P(WholeBody, SlabsSumToTheVolumeAndVanishOutsideTheBody)
{
    const auto& c = GetParam();
    const double zMin = tarvol::tiltedZMin(c.tank), zMax = tarvol::tiltedZMax(c.tank);
    double sum = 0;
    for (double z = zMin + 0.5; z < zMax + 0.5; z += 1) {
        const double area = tarvol::tiltedSectionArea(c.tank, z);
        ASSERT_GE(area, 0) << "z " << z;
        sum += area;
    }
    EXPECT_NEAR(sum, c.volume, 1e-4 * c.volume);
    EXPECT_EQ(tarvol::tiltedSectionArea(c.tank, zMin - 0.5), 0);
    EXPECT_EQ(tarvol::tiltedSectionArea(c.tank, zMax + 0.5), 0);
}

INSTANTIATE_TEST_SUITE_P(Kinds, WholeBody, ::testing::ValuesIn(bodyCases()),
                         [](const auto& testInfo) { return testInfo.param.name; });

struct GaugeCase {
    const char* name;
    double D, L, A, B;
};

class PlainCylinderTable : public ::testing::TestWithParam<GaugeCase> {};

// Slabs aligned with a gauge at B sum, at every level, to the closed-form volume below it, the dead one included;
// the mid-slab sums of these sizes stay within 2e-7 of the full volume, so 1e-6 leaves room and no geometric fault.
TEST_P(PlainCylinderTable, RunningSumFollowsTheExactVolume)
{
    const auto& c = GetParam();
    const TiltedTank tank = circle(c.D, c.L, c.A);
    const double z0 = c.B * c.A / c.L;
    double sum = 0;
    for (double n = std::floor(-z0) + 1; n <= std::ceil(tarvol::tiltedZMax(tank) - z0); ++n) {
        sum += tarvol::tiltedSectionArea(tank, z0 + n - 0.5);
        if (n == 0 || std::fmod(n, 97) == 0) {
            ASSERT_NEAR(sum, tarvol::tiltedCylinderVolume(c.D, c.L, c.A, z0 + n), 1e-6 * kPi * c.D * c.D / 4 * c.L)
                << "level " << n;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Gauges, PlainCylinderTable,
                         ::testing::Values(GaugeCase{"GaugeAtLowerEnd", 1000, 3000, 300, 0},
                                           GaugeCase{"GaugeMidway", 2000, 6000, 120, 2500},
                                           GaugeCase{"GaugeAtRaisedEnd", 3000, 5000, 500, 5000},
                                           GaugeCase{"SteepShortTank", 1000, 1500, 1400, 700}));

// A faint tilt on a long shell: the difference of the chord's primitive, taken in long double, is the reference.
TEST(FaintTilt, KeepsTheDigitsOfTheShortChordInterval)
{
    const long double D = 3000, L = 1e8, A = 1, sn = A / L, cs = std::sqrt(1 - sn * sn);
    const auto primitive = [](long double u) { return u * std::sqrt(1 - u * u) + std::asin(u); };
    for (double z : {700.5, 1500.5, 2400.5}) {
        const long double u0 = 2 * (z / cs) / D - 1, u1 = u0 - 2 * (L * sn / cs) / D;
        const long double exact = D * D / 4 * (primitive(u0) - primitive(std::max(u1, -1.0L))) / sn;
        EXPECT_NEAR(static_cast<double>(tarvol::tiltedSectionArea(circle(D, L, A), z) / exact), 1, 1e-14) << "z " << z;
    }
}

// A sphere's head section built in the horizontal plane: the circle in which the plane cuts the sphere,
// beyond the chord where the plane meets the head's base plane.
TEST(TiltedSphereHead, MatchesTheSegmentOfThePlanesCircle)
{
    const double D = 2000, Ls = 6000, LS = 400, R = D * D / (8 * LS) + LS / 2, c = R - LS;
    for (double A : {1.0, 600.0, 5000.0}) {
        const double sn = A / Ls, cs = std::sqrt(1 - sn * sn);
        const auto segment = [&](double z, double centre, double side) {
            const double dz = z - centre;
            const double rho = std::sqrt(std::max(0.0, R * R - dz * dz)), d = (c + side * dz * sn) / cs;
            if (d >= rho)
                return 0.0;
            return d <= -rho ? kPi * rho * rho : rho * rho * std::acos(d / rho) - d * std::sqrt(rho * rho - d * d);
        };
        const TiltedTank tank = circle(D, Ls, A, tarvol::sphericalSegmentHead(D, LS));
        const TiltedTank shell = circle(D, Ls, A);
        for (double z = -10.5; z < tarvol::tiltedZMax(tank) + 10; z += 37) {
            const double heads = segment(z, (Ls - c) * sn + D / 2 * cs, -1) + segment(z, c * sn + D / 2 * cs, 1);
            EXPECT_NEAR(tarvol::tiltedSectionArea(tank, z) - tarvol::tiltedSectionArea(shell, z), heads, 1e-12 * D * D)
                << "A " << A << " z " << z;
        }
    }
}

struct ExtremeCase {
    const char* name;
    TiltedTank tank;
    double zMin, zMax;
};

class Extremes : public ::testing::TestWithParam<ExtremeCase> {};

TEST_P(Extremes, LowestAndHighestPoints)
{
    const auto& c = GetParam();
    EXPECT_NEAR(tarvol::tiltedZMin(c.tank), c.zMin, 1e-9 * c.tank.width);
    EXPECT_NEAR(tarvol::tiltedZMax(c.tank), c.zMax, 1e-9 * c.tank.width);
}

const double kCos = std::sqrt(1 - 0.01); // a rise of a tenth of the shell

INSTANTIATE_TEST_SUITE_P(
    Bodies, Extremes,
    ::testing::Values(ExtremeCase{"Cylinder", circle(1000, 3000, 300), 0, 300 + 1000 * kCos},
                      ExtremeCase{"LevelTank", circle(1000, 3000, 0, tarvol::ellipsoidHead(1000, 250)), 0, 1000},
                      ExtremeCase{"Hemispheres", circle(1000, 3000, 300, tarvol::sphericalSegmentHead(1000, 500)),
                                  -500 * (1 - kCos), 300 + 500 * (1 + kCos)},
                      ExtremeCase{"ConeApexHighest", circle(1000, 3000, 300, tarvol::coneHead(1000, 6000)),
                                  -600 + 500 * kCos, 900 + 500 * kCos},
                      ExtremeCase{"ConeCornerHighest", circle(1000, 3000, 300, tarvol::coneHead(1000, 100)), 0,
                                  300 + 1000 * kCos}));

struct OddCase {
    const char* name;
    TiltedTank tank;
};

class OddInput : public ::testing::TestWithParam<OddCase> {};

TEST_P(OddInput, GivesFiniteNonNegativeSections)
{
    const auto& c = GetParam();
    const double zMin = tarvol::tiltedZMin(c.tank), zMax = tarvol::tiltedZMax(c.tank);
    ASSERT_TRUE(std::isfinite(zMin) && std::isfinite(zMax) && zMin <= zMax);
    for (int k = -1; k <= 101; ++k) {
        const double area = tarvol::tiltedSectionArea(c.tank, zMin + (zMax - zMin) * k / 100);
        ASSERT_TRUE(std::isfinite(area) && area >= 0) << "step " << k << " area " << area;
    }
}

constexpr double kMax = 99999999;

INSTANTIATE_TEST_SUITE_P(
    Degenerate, OddInput,
    ::testing::Values(OddCase{"ZeroDiameter", circle(0, 1000, 10, tarvol::sphericalSegmentHead(0, 100))},
                      OddCase{"ZeroLengthLevel", circle(1000, 0, 0, tarvol::coneHead(1000, 300))},
                      OddCase{"ZeroHeadLength", circle(1000, 2000, 100, tarvol::ellipsoidHead(1000, 0))},
                      OddCase{"ZeroEllipseHeight", {ShellSection::Ellipse, 1000, 0, 2000, {}, 100}},
                      OddCase{"NearlyUpright", circle(1000, 2000, 1999, tarvol::ellipsoidHead(1000, 400))},
                      OddCase{"LargestUpright", circle(kMax, kMax, kMax - 1, tarvol::sphericalSegmentHead(kMax, 1))},
                      OddCase{"LargestFaintTilt", circle(kMax, kMax, 1, tarvol::coneHead(kMax, kMax))},
                      OddCase{"StraightFrustum", circle(1000, 2000, 200, tarvol::frustumHead(1000, 300, 1000))},
                      OddCase{"WideningFrustum", circle(1000, 2000, 200, tarvol::frustumHead(1000, 300, 1500))}));

TEST(TiltedTankInput, RefusesWhatNoTankCanBe)
{
    EXPECT_THROW(tarvol::tiltedSectionArea(circle(1000, 2000, 2000), 10), std::invalid_argument);
    EXPECT_THROW(tarvol::tiltedZMax(circle(1000, 0, 5)), std::invalid_argument);
    EXPECT_THROW(tarvol::tiltedZMin(circle(-1, 2000, 0)), std::invalid_argument);
    EXPECT_THROW(tarvol::tiltedSectionArea({ShellSection::Ellipse, 900, 600, 2000, tarvol::coneHead(900, 50), 0}, 1),
                 std::invalid_argument);
}

} // namespace
