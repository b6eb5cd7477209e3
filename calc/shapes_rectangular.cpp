// Box-shaped tanks standing on their L × S bottom.

#include <algorithm>
#include <cmath>

#include "calc/inclined.h"
#include "calc/shapes.h"
#include "calc/skeleton.h"

namespace tarvol {
namespace {

// Shape 15: box L long, H high, S wide.
struct Box {
    static constexpr std::int64_t kPollEvery = kPollPlain;
    double L, H, S, slabVolume;
    Box(std::span<const double> d, const RunOptions&)
        : L(d[0]), H(d[1]), S(d[2]), slabVolume(static_cast<double>(Ext(L) * S * kMilli))
    {}
    Frame frame() const { return {H, 0.1 * Ext(H), 1, 1}; }
    std::optional<Refusal> check() const { return {}; }
    double slab(double) const { return slabVolume; }
    double trueVolume() const { return static_cast<double>(Ext(L) * H * S * kMilli); }
    double volumeAt(double level) const { return slabVolume * withinHeight(level, H); }
    TiltedTank tilted() const { return {ShellSection::Rectangle, S, H, L, {}, 0}; }
};

// Shape 16: the box with its four long edges rounded with radius RS.
struct RoundedBox {
    static constexpr std::int64_t kPollEvery = kPollPlain;
    static constexpr int kCornerField = 3;
    double L, H, S, RS;
    RoundedBox(std::span<const double> d, const RunOptions&) : L(d[0]), H(d[1]), S(d[2]), RS(d[3]) {}
    Frame frame() const { return {H, 0.1 * Ext(H), 1, 1}; }
    std::optional<Refusal> check() const
    {
        // two corners must fit into the height and into the width
        if (2 * Ext(RS) <= H && 2 * Ext(RS) <= S)
            return {};
        return inconsistent(Fault::CornersTooLarge, kCornerField, static_cast<double>(Ext(std::min(H, S)) / 2));
    }
    double slab(double level) const
    {
        const Ext x = Ext(level) - 0.5L;
        double straight = 0;
        double rounded = 0;
        // zones go by the level, not by the mid-slab height
        if (level <= RS) {
            straight = static_cast<double>((S - 2 * Ext(RS)) * L);
            rounded = static_cast<double>(std::sqrt(-x * x + 2 * x * RS) * (2 * Ext(L)));
        }
        if (level > RS && level <= H - RS) {
            straight = static_cast<double>(Ext(L) * S);
            rounded = 0;
        }
        if (level > H - RS) {
            const Ext t = x - (H - 2 * Ext(RS));
            straight = static_cast<double>((S - 2 * Ext(RS)) * L);
            rounded = static_cast<double>(std::sqrt(-t * t + 2 * t * RS) * (2 * Ext(L)));
        }
        return static_cast<double>((Ext(straight) + rounded) * kMilli);
    }
    double trueVolume() const
    {
        return static_cast<double>(((S - 2 * Ext(RS)) * H + (H - 2 * Ext(RS)) * 2 * RS + Ext(kPi) * RS * RS) * L
                                   * kMilli);
    }
    // below x <= H/2: the straight middle, the two corner circles' segment; above, the full volume less the mirror
    double volumeAt(double level) const
    {
        const auto below = [this](double y) {
            const double corners = y <= RS ? (S - 2 * RS) * y + segmentBelow(RS, y - RS)
                                           : (S - 2 * RS) * RS + 0.5 * kPi * RS * RS + S * (y - RS);
            return L * corners * kLitrePerMm3;
        };
        const double x = withinHeight(level, H);
        return x <= 0.5 * H ? below(x) : trueVolume() - below(H - x);
    }
};

} // namespace

ShapeFunctions boxFunctions() { return functionsOf<Box>(); }
ShapeFunctions roundedBoxFunctions() { return functionsOf<RoundedBox>(); }

} // namespace tarvol
