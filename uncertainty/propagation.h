#pragma once

// The uncertainty of a table's rows by the law of propagation of uncertainty (JCGM 100): sensitivities of the
// continuous model to every dimension and to the level by central differences, U = k·u. docs/uncertainty.md.

#include <optional>
#include <span>
#include <vector>

#include "calc/expected.h"
#include "calc/model.h"
#include "calc/refusal.h"
#include "calc/tilt.h"
#include "uncertainty/inputs.h"

namespace tarvol {

struct RowUncertainty {
    double u = 0;           // combined standard uncertainty, litres
    double expanded = 0;    // U = k·u, litres
    double relative = 0;    // U in % of the row's volume; NaN where the volume is 0
    bool overLimit = false; // relative above the inputs' limit
    bool nonlinear = false; // the volume bends within one u(h) of the level: the linear estimate is poor
};

// The models at the given dimensions and at each dimension moved both ways, prepared once; then cheap per level.
class Propagation {
public:
    // The refusal a run gives for the dimensions, or for a field that cannot move either way.
    // A tilted tank's rows are by its gauge's reading, and its angles join the budget.
    static expected<Propagation, Refusal> prepare(int shape, std::span<const double> dims,
                                                  const UncertaintyInputs& inputs,
                                                  const std::optional<Orientation>& orientation = std::nullopt);

    // The row at `level` (mm) whose table volume is `volume` (litres; used for the relative figure). Within the
    // height it reads the profile built with the inputs, which agrees with exactAt to about 1e-7 of U.
    RowUncertainty at(double level, double volume) const;
    // The same row from the models themselves, 2n + 5 volumes of them: the reference the profile is held to.
    RowUncertainty exactAt(double level, double volume) const;
    // The volume of the continuous model at `level`, at the shell's temperature when one is given.
    double volume(double level) const { return volumeOf(m_base, level); }
    double fullVolume() const { return m_base.fullVolume() * m_scale * m_scale * m_scale; }
    double top() const { return m_base.top(); }

private:
    struct Moved {
        int field;
        double step;     // mm between the two models: 2δ, or δ where one side is refused
        TankModel plus;  // the field at x + δ (or x where refused)
        TankModel minus; // the field at x − δ (or x)
    };
    // What a row is made of at one level: each moved field's sensitivity, the slope in the level, and with an
    // uncertain level the bend and the change across ±u(h). Each is smooth in the level between a shape's breaks.
    using Figures = std::vector<double>;
    // One stretch of the height on which the figures are the parabola through the values at its ends and middle,
    // or, where the stretch was too short to trust one, the exact figures.
    struct Piece {
        double from = 0;
        double to = 0;
        bool exact = false;
        Figures first, middle, last;
    };

    Propagation(TankModel base, double scale) : m_base(std::move(base)), m_scale(scale) {}
    double volumeOf(const TankModel& model, double level) const;
    double sensitivity(const Moved& moved, double level) const;
    Figures figuresAt(double level) const;
    bool bendsAt(double level) const;
    RowUncertainty rowOf(const Figures& figures, double level, double volume, bool exactBend) const;
    void buildProfile();
    void refine(double from, double to, const Figures& first, const Figures& middle, const Figures& last,
                const Figures& scale);

    TankModel m_base;
    double m_scale = 1; // the shell's length scale
    std::vector<Moved> m_moved;
    std::vector<double> m_ownVariance; // u²(x) of each moved field, 0 for those of the fit
    std::vector<int> m_fitIndex;       // each moved field's row in the fit's covariance, -1 for none
    FieldCovariance m_fit;
    std::optional<ZeroCovariance> m_zero;
    double m_uLevel = 0;
    double m_coverage = 2;
    std::optional<double> m_limit;
    std::vector<Piece> m_profile; // over [0, top] in order; empty when no uncertainty is given
};

// V_t(h) = k³·V₂₀(h/k): the volume at `level` for the shell at the temperature that scales lengths by `scale`.
double volumeAtScale(const TankModel& model, double level, double scale);

} // namespace tarvol
