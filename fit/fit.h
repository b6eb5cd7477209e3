#pragma once

// Least squares of the continuous model on a fill log: the free dimensions, the gauge's zero and the volume
// before the first dose, with their standard errors and each point's residual. docs/fill.md gives the model.

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "calc/expected.h"
#include "calc/refusal.h"
#include "calc/tilt.h"
#include "fit/filllog.h"

namespace tarvol {

// What a fitted parameter is: a dimension field, the gauge's zero above the level's zero (mm: true level =
// reading + zero), or the litres in the tank before the first dose.
enum class ParameterKind { Field, Zero, V0 };

// The name of each parameter shape `shape` can free: a field by the letters of its caption, or by its number
// from 1 where the caption has none; then "zero" and "v0". Index i < field count is field i.
std::vector<std::string> parameterNames(int shape);

struct FitParameter {
    std::string name;
    ParameterKind kind = ParameterKind::Field;
    int field = -1; // the dimension field from 0, for a field
    double start = 0;
    double value = 0;
    double standardError = 0;
};

struct FitPoint {
    double level = 0;      // mm, the reading
    double volume = 0;     // l, cumulative as logged
    double model = 0;      // l, the fitted model at reading + zero, less v0
    double residual = 0;   // l, model − volume
    double residualMm = 0; // the residual as a level, mm: the residual over the model's slope there
    bool outlier = false;  // beyond three standard deviations of the residuals
    bool excluded = false; // left out of the fit by the user
    int line = 0;
};

// Why the fitted model cannot be the log's tank, seen in what the fit leaves over: such a fit is not applied.
enum class FitFailureKind {
    ReadingAboveTop, // a reading is above the fitted tank's top; line: it, value: its level, limit: the top (mm)
    Systematic,      // the residuals keep one sign in long runs, several times the reading noise; value: the runs,
                     // limit: the runs chance gives (mean), spread: their standard deviation
};

struct FitFailure {
    FitFailureKind kind = FitFailureKind::Systematic;
    int line = 0;
    double value = 0;
    double limit = 0;
    double spread = 0;
    double systematicMm = 0; // the residuals' RMS in mm of level less the noise
    double noiseMm = 0;      // the reading noise from the steps between neighbouring residuals, or the log's rounding
};

struct FitResult {
    int shape = 0;
    std::vector<double> startDims;
    std::vector<double> dims; // the fitted tank: the free fields at their estimates, the others as typed
    std::vector<FitParameter> parameters;
    std::vector<std::vector<double>> correlation; // between the parameters, in their order
    std::vector<FitPoint> points;
    double residualRms = 0; // l, s = √(SSR / (n − p))
    double maxResidual = 0; // l, largest |residual| of the fitted points
    double maxResidualMm = 0;
    int dof = 0; // n − p
    bool converged = false;
    std::vector<std::string> undetermined; // parameters the data do not fix (near-singular JᵀJ, correlation > 0.99)
    std::string logFile;
    std::optional<FitFailure> failure; // the model cannot describe the log: nothing to apply
};

struct FitRequest {
    int shape = 0;
    std::vector<double> dims; // the drawing: the starting values and the fixed fields
    std::vector<std::string> free;
    std::vector<bool> excluded; // per log point; shorter means the rest are included
    // litres that what stands in the tank adds to the shell's volume at a level (negative: takes room); none: 0
    std::function<double(double)> correction;
    std::optional<Orientation> orientation; // a tilted tank: the log's levels are its gauge's readings
};

enum class FitFault {
    UnknownParameter,  // a free name the shape does not have; name: it
    RepeatedParameter, // a name given twice; name: it
    NoParameter,       // nothing is free
    Dimensions,        // the drawing's dimensions are refused; refusal: why
    TooFewPoints,      // see LogFault::TooFewPoints; count, needed
};

struct FitRefusal {
    FitFault fault = FitFault::NoParameter;
    std::string name;
    Refusal refusal;
    int count = 0;
    int needed = 0;
};

// The fitted parameter of that kind (and field), or null when the fit did not free it.
const FitParameter* findParameter(const FitResult& fit, ParameterKind kind, int field = -1);

expected<FitResult, FitRefusal> fitFillLog(const FitRequest& request, const FillLog& log);

// The sentence a user reads; a dimension refusal keeps its own.
std::string fitRefusalText(const FitRefusal& refusal);
std::string fitFailureText(const FitFailure& failure);

// The free list as typed on the command line: names separated by commas or blanks.
std::vector<std::string> splitParameterList(std::string_view list);

} // namespace tarvol
