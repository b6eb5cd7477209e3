#pragma once

// tarvol-table --sensor: the table a level sensor reads, in full or as its fewest breakpoints.

#include <optional>
#include <span>
#include <string>

namespace CLI {
class App;
}

namespace tarvol::cli {

struct SensorOptions {
    bool on = false;
    std::string zero, fromTop, code, span, maxError, maxPoints, format;
};

void addSensorOptions(CLI::App& app, SensorOptions& options);

// The usage error of the sensor options, if any; `otherForms` says whether --json, --csv, --comma, --reverse
// or --every-mm was given too.
std::optional<std::string> sensorUsageError(const CLI::App& app, const SensorOptions& options, bool otherForms);

struct SensorRun {
    std::string out;     // the file's text
    std::string refusal; // the sentence, when refused
    std::string summary; // how many points and what largest error, for standard error
};

// The sensor's table of shape `shape` on the dimension texts, volumes with `decimals` places.
SensorRun runSensor(int shape, std::span<const std::string> dims, int decimals, const SensorOptions& options);

} // namespace tarvol::cli
