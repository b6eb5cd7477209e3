#include "calc/cone.h"

#include <cmath>

namespace tarvol {
namespace {

constexpr std::int64_t kSamplesPerPoll = std::int64_t{1} << 20;

// How many of j, j + 1, ... lie at or below K, with one to spare for the rounding of the steps. Where j + 1 no
// longer moves j (K beyond 2^53) this count alone ends the loop.
std::int64_t sampleBound(double j, double K)
{
    if (!(j <= K))
        return 0;
    return static_cast<std::int64_t>(std::floor(K - j)) + 2;
}

} // namespace

double ConeSummation::section(Ext x) const
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
    double head = 0;
    const std::int64_t bound = sampleBound(j, K);
    std::int64_t taken = 0;
    std::int64_t sincePoll = 0;
    for (; taken < bound && j <= K; ++taken) {
        const Ext r = Ext(D) * j / twoK;
        const double q = static_cast<double>(r * r - u2);
        if (q > 0)
            head = static_cast<double>(head + std::sqrt(Ext(q)) * 2);
        j = j + 1;
        if (++sincePoll == kSamplesPerPoll && meter) {
            sincePoll = 0;
            meter->addSteps(kSamplesPerPoll);
            if (meter->cancelled())
                return head;
        }
    }
    if (meter)
        meter->addSteps(sincePoll);
    return head;
}

} // namespace tarvol
