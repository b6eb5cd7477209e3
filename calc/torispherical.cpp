#include "calc/torispherical.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include <boost/math/quadrature/gauss_kronrod.hpp>

namespace tarvol {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kDepthToleranceMm = 2.0;
constexpr double kDepthToleranceRatio = 0.02;
// The Gauss/Kronrod difference overstates the Kronrod error, so 1e-12 yields ~1e-15; it is needed where a
// nearly hemispherical knuckle is cut close to the axis (r + u small), elsewhere one panel already suffices.
constexpr double kQuadratureTolerance = 1e-12;
constexpr unsigned kQuadratureDepth = 12;

using Quadrature = boost::math::quadrature::gauss_kronrod<double, 21>;

} // namespace

// Area of the part of a disc of radius hypot(z, w) lying beyond a chord at distance z >= 0 from its
// centre, w being the half chord: (z² + w²)·atan(w/z) − z·w.
double segmentBeyondChord(double z, double w)
{
    if (w <= 0.0)
        return 0.0;
    if (z <= 0.0)
        return 0.5 * kPi * w * w;
    const double t = w / z;
    if (t >= 0.25)
        return (z * z + w * w) * std::atan2(w, z) - z * w;
    // A thin segment cancels in the closed form: use (1 + t²)atan t − t = 2t³ Σ (−t²)^k / (4(k+1)² − 1).
    const double minusT2 = -t * t;
    double series = 0.0;
    for (int k = 13; k >= 0; --k)
        series = 1.0 / (4.0 * (k + 1) * (k + 1) - 1.0) + minusT2 * series;
    return z * z * 2.0 * t * t * t * series;
}

std::optional<TorisphericalHead::Refusal> TorisphericalHead::check(double D, double RS, double RSK, double HS)
{
    const double radius = 0.5 * D;
    if (RS < radius)
        return Refusal{Fault::CrownTooSmall, radius};
    if (RSK > radius)
        return Refusal{Fault::KnuckleTooLarge, radius};
    const double h = TorisphericalHead(D, RS, RSK).depth();
    const double deviation = std::abs(HS - h);
    if (deviation > kDepthToleranceMm && deviation > kDepthToleranceRatio * h)
        return Refusal{Fault::DepthMismatch, h};
    return std::nullopt;
}

TorisphericalHead::TorisphericalHead(double D, double RS, double RSK)
{
    const double radius = 0.5 * D;
    // Written so that NaN fails too: no formula below ever sees an impossible head.
    if (!(radius > 0.0 && RS >= radius && RSK >= 0.0 && RSK <= radius))
        return;
    m_radius = radius;
    m_rs = RS;
    m_rsk = RSK;
    m_a = radius - RSK;
    // c² = (RS − RSK)² − a², factored so that whole-millimetre inputs lose nothing.
    m_c = std::sqrt((RS - radius) * (RS + radius - 2.0 * RSK));
    // h = RS − c = (RS² − c²)/(RS + c): no cancellation when a flat head has c close to RS.
    m_h = (RSK * (2.0 * RS - RSK) + m_a * m_a) / (RS + m_c);
    // The tangency lies on the line from the crown's centre through the knuckle's centre.
    const double centres = RS - RSK;
    const double cosTheta1 = centres > 0.0 ? m_a / centres : 1.0;
    const double sinTheta1 = centres > 0.0 ? m_c / centres : 0.0;
    m_theta1 = std::atan2(sinTheta1, cosTheta1);
    m_s1 = RSK * sinTheta1;
    m_r1 = m_a + RSK * cosTheta1;
    m_z1 = m_c + m_s1;
    // Crown: a spherical cap of height h − s1.
    const double capHeight = m_h - m_s1;
    m_volume = knuckleVolumeUpTo(m_s1) + kPi / 3.0 * capHeight * capHeight * (2.0 * RS + m_z1);
}

double TorisphericalHead::depth() const { return m_h; }

double TorisphericalHead::knuckleEnd() const { return m_s1; }

double TorisphericalHead::radiusAt(double s) const
{
    if (!(s >= 0.0 && s <= m_h))
        return 0.0;
    if (s <= m_s1)
        return m_a + std::sqrt((m_rsk - s) * (m_rsk + s));
    return std::sqrt(std::max(0.0, (m_h - s) * (m_rs + m_c + s)));
}

double TorisphericalHead::volume() const { return m_volume; }

// π ∫_0^s (a + √(K² − σ²))² dσ = π [(a² + K²) s − s³/3 + a (s √(K² − s²) + K² asin(s/K))], s <= s1.
double TorisphericalHead::knuckleVolumeUpTo(double s) const
{
    if (s <= 0.0)
        return 0.0;
    const double k = m_rsk;
    const double q = std::sqrt(std::max(0.0, (k - s) * (k + s)));
    const double angle = std::atan2(s, q);
    return kPi * ((m_a * m_a + k * k) * s - s * s * s / 3.0 + m_a * (s * q + k * k * angle));
}

double TorisphericalHead::volumeUpTo(double s) const
{
    if (!(s > 0.0))
        return 0.0;
    if (s >= m_h)
        return m_volume;
    if (s <= m_s1)
        return knuckleVolumeUpTo(s);
    // The crown beyond s is a cap of height h − s; subtract it from the whole head.
    const double rest = m_h - s;
    return m_volume - kPi / 3.0 * rest * rest * (2.0 * m_rs + m_c + s);
}

double TorisphericalHead::sectionArea(double u) const
{
    u = std::abs(u);
    if (!(u < m_radius))
        return 0.0;
    double area = 0.0;
    // The crown is a ball cut off at z1 from its centre: the plane meets it in a circular segment.
    if (u < m_r1)
        area += segmentBeyondChord(m_z1, std::sqrt((m_r1 - u) * (m_r1 + u)));
    if (m_s1 > 0.0)
        area += knuckleSection(u);
    return area;
}

// The knuckle in its angle θ: s = K sin θ, r = a + K cos θ, ds = K cos θ dθ, 0 <= θ <= θ1.
double TorisphericalHead::knuckleSection(double u) const
{
    const double k = m_rsk;
    const double a = m_a;
    const double d = u - a;
    if (d < -k) {
        // The plane passes inside the knuckle's inner rim: r − u > K everywhere, the integrand is smooth.
        auto integrand = [&](double theta) {
            const double r = a + k * std::cos(theta);
            return 2.0 * std::sqrt((r - u) * (r + u)) * k * std::cos(theta);
        };
        return Quadrature::integrate(integrand, 0.0, m_theta1, kQuadratureDepth, kQuadratureTolerance);
    }
    // r(θ*) = u on the knuckle's circle (real or beyond θ1). With θ = θ* − t² the square-root zero
    // r − u = 2K sin(θ* − t²/2) sin(t²/2) turns into a smooth factor t.
    const double sStar = std::sqrt((m_radius - u) * (k + d)); // K sin θ*, since K − d = D/2 − u
    const double thetaStar = std::atan2(sStar, d);
    const double thetaTop = std::min(m_theta1, thetaStar);
    auto integrand = [&](double t) {
        const double half = 0.5 * t * t;
        const double theta = thetaStar - t * t;
        const double rMinusU = 2.0 * k * std::sin(thetaStar - half) * std::sin(half);
        const double r = a + k * std::cos(theta);
        return 4.0 * t * std::sqrt(rMinusU * (r + u)) * k * std::cos(theta);
    };
    return Quadrature::integrate(integrand, std::sqrt(thetaStar - thetaTop), std::sqrt(thetaStar), kQuadratureDepth,
                                 kQuadratureTolerance);
}

} // namespace tarvol
