#pragma once

// tarvol-table --sensor: the table a level sensor reads, in full or as its fewest breakpoints.

#include <optional>
#include <span>
#include <string>

#include "sensor/sensor.h"
#include "sensor/settings.h"
#include "tank/tank.h"

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

// The sensor's settings the options give over `saved` (a tank's own): a typed option replaces its own setting.
sensor::Settings sensorSettings(const SensorOptions& options, const sensor::Settings& saved = {});

// The sensor's table of the tank with the settings it keeps under the typed ones, volumes with the tank's decimal places, read from the gauge's zero where the tank
// has one and at the shell's temperature. `control` watches and stops the table and the search; without one, a
// run that takes more than a second shows its progress on standard error when that is a terminal.
SensorRun runSensor(const Tank& tank, const SensorOptions& options, const sensor::SearchControl* control = nullptr);

} // namespace tarvol::cli
