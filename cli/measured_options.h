#pragma once

// What the command line cannot ask of a measured tank: the options of a drawn shape's fields, its fit and its tilt.

#include <optional>
#include <string>

namespace CLI {
class App;
}

namespace tarvol::cli {

// The usage error of the first option given that has no meaning for a tank made from its strapping record.
std::optional<std::string> measuredUsageError(const CLI::App& app);

} // namespace tarvol::cli
