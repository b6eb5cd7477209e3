// Inclined tanks: a horizontal twin tilted in the vertical plane through its axis, read by a vertical gauge.
// A is the rise of the shell's bottom line over its length Ls, B the gauge's distance from the lower end;
// levels are heights above the gauge's foot, and the liquid below it is in every row (docs/inclined.md).

#include <cmath>

#include "calc/inclined.h"
#include "calc/shapes.h"
#include "calc/skeleton.h"

namespace tarvol {
namespace {

// The twin's fields come first; A and B are the last two.
struct InclinedBody {
    static constexpr std::int64_t kPollEvery = 1 << 6;
    const ShapeFunctions& twin;
    std::span<const double> twinDims;
    double A = 0, B = 0;
    TiltedTank tank;
    double z0 = 0, zMin = 0, zMax = 0;
    bool valid = false;

    InclinedBody(const ShapeFunctions& t, std::span<const double> d)
        : twin(t), twinDims(d.first(d.size() - 2)), A(d[d.size() - 2]), B(d[d.size() - 1]), tank(t.tilt(twinDims))
    {
        tank.rise = A;
        valid = !check('.'); // the geometry below only exists for dimensions the check accepts
        if (!valid)
            return;
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
        if (auto twinRefusal = twin.check(twinDims, sep))
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

    double trueVolume() const { return twin.trueVolume(twinDims); }
};

} // namespace

RunOutcome runInclined(const ShapeFunctions& twin, std::span<const double> d, const RunOptions& o)
{
    return runBody(InclinedBody(twin, d), o);
}

double inclinedWork(const ShapeFunctions& twin, std::span<const double> d) { return workOf(InclinedBody(twin, d)); }

} // namespace tarvol
