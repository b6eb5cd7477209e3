#pragma once

// The branch of every shape, one per catalogue entry.

#include <span>

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

// Shapes whose calculation has not landed yet refuse with this text.
inline constexpr const char* kNotAvailable = "Расчёт для этой формы пока недоступен.";

} // namespace tarvol
