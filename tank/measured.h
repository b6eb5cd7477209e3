#pragma once

// The vertical tank known from its strapping record (tank/strapping.h) stands outside the catalogue: its shape
// index is a sentinel that nothing may look up there, and its table is made from the record, not from a run.

#include <optional>
#include <string_view>

#include "calc/catalogue.h"
#include "calc/refusal.h"

namespace tarvol {

struct Tank;
struct TableRequest;
class TableOutcome;

inline constexpr int kMeasuredShape = -2;
inline constexpr std::string_view kMeasuredShapeKey = "measured-vertical";
inline constexpr std::string_view kMeasuredShapeName = "Вертикальный резервуар по измерениям";
inline constexpr std::string_view kStrappingSection = "strapping";

constexpr bool isMeasuredShape(int shape) { return shape == kMeasuredShape; }

// The catalogue's row of a shape, or the measured tank's own: its name and key, no fields, no functions.
const ShapeInfo& shapeInfo(int shape);

// Why a measured tank gives no table: no record, or one that cannot describe a tank, naming the key.
std::optional<Refusal> measuredRefusal(const Tank& tank);

// The table of a tank whose shape is kMeasuredShape: rows from its record's volume, the deadwood, the roof and the
// shell's temperature applied, U of every row from the record's uncertainties and the budget's level.
TableOutcome measuredTableOf(const Tank& tank, const TableRequest& request);

} // namespace tarvol
