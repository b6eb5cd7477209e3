#include "fit/fit.h"

#include <Eigen/Dense>
#include <unsupported/Eigen/NonLinearOptimization>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "calc/catalogue.h"
#include "calc/model.h"
#include "calc/run.h"

namespace tarvol {
namespace {

// The solver's own column tags of the parameters that are not dimension fields.
constexpr int kZeroParameter = -1;
constexpr int kV0Parameter = -2;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// a residual for dimensions the model refuses: far worse than any fit, so the solver steps back
constexpr double kRefusedResidual = 1e12;
// columns of the scaled Jacobian closer to dependence than this leave a parameter undetermined
constexpr double kSingular = 1e-9;
constexpr double kCorrelationLimit = 0.99;
constexpr double kOutlierSigmas = 3;

// The residuals of the included points as a function of the free parameters, for the solver.
class Residuals {
public:
    Residuals(const FitRequest& request, const std::vector<int>& fields, std::vector<FillPoint> points)
        : m_shape(request.shape), m_dims(request.dims), m_fields(fields), m_points(std::move(points))
    {}

    int inputs() const { return static_cast<int>(m_fields.size()); }
    int values() const { return static_cast<int>(m_points.size()); }

    int operator()(const Eigen::VectorXd& x, Eigen::VectorXd& out) const
    {
        evaluate(x, out);
        return 0;
    }

    // Central differences: the model's formulas are smooth in each dimension and in the level between the
    // places its sections change, and the dose volumes enter linearly.
    int df(const Eigen::VectorXd& x, Eigen::MatrixXd& jac) const
    {
        Eigen::VectorXd plus(values()), minus(values());
        for (int j = 0; j < inputs(); ++j) {
            const auto col = static_cast<Eigen::Index>(j);
            if (m_fields[static_cast<size_t>(j)] == kV0Parameter) {
                jac.col(col).setConstant(-1);
                continue;
            }
            const double h =
                m_fields[static_cast<size_t>(j)] == kZeroParameter ? 1e-3 : 1e-6 * std::max(std::abs(x(col)), 1000.0);
            Eigen::VectorXd xp = x, xm = x;
            xp(col) += h;
            xm(col) -= h;
            const bool upOk = evaluate(xp, plus);
            const bool downOk = evaluate(xm, minus);
            if (upOk && downOk) {
                jac.col(col) = (plus - minus) / (2 * h);
            } else {
                // at the edge of what the shape accepts: the one-sided difference on the accepted side
                Eigen::VectorXd here(values());
                evaluate(x, here);
                jac.col(col) = upOk ? Eigen::VectorXd((plus - here) / h) : Eigen::VectorXd((here - minus) / h);
            }
        }
        return 0;
    }

    // The dimensions, zero and v0 that the vector stands for.
    void unpack(const Eigen::VectorXd& x, std::vector<double>& dims, double& zero, double& v0) const
    {
        dims = m_dims;
        zero = 0;
        v0 = 0;
        for (size_t j = 0; j < m_fields.size(); ++j) {
            const double value = x(static_cast<Eigen::Index>(j));
            if (m_fields[j] == kZeroParameter)
                zero = value;
            else if (m_fields[j] == kV0Parameter)
                v0 = value;
            else
                dims[static_cast<size_t>(m_fields[j])] = value;
        }
    }

    // Fills `out` with model − (volume + v0); false when the shape refuses the dimensions.
    bool evaluate(const Eigen::VectorXd& x, Eigen::VectorXd& out) const
    {
        std::vector<double> dims;
        double zero = 0, v0 = 0;
        unpack(x, dims, zero, v0);
        const auto model = prepareModel(m_shape, dims);
        if (!model.ok()) {
            out.setConstant(kRefusedResidual);
            return false;
        }
        for (size_t i = 0; i < m_points.size(); ++i)
            out(static_cast<Eigen::Index>(i)) =
                model.model().volume(m_points[i].level + zero) - (m_points[i].volume + v0);
        return true;
    }

private:
    int m_shape;
    std::vector<double> m_dims;
    std::vector<int> m_fields;
    std::vector<FillPoint> m_points;
};

bool converged(Eigen::LevenbergMarquardtSpace::Status status)
{
    using namespace Eigen::LevenbergMarquardtSpace;
    switch (status) {
    case RelativeReductionTooSmall:
    case RelativeErrorTooSmall:
    case RelativeErrorAndReductionTooSmall:
    case CosinusTooSmall:
    case FtolTooSmall: // the tolerances cannot be met in double precision: no step improves the sum any more
    case XtolTooSmall:
    case GtolTooSmall:
        return true;
    default:
        return false;
    }
}

} // namespace

const FitParameter* findParameter(const FitResult& fit, ParameterKind kind, int field)
{
    for (const FitParameter& p : fit.parameters)
        if (p.kind == kind && (kind != ParameterKind::Field || p.field == field))
            return &p;
    return nullptr;
}

std::vector<std::string> parameterNames(int shape)
{
    std::vector<std::string> names;
    for (const std::string_view symbol : tarvol::shape(shape).symbols)
        names.emplace_back(symbol);
    names.emplace_back("zero");
    names.emplace_back("v0");
    return names;
}

std::vector<std::string> splitParameterList(std::string_view list)
{
    std::vector<std::string> names;
    std::string current;
    for (const char c : std::string(list) + ",") {
        if (c == ',' || c == ' ' || c == ';' || c == '\t') {
            if (!current.empty())
                names.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    return names;
}

expected<FitResult, FitRefusal> fitFillLog(const FitRequest& request, const FillLog& log)
{
    const auto refuse = [&](Refusal refusal) {
        explainRefusal(refusal, request.shape, ',');
        FitRefusal out;
        out.fault = FitFault::Dimensions;
        out.refusal = std::move(refusal);
        return unexpected(std::move(out));
    };
    if (auto refused = dimensionsRefusal(request.shape, request.dims))
        return refuse(*refused);
    const auto names = parameterNames(request.shape);
    const auto fieldCount = static_cast<int>(names.size()) - 2;
    std::vector<int> fields;
    for (const auto& name : request.free) {
        const auto at = std::find(names.begin(), names.end(), name);
        if (at == names.end())
            return unexpected(FitRefusal{FitFault::UnknownParameter, name, {}, 0, 0});
        const int index = static_cast<int>(at - names.begin());
        const int field = index < fieldCount ? index : (index == fieldCount ? kZeroParameter : kV0Parameter);
        if (std::find(fields.begin(), fields.end(), field) != fields.end())
            return unexpected(FitRefusal{FitFault::RepeatedParameter, name, {}, 0, 0});
        fields.push_back(field);
    }
    if (fields.empty())
        return unexpected(FitRefusal{FitFault::NoParameter, {}, {}, 0, 0});

    std::vector<FillPoint> included;
    included.reserve(log.points.size());
    for (size_t i = 0; i < log.points.size(); ++i)
        if (i >= request.excluded.size() || !request.excluded[i])
            included.push_back(log.points[i]);
    const int p = static_cast<int>(fields.size());
    const int n = static_cast<int>(included.size());
    if (n < p + 2)
        return unexpected(FitRefusal{FitFault::TooFewPoints, {}, {}, n, p + 2});

    if (auto model = prepareModel(request.shape, request.dims); !model.ok())
        return refuse(*model.refusal());

    Residuals residuals(request, fields, std::move(included));
    Eigen::VectorXd x(p);
    for (int j = 0; j < p; ++j) {
        const int field = fields[static_cast<size_t>(j)];
        x(j) = field >= 0 ? request.dims[static_cast<size_t>(field)] : 0.0;
    }
    const Eigen::VectorXd start = x;
    FitResult result;
    {
        // the solver's Jacobian and work vectors, n rows each, go before the covariance makes its own
        Eigen::LevenbergMarquardt<Residuals> solver(residuals);
        solver.parameters.ftol = 1e-12;
        solver.parameters.xtol = 1e-12;
        solver.parameters.maxfev = static_cast<Eigen::Index>(200) * (p + 1);
        result.converged = converged(solver.minimize(x));
    }
    result.shape = request.shape;
    result.startDims = request.dims;
    result.logFile = log.fileName;
    double zero = 0, v0 = 0;
    residuals.unpack(x, result.dims, zero, v0);
    result.dof = n - p;

    double ssr = 0;
    {
        Eigen::VectorXd r(n);
        result.converged = residuals.evaluate(x, r) && result.converged;
        ssr = r.squaredNorm();
    }
    const double s2 = ssr / result.dof;
    result.residualRms = std::sqrt(s2);

    // the covariance s²(JᵀJ)⁻¹ through the SVD of J with unit columns, which also shows what the data leave free;
    // J = QR first, in place, and the SVD of the p × p factor R, which has J's singular values and right vectors
    Eigen::VectorXd norms;
    Eigen::JacobiSVD<Eigen::MatrixXd> svd;
    {
        Eigen::MatrixXd jac(n, p);
        residuals.df(x, jac);
        norms = jac.colwise().norm().transpose();
        for (int j = 0; j < p; ++j)
            jac.col(j) /= norms(j) > 0 ? norms(j) : 1.0;
        const Eigen::HouseholderQR<Eigen::Ref<Eigen::MatrixXd>> qr(jac);
        const Eigen::MatrixXd factor = qr.matrixQR().topRows(p).triangularView<Eigen::Upper>();
        svd.compute(factor, Eigen::ComputeThinV);
    }
    const Eigen::VectorXd& sv = svd.singularValues();
    std::vector<bool> undetermined(static_cast<size_t>(p), false);
    Eigen::VectorXd inverseSquares(p);
    for (int k = 0; k < p; ++k) {
        const bool weak = !(sv(k) > kSingular * sv(0));
        inverseSquares(k) = weak ? 0.0 : 1.0 / (sv(k) * sv(k));
        if (weak)
            for (int j = 0; j < p; ++j)
                if (std::abs(svd.matrixV()(j, k)) > 0.1)
                    undetermined[static_cast<size_t>(j)] = true;
    }
    const Eigen::MatrixXd scaledCov = svd.matrixV() * inverseSquares.asDiagonal() * svd.matrixV().transpose();
    Eigen::MatrixXd cov(p, p);
    for (int i = 0; i < p; ++i)
        for (int j = 0; j < p; ++j)
            cov(i, j) = s2 * scaledCov(i, j) / ((norms(i) > 0 ? norms(i) : 1.0) * (norms(j) > 0 ? norms(j) : 1.0));

    result.correlation.assign(static_cast<size_t>(p), std::vector<double>(static_cast<size_t>(p), kNaN));
    for (int i = 0; i < p; ++i)
        for (int j = 0; j < p; ++j) {
            const double denominator = std::sqrt(cov(i, i) * cov(j, j));
            const double c = denominator > 0 ? cov(i, j) / denominator : kNaN;
            result.correlation[static_cast<size_t>(i)][static_cast<size_t>(j)] = c;
            if (i != j && std::abs(c) > kCorrelationLimit)
                undetermined[static_cast<size_t>(i)] = undetermined[static_cast<size_t>(j)] = true;
        }
    for (int j = 0; j < p; ++j) {
        const auto at = static_cast<size_t>(j);
        const int field = fields[at];
        const int index = field >= 0 ? field : (field == kZeroParameter ? fieldCount : fieldCount + 1);
        const bool free = undetermined[at] && !(sv(p - 1) > kSingular * sv(0));
        result.parameters.push_back({.name = names[static_cast<size_t>(index)],
                                     .kind = field >= 0                ? ParameterKind::Field
                                             : field == kZeroParameter ? ParameterKind::Zero
                                                                       : ParameterKind::V0,
                                     .field = std::max(field, -1),
                                     .start = start(j),
                                     .value = x(j),
                                     .standardError = free ? kNaN : std::sqrt(cov(j, j))});
        if (undetermined[at])
            result.undetermined.push_back(names[static_cast<size_t>(index)]);
    }

    // every point of the log, the excluded ones too, against the fitted model
    const auto fittedModel = prepareModel(request.shape, result.dims);
    const auto* model = fittedModel.ok() ? &fittedModel.model() : nullptr;
    double largest = -1;
    result.points.reserve(log.points.size());
    for (size_t i = 0; i < log.points.size(); ++i) {
        const auto& point = log.points[i];
        FitPoint out{.level = point.level, .volume = point.volume, .line = point.line};
        out.excluded = i < request.excluded.size() && request.excluded[i];
        if (model) {
            const double level = point.level + zero;
            out.model = model->volume(level) - v0;
            out.residual = out.model - point.volume;
            const double slope = (model->volume(level + 0.5) - model->volume(level - 0.5));
            out.residualMm = slope > 0 ? out.residual / slope : kNaN;
        }
        out.outlier = std::abs(out.residual) > kOutlierSigmas * result.residualRms;
        if (!out.excluded && std::abs(out.residual) > largest) {
            largest = std::abs(out.residual);
            result.maxResidual = out.residual;
            result.maxResidualMm = out.residualMm;
        }
        result.points.push_back(out);
    }
    return result;
}

std::string fitRefusalText(const FitRefusal& refusal)
{
    switch (refusal.fault) {
    case FitFault::UnknownParameter:
        return "У этой формы нет параметра «" + refusal.name + "». Свободными могут быть поля формы, zero и v0.";
    case FitFault::RepeatedParameter:
        return "Параметр «" + refusal.name + "» указан дважды.";
    case FitFault::NoParameter:
        return "Не выбран ни один свободный параметр.";
    case FitFault::Dimensions:
        return refusal.refusal.message;
    case FitFault::TooFewPoints:
        return logRefusalText({LogFault::TooFewPoints, 0, static_cast<double>(refusal.count), refusal.needed});
    }
    return {};
}

} // namespace tarvol
