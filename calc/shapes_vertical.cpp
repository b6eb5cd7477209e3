// Vertical bodies: the level axis is the vertical axis of the body.

#include "calc/shapes.h"
#include "calc/skeleton.h"

namespace tarvol {
namespace {

// Shape 0: sphere of diameter D; the circle at height x has area π x (D − x).
struct Sphere {
    static constexpr std::int64_t kPollEvery = kPollPlain;
    double D;
    Sphere(std::span<const double> d, const RunOptions&) : D(d[0]) {}
    Frame frame() const { return {D, 0.1 * Ext(D), 1, 0}; }
    std::optional<Refusal> check() const { return {}; }
    double slab(double level) const
    {
        const Ext x = Ext(level) - 0.5L;
        return static_cast<double>((D - x) * x * kPi * kMilli);
    }
    double trueVolume() const { return static_cast<double>(Ext(kPi) * D * D * D * kSixthMicro); }
    // a spherical cap x high: π x² (3 D/2 − x) / 3
    double volumeAt(double level) const
    {
        const double x = withinHeight(level, D);
        return kPi * x * x * (1.5 * D - x) / 3 * kLitrePerMm3;
    }
};

// Shape 1: upright cylinder H high, diameter D.
struct VerticalCylinder {
    static constexpr std::int64_t kPollEvery = kPollPlain;
    double H, D, shell;
    VerticalCylinder(std::span<const double> d, const RunOptions&)
        : H(d[0]), D(d[1]), shell(static_cast<double>(Ext(kPi) * D * D * kQuarterMicro))
    {}
    Frame frame() const { return {H, 0.1 * Ext(H), 1, 0}; }
    std::optional<Refusal> check() const { return {}; }
    double slab(double) const { return shell; }
    double trueVolume() const { return static_cast<double>(Ext(kPi) * D * D * H * kQuarterMicro); }
    double volumeAt(double level) const { return shell * withinHeight(level, H); }
};

// Shape 2: upright cylinder of elliptic section with diameters Dmax and Dmin.
struct VerticalEllipse {
    static constexpr std::int64_t kPollEvery = kPollPlain;
    double H, Dmax, Dmin, shell;
    VerticalEllipse(std::span<const double> d, const RunOptions&)
        : H(d[0]), Dmax(d[1]), Dmin(d[2]), shell(static_cast<double>(Ext(kPi) * Dmax * Dmin * kQuarterMicro))
    {}
    Frame frame() const { return {H, 0.1 * Ext(H), 1, 0}; }
    std::optional<Refusal> check() const { return {}; }
    double slab(double) const { return shell; }
    double trueVolume() const { return static_cast<double>(Ext(kPi) * Dmax * Dmin * H * kQuarterMicro); }
    double volumeAt(double level) const { return shell * withinHeight(level, H); }
};

// Shapes 3 to 6 share the layout: bottom head h high, shell L = H + 2 HD, top head mirrored.
struct HeadedVertical {
    static constexpr int kHeadField = 3; // the head's height: HS, HEL or HK
    double H, D, HD, h, L, shell;
    HeadedVertical(std::span<const double> d)
        : H(d[0]), D(d[1]), HD(d[2]), h(d[3]), L(static_cast<double>(H + 2 * Ext(HD))),
          shell(static_cast<double>(Ext(kPi) * D * D * kQuarterMicro))
    {}
    Frame frame() const { return {static_cast<double>(L + 2 * Ext(h)), 0.1 * Ext(L) + 0.2 * Ext(h)}; }
    double shellVolume() const { return static_cast<double>(Ext(kPi) * D * D * L * kQuarterMicro); }
    // litres below the level: the lower head up to it (headUpTo, from its apex), the shell, and above the shell the
    // full volume less the upper head's part above the level
    template <class HeadUpTo>
    double stacked(double level, double full, HeadUpTo headUpTo) const
    {
        const double top = L + 2 * h;
        const double x = withinHeight(level, top);
        if (x <= h)
            return headUpTo(x);
        if (x <= h + L)
            return headUpTo(h) + shell * (x - h);
        return full - headUpTo(top - x);
    }
};

// Shape 3: each head a spherical segment HS high over the circle of diameter D.
struct SphericalHeadsVertical : HeadedVertical {
    static constexpr std::int64_t kPollEvery = kPollPlain;
    double R; // radius of the sphere the segment belongs to
    SphericalHeadsVertical(std::span<const double> d, const RunOptions&)
        : HeadedVertical(d), R(h != 0 ? static_cast<double>(Ext(D) * D / (8 * Ext(h)) + h / 2.0L) : 0.0)
    {}
    std::optional<Refusal> check() const
    {
        if (Ext(h) <= Ext(D) / 2)
            return {};
        return inconsistent(Fault::SphericalHeadTooHigh, kHeadField, static_cast<double>(Ext(D) / 2),
                            static_cast<double>(2 * Ext(h)));
    }
    double slab(double level) const
    {
        double v = 0;
        if (level < h + 1) {
            const Ext x = Ext(level) - 0.5L;
            v += static_cast<double>((2 * Ext(R) - x) * x * kPi * kMilli);
        }
        if (level > h && level < L + h + 1)
            v += shell;
        if (level > L + h && level < 2 * h + L + 1) {
            const Ext y = (2 * Ext(h) + L) - level + 0.5L;
            v += static_cast<double>((2 * Ext(R) - y) * y * kPi * kMilli);
        }
        return v;
    }
    double trueVolume() const
    {
        return static_cast<double>((R - Ext(h) / 3) * kPi * h * h * kTwoMicro + Ext(kPi) * D * D * L * kQuarterMicro);
    }
    // a cap x high of the sphere of radius R: π x² (3R − x) / 3
    double volumeAt(double level) const
    {
        return stacked(level, trueVolume(), [this](double x) { return kPi * x * x * (3 * R - x) / 3 * kLitrePerMm3; });
    }
};

// Shape 4: each head half an ellipsoid of revolution, semi-axes D/2 and HEL.
struct EllipticHeadsVertical : HeadedVertical {
    static constexpr std::int64_t kPollEvery = kPollPlain;
    EllipticHeadsVertical(std::span<const double> d, const RunOptions&) : HeadedVertical(d) {}
    std::optional<Refusal> check() const { return {}; }
    double headSlab(Ext x) const
    {
        const double u = static_cast<double>(x * D * 0.5L / h);
        return static_cast<double>(Ext(kPi) * u * (D - Ext(u)) * kMilli);
    }
    double slab(double level) const
    {
        double v = 0;
        if (level < h + 1)
            v += headSlab(Ext(level) - 0.5L);
        if (level > h && level < L + h + 1)
            v += shell;
        if (level > L + h && level < 2 * h + L + 1)
            v += headSlab((2 * Ext(h) + L) - level + 0.5L);
        return v;
    }
    double trueVolume() const
    {
        return static_cast<double>(Ext(kPi) * D * D * L * kQuarterMicro + Ext(kPi) * D * D * h * kThirdMicro);
    }
    // the half ellipsoid's section π D²/4 · x (2h − x) / h², integrated from its apex
    double volumeAt(double level) const
    {
        return stacked(level, trueVolume(), [this](double x) {
            return h > 0 ? kPi * D * D / 4 * x * x * (h - x / 3) / (h * h) * kLitrePerMm3 : 0.0;
        });
    }
};

// Shape 5: each head a cone, apex outward, HK high.
struct ConeHeadsVertical : HeadedVertical {
    static constexpr std::int64_t kPollEvery = kPollPlain;
    ConeHeadsVertical(std::span<const double> d, const RunOptions&) : HeadedVertical(d) {}
    std::optional<Refusal> check() const { return {}; }
    static double disc(double diameter) { return static_cast<double>(Ext(kPi) * diameter * diameter * kQuarterMicro); }
    double slab(double level) const
    {
        if (level < h + 1)
            return disc(static_cast<double>((Ext(level) - 0.5L) * D / h));
        if (level < L + h + 1)
            return shell;
        return disc(static_cast<double>(((2 * Ext(h) + L) - level + 0.5L) * D / h));
    }
    double trueVolume() const
    {
        return static_cast<double>(Ext(kPi) * D * D * L * kQuarterMicro + Ext(kPi) * D * D * h * kSixthMicro);
    }
    // the cone x high from its apex: π D² x³ / (12 h²)
    double volumeAt(double level) const
    {
        return stacked(level, trueVolume(), [this](double x) {
            return h > 0 ? kPi * D * D * x * x * x / (12 * h * h) * kLitrePerMm3 : 0.0;
        });
    }
};

// Shape 6: each head a truncated cone from D down to Dmin over HK.
struct FrustumHeadsVertical : HeadedVertical {
    static constexpr std::int64_t kPollEvery = kPollPlain;
    double Dmin;
    FrustumHeadsVertical(std::span<const double> d, const RunOptions&) : HeadedVertical(d), Dmin(d[4]) {}
    std::optional<Refusal> check() const { return {}; }
    double slab(double level) const
    {
        if (level < h + 1)
            return ConeHeadsVertical::disc(static_cast<double>((Ext(D) - Dmin) * (Ext(level) - 0.5L) / h + Dmin));
        if (level < L + h + 1)
            return shell;
        return ConeHeadsVertical::disc(
            static_cast<double>(((2 * Ext(h) + L) - level + 0.5L) * (Ext(D) - Dmin) / h + Dmin));
    }
    double trueVolume() const
    {
        return static_cast<double>((Ext(D) * D + Ext(D) * Dmin + Ext(Dmin) * Dmin) * kPi * h * kSixthMicro
                                   + Ext(kPi) * D * D * L * kQuarterMicro);
    }
    // the frustum x high from its small end, whose diameter grows from Dmin to d: π x (Dmin² + Dmin d + d²) / 12
    double volumeAt(double level) const
    {
        return stacked(level, trueVolume(), [this](double x) {
            const double d = h > 0 ? Dmin + (D - Dmin) * x / h : Dmin;
            return kPi * x * (Dmin * Dmin + Dmin * d + d * d) / 12 * kLitrePerMm3;
        });
    }
};

} // namespace

ShapeFunctions sphereFunctions() { return functionsOf<Sphere>(); }
ShapeFunctions verticalCylinderFunctions() { return functionsOf<VerticalCylinder>(); }
ShapeFunctions verticalEllipseFunctions() { return functionsOf<VerticalEllipse>(); }
ShapeFunctions sphericalHeadsVerticalFunctions() { return functionsOf<SphericalHeadsVertical>(); }
ShapeFunctions ellipticHeadsVerticalFunctions() { return functionsOf<EllipticHeadsVertical>(); }
ShapeFunctions coneHeadsVerticalFunctions() { return functionsOf<ConeHeadsVertical>(); }
ShapeFunctions frustumHeadsVerticalFunctions() { return functionsOf<FrustumHeadsVertical>(); }

} // namespace tarvol
