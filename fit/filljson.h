#pragma once

// The fill log and the fit as JSON, for the command line and for saving them with the tank.

#include <nlohmann/json.hpp>

#include "fit/filllog.h"
#include "fit/fit.h"

namespace tarvol {

// {"file", "points": [{"line", "level", "volume"}]}
nlohmann::ordered_json fillLogJson(const FillLog& log);
FillLog fillLogFromJson(const nlohmann::ordered_json& j); // throws nlohmann::json::exception on a bad document

// {"parameters": [{"name", "field", "start", "value", "standard_error"}], "residual_rms_l", "max_residual_l",
// "dof", "converged", "points": [{"level", "volume", "model", "residual_l", "outlier", …}], …}; a number that is
// not finite is null, a field is counted from 0 and null for zero and v0.
nlohmann::ordered_json fitJson(const FitResult& fit);
FitResult fitFromJson(const nlohmann::ordered_json& j);

template <class Json>
void to_json(Json& j, const FillLog& log)
{
    j = Json::parse(fillLogJson(log).dump());
}
template <class Json>
void from_json(const Json& j, FillLog& log)
{
    log = fillLogFromJson(nlohmann::ordered_json::parse(j.dump()));
}
template <class Json>
void to_json(Json& j, const FitResult& fit)
{
    j = Json::parse(fitJson(fit).dump());
}
template <class Json>
void from_json(const Json& j, FitResult& fit)
{
    fit = fitFromJson(nlohmann::ordered_json::parse(j.dump()));
}

} // namespace tarvol
