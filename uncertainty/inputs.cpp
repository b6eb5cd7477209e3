#include "uncertainty/inputs.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

#include <Eigen/Eigenvalues>

namespace tarvol {

bool UncertaintyInputs::given() const
{
    return std::ranges::any_of(dims, [](double u) { return u > 0; }) || level > 0 || pitch > 0 || roll > 0
           || fit.has_value() || (zero && zero->variance > 0);
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

// Relative round-off a stored covariance may carry: its triangles written apart, a singular fit's zero eigenvalue.
constexpr double kCovarianceTolerance = 1e-9;

enum class Zero { Allowed, Refused };

// A figure from zero to its bound: Invalid for what is no usable figure at all, OutOfRange for one past the bound.
std::optional<InputsProblem> problemOf(double v, double bound, Zero zero)
{
    if (!std::isfinite(v) || v < 0 || (zero == Zero::Refused && v == 0))
        return InputsProblem::Invalid;
    if (v > bound)
        return InputsProblem::OutOfRange;
    return std::nullopt;
}

std::optional<InputsProblem> covarianceProblem(const FieldCovariance& fit, int fieldCount)
{
    const auto n = fit.fields.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (fit.fields[i] < 0 || fit.fields[i] >= fieldCount)
            return InputsProblem::UnknownField;
        if (std::ranges::count(fit.fields, fit.fields[i]) > 1)
            return InputsProblem::RepeatedField;
    }
    if (fit.matrix.size() != n * n)
        return InputsProblem::NotSquare;
    if (!std::ranges::all_of(fit.matrix, [](double v) { return std::isfinite(v); }))
        return InputsProblem::Invalid;
    constexpr double kMaxVariance = kMaxFitStandardError * kMaxFitStandardError;
    for (std::size_t i = 0; i < n; ++i) {
        if (fit.at(i, i) < 0)
            return InputsProblem::NotPositiveSemidefinite;
        if (fit.at(i, i) > kMaxVariance)
            return InputsProblem::OutOfRange;
    }
    Eigen::MatrixXd m(n, n);
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j < n; ++j) {
            const double a = fit.at(i, j);
            const double b = fit.at(j, i);
            const double size = std::max({std::abs(a), std::abs(b), std::sqrt(fit.at(i, i) * fit.at(j, j))});
            if (std::abs(a - b) > kCovarianceTolerance * size)
                return InputsProblem::NotSymmetric;
            m(static_cast<Eigen::Index>(i), static_cast<Eigen::Index>(j)) = 0.5 * (a + b);
        }
    if (n > 0) {
        const Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd> solver(m, Eigen::EigenvaluesOnly);
        const Eigen::VectorXd& values = solver.eigenvalues(); // ascending
        if (solver.info() != Eigen::Success || values(0) < -kCovarianceTolerance * values.cwiseAbs().maxCoeff())
            return InputsProblem::NotPositiveSemidefinite;
    }
    return std::nullopt;
}

} // namespace

std::optional<InputsFault> checkInputs(const UncertaintyInputs& inputs, int fieldCount)
{
    const auto fault = [](const char* key, std::optional<InputsProblem> problem) {
        return problem ? std::optional<InputsFault>(InputsFault{key, *problem}) : std::nullopt;
    };
    const auto count = inputs.dims.size();
    for (const double u : inputs.dims)
        if (auto f = fault("u_dims", problemOf(u, kMaxStandardUncertainty, Zero::Allowed)))
            return f;
    if (count > 1 && count != static_cast<std::size_t>(fieldCount))
        return InputsFault{"u_dims", InputsProblem::Count};
    if (auto f = fault("u_level", problemOf(inputs.level, kMaxStandardUncertainty, Zero::Allowed)))
        return f;
    if (auto f = fault("coverage", problemOf(inputs.coverage, kMaxCoverage, Zero::Refused)))
        return f;
    if (auto f = fault("u_pitch_deg", problemOf(inputs.pitch, kMaxAngleUncertainty, Zero::Allowed)))
        return f;
    if (auto f = fault("u_roll_deg", problemOf(inputs.roll, kMaxAngleUncertainty, Zero::Allowed)))
        return f;
    if (inputs.limitPercent)
        if (auto f = fault("limit", problemOf(*inputs.limitPercent, kMaxLimitPercent, Zero::Refused)))
            return f;
    if (inputs.fit)
        if (auto f = fault("fit_covariance", covarianceProblem(*inputs.fit, fieldCount)))
            return f;
    if (inputs.shell) {
        const double t = inputs.shell->celsius;
        // a temperature may be below zero: any fault of it is one of range
        if (!std::isfinite(t) || t < kMinShellCelsius || t > kMaxShellCelsius)
            return InputsFault{"shell_temperature", InputsProblem::OutOfRange};
        if (auto f = fault("alpha", problemOf(inputs.shell->alpha, kMaxAlpha, Zero::Allowed)))
            return f;
    }
    return std::nullopt;
}

std::string inputsProblemText(InputsProblem problem)
{
    switch (problem) {
    case InputsProblem::Invalid:
        return "нужно конечное неотрицательное число (коэффициенту охвата и пределу — больше нуля)";
    case InputsProblem::OutOfRange:
        return "значение вне допустимого диапазона";
    case InputsProblem::Count:
        return "значений не одно и не по одному на каждое поле формы";
    case InputsProblem::UnknownField:
        return "у формы нет такого поля";
    case InputsProblem::RepeatedField:
        return "поле указано дважды";
    case InputsProblem::NotSquare:
        return "матрица не квадратная по числу полей";
    case InputsProblem::NotSymmetric:
        return "матрица не симметрична";
    case InputsProblem::NotPositiveSemidefinite:
        return "матрица не положительно полуопределённая";
    }
    return "неверное значение";
}

nlohmann::ordered_json toJson(const UncertaintyInputs& inputs)
{
    nlohmann::ordered_json j;
    j["u_dims"] = inputs.dims;
    j["u_level"] = inputs.level;
    j["coverage"] = inputs.coverage;
    if (inputs.pitch > 0)
        j["u_pitch_deg"] = inputs.pitch;
    if (inputs.roll > 0)
        j["u_roll_deg"] = inputs.roll;
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
    if (!number("u_pitch_deg", inputs.pitch))
        return Fail(InputsFault{"u_pitch_deg"});
    if (!number("u_roll_deg", inputs.roll))
        return Fail(InputsFault{"u_roll_deg"});
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
            // read whole, so that 4294967296 is no field 0
            const bool inRange = f.is_number_unsigned()
                                     ? f.get<std::uint64_t>() <= INT_MAX
                                     : f.get<std::int64_t>() >= 0 && f.get<std::int64_t>() <= INT_MAX;
            if (!inRange)
                return Fail(InputsFault{"fit_covariance", InputsProblem::UnknownField});
            fit.fields.push_back(static_cast<int>(f.get<std::int64_t>()));
        }
        for (const auto& row : *matrix) {
            if (!row.is_array() || row.size() != fit.fields.size())
                return Fail(InputsFault{"fit_covariance", InputsProblem::NotSquare});
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
