#include "calc/inclined.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <stdexcept>
#include <utility>

#include <boost/math/quadrature/gauss_kronrod.hpp>
#include <boost/math/tools/minima.hpp>
#include <boost/math/tools/roots.hpp>

#include "calc/torispherical.h"

namespace tarvol {
namespace {

constexpr double kPi = std::numbers::pi;
// |K21 − G10| overstates the K21 error by far: 1e-11 already gives round-off-level heads, and costs fewer
// subdivisions than a tighter figure
constexpr double kQuadratureTolerance = 1e-11;
constexpr unsigned kQuadratureDepth = 10;
constexpr int kExtremumBits = std::numeric_limits<double>::digits / 2;

using Quadrature = boost::math::quadrature::gauss_kronrod<double, 21>;
using Interval = std::pair<double, double>;

struct Tilt {
    double sin = 0;
    double cos = 1;
    double tan = 0;
    double secMinusOne = 0; // 1 / cos θ − 1, without the cancellation of a faint tilt
};

void validate(const TiltedTank& tank)
{
    if (!(tank.width >= 0 && tank.height >= 0 && tank.shellLength >= 0 && tank.head.length >= 0))
        throw std::invalid_argument("tilted tank: dimensions must be non-negative");
    if (!(tank.rise == 0 || (tank.rise > 0 && tank.rise < tank.shellLength)))
        throw std::invalid_argument("tilted tank: the rise must lie in [0, shell length)");
    if (tank.section == ShellSection::Circle && tank.width != tank.height)
        throw std::invalid_argument("tilted tank: a circular shell has width == height");
    if (tank.head.length > 0 && (tank.section != ShellSection::Circle || !tank.head.radius))
        throw std::invalid_argument("tilted tank: only a circular shell takes a head profile");
}

Tilt tiltOf(double rise, double length)
{
    if (rise == 0)
        return {};
    // (Ls − A)(Ls + A) keeps cos θ accurate when A is close to Ls
    const double root = std::sqrt((length - rise) * (length + rise));
    const double sin = rise / length;
    const double cos = root / length;
    return {sin, cos, rise / root, sin * sin / (cos * (1 + cos))};
}

// asin(x) − x for 0 <= x < 0.25 by its series, which the direct difference would lose to cancellation.
double asinMinusArg(double x)
{
    const double x2 = x * x;
    double term = x;
    double sum = 0;
    for (int n = 1; n <= 16; ++n) {
        term *= x2 * (2 * n - 1) * (2 * n - 1) / ((2.0 * n) * (2 * n + 1));
        sum += term;
    }
    return sum;
}

// ∫_a^b 2√(1 − u²) du over −1 <= a <= b <= 1. Each end comes as (1 + u, 1 − u) and du = b − a is passed
// separately, so that a short interval or one close to ±1 keeps its relative precision. With u = sin φ the
// integral is δ + sin δ cos σ, δ = φb − φa, σ = φb + φa; it is summed as (δ − sin δ) + sin δ (1 + cos σ).
double unitChordIntegral(double plusA, double minusA, double plusB, double minusB, double du)
{
    if (du <= 0)
        return 0;
    const double uA = 0.5 * (plusA - minusA);
    const double uB = 0.5 * (plusB - minusB);
    const double gA = std::sqrt(plusA * minusA);
    const double gB = std::sqrt(plusB * minusB);
    const bool sameSide = (uA > 0 && uB > 0) || (uA < 0 && uB < 0);
    // sin δ = uB gA − uA gB loses the digits of a short interval; rewritten around du it keeps them, and the
    // direct form is kept for a long interval across the axis, where the rewritten one would cancel instead
    const double sinDelta =
        (sameSide || du <= 1) && gA + gB > 0 ? du * (gA + uA * (uA + uB) / (gA + gB)) : uB * gA - uA * gB;
    const double cosDelta = gA * gB + uA * uB;
    double oneMinusProduct = 1 - uA * uB;
    if (uA >= 0 && uB >= 0)
        oneMinusProduct = minusA + uA * minusB;
    else if (uA <= 0 && uB <= 0)
        oneMinusProduct = plusA - uA * plusB;
    const double onePlusCosSum = oneMinusProduct + gA * gB;
    const double deltaMinusSin =
        (cosDelta > 0 && sinDelta < 0.25) ? asinMinusArg(sinDelta) : std::atan2(sinDelta, cosDelta) - sinDelta;
    return std::max(0.0, deltaMinusSin + sinDelta * onePlusCosSum);
}

// The shell's share of the section at height z, closed form. p is the height of the liquid line above the
// bottom line in a slice; it falls linearly from p0 at s = 0 to p0 − Ls tan θ at s = Ls.
double shellSection(const TiltedTank& tank, const Tilt& tilt, double z)
{
    const double S = tank.width;
    const double H = tank.height;
    const double length = tank.shellLength;
    if (S <= 0 || H <= 0 || length <= 0)
        return 0;
    // q = H − p, the depth below the top line; both from z and H − z, exact for the levels of a table
    const double p0 = z + z * tilt.secMinusOne;
    const double q0 = (H - z) - z * tilt.secMinusOne;
    if (tilt.sin == 0) {
        if (p0 <= 0 || q0 <= 0)
            return 0;
        const double chord = tank.section == ShellSection::Rectangle ? S : 2 * S * std::sqrt(p0 * q0) / H;
        return chord * length;
    }
    const double drop = length * tilt.tan;
    const double p1 = p0 - drop;
    const double q1 = q0 + drop;
    if (q0 >= H || p1 >= H) // the line runs below the shell, or above it, along the whole length
        return 0;
    const bool lowClamped = p1 < 0;
    const bool highClamped = q0 < 0;
    const double pLow = lowClamped ? 0 : p1, qLow = lowClamped ? H : q1;
    const double pHigh = highClamped ? H : p0, qHigh = highClamped ? 0 : q0;
    // the shell's part is (1 / sin θ) ∫ w(p) dp between the two ends' liquid heights
    const double span = lowClamped ? (highClamped ? H : p0) : (highClamped ? q1 : drop);
    if (tank.section == ShellSection::Rectangle)
        return S * span / tilt.sin;
    const double unit = unitChordIntegral(2 * pLow / H, 2 * qLow / H, 2 * pHigh / H, 2 * qHigh / H, 2 * span / H);
    return 0.25 * S * H * unit / tilt.sin;
}

// f(lo) and f(hi) differ in sign (or one is 0): the root between them.
template <class F>
double rootBetween(F f, double lo, double hi, double fLo, double fHi)
{
    std::uintmax_t iterations = 200;
    const auto bracket =
        boost::math::tools::toms748_solve(f, lo, hi, fLo, fHi, boost::math::tools::eps_tolerance<double>(), iterations);
    return 0.5 * (bracket.first + bracket.second);
}

// Where the concave f is positive on [0, length]: an interval, empty when first >= second.
// bound is an upper bound of f, which spares the search for the maximum when it is not positive.
template <class F>
Interval positiveSet(F f, double length, double bound)
{
    const double f0 = f(0.0);
    const double f1 = f(length);
    if (f0 > 0 && f1 > 0)
        return {0.0, length};
    if (f0 > 0)
        return {0.0, rootBetween(f, 0.0, length, f0, f1)};
    if (f1 > 0)
        return {rootBetween(f, 0.0, length, f0, f1), length};
    if (bound <= 0)
        return {0.0, 0.0};
    const auto [at, negated] =
        boost::math::tools::brent_find_minima([&](double u) { return -f(u); }, 0.0, length, kExtremumBits);
    if (-negated <= 0)
        return {0.0, 0.0};
    return {rootBetween(f, 0.0, at, f0, -negated), rootBetween(f, at, length, -negated, f1)};
}

// ∫_a^b f with s = a + (b − a) sin²(φ/2): a square-root edge of f at either end becomes smooth in φ.
template <class F>
double integrateWithEdges(F f, double a, double b)
{
    const double width = b - a;
    const auto inPhi = [&](double phi) {
        const double half = 0.5 * phi;
        const double sh = std::sin(half);
        const double ch = std::cos(half);
        // measured from the nearer end, so that s stays exact next to the edge
        const double s = phi < 0.5 * kPi ? a + width * sh * sh : b - width * ch * ch;
        return f(s) * width * sh * ch;
    };
    return Quadrature::integrate(inPhi, 0.0, kPi, kQuadratureDepth, kQuadratureTolerance);
}

// ∫ 2√(r(s)² − t(s)²) ds over one head, the liquid line running at t(s) = tau − slope · s from the axis.
// The lower head is its mirror image (t → −t), so both heads use this with slope = tan θ >= 0.
double headChordIntegral(const HeadProfile& head, double tau, double slope)
{
    const double length = head.length;
    if (length <= 0)
        return 0;
    const auto offset = [&](double s) { return tau - slope * s; };
    const auto belowTop = [&](double s) { return head.radius(s) - offset(s); };
    const auto aboveBottom = [&](double s) { return head.radius(s) + offset(s); };
    const Interval top = positiveSet(belowTop, length, head.maxRadius - tau + slope * length);
    if (top.first >= top.second)
        return 0;
    const Interval bottom = positiveSet(aboveBottom, length, head.maxRadius + tau);
    const double lo = std::max(top.first, bottom.first);
    const double hi = std::min(top.second, bottom.second);
    if (lo >= hi)
        return 0;
    const auto chord = [&](double s) {
        const double r = head.radius(s);
        const double t = offset(s);
        const double square = (r - t) * (r + t);
        return square > 0 ? 2 * std::sqrt(square) : 0.0;
    };
    double sum = 0;
    double from = lo;
    for (double brk : head.breaks) {
        if (brk > from && brk < hi) {
            sum += integrateWithEdges(chord, from, brk);
            from = brk;
        }
    }
    return sum + integrateWithEdges(chord, from, hi);
}

// The smallest value of the convex f over [0, length], with the head's ends and breaks as candidates.
template <class F>
double convexMinimum(F f, const HeadProfile& head)
{
    double best = std::min(f(0.0), f(head.length));
    for (double brk : head.breaks)
        if (brk > 0 && brk < head.length)
            best = std::min(best, f(brk));
    const auto found = boost::math::tools::brent_find_minima(f, 0.0, head.length, kExtremumBits);
    return std::min(best, found.second);
}

// ∫_{−r}^{t} segmentBelow(r, τ) dτ = r² t acos(−t/r) + √(r² − t²) (2r² + t²) / 3.
double segmentPrimitive(double r, double t)
{
    if (t <= -r)
        return 0;
    if (t >= r)
        return kPi * r * r * t;
    const double g = std::sqrt((r - t) * (r + t));
    return r * r * t * std::atan2(g, -t) + g * (2 * r * r + t * t) / 3;
}

// ∫ f over [a, b] in pieces between the head's breaks, each by integrate(f, from, to).
template <class F, class Integrate>
double overPieces(const HeadProfile& head, double a, double b, F f, Integrate integrate)
{
    double sum = 0;
    double from = a;
    for (double brk : head.breaks) {
        if (brk > from && brk < b) {
            sum += integrate(f, from, brk);
            from = brk;
        }
    }
    return b > from ? sum + integrate(f, from, b) : sum;
}

// ∫ π r(u)² du over [a, b] of the head: its slices lying wholly below the plane.
double wholeSlices(const HeadProfile& head, double a, double b)
{
    const auto disc = [&](double u) {
        const double r = head.radius(u);
        return kPi * r * r;
    };
    const auto plain = [](auto f, double from, double to) {
        return Quadrature::integrate(f, from, to, kQuadratureDepth, kQuadratureTolerance);
    };
    return overPieces(head, a, b, disc, plain);
}

// The part of a box's section S × H below the line p(s) = p0 − slope · s over 0 <= s <= length, per unit width:
// full up to where the line leaves the top, a trapezoid down to where it meets the bottom; no difference of
// nearly equal primitives, so a faint tilt keeps its digits.
double rectangleBelow(double H, double length, double p0, double slope)
{
    double leavesTop = p0 >= H ? length : 0.0;
    double meetsBottom = p0 > 0 ? length : 0.0;
    if (slope > 0) {
        leavesTop = std::clamp((p0 - H) / slope, 0.0, length);
        meetsBottom = std::clamp(p0 / slope, 0.0, length);
    }
    const double pTop = std::clamp(p0 - slope * leavesTop, 0.0, H);
    const double pBottom = std::clamp(p0 - slope * meetsBottom, 0.0, H);
    return H * leavesTop + 0.5 * (meetsBottom - leavesTop) * (pTop + pBottom);
}

// The shell's volume below the plane whose offset from the axis is t0 at s = 0, mm³.
double shellVolume(const TiltedTank& tank, const Tilt& tilt, double t0)
{
    const double S = tank.width;
    const double H = tank.height;
    const double length = tank.shellLength;
    if (S <= 0 || H <= 0 || length <= 0)
        return 0;
    const double h0 = 0.5 * H;
    if (tank.section == ShellSection::Rectangle)
        return S * rectangleBelow(H, length, h0 + t0, tilt.tan);
    // the ellipse is the circle of diameter H stretched across by S / H
    double circle = length * segmentBelow(h0, t0);
    const double drop = length * tilt.tan;
    if (drop >= 0.01 * H) {
        // V = ∫_0^Ls segment(t(s)) ds with dt = −tan θ ds
        circle = (segmentPrimitive(h0, t0) - segmentPrimitive(h0, t0 - drop)) / tilt.tan;
    } else if (drop > 0) {
        // a faint tilt would cancel in the difference of primitives: the shell as a head of constant radius
        const HeadProfile straight{length, [h0](double) { return h0; }, {}, h0};
        circle = headVolumeBelow(straight, t0, tilt.tan);
    }
    return S / H * circle;
}

} // namespace

double segmentBelow(double r, double t)
{
    if (t <= -r)
        return 0;
    if (t >= r)
        return kPi * r * r;
    const double g = std::sqrt((r - t) * (r + t));
    return r * r * std::atan2(g, -t) + t * g;
}

double headVolumeBelow(const HeadProfile& head, double offset, double slope)
{
    const double length = head.length;
    if (length <= 0)
        return 0;
    const auto line = [&](double u) { return offset - slope * u; };
    // a slice lies wholly below the plane where r <= t, wholly above where r <= −t; both r ∓ t are concave
    const Interval notBelow = positiveSet([&](double u) { return head.radius(u) - line(u); }, length,
                                          head.maxRadius - offset + std::max(0.0, slope * length));
    const Interval notAbove = positiveSet([&](double u) { return head.radius(u) + line(u); }, length,
                                          head.maxRadius + offset + std::max(0.0, -slope * length));
    if (notBelow.first >= notBelow.second)
        return wholeSlices(head, 0, length);
    double volume = wholeSlices(head, 0, notBelow.first) + wholeSlices(head, notBelow.second, length);
    const double lo = std::max(notBelow.first, notAbove.first);
    const double hi = std::min(notBelow.second, notAbove.second);
    if (lo < hi) {
        const auto cut = [&](double u) { return segmentBelow(head.radius(u), line(u)); };
        const auto edged = [](auto f, double from, double to) { return integrateWithEdges(f, from, to); };
        volume += overPieces(head, lo, hi, cut, edged);
    }
    return volume;
}

double tiltedZMin(const TiltedTank& tank)
{
    validate(tank);
    if (tank.head.length <= 0)
        return 0;
    const Tilt tilt = tiltOf(tank.rise, tank.shellLength);
    const double h0 = 0.5 * tank.height;
    // the lowest point of the lower head's slice at s beyond the end: −s sin θ + (h₀ − r(s)) cos θ
    const auto lowest = [&](double s) { return -s * tilt.sin + (h0 - tank.head.radius(s)) * tilt.cos; };
    return std::min(0.0, convexMinimum(lowest, tank.head));
}

double tiltedZMax(const TiltedTank& tank)
{
    validate(tank);
    const Tilt tilt = tiltOf(tank.rise, tank.shellLength);
    const double shellTop = tank.shellLength * tilt.sin + tank.height * tilt.cos;
    if (tank.head.length <= 0)
        return shellTop;
    const double h0 = 0.5 * tank.height;
    // the highest point of the upper head's slice at s beyond the end: (Ls + s) sin θ + (h₀ + r(s)) cos θ
    const auto negatedHighest = [&](double s) {
        return -((tank.shellLength + s) * tilt.sin + (h0 + tank.head.radius(s)) * tilt.cos);
    };
    return std::max(shellTop, -convexMinimum(negatedHighest, tank.head));
}

double tiltedSectionArea(const TiltedTank& tank, double z)
{
    validate(tank);
    const Tilt tilt = tiltOf(tank.rise, tank.shellLength);
    const double shell = shellSection(tank, tilt, z);
    if (tank.head.length <= 0)
        return shell;
    const double t0 = (z - 0.5 * tank.height) + z * tilt.secMinusOne; // liquid line's offset from the axis at s = 0
    const double t1 = t0 - tank.shellLength * tilt.tan;               // and at s = Ls
    const double heads = headChordIntegral(tank.head, -t0, tilt.tan) + headChordIntegral(tank.head, t1, tilt.tan);
    return shell + heads / tilt.cos;
}

double tiltedVolume(const TiltedTank& tank, double z)
{
    validate(tank);
    const Tilt tilt = tiltOf(tank.rise, tank.shellLength);
    const double t0 = (z - 0.5 * tank.height) + z * tilt.secMinusOne; // liquid line's offset from the axis at s = 0
    double volume = shellVolume(tank, tilt, t0);
    if (tank.head.length > 0) {
        // beyond the raised end the line falls further below the axis, beyond the lower end it rises
        volume += headVolumeBelow(tank.head, t0 - tank.shellLength * tilt.tan, tilt.tan);
        volume += headVolumeBelow(tank.head, t0, -tilt.tan);
    }
    return volume;
}

double tiltedCylinderVolume(double D, double L, double A, double z)
{
    return tiltedVolume({ShellSection::Circle, D, D, L, {}, A}, z);
}

HeadProfile sphericalSegmentHead(double D, double LS)
{
    if (D <= 0 || LS <= 0)
        return {};
    const double R = D * D / (8 * LS) + 0.5 * LS;
    const double beyond = D * D / (4 * LS); // 2R − LS
    // r² = R² − (R − LS + s)² = (LS − s)(2R − LS + s)
    const auto radius = [LS, beyond](double s) {
        s = std::clamp(s, 0.0, LS);
        return std::sqrt((LS - s) * (beyond + s));
    };
    return {LS, radius, {}, LS <= 0.5 * D ? 0.5 * D : R};
}

HeadProfile ellipsoidHead(double D, double LEL)
{
    if (D <= 0 || LEL <= 0)
        return {};
    const auto radius = [D, LEL](double s) {
        const double x = std::clamp(s / LEL, 0.0, 1.0);
        return 0.5 * D * std::sqrt((1 - x) * (1 + x));
    };
    return {LEL, radius, {}, 0.5 * D};
}

HeadProfile coneHead(double D, double LK) { return frustumHead(D, LK, 0); }

HeadProfile frustumHead(double D, double LK, double Dmin)
{
    if (D <= 0 || LK <= 0 || Dmin < 0)
        return {};
    const auto radius = [D, LK, Dmin](double s) {
        s = std::clamp(s, 0.0, LK);
        return (D * (LK - s) + Dmin * s) / (2 * LK);
    };
    return {LK, radius, {}, 0.5 * std::max(D, Dmin)};
}

HeadProfile torisphericalHead(const TorisphericalHead& head)
{
    const double depth = head.depth();
    if (!(depth > 0))
        return {};
    std::vector<double> breaks;
    if (head.knuckleEnd() > 0 && head.knuckleEnd() < depth)
        breaks.push_back(head.knuckleEnd());
    return {depth, [head](double s) { return head.radiusAt(s); }, breaks, head.radiusAt(0)};
}

} // namespace tarvol
