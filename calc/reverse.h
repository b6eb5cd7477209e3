#pragma once

#include <span>
#include <string>
#include <vector>

namespace tarvol {

// One row of the reverse table: the level at which the tank holds `volume`.
struct ReverseRow {
    double volume = 0; // litres, a multiple of the table's volume step
    double level = 0;  // millimetres, rounded to one decimal
};

struct ReverseTable {
    double volumeStep = 0; // 1, 2 or 5 times a power of ten, in litres
    std::vector<ReverseRow> rows;
};

// A dipstick is marked by a few hundred volumes at most.
inline constexpr int kReverseMaxRows = 200;

// The smallest step of the series 1, 2, 5 x 10^n litres that gives at most `maxRows` multiples in
// [lowest, highest]; 0 when highest is not above zero.
double reverseVolumeStep(double lowest, double highest, int maxRows = kReverseMaxRows);

// Decimals that show every multiple of a 1-2-5 step exactly.
int stepDecimals(double step);

// From the running volumes at every millimetre (index = level): for every multiple of the step from the
// volume at level 0 up to the volume at the top, the level at which the running volume reaches it,
// linear within the millimetre. Volumes below the one at level 0 have no level and are left out.
ReverseTable reverseTable(std::span<const double> levelVolumes, int maxRows = kReverseMaxRows);

// The level of a reverse row as printed: one decimal with `separator`.
std::string reverseLevelText(double level, char separator);

} // namespace tarvol
