#pragma once

// The conical heads of the horizontal shapes: the head's section under a plane, summed along the axis in 1 mm samples.

#include <cstdint>

#include "calc/skeleton.h"

namespace tarvol {

// K is the apex distance of the large base, Ks that of the small end face (0 for a full cone).
struct ConeSummation {
    double D, K, Ks, twoK;
    WorkMeter* meter = nullptr; // counts the samples; a level can take many, so it polls within one

    double section(Ext x) const;
};

} // namespace tarvol
