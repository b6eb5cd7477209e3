#include "uncertainty/propagation.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tarvol {

namespace {

// Small against any dimension, large enough that the volumes' round-off stays far below the difference.
double stepFor(double x) { return std::max(0.01, 1e-6 * std::abs(x)); }

// The level's own curvature beyond this share of its linear change marks a row as nonlinear.
constexpr double kNonlinearShare = 0.1;

} // namespace

double volumeAtScale(const TankModel& model, double level, double scale)
{
    return scale * scale * scale * model.volume(level / scale);
}

double Propagation::volumeOf(const TankModel& model, double level) const
{
    return m_scale == 1 ? model.volume(level) : volumeAtScale(model, level, m_scale);
}

expected<Propagation, Refusal> Propagation::prepare(int shape, std::span<const double> dims,
                                                    const UncertaintyInputs& inputs)
{
    using Fail = unexpected<Refusal>;
    auto base = prepareModel(shape, dims);
    if (!base.ok())
        return Fail(*base.refusal());
    Propagation p(base.model(), inputs.shell ? inputs.shell->lengthScale() : 1.0);
    p.m_uLevel = inputs.level;
    p.m_coverage = inputs.coverage;
    p.m_limit = inputs.limitPercent;
    if (inputs.fit)
        p.m_fit = *inputs.fit;
    std::vector<double> moved(dims.begin(), dims.end());
    for (std::size_t i = 0; i < dims.size(); ++i) {
        const int field = static_cast<int>(i);
        const auto inFit = std::ranges::find(p.m_fit.fields, field);
        const int fitIndex = inFit == p.m_fit.fields.end() ? -1 : static_cast<int>(inFit - p.m_fit.fields.begin());
        const double own = inputs.dim(field);
        if (own <= 0 && fitIndex < 0)
            continue; // no influence to find
        const double delta = stepFor(dims[i]);
        moved[i] = dims[i] + delta;
        auto plus = prepareModel(shape, moved);
        moved[i] = dims[i] - delta;
        auto minus = prepareModel(shape, moved);
        moved[i] = dims[i];
        // a field at the edge of what the shape accepts is differenced on the side it can move to
        double step = 2 * delta;
        if (!plus.ok() && !minus.ok())
            return Fail(*plus.refusal());
        if (!plus.ok() || !minus.ok())
            step = delta;
        p.m_moved.push_back(
            Moved{field, step, plus.ok() ? plus.model() : p.m_base, minus.ok() ? minus.model() : p.m_base});
        p.m_ownVariance.push_back(fitIndex < 0 ? own * own : 0);
        p.m_fitIndex.push_back(fitIndex);
    }
    return p;
}

double Propagation::sensitivity(const Moved& moved, double level) const
{
    return (volumeOf(moved.plus, level) - volumeOf(moved.minus, level)) / moved.step;
}

RowUncertainty Propagation::at(double level, double volume) const
{
    double variance = 0;
    // sensitivities of the fit's fields, by their row in the covariance
    std::vector<double> fitSens(m_fit.fields.size(), 0.0);
    for (std::size_t i = 0; i < m_moved.size(); ++i) {
        const double c = sensitivity(m_moved[i], level);
        variance += c * c * m_ownVariance[i];
        if (m_fitIndex[i] >= 0)
            fitSens[static_cast<std::size_t>(m_fitIndex[i])] = c;
    }
    for (std::size_t i = 0; i < fitSens.size(); ++i)
        for (std::size_t j = 0; j < fitSens.size(); ++j)
            variance += fitSens[i] * fitSens[j] * m_fit.at(i, j);

    RowUncertainty row;
    if (m_uLevel > 0) {
        const double top = m_base.top() * m_scale;
        const double delta = 0.01;
        // one-sided at the bottom and the top, where the model stops changing
        const double lo = std::max(0.0, level - delta);
        const double hi = std::min(top, level + delta);
        const double slope = hi > lo ? (volumeOf(m_base, hi) - volumeOf(m_base, lo)) / (hi - lo) : 0;
        variance += slope * slope * m_uLevel * m_uLevel;
        if (level > 0 && level < top) {
            const double up = volumeOf(m_base, level + m_uLevel);
            const double down = volumeOf(m_base, level - m_uLevel);
            const double mid = volumeOf(m_base, level);
            row.nonlinear = std::abs(up + down - 2 * mid) > kNonlinearShare * std::abs(up - down);
        }
    }
    row.u = std::sqrt(std::max(0.0, variance));
    row.expanded = m_coverage * row.u;
    row.relative = volume > 0 ? 100 * row.expanded / volume : std::numeric_limits<double>::quiet_NaN();
    row.overLimit = m_limit && volume > 0 && row.relative > *m_limit;
    return row;
}

} // namespace tarvol
