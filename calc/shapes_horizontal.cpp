// Horizontal bodies of round or elliptic section: every level cuts the shell and both heads.

#include <cmath>
#include <utility>

#include "calc/cone.h"
#include "calc/shapes.h"
#include "calc/skeleton.h"
#include "calc/torispherical.h"

namespace tarvol {
namespace {

// Beyond this ratio of the sphere's radius to the head's length the closed form of a spherical head cancels to
// about 1e-16 (R / LS)² of the head; flatter heads are integrated along the axis instead.
constexpr double kFlattestClosedHead = 100;
// A truncated cone whose radii differ by less than this share of the larger is integrated along the axis: the
// closed form divides by their difference.
constexpr double kNarrowestClosedTaper = 0.01;

// Chord of the circle of diameter D at height x, times the length: the shell's share of a slab, mm^2.
inline Ext shellSection(double D, Ext x, double length) { return std::sqrt(-x * x + x * D) * (2 * Ext(length)); }

// Shape 8: cylinder of diameter D and length L lying on its side.
struct HorizontalCylinder {
    static constexpr std::int64_t kPollEvery = kPollPlain;
    double L, D;
    HorizontalCylinder(std::span<const double> d, const RunOptions&) : L(d[0]), D(d[1]) {}
    Frame frame() const { return {D, 0.1 * Ext(D), 1, 1}; }
    std::optional<Refusal> check() const { return {}; }
    double slab(double level) const { return static_cast<double>(shellSection(D, Ext(level) - 0.5L, L) * kMilli); }
    double trueVolume() const { return static_cast<double>(Ext(kPi) * D * D * L * kQuarterMicro); }
    double volumeAt(double level) const
    {
        return L * segmentBelow(0.5 * D, withinHeight(level, D) - 0.5 * D) * kLitrePerMm3;
    }
    TiltedTank tilted() const { return {ShellSection::Circle, D, D, L, {}, 0}; }
};

// Shape 9: cylinder of elliptic section, S wide and H high, lying on its side.
struct HorizontalEllipse {
    static constexpr std::int64_t kPollEvery = kPollPlain;
    double L, S, H;
    HorizontalEllipse(std::span<const double> d, const RunOptions&) : L(d[0]), S(d[1]), H(d[2]) {}
    Frame frame() const { return {H, 0.1 * Ext(H), 1, 2}; }
    std::optional<Refusal> check() const { return {}; }
    double slab(double level) const
    {
        const Ext x = Ext(level) - 0.5L;
        const Ext half = 0.5L * H - x;
        return static_cast<double>(std::sqrt(1 - half * 4 * half / H / H) * (Ext(L) * S) * kMilli);
    }
    double trueVolume() const { return static_cast<double>(Ext(kPi) * H * S * L * kQuarterMicro); }
    // the circle of diameter H stretched across by S / H
    double volumeAt(double level) const
    {
        if (!(H > 0))
            return 0;
        return S / H * L * segmentBelow(0.5 * H, withinHeight(level, H) - 0.5 * H) * kLitrePerMm3;
    }
    TiltedTank tilted() const { return {ShellSection::Ellipse, S, H, L, {}, 0}; }
};

// Shapes 10 to 13: the heads' cylindrical parts join the shell, Lc = 2 LD + L.
struct HeadedHorizontal {
    static constexpr int kHeadField = 3; // the head's length: LS, LEL or LK
    double L, D, LD, Lc;
    HeadedHorizontal(std::span<const double> d) : L(d[0]), D(d[1]), LD(d[2]), Lc(static_cast<double>(2 * Ext(LD) + L))
    {}
    Frame frame() const { return {D, 0.1 * Ext(D), 1, 1}; }
    double slabWith(double head, Ext x) const
    {
        const double shell = static_cast<double>(shellSection(D, x, Lc));
        return static_cast<double>((2 * Ext(head) + shell) * kMilli);
    }
    double shellVolume() const { return static_cast<double>(Ext(kPi) * D * D * Lc * kQuarterMicro); }
    TiltedTank tiltedWith(HeadProfile head) const { return {ShellSection::Circle, D, D, Lc, std::move(head), 0, true}; }
    // litres below the level; headsBelow(t) gives both heads' mm³ below the plane t from the axis (t <= 0). Above
    // the axis the full volume less the same below the mirrored level keeps the top exact.
    template <class HeadsBelow>
    double levelVolume(double level, double full, HeadsBelow headsBelow) const
    {
        const double r = 0.5 * D;
        const double x = withinHeight(level, D);
        const auto below = [&](double y) { return (Lc * segmentBelow(r, y - r) + headsBelow(y - r)) * kLitrePerMm3; };
        return x <= r ? below(x) : full - below(D - x);
    }
};

// Shape 10: each head a spherical segment LS long; the sphere's centre lies on the axis inside the tank.
struct SphericalHeadsHorizontal : HeadedHorizontal {
    static constexpr std::int64_t kPollEvery = kPollPlain;
    double LS, R, c;
    SphericalHeadsHorizontal(std::span<const double> d, const RunOptions&)
        : HeadedHorizontal(d), LS(d[3]), R(LS != 0 ? static_cast<double>(Ext(D) * D / (8 * Ext(LS)) + LS * 0.5L) : 0.0),
          c(R - LS), profile(sphericalSegmentHead(D, LS))
    {}
    HeadProfile profile;
    std::optional<Refusal> check() const
    {
        if (Ext(LS) <= Ext(D) / 2)
            return {};
        return inconsistent(Fault::SphericalHeadTooLong, kHeadField, static_cast<double>(Ext(D) / 2),
                            static_cast<double>(2 * Ext(LS)));
    }
    double slab(double level) const
    {
        const Ext x = Ext(level) - 0.5L;
        double cap = 0;
        const Ext halfChord2 = -x * x + x * D; // rho² − c², exact where c² would swallow it
        if (LS != 0 && halfChord2 < 0.0625L * c * c) {
            // a thin segment of a flat head: the closed form below would cancel to noise, even below zero
            cap = segmentBeyondChord(c, static_cast<double>(std::sqrt(halfChord2)));
        } else if (LS != 0) {
            // the plane at height x cuts the sphere in a circle of radius rho; the head is its segment beyond c
            const double rho = static_cast<double>(std::sqrt(-x * x + x * D + Ext(c) * c));
            const Ext t = Ext(c) / rho;
            const Ext acos = std::atan2(std::sqrt(1 - t * t), t);
            cap = static_cast<double>(acos * rho * rho - std::sqrt(Ext(rho) * rho - Ext(c) * c) * c);
        }
        return slabWith(cap, x);
    }
    double trueVolume() const
    {
        return static_cast<double>((R - LS * kThird) * kPi * LS * LS * kTwoMicro
                                   + Ext(kPi) * D * D * Lc * kQuarterMicro);
    }
    TiltedTank tilted() const { return tiltedWith(sphericalSegmentHead(D, LS)); }
    // The part of the ball of radius R beyond the plane c from its centre and below the height t. Integrating
    // the segment of the circle ρ² = R² − z² beyond c over the height z gives, with w = D/2, g = √(w² − z²),
    // F(z) = (R² z − z³/3) acos(c/ρ) − c (w² + 2R²)/3 · asin(z/w) − 2/3 c z g + 2R³/3 · atan(c z / (R g)).
    double headBelow(double t) const
    {
        const double w = 0.5 * D;
        if (LS <= 0)
            return 0;
        if (c <= 0) // a hemisphere: half of the ball's cap w + t high
            return kPi * (w + t) * (w + t) * (2 * w - t) / 6;
        if (R > kFlattestClosedHead * LS)
            return headVolumeBelow(profile, t, 0);
        const double g = std::sqrt((w - t) * (w + t));
        const double F = (R * R * t - t * t * t / 3) * std::atan2(g, c) - c * (w * w + 2 * R * R) / 3 * std::atan2(t, g)
                         - 2.0 / 3 * c * t * g + 2 * R * R * R / 3 * std::atan2(c * t, R * g);
        const double atBottom = kPi / 6 * (c * (w * w + 2 * R * R) - 2 * R * R * R);
        return F - atBottom;
    }
    double volumeAt(double level) const
    {
        return levelVolume(level, trueVolume(), [this](double t) { return 2 * headBelow(t); });
    }
};

// Shape 11: each head half an ellipsoid of revolution, semi-axes D/2 across and LEL along the axis.
struct EllipticHeadsHorizontal : HeadedHorizontal {
    static constexpr std::int64_t kPollEvery = kPollPlain;
    double LEL;
    EllipticHeadsHorizontal(std::span<const double> d, const RunOptions&) : HeadedHorizontal(d), LEL(d[3]) {}
    std::optional<Refusal> check() const { return {}; }
    double slab(double level) const
    {
        const Ext x = Ext(level) - 0.5L;
        double head = 0;
        if (LEL != 0) {
            const double u = static_cast<double>(0.5L * D - x);
            head = static_cast<double>((Ext(D) * D * 0.25L - Ext(u) * u) * (Ext(kPi) * LEL) / D);
        }
        return slabWith(head, x);
    }
    double trueVolume() const
    {
        return static_cast<double>(Ext(kPi) * D * D * Lc * kQuarterMicro + Ext(kPi) * D * D * LEL * kThirdMicro);
    }
    TiltedTank tilted() const { return tiltedWith(ellipsoidHead(D, LEL)); }
    // the head's section π LEL x (D − x) / D, integrated from the bottom: π LEL x² (3D − 2x) / (6D)
    double volumeAt(double level) const
    {
        return levelVolume(level, trueVolume(), [this](double t) {
            const double x = t + 0.5 * D;
            return D > 0 ? 2 * kPi * LEL * x * x * (3 * D - 2 * x) / (6 * D) : 0.0;
        });
    }
};

struct ConeHeadsHorizontal : HeadedHorizontal {
    static constexpr std::int64_t kPollEvery = 1;
    double LK, Dmin;
    ConeSummation cone;
    HeadProfile profile;
    ConeHeadsHorizontal(std::span<const double> d, double dmin, const RunOptions&)
        : HeadedHorizontal(d), LK(d[3]), Dmin(dmin), cone{D, 0, 0, 0}, profile(frustumHead(D, LK, Dmin))
    {
        if (LK != 0 && Dmin != D) {
            cone.K = static_cast<double>(Ext(LK) / (1 - Ext(Dmin) / D));
            cone.Ks = static_cast<double>(Ext(cone.K) - LK);
            cone.twoK = 2 * cone.K;
        }
    }
    void attach(WorkMeter* meter) { cone.meter = meter; }
    // A primitive in ρ of segmentBelow(ρ, t), continuous at ρ = |t|: π ρ³/3 or 0 up to it (the disc wholly below
    // or above the plane), then ρ³/3 acos(−t/ρ) + 2/3 t ρ g − t³/3 ln((ρ + g)/|t|), g = √(ρ² − t²)
    static double segmentsUpTo(double rho, double t)
    {
        const double a = std::fabs(t);
        if (rho <= a)
            return t > 0 ? kPi * rho * rho * rho / 3 : 0.0;
        const double g = std::sqrt((rho - t) * (rho + t));
        const double logTerm = t != 0 ? t * t * t / 3 * std::log((rho + g) / a) : 0.0;
        return rho * rho * rho / 3 * std::atan2(g, -t) + 2.0 / 3 * t * rho * g - logTerm;
    }
    // one head below the plane t from the axis: the radius falls linearly from D/2 to Dmin/2 over LK, so the
    // axial integral of the circle's segment is LK / (D/2 − Dmin/2) times its integral over the radius
    double headBelow(double t) const
    {
        if (LK <= 0)
            return 0;
        const double large = 0.5 * D;
        const double small = 0.5 * Dmin;
        if (large - small < kNarrowestClosedTaper * large)
            return headVolumeBelow(profile, t, 0);
        return LK / (large - small) * (segmentsUpTo(large, t) - segmentsUpTo(small, t));
    }
    // a level at height h from the nearer edge samples min(2 K h / D, LK) mm of the axis; summed over the levels
    double innerSteps() const { return LK != 0 && Dmin != D ? static_cast<double>(Ext(LK) * (Ext(D) + Dmin) / 2) : 0; }
    double slab(double level) const
    {
        const Ext x = Ext(level) - 0.5L;
        double head = 0; // LK = 0: no conical part, the tank is the cylinder of length Lc
        if (LK == 0) {
        } else if (Dmin == D) {
            head = static_cast<double>(shellSection(D, x, LK)); // a cylinder LK long: LK times the chord
        } else {
            head = cone.section(x);
        }
        return slabWith(head, x);
    }
};

// Shape 12: each head a cone LK long with its apex outward.
struct ConeHeads : ConeHeadsHorizontal {
    ConeHeads(std::span<const double> d, const RunOptions& o) : ConeHeadsHorizontal(d, 0, o) {}
    std::optional<Refusal> check() const { return {}; }
    double trueVolume() const
    {
        return static_cast<double>(Ext(kPi) * D * D * Lc * kQuarterMicro + Ext(kPi) * D * D * LK * kSixthMicro);
    }
    TiltedTank tilted() const { return tiltedWith(coneHead(D, LK)); }
    double volumeAt(double level) const
    {
        return levelVolume(level, trueVolume(), [this](double t) { return 2 * headBelow(t); });
    }
};

// Shape 13: each head a truncated cone from D down to Dmin over LK.
struct FrustumHeads : ConeHeadsHorizontal {
    static constexpr int kDminField = 4;
    FrustumHeads(std::span<const double> d, const RunOptions& o) : ConeHeadsHorizontal(d, d[4], o) {}
    std::optional<Refusal> check() const
    {
        if (Dmin <= D)
            return {};
        return inconsistent(Fault::FrustumTooWide, kDminField, D);
    }
    double trueVolume() const
    {
        return static_cast<double>((Ext(D) * D + Ext(D) * Dmin + Ext(Dmin) * Dmin) * (Ext(kPi) * LK) * kSixthMicro
                                   + Ext(kPi) * D * D * Lc * kQuarterMicro);
    }
    TiltedTank tilted() const { return tiltedWith(frustumHead(D, LK, Dmin)); }
    double volumeAt(double level) const
    {
        return levelVolume(level, trueVolume(), [this](double t) { return 2 * headBelow(t); });
    }
};

} // namespace

ShapeFunctions horizontalCylinderFunctions() { return functionsOf<HorizontalCylinder>(); }
ShapeFunctions horizontalEllipseFunctions() { return functionsOf<HorizontalEllipse>(); }
ShapeFunctions sphericalHeadsHorizontalFunctions() { return functionsOf<SphericalHeadsHorizontal>(); }
ShapeFunctions ellipticHeadsHorizontalFunctions() { return functionsOf<EllipticHeadsHorizontal>(); }
ShapeFunctions coneHeadsHorizontalFunctions() { return functionsOf<ConeHeads>(); }
ShapeFunctions frustumHeadsHorizontalFunctions() { return functionsOf<FrustumHeads>(); }

} // namespace tarvol
