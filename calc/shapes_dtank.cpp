// Shape 17, the D-shaped fuel tank: fields are outer dimensions; the section is the outline offset by the wall.

#include "calc/dtank.h"
#include "calc/shapes.h"
#include "calc/skeleton.h"

namespace tarvol {
namespace {

struct DTank {
    static constexpr std::int64_t kPollEvery = 1 << 12;
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
    std::optional<std::string> check(char sep) const
    {
        const auto refusal = checkDTank(dims);
        if (!refusal)
            return {};
        return "Размеры указаны неверно!\n" + dtankRefusalField(refusal->fault) + " " + limitText(refusal->limit, sep)
               + " мм.";
    }
    double slab(double level) const { return static_cast<double>(Ext(section.widthAt(level - 0.5)) * length * kMilli); }
    double trueVolume() const { return static_cast<double>(Ext(section.area()) * length * kMilli); }
};

} // namespace

ShapeFunctions dtankFunctions() { return functionsOf<DTank>(); }

} // namespace tarvol
