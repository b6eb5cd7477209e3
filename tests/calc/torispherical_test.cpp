#include "calc/torispherical.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <optional>
#include <vector>

#include <boost/math/quadrature/tanh_sinh.hpp>
#include <gtest/gtest.h>

namespace tarvol {
namespace {

constexpr double kPi = std::numbers::pi;

struct HeadRow {
    const char* name;
    double d, rs, rsk;
};

const HeadRow kHeads[] = {
    {"Kloepper", 1000, 1000, 100},   {"KorbbogenLarge", 2000, 1600, 308},      {"ShallowCrown", 1000, 5000, 50},
    {"DeepKnuckle", 1000, 600, 490}, {"OddDiameter", 1001, 1001, 101},         {"SphericalSegment", 1000, 725, 0},
    {"Hemisphere", 1000, 500, 100},  {"KnuckleIsHemisphere", 1000, 3000, 500},
};

// r(s) straight from its definition, integrated numerically: shares nothing with the closed forms.
struct Reference {
    double rs, k, a, c, h, s1;
    explicit Reference(const HeadRow& p)
        : rs(p.rs), k(p.rsk), a(p.d / 2 - p.rsk), c(std::sqrt((rs - k) * (rs - k) - a * a)), h(rs - c),
          s1(rs > k ? k * c / (rs - k) : 0.0)
    {}
    double r(double s) const
    {
        return s <= s1 ? a + std::sqrt(std::max(0.0, k * k - s * s))
                       : std::sqrt(std::max(0.0, rs * rs - (s + c) * (s + c)));
    }
    static double integrate(const std::function<double(double)>& f, double lo, double hi)
    {
        return hi > lo ? boost::math::quadrature::tanh_sinh<double>().integrate([&](double x, double) { return f(x); },
                                                                                lo, hi, 1e-14)
                       : 0.0;
    }
    double volumeUpTo(double s) const
    {
        auto disc = [&](double x) { return kPi * r(x) * r(x); };
        return integrate(disc, 0.0, std::min(s, s1)) + integrate(disc, s1, std::min(s, h));
    }
    // Split at the knuckle end and at the root of r(s) = u, so the square-root zero sits at an end point.
    double sectionArea(double u) const
    {
        const double root = u <= r(s1) ? std::sqrt(rs * rs - u * u) - c : std::sqrt(k * k - (u - a) * (u - a));
        auto chord = [&](double s) { return 2.0 * std::sqrt(std::max(0.0, r(s) * r(s) - u * u)); };
        return integrate(chord, 0.0, std::min(s1, root)) + integrate(chord, s1, std::min(h, root));
    }
};

// Planes from the axis to the rim, dense near the axis where a near-hemispherical knuckle is hardest.
std::vector<double> probePlanes(double halfDiameter)
{
    std::vector<double> planes{0.0, 0.5, 1.5, 2.5, halfDiameter - 0.5};
    for (int i = 1; i < 25; ++i)
        planes.push_back(halfDiameter * i / 25);
    return planes;
}

class TorisphericalHeadTest : public ::testing::TestWithParam<HeadRow> {};

TEST_P(TorisphericalHeadTest, VolumeAndSectionMatchNumericIntegrals)
{
    const HeadRow& p = GetParam();
    const TorisphericalHead head(p.d, p.rs, p.rsk);
    const Reference ref(p);
    for (double fraction : {0.1, 0.5, 0.9, 1.0})
        EXPECT_NEAR(head.volumeUpTo(fraction * ref.h), ref.volumeUpTo(fraction * ref.h), 1e-12 * head.volume())
            << fraction;
    EXPECT_DOUBLE_EQ(head.volume(), head.volumeUpTo(2 * ref.h));
    const double full = ref.sectionArea(0.0);
    for (double u : probePlanes(p.d / 2))
        EXPECT_NEAR(head.sectionArea(u), ref.sectionArea(u), 1e-12 * full) << "u = " << u;
}

TEST_P(TorisphericalHeadTest, ProfileAndSectionNeverGrowOutwards)
{
    const HeadRow& p = GetParam();
    const TorisphericalHead head(p.d, p.rs, p.rsk);
    EXPECT_DOUBLE_EQ(head.radiusAt(0.0), p.d / 2);
    EXPECT_EQ(head.radiusAt(head.depth()), 0.0);
    EXPECT_NEAR(head.radiusAt(head.knuckleEnd()), head.radiusAt(std::nextafter(head.knuckleEnd(), 1e9)), 1e-9 * p.d);
    for (double s = 0.25; s <= head.depth(); s += 0.25)
        ASSERT_LE(head.radiusAt(s), head.radiusAt(s - 0.25)) << "s = " << s;
    for (double u = 0.25; u < p.d / 2; u += 0.25)
        ASSERT_LE(head.sectionArea(u), head.sectionArea(u - 0.25)) << "u = " << u;
    for (double u : {p.d / 2, p.d / 2 + 1, 1e12})
        EXPECT_EQ(head.sectionArea(u), 0.0) << "u = " << u;
}

// The head cut into 1 mm slabs at mid-slab height, lying and standing.
TEST_P(TorisphericalHeadTest, SlabSumsReachVolume)
{
    const HeadRow& p = GetParam();
    const TorisphericalHead head(p.d, p.rs, p.rsk);
    double lying = 0.0, standing = 0.0;
    for (int level = 1; level <= p.d; ++level)
        lying += head.sectionArea(std::abs(level - 0.5 - p.d / 2));
    for (int level = 1; level <= std::ceil(head.depth()); ++level)
        standing += kPi * std::pow(head.radiusAt(level - 0.5), 2);
    EXPECT_NEAR(lying, head.volume(), 1e-4 * head.volume());
    EXPECT_NEAR(standing, head.volume(), 1e-4 * head.volume());
}

INSTANTIATE_TEST_SUITE_P(Torispherical, TorisphericalHeadTest, ::testing::ValuesIn(kHeads),
                         [](const auto& testInfo) { return testInfo.param.name; });

// Sphere of radius R cut at R − h from its centre: the plane meets it in a circle of radius ρ, of which the
// segment beyond the chord is the section. Long double, as this form cancels near the rim.
double segmentSection(long double R, long double h, long double u)
{
    const long double rho = std::sqrt(R * R - u * u), c = R - h;
    return rho > c ? static_cast<double>(std::acos(c / rho) * rho * rho - std::sqrt(rho * rho - c * c) * c) : 0.0;
}

double halfDisc(double radius, double u) { return kPi * (radius * radius - u * u) / 2; }

struct ClosedFormRow {
    const char* name;
    double d, rs, rsk, depth, volume;
    std::function<double(double)> section;
};

const double kHemisphere500 = 2.0 / 3 * kPi * 500 * 500 * 500;
const ClosedFormRow kClosedForms[] = {
    {"KloepperDepth", 1000, 1000, 100, 193.774225, 0, {}},
    {"NoKnuckleIsSegment", 1000, 725, 0, 200, kPi * 200 * 200 * (3 * 725 - 200) / 3,
     [](double u) { return segmentSection(725, 200, u); }},
    {"NoKnuckleWideShell", 1200, 1000, 0, 200, kPi * 200 * 200 * (3 * 1000 - 200) / 3,
     [](double u) { return segmentSection(1000, 200, u); }},
    {"CrownOfHalfDiameterIsHemisphere", 1000, 500, 100, 500, kHemisphere500, [](double u) { return halfDisc(500, u); }},
    {"KnuckleOfHalfDiameterIsHemisphere", 2000, 5000, 1000, 1000, 8 * kHemisphere500,
     [](double u) { return halfDisc(1000, u); }},
    {"BothRadiiHalfDiameter", 1000, 500, 500, 500, kHemisphere500, [](double u) { return halfDisc(500, u); }},
    {"ZeroDiameter", 0, 0, 0, 0, 0, [](double) { return 0.0; }},
    {"ZeroDiameterWithCrown", 0, 700, 0, 0, 0, [](double) { return 0.0; }},
    {"RefusedCrownIsEmpty", 1000, 0, 0, 0, 0, [](double) { return 0.0; }},
};

class TorisphericalLimitTest : public ::testing::TestWithParam<ClosedFormRow> {};

TEST_P(TorisphericalLimitTest, DepthVolumeAndSection)
{
    const ClosedFormRow& p = GetParam();
    const TorisphericalHead head(p.d, p.rs, p.rsk);
    EXPECT_NEAR(head.depth(), p.depth, 5e-7);
    if (!p.section)
        return;
    EXPECT_NEAR(head.volume(), p.volume, 1e-13 * p.volume);
    for (double u : probePlanes(p.d / 2))
        EXPECT_NEAR(head.sectionArea(u), p.section(u), 1e-14 * p.section(0.0) + 1e-9) << "u = " << u;
}

INSTANTIATE_TEST_SUITE_P(Torispherical, TorisphericalLimitTest, ::testing::ValuesIn(kClosedForms),
                         [](const auto& testInfo) { return testInfo.param.name; });

using Fault = TorisphericalHead::Fault;
struct CheckRow {
    const char* name;
    double d, rs, rsk, hs;
    std::optional<Fault> fault;
    double limit;
};

const CheckRow kChecks[] = {
    {"MeasuredDepth", 1000, 1000, 100, 194, std::nullopt, 0},
    {"LowWithinTwoPercent", 1000, 1000, 100, 190, std::nullopt, 0},
    {"LowBeyondTwoPercent", 1000, 1000, 100, 189, Fault::DepthMismatch, 193.774225},
    {"HighWithinTwoPercent", 1000, 1000, 100, 197, std::nullopt, 0},
    {"HighBeyondTwoPercent", 1000, 1000, 100, 198, Fault::DepthMismatch, 193.774225},
    {"FlatHeadWithinTwoMillimetres", 1000, 5000, 50, 72, std::nullopt, 0},
    {"FlatHeadBeyondTwoMillimetres", 1000, 5000, 50, 73, Fault::DepthMismatch, 70.496982},
    {"DepthLeftAtZero", 1000, 1000, 100, 0, Fault::DepthMismatch, 193.774225},
    {"HemisphereAccepted", 1000, 500, 0, 500, std::nullopt, 0},
    {"CrownBelowHalfDiameter", 1000, 499, 100, 190, Fault::CrownTooSmall, 500},
    {"CrownBelowHalfOddDiameter", 1001, 500, 100, 190, Fault::CrownTooSmall, 500.5},
    {"CrownCheckedBeforeKnuckle", 1000, 400, 600, 0, Fault::CrownTooSmall, 500},
    {"KnuckleAboveHalfDiameter", 1000, 1000, 501, 193, Fault::KnuckleTooLarge, 500},
    {"KnuckleCheckedBeforeDepth", 1000, 1000, 501, 0, Fault::KnuckleTooLarge, 500},
    {"AllZero", 0, 0, 0, 0, std::nullopt, 0},
};

class TorisphericalCheckTest : public ::testing::TestWithParam<CheckRow> {};

TEST_P(TorisphericalCheckTest, RefusesWithLimit)
{
    const CheckRow& p = GetParam();
    const auto refusal = TorisphericalHead::check(p.d, p.rs, p.rsk, p.hs);
    ASSERT_EQ(refusal.has_value(), p.fault.has_value());
    if (refusal) {
        EXPECT_EQ(refusal->fault, *p.fault);
        EXPECT_NEAR(refusal->limit, p.limit, 5e-7);
    }
}

INSTANTIATE_TEST_SUITE_P(Torispherical, TorisphericalCheckTest, ::testing::ValuesIn(kChecks),
                         [](const auto& testInfo) { return testInfo.param.name; });

// The largest typed values stay finite and inside the cylinder that holds the head.
TEST(TorisphericalExtremes, LargestInputsStayBounded)
{
    const double big = 99999999;
    for (const HeadRow& p : {HeadRow{"", big, big, 9999999},
                             {"", big, big, 1},
                             {"", 1, big, 0},
                             {"", big, big, 49999999},
                             {"", 2, big, 1},
                             {"", big, big / 2, 0}}) {
        const TorisphericalHead head(p.d, p.rs, p.rsk);
        SCOPED_TRACE(testing::Message() << p.d << " " << p.rs << " " << p.rsk);
        EXPECT_TRUE(head.volume() > 0 && head.volume() <= kPi * p.d * p.d / 4 * head.depth());
        for (double u : {0.0, p.d / 4, p.d / 2 - 0.5}) {
            const double area = head.sectionArea(u);
            EXPECT_TRUE(area >= 0 && area <= p.d * head.depth()) << "u = " << u;
        }
    }
}

} // namespace
} // namespace tarvol
