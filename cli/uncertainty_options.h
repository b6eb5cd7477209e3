#pragma once

// The command line's uncertainty and shell temperature: --u-dim, --u-level, --coverage, --limit,
// --shell-temperature, --alpha, over what a tank file's "uncertainty" section says.

#include <optional>
#include <string>
#include <vector>

#include "tank/tankfile.h"
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

// The inputs of the tank's section, if any, with the options typed over them; nothing when neither gives any.
// `fieldCount` is the shape's. Throws the usage error's text (std::string) for a wrong value.
std::optional<UncertaintyInputs> uncertaintyInputs(const UncertaintyOptions& options, const TankDocument* tank,
                                                   int fieldCount);

} // namespace tarvol::cli
