#include "cli/measured_options.h"

#include <CLI/CLI.hpp>

#include <array>
#include <string_view>

namespace tarvol::cli {

std::optional<std::string> measuredUsageError(const CLI::App& app)
{
    // a measured tank has no dimension fields to fit or to give an uncertainty, and its tilt is in its record
    static constexpr std::array<std::string_view, 12> kInapplicable{
        "--fill",     "--free",  "--doses",   "--u-dim",  "--pitch",       "--roll",
        "--gauge-at", "--gauge", "--u-pitch", "--u-roll", "--pitch-range", "--roll-range"};
    for (const std::string_view option : kInapplicable)
        if (app.count(std::string(option)) > 0)
            return std::string(option) + " не применяется к резервуару по измерениям";
    return std::nullopt;
}

} // namespace tarvol::cli
