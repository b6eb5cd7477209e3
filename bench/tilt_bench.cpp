// Speed of a tank tilted both ways: the table of a realistic tank with torispherical heads, and the correction
// grid over 13 pitches.

#include <benchmark/benchmark.h>

#include <vector>

#include "calc/tilt.h"

namespace {

constexpr int kTorisphericalHeads = 14;
const std::vector<double> kTank = {10000, 3000, 100, 581, 3000, 300}; // D 3000, L 10 000, head 581 deep

void BM_TiltedTable(benchmark::State& state)
{
    tarvol::Orientation o;
    o.pitchDegrees = 2;
    o.rollDegrees = 3;
    o.gaugeX = 2500;
    o.gaugeY = 400;
    for (auto _ : state) {
        auto tank = tarvol::OrientedTank::prepare(kTorisphericalHeads, kTank, o);
        benchmark::DoNotOptimize(tank->table({}));
    }
}
BENCHMARK(BM_TiltedTable)->Unit(benchmark::kMillisecond);

void BM_TiltedBoxTable(benchmark::State& state)
{
    tarvol::Orientation o;
    o.pitchDegrees = 2;
    o.rollDegrees = 3;
    const std::vector<double> box = {10000, 2000, 3000, 300}; // rounded box
    for (auto _ : state) {
        auto tank = tarvol::OrientedTank::prepare(16, box, o);
        benchmark::DoNotOptimize(tank->table({}));
    }
}
BENCHMARK(BM_TiltedBoxTable)->Unit(benchmark::kMillisecond);

void BM_PitchGrid(benchmark::State& state)
{
    tarvol::Orientation o;
    o.rollDegrees = 1;
    std::vector<double> pitches;
    for (int k = -6; k <= 6; ++k)
        pitches.push_back(0.5 * k);
    for (auto _ : state)
        benchmark::DoNotOptimize(tarvol::tiltGrid(kTorisphericalHeads, kTank, o, pitches, {}, 1));
}
BENCHMARK(BM_PitchGrid)->Unit(benchmark::kMillisecond);

} // namespace
