#pragma once

// The command line's uncertainty and shell temperature: --u-dim, --u-level, --coverage, --limit,
// --shell-temperature, --alpha, over what a tank file's "uncertainty" section says.

#include <optional>
#include <string>
#include <vector>

#include "tank/tank.h"
#include "uncertainty/inputs.h"

namespace CLI {
class App;
}

namespace tarvol::cli {

struct UncertaintyOptions {
    std::vector<std::string> uDim, uLevel, coverage, limit, shellTemperature, alpha; // as typed, one each
};

void addUncertaintyOptions(CLI::App& app, UncertaintyOptions& options);

// Whether any of the options was given.
bool anyUncertaintyOption(const UncertaintyOptions& options);

// The options typed over the tank's budget and shell temperature. Throws the usage error's text (std::string) for a
// wrong value.
void applyUncertaintyOptions(const UncertaintyOptions& options, Tank& tank);

} // namespace tarvol::cli
