#include "calc/csv.h"

#include "calc/format.h"

namespace tarvol {

void appendCsvLines(std::string& out, std::span<const double> volumes, std::size_t firstLevel, int decimals)
{
    decimals = runDecimals(decimals);
    for (std::size_t i = 0; i < volumes.size(); ++i) {
        out += std::to_string(firstLevel + i);
        out += ';';
        // sixteen significant digits keep big volumes out of exponent form
        out += formatFixed(volumes[i], 16, decimals, '.');
        out += '\n';
    }
}

std::string csvTable(std::span<const double> levelVolumes, int decimals)
{
    std::string out = kCsvHeader;
    out += '\n';
    out.reserve(levelVolumes.size() * 16);
    appendCsvLines(out, levelVolumes, 0, decimals);
    return out;
}

} // namespace tarvol
