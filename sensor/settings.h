#pragma once

// A sensor's settings as one value, kept with the tank.

#include <nlohmann/json_fwd.hpp>

#include <cstdint>
#include <optional>
#include <string>

#include "sensor/sensor.h"

namespace tarvol::sensor {

struct Settings {
    Geometry geometry;
    std::optional<ErrorLimit> maxError;
    std::optional<std::int64_t> maxPoints;
    std::string format = "csv"; // a key of formats()
};

// {"mounting": "bottom"|"top", "zero": Z, "reference": REF, "code": {"empty", "full", "span"} or null,
//  "max_error": {"value", "percent"} or null, "max_points": N or null, "format": "csv"}
void to_json(nlohmann::json& j, const Settings& s);
void from_json(const nlohmann::json& j, Settings& s); // missing keys keep their defaults

} // namespace tarvol::sensor
