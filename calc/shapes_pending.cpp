// Shapes whose calculation has not landed yet: refused, never a wrong table.

#include "calc/shapes.h"

namespace tarvol {
namespace {
RunOutcome pending(std::span<const double>, const RunOptions&)
{
    return RunOutcome::refuse(RefusalKind::Unavailable, kNotAvailable);
}
} // namespace

RunOutcome runInclinedCylinder(std::span<const double> d, const RunOptions& o) { return pending(d, o); }
RunOutcome runInclinedEllipse(std::span<const double> d, const RunOptions& o) { return pending(d, o); }
RunOutcome runInclinedSphericalHeads(std::span<const double> d, const RunOptions& o) { return pending(d, o); }
RunOutcome runInclinedEllipticHeads(std::span<const double> d, const RunOptions& o) { return pending(d, o); }
RunOutcome runInclinedConeHeads(std::span<const double> d, const RunOptions& o) { return pending(d, o); }
RunOutcome runInclinedFrustumHeads(std::span<const double> d, const RunOptions& o) { return pending(d, o); }
RunOutcome runInclinedTorisphericalHeads(std::span<const double> d, const RunOptions& o) { return pending(d, o); }
RunOutcome runInclinedBox(std::span<const double> d, const RunOptions& o) { return pending(d, o); }

} // namespace tarvol
