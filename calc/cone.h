#pragma once

// The conical heads of the horizontal shapes: the head's section under a plane, summed along the axis in 1 mm samples.

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "calc/skeleton.h"

namespace tarvol {

inline constexpr std::int64_t kSamplesPerPoll = std::int64_t{1} << 20;

// How many of j, j + 1, ... lie at or below K, with one to spare for the rounding of the steps. Where j + 1 no
// longer moves j (K beyond 2^53) this count alone ends the loop.
inline std::int64_t sampleBound(double j, double K)
{
    if (!(j <= K))
        return 0;
    return static_cast<std::int64_t>(std::floor(K - j)) + 2;
}

struct SampleRun {
    double head, j;
    std::int64_t taken;
};

// Up to count samples from j while j <= K, kept out of line so that its sums stay in registers.
[[gnu::noinline]] inline SampleRun sumSamples(double D, double K, double twoK, Ext u2, double head, double j,
                                              std::int64_t count)
{
    std::int64_t taken = 0;
    while (j <= K) {
        const Ext r = Ext(D) * j / twoK;
        const double q = static_cast<double>(r * r - u2);
        if (q > 0)
            head = static_cast<double>(head + std::sqrt(Ext(q)) * 2);
        j = j + 1;
        if (++taken == count)
            break;
    }
    return {head, j, taken};
}

// K is the apex distance of the large base, Ks that of the small end face (0 for a full cone).
struct ConeSummation {
    double D, K, Ks, twoK;
    WorkMeter* meter = nullptr; // counts the samples; a level can take many, so it polls within one

    double section(Ext x) const
    {
        double hh = static_cast<double>(0.5L * D > x ? x : D - x);
        if (hh < 0)
            hh = 0;
        const double u = static_cast<double>(0.5L * D - hh);
        const Ext u2 = Ext(u) * u;
        double z = static_cast<double>(2 * Ext(K) * (0.5L * D - hh) / D);
        double j = z - 0.5;
        if (Ks > z) {
            z = Ks;
            j = Ks + 0.5;
        }
        SampleRun run{0, j, 0};
        std::int64_t left = sampleBound(j, K);
        while (left > 0) {
            run = sumSamples(D, K, twoK, u2, run.head, run.j, std::min(left, kSamplesPerPoll));
            left = run.taken < kSamplesPerPoll ? 0 : left - run.taken;
            if (meter) {
                meter->addSteps(run.taken);
                if (left > 0 && meter->cancelled())
                    break;
            }
        }
        return run.head;
    }
};

} // namespace tarvol
