#include "calc/reverse.h"

#include <algorithm>
#include <cmath>

#include "calc/format.h"

namespace tarvol {
namespace {

constexpr double kSeries[] = {1, 2, 5};

// m x 10^n without the rounding error of a negative power: 0.2 is 2 / 10, not 2 * 0.1.
double seriesValue(int mantissa, int exponent)
{
    return exponent >= 0 ? kSeries[mantissa] * std::pow(10.0, exponent) : kSeries[mantissa] / std::pow(10.0, -exponent);
}

// Multiples of `step` in [lowest, highest].
double multiples(double lowest, double highest, double step)
{
    return std::floor(highest / step) - std::ceil(std::max(lowest, 0.0) / step) + 1;
}

} // namespace

int stepDecimals(double step) { return std::max(0, -static_cast<int>(std::floor(std::log10(step) + 1e-9))); }

double reverseVolumeStep(double lowest, double highest, int maxRows)
{
    if (!(highest > 0) || !std::isfinite(highest) || maxRows < 1)
        return 0;
    // start a decade below the estimate and walk up the series
    int exponent = static_cast<int>(std::floor(std::log10(highest / maxRows))) - 1;
    for (;; ++exponent)
        for (int m = 0; m < 3; ++m) {
            const double step = seriesValue(m, exponent);
            if (multiples(lowest, highest, step) <= maxRows)
                return step;
        }
}

ReverseTable reverseTable(std::span<const double> levelVolumes, int maxRows)
{
    ReverseTable table;
    if (levelVolumes.empty())
        return table;
    const double lowest = levelVolumes.front();
    const double highest = levelVolumes.back();
    table.volumeStep = reverseVolumeStep(lowest, highest, maxRows);
    if (table.volumeStep <= 0)
        return table;

    const double step = table.volumeStep;
    const auto first = static_cast<long long>(std::ceil(std::max(lowest, 0.0) / step));
    const auto last = static_cast<long long>(std::floor(highest / step));
    auto from = levelVolumes.begin();
    for (long long k = first; k <= last; ++k) {
        const double volume = static_cast<double>(k) * step;
        // the first millimetre whose running volume reaches the volume; the volumes never decrease
        from = std::lower_bound(from, levelVolumes.end(), volume);
        if (from == levelVolumes.end()) {
            // k x step may overshoot the top volume by a rounding hair
            if (volume - highest > highest * 1e-12)
                break;
            --from;
        }
        const auto n = from - levelVolumes.begin();
        double level = static_cast<double>(n);
        if (n > 0) {
            const double below = *(from - 1);
            level -= (*from - volume) / (*from - below);
        }
        table.rows.push_back({volume, std::round(level * 10) / 10});
    }
    return table;
}

std::string reverseLevelText(double level, char separator) { return formatFixed(level, 16, 1, separator); }

} // namespace tarvol
