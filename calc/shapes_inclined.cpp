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
    static constexpr bool kCheckFirst = true; // the height comes from A, B and the twin's fields
    const ShapeFunctions& twin;
    std::span<const double> twinDims;
    int fieldA;
    double A = 0, B = 0;
    TiltedTank tank;
    double sinTheta = 0, z0 = 0, zMin = 0, zMax = 0;
    std::optional<Refusal> refusal;

    InclinedBody(const ShapeFunctions& t, std::span<const double> d)
        : twin(t), twinDims(d.first(d.size() - 2)), fieldA(static_cast<int>(d.size()) - 2), A(d[d.size() - 2]),
          B(d[d.size() - 1]), tank(t.tilt(twinDims))
    {
        tank.rise = A;
        refusal = checkDimensions();
        if (refusal)
            return;                                  // the geometry below only exists for dimensions the check accepts
        sinTheta = A > 0 ? A / tank.shellLength : 0; // a level tank may have no shell length at all
        z0 = B * sinTheta;
        zMin = tiltedZMin(tank);
        zMax = tiltedZMax(tank);
        refusal = checkGauge();
    }

    std::optional<Refusal> checkDimensions() const
    {
        if (auto twinRefusal = twin.check(twinDims))
            return twinRefusal;
        if (tank.height <= 0) // the twin has no height to give a step
            return inconsistent(Fault::TooShallow, -1, kLeastHeight);
        // a level tank is its twin, which takes a shell of no length
        Refusal beyond;
        if (A > 0 && A >= tank.shellLength)
            beyond = inconsistent(Fault::RiseTooLarge, fieldA, tank.shellLength);
        else if (B > tank.shellLength)
            beyond = inconsistent(Fault::GaugeBeyondShell, fieldA + 1, tank.shellLength);
        else
            return {};
        beyond.withCollars = tank.withCollars;
        return beyond;
    }

    // at least kLeastHeight of level above the gauge, where moving the gauge down can give it
    std::optional<Refusal> checkGauge() const
    {
        const auto leaves = [&](double b) { return std::ceil(zMax - b * sinTheta) >= kLeastHeight; };
        if (leaves(B) || sinTheta <= 0 || !leaves(0))
            return {}; // fine, or too shallow wherever the gauge stands: the frame says so
        double largest = std::ceil((zMax - (kLeastHeight - 1)) / sinTheta) - 1;
        while (largest > 0 && !leaves(largest))
            largest -= 1;
        while (leaves(largest + 1))
            largest += 1;
        return inconsistent(Fault::GaugeTooHigh, fieldA + 1, largest);
    }

    Frame frame() const
    {
        if (refusal)
            return {10, 1, 1}; // the check refuses before any slab is summed
        const double top = std::ceil(zMax - z0);
        // the lowest slab that reaches the bottom of the tank, below gauge zero
        const auto first = static_cast<std::int64_t>(std::floor(zMin - z0)) + 1;
        return {top, 0.1 * Ext(top), first};
    }

    std::optional<Refusal> check() const { return refusal; }

    double slab(double level) const
    {
        return static_cast<double>(Ext(tiltedSectionArea(tank, z0 + level - 0.5)) * kMilli);
    }

    double trueVolume() const { return twin.trueVolume(twinDims); }

    // the tank below z0 + level: the dead volume at level 0 and below, the closed-form full volume from the
    // highest point up
    double volumeAt(double level) const
    {
        const double highest = zMax - z0;
        if (level >= highest)
            return trueVolume();
        return tiltedVolume(tank, z0 + std::max(level, 0.0)) * kLitrePerMm3;
    }
};

} // namespace

RunOutcome runInclined(const ShapeFunctions& twin, std::span<const double> d, const RunOptions& o)
{
    return runBody(InclinedBody(twin, d), o);
}

double inclinedWork(const ShapeFunctions& twin, std::span<const double> d) { return workOf(InclinedBody(twin, d)); }

ModelOutcome inclinedModel(const ShapeFunctions& twin, std::span<const double> d)
{
    return modelOf<InclinedBody>(d, [&twin](std::span<const double> own) { return InclinedBody(twin, own); });
}

} // namespace tarvol
