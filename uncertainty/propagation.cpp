#include "uncertainty/propagation.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>

namespace tarvol {

namespace {

// Small against any dimension, large enough that the volumes' round-off stays far below the difference.
double stepFor(double x) { return std::max(0.01, 1e-6 * std::abs(x)); }
// degrees between the two tilted models an angle's sensitivity is differenced over: the volume is smooth in it
constexpr double kAngleStep = 0.01;

// The level's own curvature beyond this share of its linear change marks a row as nonlinear.
constexpr double kNonlinearShare = 0.1;
// Within this share of the threshold an interpolated bend is judged from the models instead.
constexpr double kBendMargin = 0.05;
// The level's step for the slope: far below any u(h), far above the volumes' round-off.
constexpr double kLevelStep = 0.01;

// The profile starts from this many stretches of the height, so that no break hides between its checks.
constexpr int kProfileStretches = 64;
// A stretch is kept when its parabola meets the figures at its quarter points to this share of their size (or of
// this share of the figure's largest size, where it passes through zero); the halves kept are closer still.
constexpr double kProfileTolerance = 1e-6;
constexpr double kProfileFloor = 1e-3;
// mm: a stretch this short that still fails is evaluated exactly row by row.
constexpr double kShortestPiece = 4;
// Halvings of a first stretch past which a failing one is evaluated exactly, however long: the bound on the
// recursion, below kShortestPiece for every height the entry rules allow.
constexpr int kDeepestHalving = 24;

bool finite(const std::vector<double>& figures)
{
    return std::ranges::all_of(figures, [](double v) { return std::isfinite(v); });
}

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
                                                    const UncertaintyInputs& inputs,
                                                    const std::optional<Orientation>& orientation)
{
    using Fail = unexpected<Refusal>;
    const auto make = [shape](std::span<const double> d, const std::optional<Orientation>& o) {
        return prepareModel(shape, d, o);
    };
    auto base = make(dims, orientation);
    if (!base.ok())
        return Fail(*base.refusal());
    Propagation p(base.model(), inputs.shell ? inputs.shell->lengthScale() : 1.0);
    p.m_uLevel = inputs.level;
    p.m_coverage = inputs.coverage;
    p.m_limit = inputs.limitPercent;
    if (inputs.fit)
        p.m_fit = *inputs.fit;
    p.m_zero = inputs.zero;
    // a quantity moved both ways; at the edge of what the tank accepts it is differenced on the side it can move to
    const auto addMoved = [&p](int field, double delta, const ModelOutcome& plus, const ModelOutcome& minus,
                               double variance, int fitIndex) -> std::optional<Refusal> {
        double step = 2 * delta;
        if (!plus.ok() && !minus.ok())
            return *plus.refusal();
        if (!plus.ok() || !minus.ok())
            step = delta;
        p.m_moved.push_back(
            Moved{field, step, plus.ok() ? plus.model() : p.m_base, minus.ok() ? minus.model() : p.m_base});
        p.m_ownVariance.push_back(variance);
        p.m_fitIndex.push_back(fitIndex);
        return std::nullopt;
    };
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
        const auto plus = make(moved, orientation);
        moved[i] = dims[i] - delta;
        const auto minus = make(moved, orientation);
        moved[i] = dims[i];
        if (auto refused = addMoved(field, delta, plus, minus, fitIndex < 0 ? own * own : 0, fitIndex))
            return Fail(std::move(*refused));
    }
    if (orientation)
        for (const bool pitch : {true, false}) {
            const double u = pitch ? inputs.pitch : inputs.roll;
            if (u <= 0)
                continue;
            Orientation plus = *orientation;
            Orientation minus = *orientation;
            (pitch ? plus.pitchDegrees : plus.rollDegrees) += kAngleStep;
            (pitch ? minus.pitchDegrees : minus.rollDegrees) -= kAngleStep;
            if (auto refused = addMoved(-1, kAngleStep, make(dims, plus), make(dims, minus), u * u, -1))
                return Fail(std::move(*refused));
        }
    if (inputs.given())
        p.buildProfile();
    return p;
}

double Propagation::sensitivity(const Moved& moved, double level) const
{
    return (volumeOf(moved.plus, level) - volumeOf(moved.minus, level)) / moved.step;
}

Propagation::Figures Propagation::figuresAt(double level) const
{
    Figures figures;
    figures.reserve(m_moved.size() + 3);
    for (const Moved& moved : m_moved)
        figures.push_back(sensitivity(moved, level));
    const double top = m_base.top() * m_scale;
    // one-sided at the bottom and the top, where the model stops changing
    const double lo = std::max(0.0, level - kLevelStep);
    const double hi = std::min(top, level + kLevelStep);
    figures.push_back(hi > lo ? (volumeOf(m_base, hi) - volumeOf(m_base, lo)) / (hi - lo) : 0);
    if (m_uLevel > 0) {
        const double up = volumeOf(m_base, level + m_uLevel);
        const double down = volumeOf(m_base, level - m_uLevel);
        figures.push_back(up + down - 2 * volumeOf(m_base, level));
        figures.push_back(up - down);
    }
    return figures;
}

bool Propagation::bendsAt(double level) const
{
    const Figures figures = figuresAt(level);
    const std::size_t n = figures.size();
    return std::abs(figures[n - 2]) > kNonlinearShare * std::abs(figures[n - 1]);
}

RowUncertainty Propagation::rowOf(const Figures& figures, double level, double volume, bool exactBend) const
{
    double variance = 0;
    // sensitivities of the fit's fields, by their row in the covariance
    std::vector<double> fitSens(m_fit.fields.size(), 0.0);
    for (std::size_t i = 0; i < m_moved.size(); ++i) {
        const double c = figures[i];
        variance += c * c * m_ownVariance[i];
        if (m_fitIndex[i] >= 0)
            fitSens[static_cast<std::size_t>(m_fitIndex[i])] = c;
    }
    for (std::size_t i = 0; i < fitSens.size(); ++i)
        for (std::size_t j = 0; j < fitSens.size(); ++j)
            variance += fitSens[i] * fitSens[j] * m_fit.at(i, j);

    const double slope = figures[m_moved.size()];
    if (m_zero) { // a reading r is the level r + z: the zero moves the row as the level does
        variance += slope * slope * m_zero->variance;
        for (std::size_t i = 0; i < fitSens.size() && i < m_zero->withFit.size(); ++i)
            variance += 2 * slope * fitSens[i] * m_zero->withFit[i];
    }

    RowUncertainty row;
    if (m_uLevel > 0) {
        variance += slope * slope * m_uLevel * m_uLevel;
        if (level > 0 && level < m_base.top() * m_scale) {
            const double bend = std::abs(figures[m_moved.size() + 1]);
            const double threshold = kNonlinearShare * std::abs(figures[m_moved.size() + 2]);
            // an interpolated bend this close to the threshold could fall either side of it
            row.nonlinear =
                exactBend || std::abs(bend - threshold) > kBendMargin * threshold ? bend > threshold : bendsAt(level);
        }
    }
    row.u = std::sqrt(std::max(0.0, variance));
    row.expanded = m_coverage * row.u;
    row.relative = volume > 0 ? 100 * row.expanded / volume : std::numeric_limits<double>::quiet_NaN();
    row.overLimit = m_limit && volume > 0 && row.relative > *m_limit;
    return row;
}

RowUncertainty Propagation::exactAt(double level, double volume) const
{
    return rowOf(figuresAt(level), level, volume, true);
}

RowUncertainty Propagation::at(double level, double volume) const
{
    const auto after = std::ranges::upper_bound(m_profile, level, {}, &Piece::from);
    if (after == m_profile.begin() || level > std::prev(after)->to || std::prev(after)->exact)
        return exactAt(level, volume);
    const Piece& piece = *std::prev(after);
    // the parabola through the piece's three values, in Lagrange's form
    const double t = (level - piece.from) / (piece.to - piece.from);
    const double wFirst = 2 * (t - 0.5) * (t - 1);
    const double wMiddle = -4 * t * (t - 1);
    const double wLast = 2 * t * (t - 0.5);
    Figures figures(piece.first.size());
    for (std::size_t i = 0; i < figures.size(); ++i)
        figures[i] = wFirst * piece.first[i] + wMiddle * piece.middle[i] + wLast * piece.last[i];
    return rowOf(figures, level, volume, false);
}

void Propagation::buildProfile()
{
    const double top = m_base.top() * m_scale;
    if (!(top > 0))
        return;
    std::vector<Figures> nodes;
    for (int i = 0; i <= 2 * kProfileStretches; ++i)
        nodes.push_back(figuresAt(top * i / (2 * kProfileStretches)));
    // a figure's own size over the height, the floor below which its differences do not matter
    Figures scale(nodes.front().size(), 0.0);
    for (const Figures& node : nodes)
        for (std::size_t i = 0; i < scale.size(); ++i)
            scale[i] = std::max(scale[i], std::abs(node[i]));
    const auto ends = static_cast<double>(nodes.size() - 1);
    for (std::size_t k = 0; k + 2 < nodes.size(); k += 2)
        refine(top * static_cast<double>(k) / ends, top * static_cast<double>(k + 2) / ends, nodes[k], nodes[k + 1],
               nodes[k + 2], scale);
}

void Propagation::refine(double from, double to, const Figures& first, const Figures& middle, const Figures& last,
                         const Figures& scale)
{
    const double mid = 0.5 * (from + to);
    const Figures quarter = figuresAt(0.5 * (from + mid));
    const Figures threeQuarters = figuresAt(0.5 * (mid + to));
    // the parabola through first, middle and last at the quarter points, against the figures there
    const std::size_t bend = m_uLevel > 0 ? m_moved.size() + 1 : scale.size();
    const auto within = [&](std::size_t i, double guess, const Figures& exact) {
        // the bend only decides the flag, and a bend near the threshold is judged exactly anyway
        const double allowed = i == bend ? kBendMargin * kBendMargin * kNonlinearShare * std::abs(exact[i + 1])
                                         : kProfileTolerance * (std::abs(exact[i]) + kProfileFloor * scale[i]);
        return std::abs(guess - exact[i]) <= allowed;
    };
    bool close = true;
    for (std::size_t i = 0; i < scale.size() && close; ++i)
        close = within(i, 0.375 * first[i] + 0.75 * middle[i] - 0.125 * last[i], quarter)
                && within(i, -0.125 * first[i] + 0.75 * middle[i] + 0.375 * last[i], threeQuarters);
    const double deepest = std::ldexp(m_base.top() * m_scale / kProfileStretches, -kDeepestHalving);
    if (close) {
        // each half's own parabola through the checked points is closer still
        m_profile.push_back({from, mid, false, first, quarter, middle});
        m_profile.push_back({mid, to, false, middle, threeQuarters, last});
    } else if (!(to - from > std::max(kShortestPiece, deepest)) || !finite(quarter) || !finite(threeQuarters)) {
        // short enough, halved enough, or overflowed: halving would not settle it
        m_profile.push_back({from, to, true, {}, {}, {}});
    } else {
        refine(from, mid, first, quarter, middle, scale);
        refine(mid, to, middle, threeQuarters, last, scale);
    }
}

} // namespace tarvol
