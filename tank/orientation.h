#pragma once

// A horizontal tank's pitch, roll and gauge as the tank file keeps them, and the sentences a document states.

#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "calc/expected.h"
#include "calc/tilt.h"
#include "tank/deadwood.h"

namespace tarvol {

// The `orientation` section: {"pitch_deg", "roll_deg", "gauge_x_mm" (optional), "gauge_y_mm", "gauge"}. Only the
// values are checked here; whether the tank can take them is orientationRefusal's.
expected<Orientation, DeadwoodJsonError> orientationFromJson(const nlohmann::ordered_json& json);
nlohmann::ordered_json orientationJson(const Orientation& orientation);

// "vertical" / "fixed" and back.
const char* gaugeKindKey(GaugeKind kind);
std::optional<GaugeKind> gaugeKindOf(std::string_view key);

// A correction grid as the tank keeps it for its documents' appendix: one angle stepped from..to, the other and the
// gauge as the tank's orientation has them, a row every levelStep millimetres.
struct TiltGridRange {
    bool byPitch = true;
    double from = -2, to = 2, step = 1; // degrees
    double levelStep = 10;              // mm, whole

    bool operator==(const TiltGridRange&) const = default;
};

// A grid's columns at most: a degree's tenth over ±36°, far more than a page or an inclinometer holds.
inline constexpr std::size_t kMostGridColumns = 721;
inline constexpr double kMostGridLevelStep = 10'000;

// The angles from, from + step, … up to to (within a billionth of a step), rounded to 1e-9 °; the reason, in
// Russian words that follow "углы сетки", when the range gives none, too many or angles no tank takes.
expected<std::vector<double>, std::string> gridAngles(double from, double to, double step);

// The `tilt_grid` section: {"vary": "pitch" | "roll", "from_deg", "to_deg", "step_deg", "level_step_mm"}.
expected<TiltGridRange, DeadwoodJsonError> tiltGridRangeFromJson(const nlohmann::ordered_json& json);
nlohmann::ordered_json tiltGridRangeJson(const TiltGridRange& range);

// The grid as CSV (`level_mm;-2;-1;0;1;2`, the angles in the header, volumes with the tank's decimals) or as JSON
// ({"pitches", "rolls", "rows": [{"level", "volumes"}]}).
std::string tiltGridCsv(const TiltGrid& grid, bool byPitch, char separator, int decimals);
std::string tiltGridJson(const TiltGrid& grid);

// The document's sentences: the angles and the gauge, the volume below its foot, the readings it cannot show.
std::vector<std::string> orientationStatements(const OrientedTank& tank, const Orientation& orientation,
                                               char separator);

} // namespace tarvol
