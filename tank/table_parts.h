#pragma once

// What the tables of a drawn tank and of a measured one share: the ranges where U's linear estimate is poor, the
// deadwood's part of a row's U, and the sentences of the modifiers. Only tank/ includes this.

#include <string>
#include <utility>
#include <vector>

#include "tank/table.h"

namespace tarvol {

// Rows whose linear estimate is poor, gathered into ranges of levels as the rows come.
class NonlinearRanges {
public:
    void add(double level, bool nonlinear)
    {
        if (nonlinear && !m_last)
            m_ranges.emplace_back(level, level);
        else if (nonlinear)
            m_ranges.back().second = level;
        m_last = nonlinear;
    }
    std::vector<std::pair<double, double>> take() { return std::move(m_ranges); }

private:
    std::vector<std::pair<double, double>> m_ranges;
    bool m_last = false;
};

// The row's U with the deadwood's own uncertainty and the slope it changes: the level's u acts on the slope of the
// volume the row shows, not on the empty shell's (shellSlope, litres per mm). Then U relative to the row's volume
// and the limit's mark.
RowUncertainty withDeadwood(RowUncertainty u, const Tank& tank, const UncertaintyInputs& in, double shellSlope,
                            double level, double volume);

// The refusal of deductions that take more room than the shell has at the level.
Refusal overfilledRefusal(double level, char separator);

// The sentences every table states of its modifiers: the gauge's zero above `zeroBase` (what the level counts
// from), the shell's temperature, the deadwood and the roof with its zone. fullVolume must be set.
void stateModifiers(TankTable& t, const Tank& tank, const char* zeroBase, char separator);

} // namespace tarvol
