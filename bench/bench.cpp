// Speed of the calculation: every shape at a realistic size, the worst-case sphere against a bare loop,
// and the cone summation's samples per second.

#include <benchmark/benchmark.h>

#include <cmath>
#include <string>
#include <vector>

#include "calc/catalogue.h"
#include "calc/model.h"
#include "calc/run.h"
#include "uncertainty/propagation.h"

namespace {

// A realistic tank per shape: D = 3000, L = 10000 and heads to match.
const std::vector<std::vector<double>> kRealistic = {
    {3000},                                        // 0 sphere
    {5000, 3000},                                  // 1
    {5000, 3000, 2000},                            // 2
    {5000, 3000, 100, 500},                        // 3
    {5000, 3000, 100, 750},                        // 4
    {5000, 3000, 100, 800},                        // 5
    {5000, 3000, 100, 800, 600},                   // 6
    {5000, 3000, 100, 581, 3000, 300},             // 7 torispherical, depth 581.4
    {10000, 3000},                                 // 8
    {10000, 3000, 2000},                           // 9
    {10000, 3000, 100, 500},                       // 10
    {10000, 3000, 100, 750},                       // 11
    {10000, 3000, 100, 800},                       // 12
    {10000, 3000, 100, 800, 1000},                 // 13
    {10000, 3000, 100, 581, 3000, 300},            // 14
    {10000, 2000, 3000},                           // 15
    {10000, 2000, 3000, 300},                      // 16
    {2000, 800, 300, 1500, 2000, 60, 3},           // 17 D-shaped fuel tank, outer dimensions
    {10000, 3000, 300, 9000},                      // 18
    {10000, 3000, 2000, 300, 9000},                // 19
    {10000, 3000, 100, 500, 300, 9000},            // 20
    {10000, 3000, 100, 750, 300, 9000},            // 21
    {10000, 3000, 100, 800, 300, 9000},            // 22
    {10000, 3000, 100, 800, 1000, 300, 9000},      // 23
    {10000, 3000, 100, 581, 3000, 300, 300, 9000}, // 24
    {10000, 2000, 3000, 300, 9000},                // 25
};

void runOnce(benchmark::State& state, int shape, const std::vector<double>& dims)
{
    tarvol::RunOptions options;
    options.decimalPlaces = 3;
    for (auto _ : state) {
        auto out = tarvol::calculate(shape, dims, options);
        if (!out.ok()) {
            state.SkipWithError(out.refusal()->message.c_str());
            return;
        }
        benchmark::DoNotOptimize(out.result().sumVolume);
    }
}

void BM_Shape(benchmark::State& state)
{
    const int k = static_cast<int>(state.range(0));
    state.SetLabel(std::string(tarvol::shape(k).name));
    runOnce(state, k, kRealistic[static_cast<size_t>(k)]);
}
BENCHMARK(BM_Shape)->DenseRange(0, tarvol::kShapeCount - 1)->Unit(benchmark::kMillisecond);

// The continuous model at 100 levels spread over the height, built once per iteration as a fit would per step.
void BM_VolumeAt(benchmark::State& state)
{
    const int k = static_cast<int>(state.range(0));
    state.SetLabel(std::string(tarvol::shape(k).name));
    const auto& dims = kRealistic[static_cast<size_t>(k)];
    for (auto _ : state) {
        const auto outcome = tarvol::prepareModel(k, dims);
        if (!outcome.ok()) {
            state.SkipWithError(outcome.refusal()->message.c_str());
            return;
        }
        const tarvol::TankModel& model = outcome.model();
        double sum = 0;
        for (int i = 0; i < 100; ++i)
            sum += model.volume(model.top() * i / 99);
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_VolumeAt)->DenseRange(0, tarvol::kShapeCount - 1)->Unit(benchmark::kMillisecond);

constexpr double kHugeDiameter = 99999999;

void BM_SphereHuge(benchmark::State& state) { runOnce(state, 0, {kHugeDiameter}); }
BENCHMARK(BM_SphereHuge)->Unit(benchmark::kMillisecond);

// The same per-slab arithmetic and summation as the sphere's run, with nothing else.
void BM_SphereBaseline(benchmark::State& state)
{
    const double D = kHugeDiameter;
    for (auto _ : state) {
        double running = 0;
        double level = 1;
        for (long long n = 1; n <= static_cast<long long>(D); ++n, level += 1) {
            const long double x = static_cast<long double>(level) - 0.5L;
            running += static_cast<double>((D - x) * x * 3.141592653589793 * 1e-6L);
        }
        benchmark::DoNotOptimize(running);
    }
}
BENCHMARK(BM_SphereBaseline)->Unit(benchmark::kMillisecond);

// Samples the cone summation makes for one run of shape 12 (each level from its first sample to K).
double coneSamples(double D, double K)
{
    double samples = 0;
    for (long long n = 1; n <= static_cast<long long>(D); ++n) {
        const double x = static_cast<double>(n) - 0.5;
        double hh = 0.5 * D > x ? x : D - x;
        const double z = 2 * K * (0.5 * D - hh) / D;
        samples += std::floor(K - (z - 0.5)) + 1;
    }
    return samples;
}

void BM_ConeSummation(benchmark::State& state)
{
    const double D = 4000, LK = 2000;
    runOnce(state, 12, {10000, D, 100, LK});
    state.counters["samples"] = coneSamples(D, LK);
    state.counters["samples_per_s"] =
        benchmark::Counter(coneSamples(D, LK), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ConeSummation)->Unit(benchmark::kMillisecond);

} // namespace

// U of 20 000 rows, every field and the level uncertain: the budget of a table of 20 m at every millimetre.
void BM_Uncertainty(benchmark::State& state)
{
    const int shape = static_cast<int>(state.range(0));
    const auto& dims = kRealistic[static_cast<std::size_t>(shape)];
    tarvol::UncertaintyInputs inputs;
    inputs.dims = {1.0};
    inputs.level = 1.0;
    constexpr int kRows = 20000;
    for (auto _ : state) {
        const auto p = tarvol::Propagation::prepare(shape, dims, inputs);
        if (!p) {
            state.SkipWithError("refused");
            return;
        }
        double sum = 0;
        for (int i = 0; i <= kRows; ++i) {
            const double level = p->top() * i / kRows;
            sum += p->at(level, p->volume(level)).expanded;
        }
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_Uncertainty)->DenseRange(0, tarvol::kShapeCount - 1)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
