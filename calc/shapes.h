#pragma once

// The branch of every shape, one per catalogue entry.

#include <optional>
#include <span>
#include <string>

#include "calc/run.h"

namespace tarvol {

RunOutcome runSphere(std::span<const double>, const RunOptions&);
RunOutcome runVerticalCylinder(std::span<const double>, const RunOptions&);
RunOutcome runVerticalEllipse(std::span<const double>, const RunOptions&);
RunOutcome runSphericalHeadsVertical(std::span<const double>, const RunOptions&);
RunOutcome runEllipticHeadsVertical(std::span<const double>, const RunOptions&);
RunOutcome runConeHeadsVertical(std::span<const double>, const RunOptions&);
RunOutcome runFrustumHeadsVertical(std::span<const double>, const RunOptions&);
RunOutcome runTorisphericalHeadsVertical(std::span<const double>, const RunOptions&);
RunOutcome runHorizontalCylinder(std::span<const double>, const RunOptions&);
RunOutcome runHorizontalEllipse(std::span<const double>, const RunOptions&);
RunOutcome runSphericalHeadsHorizontal(std::span<const double>, const RunOptions&);
RunOutcome runEllipticHeadsHorizontal(std::span<const double>, const RunOptions&);
RunOutcome runConeHeadsHorizontal(std::span<const double>, const RunOptions&);
RunOutcome runFrustumHeadsHorizontal(std::span<const double>, const RunOptions&);
RunOutcome runTorisphericalHeadsHorizontal(std::span<const double>, const RunOptions&);
RunOutcome runBox(std::span<const double>, const RunOptions&);
RunOutcome runRoundedBox(std::span<const double>, const RunOptions&);
RunOutcome runDTank(std::span<const double>, const RunOptions&);
RunOutcome runInclinedCylinder(std::span<const double>, const RunOptions&);
RunOutcome runInclinedEllipse(std::span<const double>, const RunOptions&);
RunOutcome runInclinedSphericalHeads(std::span<const double>, const RunOptions&);
RunOutcome runInclinedEllipticHeads(std::span<const double>, const RunOptions&);
RunOutcome runInclinedConeHeads(std::span<const double>, const RunOptions&);
RunOutcome runInclinedFrustumHeads(std::span<const double>, const RunOptions&);
RunOutcome runInclinedTorisphericalHeads(std::span<const double>, const RunOptions&);
RunOutcome runInclinedBox(std::span<const double>, const RunOptions&);

// The refusal of an inconsistent torispherical head (HS is its measured depth), shared by shapes 7, 14 and 24.
std::optional<std::string> torisphericalCheck(double D, double RS, double RSK, double HS, char separator);

// The closed-form full volume and the dimension check of a horizontal shape 8 to 15, for its inclined twin.
double horizontalTrueVolume(int shape, std::span<const double> dims);
std::optional<std::string> horizontalCheck(int shape, std::span<const double> dims, char separator);
double torisphericalHorizontalTrueVolume(std::span<const double> dims);
double boxTrueVolume(std::span<const double> dims);

} // namespace tarvol
