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

// The document's sentences: the angles and the gauge, the volume below its foot, the readings it cannot show.
std::vector<std::string> orientationStatements(const OrientedTank& tank, const Orientation& orientation,
                                               char separator);

} // namespace tarvol
