// Cylinders with torispherical heads: a crown of radius RS joined to the shell through a knuckle of radius RSK.

#include <cmath>

#include "calc/shapes.h"
#include "calc/skeleton.h"
#include "calc/torispherical.h"

namespace tarvol {

std::optional<Refusal> torisphericalCheck(double D, double RS, double RSK, double HS)
{
    // the fields of the head in every torispherical shape
    constexpr int kDepthField = 3;
    constexpr int kCrownField = 4;
    constexpr int kKnuckleField = 5;
    const auto refusal = TorisphericalHead::check(D, RS, RSK, HS);
    if (!refusal)
        return {};
    switch (refusal->fault) {
    case TorisphericalHead::Fault::CrownTooSmall:
        return inconsistent(Fault::CrownTooSmall, kCrownField, refusal->limit);
    case TorisphericalHead::Fault::KnuckleTooLarge:
        return inconsistent(Fault::KnuckleTooLarge, kKnuckleField, refusal->limit);
    case TorisphericalHead::Fault::DepthMismatch:
        return inconsistent(Fault::HeadDepthMismatch, kDepthField, refusal->limit);
    }
    return {};
}

namespace {

// its slab solves for the head's sections, so it checks for cancellation more often than a plain body
constexpr std::int64_t kPollTorispherical = 1 << 12;

// Shape 7: upright; bottom head (apex at level 0), shell L = H + 2 HD, top head mirrored.
struct TorisphericalVertical {
    static constexpr std::int64_t kPollEvery = kPollTorispherical;
    double H, D, HD, HS, RS, RSK, L;
    TorisphericalHead head;
    double h, shell;
    TorisphericalVertical(std::span<const double> d, const RunOptions&)
        : H(d[0]), D(d[1]), HD(d[2]), HS(d[3]), RS(d[4]), RSK(d[5]), L(static_cast<double>(H + 2 * Ext(HD))),
          head(D, RS, RSK), h(head.depth()), shell(static_cast<double>(Ext(kPi) * D * D * kQuarterMicro))
    {}
    Frame frame() const
    {
        // a slab above the top adds nothing, so the level axis is rounded up to a whole millimetre
        const double top = std::ceil(L + 2 * h);
        return {top, 0.1 * Ext(top)};
    }
    std::optional<Refusal> check() const { return torisphericalCheck(D, RS, RSK, HS); }
    double disc(double s) const
    {
        const double r = head.radiusAt(s);
        return static_cast<double>(Ext(kPi) * r * r * kMilli);
    }
    double slab(double level) const
    {
        const double x = level - 0.5;
        if (x < h)
            return disc(h - x);
        if (x <= h + L)
            return shell;
        return disc(x - (h + L));
    }
    double trueVolume() const
    {
        return static_cast<double>(Ext(kPi) * D * D * L * kQuarterMicro + 2 * Ext(head.volume()) * kMilli);
    }
    // the head's exact volume from its apex up to x, the shell, and the upper head mirrored
    double headUpTo(double x) const { return (head.volume() - head.volumeUpTo(h - x)) * kLitrePerMm3; }
    double volumeAt(double level) const
    {
        const double top = L + 2 * h;
        const double x = withinHeight(level, top);
        if (x <= h)
            return headUpTo(x);
        if (x <= h + L)
            return headUpTo(h) + shell * (x - h);
        return trueVolume() - headUpTo(top - x);
    }
};

// Shape 14: lying; every level cuts the shell Lc = L + 2 LD long and both heads.
struct TorisphericalHorizontal {
    static constexpr std::int64_t kPollEvery = 1 << 8;
    double L, D, LD, LS, RS, RSK, Lc;
    TorisphericalHead head;
    TorisphericalHorizontal(std::span<const double> d, const RunOptions&)
        : L(d[0]), D(d[1]), LD(d[2]), LS(d[3]), RS(d[4]), RSK(d[5]), Lc(static_cast<double>(L + 2 * Ext(LD))),
          head(D, RS, RSK), profile(torisphericalHead(head))
    {}
    HeadProfile profile;
    Frame frame() const { return {D, 0.1 * Ext(D), 1, 1}; }
    std::optional<Refusal> check() const { return torisphericalCheck(D, RS, RSK, LS); }
    double slab(double level) const
    {
        const Ext x = Ext(level) - 0.5L;
        const double shell = static_cast<double>(std::sqrt(-x * x + x * D) * (2 * Ext(Lc)));
        const double cap = head.sectionArea(std::fabs(static_cast<double>(x - D / 2.0L)));
        return static_cast<double>((2 * Ext(cap) + shell) * kMilli);
    }
    double trueVolume() const
    {
        return static_cast<double>(Ext(kPi) * D * D * Lc * kQuarterMicro + 2 * Ext(head.volume()) * kMilli);
    }
    TiltedTank tilted() const { return {ShellSection::Circle, D, D, Lc, torisphericalHead(head), 0, true}; }
    // the shell's segment times its length, each head by quadrature along its axis; above the axis the full
    // volume less the mirrored level keeps the top exact
    double volumeAt(double level) const
    {
        const double r = 0.5 * D;
        const double x = withinHeight(level, D);
        const auto below = [&](double y) {
            return (Lc * segmentBelow(r, y - r) + 2 * headVolumeBelow(profile, y - r, 0)) * kLitrePerMm3;
        };
        return x <= r ? below(x) : trueVolume() - below(D - x);
    }
};

} // namespace

ShapeFunctions torisphericalHeadsVerticalFunctions() { return functionsOf<TorisphericalVertical>(); }
ShapeFunctions torisphericalHeadsHorizontalFunctions() { return functionsOf<TorisphericalHorizontal>(); }

} // namespace tarvol
