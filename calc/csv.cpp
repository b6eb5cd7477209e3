#include "calc/csv.h"

#include "calc/format.h"

namespace tarvol {

std::string csvTable(std::span<const double> levelVolumes, int decimals)
{
    if (decimals < 0 || decimals > 3)
        decimals = 0;
    std::string out = kCsvHeader;
    out += '\n';
    out.reserve(levelVolumes.size() * 16);
    for (size_t level = 0; level < levelVolumes.size(); ++level) {
        out += std::to_string(level);
        out += ';';
        // sixteen significant digits keep big volumes out of exponent form
        out += formatFixed(levelVolumes[level], 16, decimals, '.');
        out += '\n';
    }
    return out;
}

} // namespace tarvol
