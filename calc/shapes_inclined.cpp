// Inclined tanks: a horizontal twin tilted in the vertical plane through its axis, read by a vertical gauge.
// A is the rise of the shell's bottom line over its length Ls, B the gauge's distance from the lower end;
// levels are heights above the gauge's foot, and the liquid below it is in every row (docs/inclined.md).

#include <cmath>
#include <vector>

#include "calc/inclined.h"
#include "calc/shapes.h"
#include "calc/skeleton.h"
#include "calc/torispherical.h"

namespace tarvol {
namespace {

// Which twin, how its fields map onto the tilted tank, and where A and B stand.
struct Twin {
    int shape;
    ShellSection section;
    int fieldCount; // the twin's own fields; A and B follow
};

struct InclinedBody {
    static constexpr std::int64_t kPollEvery = 1 << 6;
    Twin twin;
    std::vector<double> twinDims;
    double A = 0, B = 0;
    TiltedTank tank;
    TorisphericalHead tori{0, 0, 0};
    double z0 = 0, zMin = 0, zMax = 0;
    bool valid = false;

    InclinedBody(Twin t, std::span<const double> d) : twin(t), twinDims(d.begin(), d.begin() + t.fieldCount)
    {
        A = d[static_cast<size_t>(t.fieldCount)];
        B = d[static_cast<size_t>(t.fieldCount) + 1];
        tank.section = t.section;
        const bool headed = t.shape >= 10 && t.shape <= 14;
        if (t.section == ShellSection::Circle) {
            tank.width = tank.height = d[1];
        } else if (t.shape == 9) {
            tank.width = d[1];
            tank.height = d[2];
        } else { // box: L, H, S
            tank.width = d[2];
            tank.height = d[1];
        }
        tank.shellLength = headed ? static_cast<double>(Ext(d[0]) + 2 * Ext(d[2])) : d[0];
        tank.rise = A;
        valid = !check('.'); // the geometry below only exists for dimensions the check accepts
        if (!valid)
            return;
        const double D = d[1];
        switch (t.shape) {
        case 10:
            tank.head = sphericalSegmentHead(D, d[3]);
            break;
        case 11:
            tank.head = ellipsoidHead(D, d[3]);
            break;
        case 12:
            tank.head = coneHead(D, d[3]);
            break;
        case 13:
            tank.head = frustumHead(D, d[3], d[4]);
            break;
        case 14:
            tori = TorisphericalHead(D, d[4], d[5]);
            tank.head = torisphericalHead(tori);
            break;
        }
        const double sinTheta = A / tank.shellLength;
        z0 = B * sinTheta;
        zMin = tiltedZMin(tank);
        zMax = tiltedZMax(tank);
    }

    Frame frame() const
    {
        if (!valid)
            return {10, 1, 1}; // the check below refuses before any slab is summed
        const double top = std::ceil(zMax - z0);
        // the lowest slab that reaches the bottom of the tank, below gauge zero
        const auto first = static_cast<std::int64_t>(std::floor(zMin - z0)) + 1;
        return {top, 0.1 * Ext(top), first};
    }

    std::optional<std::string> check(char sep) const
    {
        if (auto twinRefusal = horizontalCheck(twin.shape, twinDims, sep))
            return twinRefusal;
        if (A >= tank.shellLength)
            return "Размеры указаны неверно!\nРазность высот должна быть меньше длины цилиндрической части ("
                   + limitText(tank.shellLength, sep) + " мм).";
        if (B > tank.shellLength)
            return "Размеры указаны неверно!\nУровнемер должен находиться в пределах цилиндрической части (не далее "
                   + limitText(tank.shellLength, sep) + " мм от нижнего края).";
        return {};
    }

    double slab(double level) const
    {
        return static_cast<double>(Ext(tiltedSectionArea(tank, z0 + level - 0.5)) * kMilli);
    }

    double trueVolume() const { return horizontalTrueVolume(twin.shape, twinDims); }
};

template <int Shape, ShellSection Section, int Fields>
struct Inclined : InclinedBody {
    Inclined(std::span<const double> d, const RunOptions&) : InclinedBody({Shape, Section, Fields}, d) {}
};

constexpr auto kCircle = ShellSection::Circle;

} // namespace

RunOutcome runInclinedCylinder(std::span<const double> d, const RunOptions& o)
{
    return runShape<Inclined<8, kCircle, 2>>(d, o);
}
RunOutcome runInclinedEllipse(std::span<const double> d, const RunOptions& o)
{
    return runShape<Inclined<9, ShellSection::Ellipse, 3>>(d, o);
}
RunOutcome runInclinedSphericalHeads(std::span<const double> d, const RunOptions& o)
{
    return runShape<Inclined<10, kCircle, 4>>(d, o);
}
RunOutcome runInclinedEllipticHeads(std::span<const double> d, const RunOptions& o)
{
    return runShape<Inclined<11, kCircle, 4>>(d, o);
}
RunOutcome runInclinedConeHeads(std::span<const double> d, const RunOptions& o)
{
    return runShape<Inclined<12, kCircle, 4>>(d, o);
}
RunOutcome runInclinedFrustumHeads(std::span<const double> d, const RunOptions& o)
{
    return runShape<Inclined<13, kCircle, 5>>(d, o);
}
RunOutcome runInclinedTorisphericalHeads(std::span<const double> d, const RunOptions& o)
{
    return runShape<Inclined<14, kCircle, 6>>(d, o);
}
RunOutcome runInclinedBox(std::span<const double> d, const RunOptions& o)
{
    return runShape<Inclined<15, ShellSection::Rectangle, 3>>(d, o);
}

} // namespace tarvol
