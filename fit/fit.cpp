#include "fit/fit.h"

#include <Eigen/Dense>
#include <unsupported/Eigen/NonLinearOptimization>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <optional>

#include "calc/catalogue.h"
#include "calc/format.h"
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
// a reading may stand this far above the fitted top, as the log's readings may rise over the one before
constexpr double kAboveTop = 3; // mm, LogOptions::levelNoise
// fewer runs of one sign than chance gives by this many of its standard deviations: one in 30 000 by chance
constexpr double kRunsSigmas = 4;
// a misfit smaller than this many times the reading noise is left to the user to judge
constexpr double kNoiseTimes = 3;

// The residuals of the included points as a function of the free parameters, for the solver.
class Residuals {
public:
    Residuals(const FitRequest& request, const std::vector<int>& fields, std::vector<FillPoint> points)
        : m_shape(request.shape), m_dims(request.dims), m_fields(fields), m_points(std::move(points)),
          m_correction(request.correction), m_orientation(request.orientation)
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
        const auto model = prepareModel(m_shape, dims, m_orientation);
        if (!model.ok()) {
            out.setConstant(kRefusedResidual);
            return false;
        }
        for (size_t i = 0; i < m_points.size(); ++i) {
            const double level = m_points[i].level + zero;
            const double added = m_correction ? m_correction(level) : 0.0;
            out(static_cast<Eigen::Index>(i)) = model.model().volume(level) + added - (m_points[i].volume + v0);
        }
        return true;
    }

private:
    int m_shape;
    std::vector<double> m_dims;
    std::vector<int> m_fields;
    std::vector<FillPoint> m_points;
    std::function<double(double)> m_correction;
    std::optional<Orientation> m_orientation;
};

// The step of the last decimal the values are written with (the log's rounding), down to 10⁻⁹.
double writtenStep(const std::vector<double>& values)
{
    for (int decimals = 0; decimals < 9; ++decimals) {
        const double scale = std::pow(10.0, decimals);
        if (std::all_of(values.begin(), values.end(), [&](double v) {
                const double scaled = v * scale;
                return std::abs(scaled - std::round(scaled)) <= 1e-9 * std::max(1.0, std::abs(scaled));
            }))
            return 1 / scale;
    }
    return 1e-9;
}

// What the residuals of the fitted points say of the model: a reading above the fitted top, or residuals that keep
// one sign in fewer runs than chance gives (the runs test of their signs, in the log's order) with a systematic part
// several times the reading noise. `slopes` are the model's litres per mm at each fitted point.
std::optional<FitFailure> failureOf(const std::vector<const FitPoint*>& fitted, const std::vector<double>& slopes,
                                    double zero, double top)
{
    const FitPoint* highest = nullptr;
    for (const FitPoint* p : fitted)
        if (p->level + zero > top + kAboveTop && (!highest || p->level > highest->level))
            highest = p;
    if (highest)
        return FitFailure{.kind = FitFailureKind::ReadingAboveTop,
                          .line = highest->line,
                          .value = highest->level + zero,
                          .limit = top,
                          .spread = 0,
                          .systematicMm = 0,
                          .noiseMm = 0};

    std::vector<double> levels, volumes;
    for (const FitPoint* p : fitted) {
        levels.push_back(p->level);
        volumes.push_back(p->volume);
    }
    const double levelStep = writtenStep(levels);
    const double volumeStep = writtenStep(volumes);
    double squares = 0, rounding = 0;
    std::vector<double> steps;
    int measured = 0, above = 0, below = 0, runs = 0, last = 0;
    // the last two measured points, level and residual in mm
    std::array<std::pair<double, double>, 2> before{{{kNaN, kNaN}, {kNaN, kNaN}}};
    for (size_t i = 0; i < fitted.size(); ++i) {
        const FitPoint& p = *fitted[i];
        if (std::isfinite(p.residualMm) && slopes[i] > 0) {
            squares += p.residualMm * p.residualMm;
            // a rounded number is off by up to half its step, evenly: step / √12 as an RMS
            const double step = std::hypot(levelStep, volumeStep / slopes[i]);
            rounding += step * step / 12;
            ++measured;
            // the second divided difference of three neighbours, scaled to the noise of one residual: a misfit
            // that is smooth along the level, however large, leaves it near zero even in a sparse log
            const auto [x0, r0] = before[0];
            const auto [x1, r1] = before[1];
            const double h0 = x1 - x0;
            const double h1 = p.level - x1;
            if (std::isfinite(r0) && h0 > 0 && h1 > 0) {
                const double w0 = 1 / h0, w2 = 1 / h1, w1 = -(w0 + w2);
                const double d = (w0 * r0 + w1 * r1 + w2 * p.residualMm) / std::sqrt(w0 * w0 + w1 * w1 + w2 * w2);
                steps.push_back(std::abs(d));
            }
            before = {before[1], std::pair{p.level, p.residualMm}};
        }
        const int sign = p.residual > 0 ? 1 : p.residual < 0 ? -1 : 0;
        if (sign == 0)
            continue;
        (sign > 0 ? above : below) += 1;
        runs += sign != last;
        last = sign;
    }
    if (steps.empty() || above == 0 || below == 0)
        return std::nullopt;
    const double residualMm = std::sqrt(squares / measured);
    // the reading noise from the second differences of neighbours, by their median so that the few points where
    // the section narrows to nothing (a residual in mm grows without bound there) do not pass for noise; never less
    // than what the log's rounding makes. 0.6745 is the median of |N(0, 1)|.
    auto middle = steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2);
    std::nth_element(steps.begin(), middle, steps.end());
    const double noiseMm = std::max(*middle / 0.6745, std::sqrt(rounding / measured));
    const double systematicMm = std::sqrt(std::max(residualMm * residualMm - noiseMm * noiseMm, 0.0));
    const double n = above + below;
    const double pairs = 2.0 * above * below;
    const double mean = 1 + pairs / n;
    const double spread = std::sqrt(pairs * (pairs - n) / (n * n * (n - 1)));
    if (systematicMm > kNoiseTimes * noiseMm && spread > 0 && runs < mean - kRunsSigmas * spread)
        return FitFailure{.kind = FitFailureKind::Systematic,
                          .line = 0,
                          .value = static_cast<double>(runs),
                          .limit = mean,
                          .spread = spread,
                          .systematicMm = systematicMm,
                          .noiseMm = noiseMm};
    return std::nullopt;
}

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

std::string fitFailureText(const FitFailure& f)
{
    const auto fixed = [](double value, int digits) { return formatFixed(value, 15, digits, ','); };
    const std::string lead = "Модель этой формы не описывает журнал налива: ";
    const std::string check = " Проверьте форму ёмкости и свободные параметры; подбор не применяется.";
    switch (f.kind) {
    case FitFailureKind::ReadingAboveTop:
        return lead + "подобранная ёмкость ниже его показаний — в строке " + std::to_string(f.line) + " уровень "
               + fixed(f.value, 1) + " мм, а высота ёмкости " + fixed(f.limit, 1) + " мм." + check;
    case FitFailureKind::Systematic:
        return lead + "остатки идут длинными сериями одного знака (серий " + fixed(f.value, 0) + " при ожидаемых "
               + fixed(f.limit, 1) + " ± " + fixed(f.spread, 1) + "), их систематическая часть "
               + fixed(f.systematicMm, 2) + " мм уровня при шуме отсчёта " + fixed(f.noiseMm, 2) + " мм." + check;
    }
    return {};
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

    if (auto model = prepareModel(request.shape, request.dims, request.orientation); !model.ok())
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
    // the directions the data leave free, each weighted as the inverse covariance would weigh it
    Eigen::VectorXd freeWeights = Eigen::VectorXd::Zero(p);
    for (int k = 0; k < p; ++k) {
        const bool weak = !(sv(k) > kSingular * sv(0));
        inverseSquares(k) = weak ? 0.0 : 1.0 / (sv(k) * sv(k));
        if (weak) {
            const double relative = std::max(sv(k) / sv(0), 1e-150);
            freeWeights(k) = 1 / (relative * relative);
            for (int j = 0; j < p; ++j)
                if (std::abs(svd.matrixV()(j, k)) > 0.1)
                    undetermined[static_cast<size_t>(j)] = true;
        }
    }
    const std::vector<bool> alongFree = undetermined;
    const Eigen::MatrixXd scaledCov = svd.matrixV() * inverseSquares.asDiagonal() * svd.matrixV().transpose();
    // Two parameters the data leave free trade off along the free directions: their correlation is the one the
    // covariance tends to as those directions' singular values go to 0, not the pseudo-inverse's, which leaves
    // the free directions out and so gives the opposite sign.
    const Eigen::MatrixXd freeCov = svd.matrixV() * freeWeights.asDiagonal() * svd.matrixV().transpose();
    Eigen::MatrixXd cov(p, p);
    for (int i = 0; i < p; ++i)
        for (int j = 0; j < p; ++j)
            cov(i, j) = s2 * scaledCov(i, j) / ((norms(i) > 0 ? norms(i) : 1.0) * (norms(j) > 0 ? norms(j) : 1.0));

    result.correlation.assign(static_cast<size_t>(p), std::vector<double>(static_cast<size_t>(p), kNaN));
    for (int i = 0; i < p; ++i)
        for (int j = 0; j < p; ++j) {
            const bool bothFree = alongFree[static_cast<size_t>(i)] && alongFree[static_cast<size_t>(j)];
            const Eigen::MatrixXd& of = bothFree ? freeCov : cov;
            const double denominator = std::sqrt(of(i, i) * of(j, j));
            const double c = denominator > 0 ? std::clamp(of(i, j) / denominator, -1.0, 1.0) : kNaN;
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
    const auto fittedModel = prepareModel(request.shape, result.dims, request.orientation);
    const auto* model = fittedModel.ok() ? &fittedModel.model() : nullptr;
    double largest = -1;
    result.points.reserve(log.points.size());
    std::vector<double> slopes; // of the fitted points, in order
    slopes.reserve(static_cast<size_t>(n));
    for (size_t i = 0; i < log.points.size(); ++i) {
        const auto& point = log.points[i];
        FitPoint out{.level = point.level, .volume = point.volume, .line = point.line};
        out.excluded = i < request.excluded.size() && request.excluded[i];
        if (model) {
            const double level = point.level + zero;
            const auto volume = [&](double h) {
                return model->volume(h) + (request.correction ? request.correction(h) : 0.0);
            };
            out.model = volume(level) - v0;
            out.residual = out.model - point.volume;
            const double slope = volume(level + 0.5) - volume(level - 0.5);
            out.residualMm = slope > 0 ? out.residual / slope : kNaN;
            if (!out.excluded)
                slopes.push_back(slope);
        }
        out.outlier = std::abs(out.residual) > kOutlierSigmas * result.residualRms;
        if (!out.excluded && std::abs(out.residual) > largest) {
            largest = std::abs(out.residual);
            result.maxResidual = out.residual;
            result.maxResidualMm = out.residualMm;
        }
        result.points.push_back(out);
    }
    if (model) {
        std::vector<const FitPoint*> fitted;
        fitted.reserve(static_cast<size_t>(n));
        for (const auto& point : result.points)
            if (!point.excluded)
                fitted.push_back(&point);
        result.failure = failureOf(fitted, slopes, zero, model->top());
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
