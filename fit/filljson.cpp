#include "fit/filljson.h"

#include <cmath>
#include <limits>

namespace tarvol {
namespace {

using Json = nlohmann::ordered_json;

Json number(double v) { return std::isfinite(v) ? Json(v) : Json(nullptr); }

double numberOf(const Json& j) { return j.is_null() ? std::numeric_limits<double>::quiet_NaN() : j.get<double>(); }

Json fieldJson(int field) { return field >= 0 ? Json(field) : Json(nullptr); }

} // namespace

Json fillLogJson(const FillLog& log)
{
    Json j;
    j["file"] = log.fileName;
    j["points"] = Json::array();
    for (const auto& p : log.points)
        j["points"].push_back({{"line", p.line}, {"level", p.level}, {"volume", p.volume}});
    return j;
}

FillLog fillLogFromJson(const Json& j)
{
    FillLog log;
    log.fileName = j.at("file").get<std::string>();
    for (const auto& p : j.at("points"))
        log.points.push_back({p.at("level").get<double>(), p.at("volume").get<double>(), p.at("line").get<int>()});
    return log;
}

Json fitJson(const FitResult& fit)
{
    Json j;
    j["parameters"] = Json::array();
    for (const auto& p : fit.parameters)
        j["parameters"].push_back({{"name", p.name},
                                   {"field", fieldJson(p.kind == ParameterKind::Field ? p.field : -1)},
                                   {"start", p.start},
                                   {"value", number(p.value)},
                                   {"standard_error", number(p.standardError)}});
    j["residual_rms_l"] = number(fit.residualRms);
    j["max_residual_l"] = number(fit.maxResidual);
    j["dof"] = fit.dof;
    j["converged"] = fit.converged;
    j["points"] = Json::array();
    for (const auto& p : fit.points)
        j["points"].push_back({{"level", p.level},
                               {"volume", p.volume},
                               {"model", number(p.model)},
                               {"residual_l", number(p.residual)},
                               {"outlier", p.outlier},
                               {"residual_mm", number(p.residualMm)},
                               {"excluded", p.excluded},
                               {"line", p.line}});
    j["max_residual_mm"] = number(fit.maxResidualMm);
    j["undetermined"] = fit.undetermined;
    j["correlation"] = Json::array();
    for (const auto& row : fit.correlation) {
        Json values = Json::array();
        for (const double c : row)
            values.push_back(number(c));
        j["correlation"].push_back(values);
    }
    j["shape"] = fit.shape;
    j["start_dimensions"] = fit.startDims;
    j["dimensions"] = fit.dims;
    j["log_file"] = fit.logFile;
    return j;
}

FitResult fitFromJson(const Json& j)
{
    FitResult fit;
    for (const auto& p : j.at("parameters"))
        fit.parameters.push_back({.name = p.at("name").get<std::string>(),
                                  .kind = !p.at("field").is_null() ? ParameterKind::Field
                                          : p.at("name") == "v0"   ? ParameterKind::V0
                                                                   : ParameterKind::Zero,
                                  .field = p.at("field").is_null() ? -1 : p.at("field").get<int>(),
                                  .start = p.at("start").get<double>(),
                                  .value = numberOf(p.at("value")),
                                  .standardError = numberOf(p.at("standard_error"))});
    fit.residualRms = numberOf(j.at("residual_rms_l"));
    fit.maxResidual = numberOf(j.at("max_residual_l"));
    fit.dof = j.at("dof").get<int>();
    fit.converged = j.at("converged").get<bool>();
    for (const auto& p : j.at("points"))
        fit.points.push_back({.level = p.at("level").get<double>(),
                              .volume = p.at("volume").get<double>(),
                              .model = numberOf(p.at("model")),
                              .residual = numberOf(p.at("residual_l")),
                              .residualMm = numberOf(p.value("residual_mm", Json(nullptr))),
                              .outlier = p.at("outlier").get<bool>(),
                              .excluded = p.value("excluded", false),
                              .line = p.value("line", 0)});
    fit.maxResidualMm = numberOf(j.value("max_residual_mm", Json(nullptr)));
    fit.undetermined = j.value("undetermined", std::vector<std::string>{});
    for (const auto& row : j.value("correlation", Json::array())) {
        std::vector<double> values;
        for (const auto& c : row)
            values.push_back(numberOf(c));
        fit.correlation.push_back(values);
    }
    fit.shape = j.value("shape", 0);
    fit.startDims = j.value("start_dimensions", std::vector<double>{});
    fit.dims = j.value("dimensions", std::vector<double>{});
    fit.logFile = j.value("log_file", std::string());
    return fit;
}

} // namespace tarvol
