#pragma once

// the exit statuses of a refused or unreadable input file are the tank file's
#include "cli/tank_options.h"

// tarvol-table --fill: the fit of the shape's model to a fill log, before the table of the fitted tank.

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <vector>

#include "fit/filllog.h"
#include "fit/fit.h"

namespace tarvol::cli {

struct FillOptions {
    std::string file; // the log; "-" for standard input
    std::string free; // the free parameters, separated by commas
    bool doses = false;
};

// What the fill mode ends in: a fitted tank to tabulate, or the exit status with what to print.
struct FillOutcome {
    int status = 0;                       // 0 when fitted
    std::string message;                  // for standard error when not fitted
    std::optional<LogRefusal> logRefusal; // the log's fault, for --json's {"refusal": …}
    std::optional<FitResult> fit;
};

// {"refusal": {"kind": "fill_log", "fault", "line", "message", …}}
nlohmann::ordered_json logRefusalJson(const LogRefusal& refusal);

// The fit starts from the tank's dimensions, which stay for the fields it does not free. The log is read a line at
// a time and only its points kept. The report is the caller's to word (fitReport), with `separator`.
FillOutcome runFill(const FillOptions& options, const Tank& tank, char separator);

} // namespace tarvol::cli
