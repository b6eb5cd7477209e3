#pragma once

// A horizontal tank (shapes 8 to 17) tilted both ways and read by a gauge anywhere on its bottom: the table,
// the continuous volume and the correction grid. docs/tilt.md gives the frame and the formulas.
//
// Frame: x along the shell from its first end, y across from the middle plane (right positive), z up from the
// bottom line. Roll φ turns the tank about its length (right side up positive), then pitch θ raises the second
// end; a tank point stands at the world height Z = x·sin θ + (y·sin φ + z·cos φ)·cos θ.

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "calc/expected.h"
#include "calc/model.h"
#include "calc/run.h"

namespace tarvol {

enum class GaugeKind {
    Vertical, // a dipstick: reads the height of the surface above its foot
    Fixed,    // a sensor fixed to the tank along its z: reads the distance along that axis
};

struct Orientation {
    double pitchDegrees = 0;      // second end up positive
    double rollDegrees = 0;       // right side up positive
    std::optional<double> gaugeX; // mm from the shell's first end; none: the middle of the shell
    double gaugeY = 0;            // mm from the tank's middle, right positive (see gaugeFoot in docs/tilt.md)
    GaugeKind gauge = GaugeKind::Vertical;

    bool operator==(const Orientation&) const = default;
};

// An angle in degrees from a rise in mm: the second end's rise over the shell's length (as A of shapes 18 to
// 25), the right side's rise over the tank's width. Refused, with a message naming the rise, when it is not a
// number or not shorter than that length.
expected<double, std::string> pitchFromRise(int shape, std::span<const double> dims, double riseMm);
expected<double, std::string> rollFromRise(int shape, std::span<const double> dims, double riseMm);

// Why the tank cannot be read in that orientation: a shape without one, refused dimensions, an angle the tank
// cannot take, a gauge outside the tank or with less than 10 mm of reading above its foot. Russian, naming the
// value at fault.
std::optional<std::string> orientationRefusal(int shape, std::span<const double> dims, const Orientation& orientation);

// One tank in one orientation, prepared once; copies share the prepared geometry.
class OrientedTank {
public:
    static expected<OrientedTank, std::string> prepare(int shape, std::span<const double> dims,
                                                       const Orientation& orientation);

    // Litres below the surface at gauge reading n (mm), exact; 0 below the lowest reading, full above the highest.
    double volumeAtLevel(double n) const;
    double lowestLevel() const;  // the reading at which the surface enters the tank; negative: liquid below the foot
    double highestLevel() const; // the reading at which it leaves the tank
    double gaugeTop() const;     // the highest reading the gauge itself can show: where its line leaves the tank
    double fullVolume() const;   // litres, the horizontal shape's closed form
    double deadVolume() const;   // litres below the foot, in every row of the table
    // Readings (from, to] the table holds but the gauge cannot show: the surface has met the top along the gauge.
    std::vector<std::pair<double, double>> blindRanges() const;

    // The table as shapes 18 to 25 make theirs: 1 mm slabs of reading summed from the lowest, rows every tenth of
    // the highest reading rounded up, the liquid below the foot in every row. Only a cancellation stops it.
    RunOutcome table(const RunOptions& options) const;
    // The continuous model of the same tank, for the fit, the uncertainty and the sensor tables.
    TankModel model() const;

    struct Geometry;

private:
    explicit OrientedTank(std::shared_ptr<const Geometry> geometry) : m_geometry(std::move(geometry)) {}
    std::shared_ptr<const Geometry> m_geometry;
};

// The shape's continuous model, or with an orientation the tilted tank's by its gauge's reading; the refusal a
// table would give otherwise.
ModelOutcome prepareModel(int shape, std::span<const double> dims, const std::optional<Orientation>& orientation);

// What a drawing of the tank needs: the inner section across, as a closed outline of (y, z) points, mm, and the
// shell's length; none for a shape without an orientation or refused dimensions.
struct TiltSketch {
    std::vector<std::pair<double, double>> section;
    double shellLength = 0;
    double height = 0;
};
std::optional<TiltSketch> tiltSketch(int shape, std::span<const double> dims);

// The correction grid: for each column one orientation (base with its pitch or its roll replaced), the table's
// running volume at levels 0, levelStep, … up to the highest reading of all columns; a column past its own top
// holds its full table. pitches and rolls give every column's angles.
struct TiltGrid {
    std::vector<double> pitches, rolls, levels;
    std::vector<std::vector<double>> volumes; // [level][column], litres
};

// Pitches vary at the base roll, or rolls at the base pitch: exactly one of the two lists is non-empty.
// levelStep is a whole number of millimetres, 1 or more. A refusal names the column's angle at fault.
expected<TiltGrid, RunFailure> tiltGrid(int shape, std::span<const double> dims, const Orientation& base,
                                        std::span<const double> pitches, std::span<const double> rolls,
                                        double levelStep, const RunOptions& options = {});

} // namespace tarvol
