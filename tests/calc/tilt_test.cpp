// A horizontal tank tilted both ways, read by a vertical or a fixed gauge anywhere on its bottom.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

#include "calc/dtank.h"
#include "calc/run.h"
#include "calc/tilt.h"

namespace {

using tarvol::GaugeKind;
using tarvol::Orientation;
using tarvol::OrientedTank;

constexpr double kRad = std::numbers::pi / 180;

Orientation orientation(double pitch, double roll, double x, double y, GaugeKind kind)
{
    Orientation o;
    o.pitchDegrees = pitch;
    o.rollDegrees = roll;
    o.gaugeX = x;
    o.gaugeY = y;
    o.gauge = kind;
    return o;
}

std::vector<double> everyLevel(const OrientedTank& tank)
{
    tarvol::RunOptions options;
    options.keepEveryLevel = true;
    auto table = tank.table(options);
    EXPECT_TRUE(table.ok());
    return table.ok() ? table.result().levelVolumes : std::vector<double>{};
}

// ∫ f over [a, b], composite Simpson: a different rule from the tank's Gauss–Kronrod
template <class F>
double simpson(F f, double a, double b, int intervals)
{
    if (!(b > a))
        return 0;
    const double h = (b - a) / intervals;
    double sum = f(a) + f(b);
    for (int k = 1; k < intervals; ++k)
        sum += f(a + k * h) * (k % 2 ? 4 : 2);
    return sum * h / 3;
}

// The exact solid against the tank's volumes. For the box the surface must span the floor below the roof: the
// volume is then L·S times the depth at the middle of the floor. For the flat-ended cylinder: slice by slice
// along x, each slice the disc's segment below the surface's line.
struct SolidCase {
    const char* name;
    bool box;
    std::vector<double> dims; // box: L, H, S; cylinder: L, D
    double pitch, roll, gaugeX, gaugeY;
    GaugeKind kind;
};

class TiltedSolid : public ::testing::TestWithParam<SolidCase> {};

TEST_P(TiltedSolid, MatchesTheExactSolid)
{
    const SolidCase& c = GetParam();
    const int shape = c.box ? 15 : 8;
    const auto o = orientation(c.pitch, c.roll, c.gaugeX, c.gaugeY, c.kind);
    auto tank = OrientedTank::prepare(shape, c.dims, o);
    ASSERT_TRUE(tank) << tank.error();
    const double st = std::sin(c.pitch * kRad), ct = std::cos(c.pitch * kRad);
    const double sf = std::sin(c.roll * kRad), cf = std::cos(c.roll * kRad);
    const bool vertical = c.kind == GaugeKind::Vertical;
    const double L = c.dims[0];
    // the foot's height along the section's up direction (sin φ, cos φ)
    double foot = 0;
    if (c.box) {
        const double H = c.dims[1];
        foot = (vertical ? c.gaugeY - 0.5 * H * std::tan(c.roll * kRad) : c.gaugeY) * sf;
    } else {
        const double r = 0.5 * c.dims[1];
        if (vertical) {
            const double p = c.gaugeY * cf; // the gauge's line passes p from the axis
            foot = r * cf - std::sqrt(r * r - p * p);
        } else {
            foot = c.gaugeY * sf + (r - std::sqrt(r * r - c.gaugeY * c.gaugeY)) * cf;
        }
    }
    const double footZ = c.gaugeX * st + foot * ct;
    const double scale = vertical ? 1 : ct * cf;
    const auto every = everyLevel(*tank);
    const double full = tank->fullVolume();
    int compared = 0;
    for (double n = 0; n <= tank->highestLevel(); n += 7) {
        const double Zs = footZ + n * scale;
        double exact = 0;
        if (c.box) {
            const double H = c.dims[1], S = c.dims[2];
            const auto depth = [&](double x, double y) { return (Zs - x * st - y * sf * ct) / (cf * ct); };
            bool spans = true;
            for (double x : {0.0, L})
                for (double y : {-0.5 * S, 0.5 * S})
                    spans = spans && depth(x, y) > 0 && depth(x, y) < H;
            if (!spans)
                continue;
            exact = L * S * depth(0.5 * L, 0) * 1e-6;
        } else {
            const double r = 0.5 * c.dims[1];
            const auto segment = [&](double x) {
                const double t = std::clamp((Zs - x * st) / ct - r * cf, -r, r);
                return r * r * std::acos(-t / r) + t * std::sqrt(r * r - t * t);
            };
            exact = simpson(segment, 0, L, 20000) * 1e-6;
        }
        ++compared;
        EXPECT_NEAR(tank->volumeAtLevel(n), exact, 1e-9 * full) << "reading " << n;
        const auto level = static_cast<size_t>(n);
        if (level < every.size()) {
            EXPECT_NEAR(every[level], exact, 2e-6 * full) << "table row " << n;
        }
    }
    EXPECT_GT(compared, 20);
}

INSTANTIATE_TEST_SUITE_P(
    BothWays, TiltedSolid,
    ::testing::Values(SolidCase{"BoxVertical", true, {6000, 1500, 2400}, 2, 4, 1700, 500, GaugeKind::Vertical},
                      SolidCase{"BoxFixed", true, {6000, 1500, 2400}, -3, 5, 4100, -700, GaugeKind::Fixed},
                      SolidCase{"BoxRollOnly", true, {6000, 1500, 2400}, 0, -7, 3000, 900, GaugeKind::Fixed},
                      SolidCase{"CylinderVertical", false, {8000, 2000}, 3, 6, 2500, 400, GaugeKind::Vertical},
                      SolidCase{"CylinderFixed", false, {8000, 2000}, -2, -9, 5000, -600, GaugeKind::Fixed},
                      SolidCase{"CylinderRollOnly", false, {8000, 2000}, 0, 12, 4000, 300, GaugeKind::Fixed}),
    [](const auto& row) { return std::string(row.param.name); });

// A round shell is the same whichever way it rolls about its axis: a vertical gauge through the axis reads the
// same table at every roll.
struct RoundCase {
    const char* name;
    int shape;
    std::vector<double> dims;
};

class RollOfRoundShell : public ::testing::TestWithParam<RoundCase> {};

TEST_P(RollOfRoundShell, GivesOneTable)
{
    const RoundCase& c = GetParam();
    auto level = OrientedTank::prepare(c.shape, c.dims, orientation(2.5, 0, 3000, 0, GaugeKind::Vertical));
    ASSERT_TRUE(level) << level.error();
    const auto reference = everyLevel(*level);
    for (double roll : {4.0, -11.0, 35.0}) {
        auto rolled = OrientedTank::prepare(c.shape, c.dims, orientation(2.5, roll, 3000, 0, GaugeKind::Vertical));
        ASSERT_TRUE(rolled) << rolled.error();
        const auto every = everyLevel(*rolled);
        ASSERT_EQ(every.size(), reference.size()) << "roll " << roll;
        for (size_t n = 0; n < every.size(); n += 1)
            ASSERT_NEAR(every[n], reference[n], 1e-9 * rolled->fullVolume()) << "roll " << roll << " level " << n;
    }
}

INSTANTIATE_TEST_SUITE_P(Shells, RollOfRoundShell,
                         ::testing::Values(RoundCase{"Torispherical", 14, {10000, 3000, 100, 581, 3000, 300}},
                                           RoundCase{"Elliptic", 11, {6000, 2000, 50, 500}},
                                           RoundCase{"Frustum", 13, {6000, 2000, 50, 400, 600}}),
                         [](const auto& row) { return std::string(row.param.name); });

// Shapes 18 to 25 are their horizontal twins pitched by A over the shell with the gauge at B on the bottom line.
struct PresetCase {
    const char* name;
    int inclined, twin;
    std::vector<double> twinDims;
    double A, B;
};

class PitchPreset : public ::testing::TestWithParam<PresetCase> {};

TEST_P(PitchPreset, EqualsItsPitchOnlyForm)
{
    const PresetCase& c = GetParam();
    std::vector<double> dims = c.twinDims;
    dims.push_back(c.A);
    dims.push_back(c.B);
    tarvol::RunOptions options;
    options.keepEveryLevel = true;
    const auto preset = tarvol::calculate(c.inclined, dims, options);
    ASSERT_TRUE(preset.ok()) << preset.refusal()->message;
    const auto pitch = tarvol::pitchFromRise(c.twin, c.twinDims, c.A);
    ASSERT_TRUE(pitch) << pitch.error();
    auto tank = OrientedTank::prepare(c.twin, c.twinDims, orientation(*pitch, 0, c.B, 0, GaugeKind::Vertical));
    ASSERT_TRUE(tank) << tank.error();
    const auto every = everyLevel(*tank);
    const auto& expected = preset.result().levelVolumes;
    ASSERT_EQ(every.size(), expected.size());
    for (size_t n = 0; n < every.size(); ++n)
        ASSERT_NEAR(every[n], expected[n], 1e-9 * tank->fullVolume()) << "level " << n;
    EXPECT_DOUBLE_EQ(tank->fullVolume(), preset.result().trueVolume);
}

INSTANTIATE_TEST_SUITE_P(
    Presets, PitchPreset,
    ::testing::Values(PresetCase{"Cylinder", 18, 8, {10000, 3000}, 300, 9000},
                      PresetCase{"Ellipse", 19, 9, {10000, 3000, 2000}, 300, 2000},
                      PresetCase{"SphericalHeads", 20, 10, {10000, 3000, 100, 500}, 300, 9000},
                      PresetCase{"EllipticHeads", 21, 11, {10000, 3000, 100, 750}, 1200, 400},
                      PresetCase{"ConeHeads", 22, 12, {10000, 3000, 100, 800}, 7, 5000},
                      PresetCase{"FrustumHeads", 23, 13, {10000, 3000, 100, 800, 1000}, 300, 9000},
                      PresetCase{"TorisphericalHeads", 24, 14, {10000, 3000, 100, 581, 3000, 300}, 300, 0},
                      PresetCase{"Box", 25, 15, {10000, 2000, 3000}, 450, 7000}),
    [](const auto& row) { return std::string(row.param.name); });

// The D-shaped tank rolled, level along its length: the inner length times the section's area below the
// surface, here by clipping a polygon of 40 000 points on the inner outline (left side from the width).
double clippedArea(const tarvol::DTankDims& d, double sinRoll, double cosRoll, double c)
{
    const tarvol::DTankSection section(d);
    const double h = 0.5 * section.height();
    const double centre = (d.S - d.R) - 0.5 * d.S;
    const int n = 20000;
    std::vector<std::pair<double, double>> outline;
    for (int k = 0; k <= n; ++k) { // up the convex side
        const double v = section.height() * (1 - std::cos(std::numbers::pi * k / n)) / 2;
        outline.emplace_back(centre + std::sqrt(std::max(0.0, v * (2 * h - v))), v);
    }
    for (int k = n; k >= 0; --k) { // down the flat side
        const double v = section.height() * (1 - std::cos(std::numbers::pi * k / n)) / 2;
        outline.emplace_back(centre + std::sqrt(std::max(0.0, v * (2 * h - v))) - section.widthAt(v), v);
    }
    // Sutherland–Hodgman against u sin φ + v cos φ <= c, then the shoelace
    const auto side = [&](const std::pair<double, double>& p) { return c - (p.first * sinRoll + p.second * cosRoll); };
    std::vector<std::pair<double, double>> kept;
    for (size_t k = 0; k < outline.size(); ++k) {
        const auto& a = outline[k];
        const auto& b = outline[(k + 1) % outline.size()];
        const double fa = side(a), fb = side(b);
        if (fa >= 0)
            kept.push_back(a);
        if ((fa >= 0) != (fb >= 0)) {
            const double t = fa / (fa - fb);
            kept.emplace_back(a.first + t * (b.first - a.first), a.second + t * (b.second - a.second));
        }
    }
    double twice = 0;
    for (size_t k = 0; k < kept.size(); ++k) {
        const auto& a = kept[k];
        const auto& b = kept[(k + 1) % kept.size()];
        twice += a.first * b.second - b.first * a.second;
    }
    return 0.5 * std::fabs(twice);
}

struct DTankCase {
    const char* name;
    std::vector<double> dims; // L, S, R, RV, RB, RS, t
    double roll, gaugeY;
};

class RolledDTank : public ::testing::TestWithParam<DTankCase> {};

TEST_P(RolledDTank, MatchesItsClippedSection)
{
    const DTankCase& c = GetParam();
    auto tank = OrientedTank::prepare(17, c.dims, orientation(0, c.roll, 500, c.gaugeY, GaugeKind::Fixed));
    ASSERT_TRUE(tank) << tank.error();
    const tarvol::DTankDims d{c.dims[0], c.dims[1], c.dims[2], c.dims[3], c.dims[4], c.dims[5], c.dims[6]};
    const double sf = std::sin(c.roll * kRad), cf = std::cos(c.roll * kRad);
    const double length = d.L - 2 * d.t;
    const double full = tank->fullVolume();
    const double lowAtZero = tank->volumeAtLevel(0);
    // the surface of reading n is the line c = c(foot) + n cos φ; c(foot) is where the clipped area holds the
    // tank's volume at reading 0
    double lo = -1e4, hi = 1e4;
    for (int k = 0; k < 200; ++k) {
        const double mid = 0.5 * (lo + hi);
        (clippedArea(d, sf, cf, mid) * length * 1e-6 < lowAtZero ? lo : hi) = mid;
    }
    const double footC = 0.5 * (lo + hi);
    for (double n = 0; n <= tank->highestLevel(); n += 23)
        EXPECT_NEAR(tank->volumeAtLevel(n), clippedArea(d, sf, cf, footC + n * cf) * length * 1e-6, 2e-7 * full)
            << "reading " << n;
}

INSTANTIATE_TEST_SUITE_P(Volvo, RolledDTank,
                         ::testing::Values(DTankCase{"Straight", {2000, 800, 300, 0, 0, 60, 3}, 8, 0},
                                           DTankCase{"Arched", {2000, 800, 300, 1500, 2000, 60, 3}, -15, 100},
                                           DTankCase{"Steep", {1500, 700, 320, 900, 0, 0, 4}, 40, -150}),
                         [](const auto& row) { return std::string(row.param.name); });

// What the tank cannot take is refused with its value named, and nothing else gets through to a formula.
struct RefusedCase {
    const char* name;
    int shape;
    std::vector<double> dims;
    Orientation orientation;
    const char* named;
};

class RefusedOrientation : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedOrientation, NamesTheValue)
{
    const RefusedCase& c = GetParam();
    const auto refusal = tarvol::orientationRefusal(c.shape, c.dims, c.orientation);
    ASSERT_TRUE(refusal);
    EXPECT_NE(refusal->find(c.named), std::string::npos) << *refusal;
    EXPECT_FALSE(OrientedTank::prepare(c.shape, c.dims, c.orientation));
}

const double kNaN = std::numeric_limits<double>::quiet_NaN();
INSTANTIATE_TEST_SUITE_P(
    Refusals, RefusedOrientation,
    ::testing::Values(
        RefusedCase{"VerticalShape", 1, {2000, 1000}, orientation(1, 0, 0, 0, GaugeKind::Vertical), "формы 1"},
        RefusedCase{"PitchRightAngle", 8, {5000, 2000}, orientation(90, 0, 100, 0, GaugeKind::Vertical), "90"},
        RefusedCase{"PitchNaN", 8, {5000, 2000}, orientation(kNaN, 0, 100, 0, GaugeKind::Vertical), "наклона"},
        RefusedCase{"RollBeyond", 15, {5000, 1000, 2000}, orientation(0, -95.5, 100, 0, GaugeKind::Fixed), "-95,5"},
        RefusedCase{"GaugePastEnd", 10, {5000, 2000, 100, 300}, orientation(1, 1, 5201, 0, GaugeKind::Fixed), "5201"},
        RefusedCase{
            "GaugeBesideTank", 16, {5000, 1000, 2000, 200}, orientation(0, 3, 10, 1001, GaugeKind::Fixed), "1001"},
        RefusedCase{"GaugeTooHigh", 8, {5000, 2000}, orientation(89.8, 0, 5000, 0, GaugeKind::Vertical), "5000"},
        RefusedCase{
            "BadDimensions", 17, {2000, 800, 300, 0, 0, 400, 3}, orientation(0, 1, 10, 0, GaugeKind::Fixed), "RS"}),
    [](const auto& row) { return std::string(row.param.name); });

} // namespace
