#pragma once

#include <cstddef>
#include <span>
#include <string>

namespace tarvol {

inline constexpr const char* kCsvHeader = "level_mm;volume_l";

// The volume at every millimetre as "level;volume" lines under kCsvHeader: UTF-8, LF ends, a full stop
// as the decimal separator whatever the locale, `decimals` places as in the grid.
std::string csvTable(std::span<const double> levelVolumes, int decimals);

// The lines of csvTable for a run of levels, the first of them at `firstLevel`, appended to `out`.
void appendCsvLines(std::string& out, std::span<const double> volumes, std::size_t firstLevel, int decimals);

} // namespace tarvol
