// Shape 17, the D-shaped fuel tank: fields are outer dimensions; the section is the outline offset by the wall.

#include "calc/dtank.h"
#include "calc/shapes.h"
#include "calc/skeleton.h"

namespace tarvol {
namespace {

constexpr int kRadiusField = 2;
constexpr int kWallField = 6;
constexpr int kTopArcField = 3;
constexpr int kSideArcField = 4;
constexpr double kLargestField = 99999999; // eight digits

Fault faultOf(DTankFault fault)
{
    switch (fault) {
    case DTankFault::WallTooThick:
        return Fault::WallTooThick;
    case DTankFault::WidthBelowRadius:
        return Fault::WidthBelowRadius;
    case DTankFault::LengthTooShort:
        return Fault::LengthTooShort;
    case DTankFault::TopArcTooSmall:
        return Fault::TopArcTooSmall;
    case DTankFault::SideArcTooSmall:
        return Fault::SideArcTooSmall;
    case DTankFault::CornerTooLarge:
        return Fault::CornerTooLarge;
    }
    return Fault::None;
}

// fields: L, S, R, RV, RB, RS, t
int fieldOf(DTankFault fault)
{
    switch (fault) {
    case DTankFault::WallTooThick:
        return kWallField;
    case DTankFault::WidthBelowRadius:
        return 1;
    case DTankFault::LengthTooShort:
        return 0;
    case DTankFault::TopArcTooSmall:
        return kTopArcField;
    case DTankFault::SideArcTooSmall:
        return kSideArcField;
    case DTankFault::CornerTooLarge:
        return 5;
    }
    return -1;
}

struct DTank {
    static constexpr std::int64_t kPollEvery = 1 << 12;
    static constexpr bool kCheckFirst = true;
    DTankDims dims;
    DTankSection section;
    double length;
    DTank(std::span<const double> d, const RunOptions&)
        : dims{d[0], d[1], d[2], d[3], d[4], d[5], d[6]}, section(dims),
          length(static_cast<double>(Ext(dims.L) - 2 * Ext(dims.t)))
    {}
    // the level axis runs from the inner bottom to the inner top
    Frame frame() const
    {
        const double height = static_cast<double>(2 * (Ext(dims.R) - dims.t));
        return {height, 0.1 * Ext(height)};
    }
    std::optional<Refusal> check() const
    {
        // the inner height 2 (R − t) must give a step; the wall is what can be thinner, unless R itself is too small
        if (Ext(dims.R) - dims.t < kLeastHeight / 2) {
            if (dims.R >= kLeastHeight / 2)
                return inconsistent(Fault::WallTooThick, kWallField, dims.R - kLeastHeight / 2);
            return inconsistent(Fault::RadiusTooSmall, kRadiusField, dims.t + kLeastHeight / 2);
        }
        const auto refusal = checkDTank(dims);
        if (!refusal)
            return {};
        // a limit no field can hold leaves one way out: the arc that asks for it made flat
        if (refusal->limit > kLargestField) {
            const bool wallsMeet = dims.S < dims.R + dims.t; // S would have to exceed R + t itself
            if (refusal->fault == DTankFault::WidthBelowRadius && wallsMeet)
                return inconsistent(Fault::RadiusAboveWidth, kRadiusField, dims.S - dims.t);
            if (refusal->fault == DTankFault::TopArcTooSmall)
                return inconsistent(Fault::ArcMustBeFlat, kTopArcField, refusal->limit);
            if (refusal->fault == DTankFault::SideArcTooSmall || refusal->fault == DTankFault::WidthBelowRadius)
                return inconsistent(Fault::ArcMustBeFlat, kSideArcField, refusal->limit);
        }
        return inconsistent(faultOf(refusal->fault), fieldOf(refusal->fault), refusal->limit);
    }
    double slab(double level) const { return static_cast<double>(Ext(section.widthAt(level - 0.5)) * length * kMilli); }
    double trueVolume() const { return static_cast<double>(Ext(section.area()) * length * kMilli); }
    double volumeAt(double level) const { return section.areaBelow(level) * length * kLitrePerMm3; }
};

} // namespace

ShapeFunctions dtankFunctions() { return functionsOf<DTank>(); }

} // namespace tarvol
