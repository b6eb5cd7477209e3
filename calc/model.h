#pragma once

// The volume at any real level for any real dimensions: the continuous model beside the table, built once per
// dimension set and then cheap per level. docs/model.md gives each shape's formula.

#include <memory>
#include <span>
#include <utility>

#include "calc/expected.h"
#include "calc/refusal.h"

namespace tarvol {

class TankModel {
public:
    using VolumeFunction = double (*)(const void* body, double level);

    TankModel(std::shared_ptr<const void> body, VolumeFunction volumeOf, double full, double top)
        : m_body(std::move(body)), m_volume(volumeOf), m_fullVolume(full), m_top(top)
    {}

    // Litres below the level, which means what the table's level means; the bottom's volume below the level
    // axis, the full volume above its top.
    double volume(double level) const { return m_volume(m_body.get(), level); }
    double fullVolume() const { return m_fullVolume; } // litres, the table's closed-form full volume
    double top() const { return m_top; }               // mm, the table's total height

private:
    std::shared_ptr<const void> m_body; // the shape's body with its own copy of the dimensions
    VolumeFunction m_volume;
    double m_fullVolume;
    double m_top;
};

// A model or the refusal the table would give for the same dimensions, never both.
class [[nodiscard]] ModelOutcome : public expected<TankModel, Refusal> {
public:
    ModelOutcome(TankModel model) : expected(std::move(model)) {}
    ModelOutcome(Refusal refusal) : expected(unexpected<Refusal>(std::move(refusal))) {}

    bool ok() const { return has_value(); }
    const Refusal* refusal() const { return ok() ? nullptr : &error(); }
    const TankModel& model() const { return value(); } // throws without a model
};

// The model of shape `shape` on dimension values in field order; refuses what calculate() refuses.
ModelOutcome prepareModel(int shape, std::span<const double> dims);

// One volume in litres, for a single use; NaN when the dimensions are refused.
double volumeAt(int shape, std::span<const double> dims, double level);

} // namespace tarvol
