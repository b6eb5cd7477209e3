#pragma once

// What the catalogue knows of each shape's code: one set of functions per non-inclined shape.

#include <optional>
#include <span>
#include <string>

#include "calc/inclined.h"
#include "calc/model.h"
#include "calc/run.h"

namespace tarvol {

struct ShapeFunctions {
    RunOutcome (*run)(std::span<const double> dims, const RunOptions& options) = nullptr;
    double (*trueVolume)(std::span<const double> dims) = nullptr; // litres
    std::optional<Refusal> (*check)(std::span<const double> dims) = nullptr;
    double (*work)(std::span<const double> dims) = nullptr;        // estimated work units of a run
    TiltedTank (*tilt)(std::span<const double> dims) = nullptr;    // set for the shapes an inclined one tilts
    ModelOutcome (*model)(std::span<const double> dims) = nullptr; // the body's volumeAt, prepared once
};

ShapeFunctions sphereFunctions();
ShapeFunctions verticalCylinderFunctions();
ShapeFunctions verticalEllipseFunctions();
ShapeFunctions sphericalHeadsVerticalFunctions();
ShapeFunctions ellipticHeadsVerticalFunctions();
ShapeFunctions coneHeadsVerticalFunctions();
ShapeFunctions frustumHeadsVerticalFunctions();
ShapeFunctions torisphericalHeadsVerticalFunctions();
ShapeFunctions horizontalCylinderFunctions();
ShapeFunctions horizontalEllipseFunctions();
ShapeFunctions sphericalHeadsHorizontalFunctions();
ShapeFunctions ellipticHeadsHorizontalFunctions();
ShapeFunctions coneHeadsHorizontalFunctions();
ShapeFunctions frustumHeadsHorizontalFunctions();
ShapeFunctions torisphericalHeadsHorizontalFunctions();
ShapeFunctions boxFunctions();
ShapeFunctions roundedBoxFunctions();
ShapeFunctions dtankFunctions();

// An inclined tank: its twin's fields, then the rise A and the gauge's distance B.
RunOutcome runInclined(const ShapeFunctions& twin, std::span<const double> dims, const RunOptions& options);
double inclinedWork(const ShapeFunctions& twin, std::span<const double> dims);
ModelOutcome inclinedModel(const ShapeFunctions& twin, std::span<const double> dims);

// The refusal of an inconsistent torispherical head (HS is its measured depth), shared by shapes 7, 14 and 24.
// Fields 3, 4 and 5 hold HS, RS and RSK in every such shape.
std::optional<Refusal> torisphericalCheck(double D, double RS, double RSK, double HS);

} // namespace tarvol
