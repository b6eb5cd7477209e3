#pragma once

// The fit in words: the report the command line prints and the line a document's title block carries.

#include <string>

#include "fit/fit.h"

namespace tarvol {

// Parameters with their standard errors and change from the drawing, the residual figures, the warnings and every
// point's residual, numbers written with `separator`.
std::string fitReport(const FitResult& fit, char separator);

// The warnings alone, one sentence each; empty when the fit converged and determines every parameter.
std::string fitWarnings(const FitResult& fit);

// "по результатам градуировки наливом: …" — the points, the residual RMS and the log's file name.
std::string fitTitleLine(const FitResult& fit, char separator);

// A value to the tenth of a millimetre (or litre), as the dimension fields show a fitted tank.
std::string tenths(double value, char separator);

} // namespace tarvol
