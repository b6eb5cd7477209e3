// Horizontal bodies of round or elliptic section: every level cuts the shell and both heads.

#include <cmath>
#include <utility>

#include "calc/cone.h"
#include "calc/shapes.h"
#include "calc/skeleton.h"
#include "calc/torispherical.h"

namespace tarvol {
namespace {

// Chord of the circle of diameter D at height x, times the length: the shell's share of a slab, mm^2.
inline Ext shellSection(double D, Ext x, double length) { return std::sqrt(-x * x + x * D) * (2 * Ext(length)); }

// Shape 8: cylinder of diameter D and length L lying on its side.
struct HorizontalCylinder {
    static constexpr std::int64_t kPollEvery = kPollPlain;
    double L, D;
    HorizontalCylinder(std::span<const double> d, const RunOptions&) : L(d[0]), D(d[1]) {}
    Frame frame() const { return {D, 0.1 * Ext(D)}; }
    std::optional<Refusal> check() const { return {}; }
    double slab(double level) const { return static_cast<double>(shellSection(D, Ext(level) - 0.5L, L) * kMilli); }
    double trueVolume() const { return static_cast<double>(Ext(kPi) * D * D * L * kQuarterMicro); }
    TiltedTank tilted() const { return {ShellSection::Circle, D, D, L, {}, 0}; }
};

// Shape 9: cylinder of elliptic section, S wide and H high, lying on its side.
struct HorizontalEllipse {
    static constexpr std::int64_t kPollEvery = kPollPlain;
    double L, S, H;
    HorizontalEllipse(std::span<const double> d, const RunOptions&) : L(d[0]), S(d[1]), H(d[2]) {}
    Frame frame() const { return {H, 0.1 * Ext(H)}; }
    std::optional<Refusal> check() const { return {}; }
    double slab(double level) const
    {
        const Ext x = Ext(level) - 0.5L;
        const Ext half = 0.5L * H - x;
        return static_cast<double>(std::sqrt(1 - half * 4 * half / H / H) * (Ext(L) * S) * kMilli);
    }
    double trueVolume() const { return static_cast<double>(Ext(kPi) * H * S * L * kQuarterMicro); }
    TiltedTank tilted() const { return {ShellSection::Ellipse, S, H, L, {}, 0}; }
};

// Shapes 10 to 13: the heads' cylindrical parts join the shell, Lc = 2 LD + L.
struct HeadedHorizontal {
    static constexpr int kHeadField = 3; // the head's length: LS, LEL or LK
    double L, D, LD, Lc;
    HeadedHorizontal(std::span<const double> d) : L(d[0]), D(d[1]), LD(d[2]), Lc(static_cast<double>(2 * Ext(LD) + L))
    {}
    Frame frame() const { return {D, 0.1 * Ext(D)}; }
    double slabWith(double head, Ext x) const
    {
        const double shell = static_cast<double>(shellSection(D, x, Lc));
        return static_cast<double>((2 * Ext(head) + shell) * kMilli);
    }
    double shellVolume() const { return static_cast<double>(Ext(kPi) * D * D * Lc * kQuarterMicro); }
    TiltedTank tiltedWith(HeadProfile head) const { return {ShellSection::Circle, D, D, Lc, std::move(head), 0}; }
};

// Shape 10: each head a spherical segment LS long; the sphere's centre lies on the axis inside the tank.
struct SphericalHeadsHorizontal : HeadedHorizontal {
    static constexpr std::int64_t kPollEvery = kPollPlain;
    double LS, R, c;
    SphericalHeadsHorizontal(std::span<const double> d, const RunOptions&)
        : HeadedHorizontal(d), LS(d[3]), R(LS != 0 ? static_cast<double>(Ext(D) * D / (8 * Ext(LS)) + LS * 0.5L) : 0.0),
          c(R - LS)
    {}
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
};

struct ConeHeadsHorizontal : HeadedHorizontal {
    static constexpr std::int64_t kPollEvery = 1;
    double LK, Dmin;
    ConeSummation cone;
    ConeHeadsHorizontal(std::span<const double> d, double dmin, const RunOptions&)
        : HeadedHorizontal(d), LK(d[3]), Dmin(dmin), cone{D, 0, 0, 0}
    {
        if (LK != 0 && Dmin != D) {
            cone.K = static_cast<double>(Ext(LK) / (1 - Ext(Dmin) / D));
            cone.Ks = static_cast<double>(Ext(cone.K) - LK);
            cone.twoK = 2 * cone.K;
        }
    }
    void attach(WorkMeter* meter) { cone.meter = meter; }
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
};

} // namespace

ShapeFunctions horizontalCylinderFunctions() { return functionsOf<HorizontalCylinder>(); }
ShapeFunctions horizontalEllipseFunctions() { return functionsOf<HorizontalEllipse>(); }
ShapeFunctions sphericalHeadsHorizontalFunctions() { return functionsOf<SphericalHeadsHorizontal>(); }
ShapeFunctions ellipticHeadsHorizontalFunctions() { return functionsOf<EllipticHeadsHorizontal>(); }
ShapeFunctions coneHeadsHorizontalFunctions() { return functionsOf<ConeHeads>(); }
ShapeFunctions frustumHeadsHorizontalFunctions() { return functionsOf<FrustumHeads>(); }

} // namespace tarvol
