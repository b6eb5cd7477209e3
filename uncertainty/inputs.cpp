#include "uncertainty/inputs.h"

#include <algorithm>
#include <cmath>

namespace tarvol {

bool UncertaintyInputs::given() const
{
    return std::ranges::any_of(dims, [](double u) { return u > 0; }) || level > 0 || fit.has_value()
           || (zero && zero->variance > 0);
}

double UncertaintyInputs::dim(int field) const
{
    if (fit && std::ranges::find(fit->fields, field) != fit->fields.end())
        return 0;
    if (dims.size() == 1)
        return dims[0];
    return field >= 0 && static_cast<std::size_t>(field) < dims.size() ? dims[static_cast<std::size_t>(field)] : 0;
}

namespace {

bool nonNegative(double v) { return std::isfinite(v) && v >= 0; }

} // namespace

std::optional<InputsFault> checkInputs(const UncertaintyInputs& inputs, int fieldCount)
{
    const auto count = inputs.dims.size();
    if (!std::ranges::all_of(inputs.dims, nonNegative) || (count > 1 && count != static_cast<std::size_t>(fieldCount)))
        return InputsFault{"u_dims"};
    if (!nonNegative(inputs.level))
        return InputsFault{"u_level"};
    if (!std::isfinite(inputs.coverage) || inputs.coverage <= 0)
        return InputsFault{"coverage"};
    if (inputs.limitPercent && !(std::isfinite(*inputs.limitPercent) && *inputs.limitPercent > 0))
        return InputsFault{"limit"};
    if (inputs.fit) {
        const auto n = inputs.fit->fields.size();
        const bool fieldsOk = std::ranges::all_of(inputs.fit->fields, [&](int f) { return f >= 0 && f < fieldCount; });
        const bool finite = std::ranges::all_of(inputs.fit->matrix, [](double v) { return std::isfinite(v); });
        if (!fieldsOk || !finite || inputs.fit->matrix.size() != n * n)
            return InputsFault{"fit_covariance"};
        for (std::size_t i = 0; i < n; ++i)
            if (inputs.fit->at(i, i) < 0)
                return InputsFault{"fit_covariance"};
    }
    if (inputs.shell) {
        if (!std::isfinite(inputs.shell->celsius) || inputs.shell->celsius < -273.15)
            return InputsFault{"shell_temperature"};
        if (!nonNegative(inputs.shell->alpha) || inputs.shell->lengthScale() <= 0)
            return InputsFault{"alpha"};
    }
    return std::nullopt;
}

nlohmann::ordered_json toJson(const UncertaintyInputs& inputs)
{
    nlohmann::ordered_json j;
    j["u_dims"] = inputs.dims;
    j["u_level"] = inputs.level;
    j["coverage"] = inputs.coverage;
    if (inputs.limitPercent)
        j["limit"] = *inputs.limitPercent;
    if (inputs.fit) {
        nlohmann::ordered_json rows = nlohmann::ordered_json::array();
        const auto n = inputs.fit->fields.size();
        for (std::size_t i = 0; i < n; ++i) {
            nlohmann::ordered_json row = nlohmann::ordered_json::array();
            for (std::size_t c = 0; c < n; ++c)
                row.push_back(inputs.fit->at(i, c));
            rows.push_back(row);
        }
        j["fit_covariance"] = {{"fields", inputs.fit->fields}, {"matrix", rows}};
    }
    if (inputs.shell) {
        j["shell_temperature"] = inputs.shell->celsius;
        j["alpha"] = inputs.shell->alpha;
    }
    return j;
}

expected<UncertaintyInputs, InputsFault> inputsFromJson(const nlohmann::ordered_json& section)
{
    using Fail = unexpected<InputsFault>;
    if (!section.is_object())
        return Fail(InputsFault{"uncertainty"});
    UncertaintyInputs inputs;
    const auto number = [&](const char* key, double& into) {
        const auto it = section.find(key);
        if (it == section.end())
            return true;
        if (!it->is_number())
            return false;
        into = it->get<double>();
        return true;
    };
    if (const auto it = section.find("u_dims"); it != section.end()) {
        if (!it->is_array() || !std::ranges::all_of(*it, [](const auto& v) { return v.is_number(); }))
            return Fail(InputsFault{"u_dims"});
        inputs.dims = it->get<std::vector<double>>();
    }
    if (!number("u_level", inputs.level))
        return Fail(InputsFault{"u_level"});
    if (!number("coverage", inputs.coverage))
        return Fail(InputsFault{"coverage"});
    if (section.contains("limit")) {
        double limit = 0;
        if (!number("limit", limit))
            return Fail(InputsFault{"limit"});
        inputs.limitPercent = limit;
    }
    if (const auto it = section.find("fit_covariance"); it != section.end()) {
        const auto fields = it->is_object() ? it->find("fields") : it->end();
        const auto matrix = it->is_object() ? it->find("matrix") : it->end();
        if (fields == it->end() || matrix == it->end() || !fields->is_array() || !matrix->is_array())
            return Fail(InputsFault{"fit_covariance"});
        FieldCovariance fit;
        for (const auto& f : *fields) {
            if (!f.is_number_integer())
                return Fail(InputsFault{"fit_covariance"});
            fit.fields.push_back(f.get<int>());
        }
        for (const auto& row : *matrix) {
            if (!row.is_array() || row.size() != fit.fields.size())
                return Fail(InputsFault{"fit_covariance"});
            for (const auto& v : row) {
                if (!v.is_number())
                    return Fail(InputsFault{"fit_covariance"});
                fit.matrix.push_back(v.get<double>());
            }
        }
        inputs.fit = std::move(fit);
    }
    if (section.contains("shell_temperature")) {
        ShellTemperature shell;
        if (!number("shell_temperature", shell.celsius))
            return Fail(InputsFault{"shell_temperature"});
        if (!number("alpha", shell.alpha))
            return Fail(InputsFault{"alpha"});
        inputs.shell = shell;
    }
    return inputs;
}

} // namespace tarvol
