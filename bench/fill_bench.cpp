// Speed of the fit to a fill log: 4 parameters, 200 points, the inclined torispherical tank.

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "calc/catalogue.h"
#include "calc/model.h"
#include "fit/fit.h"

namespace {

// 200 doses into a tank that differs from its drawing, the readings with 0.8 mm of noise.
tarvol::FillLog syntheticLog(int shape, const std::vector<double>& truth, double zero)
{
    const auto model = tarvol::prepareModel(shape, truth).model();
    std::mt19937 random(20261208);
    std::normal_distribution<double> noise(0, 0.8);
    tarvol::FillLog log;
    const int count = 200;
    for (int i = 1; i <= count; ++i) {
        const double volume = model.fullVolume() * i / (count + 1);
        double low = 0, high = model.top();
        for (int k = 0; k < 60; ++k) // the level of that volume, by bisection
            ((model.volume(0.5 * (low + high)) < volume) ? low : high) = 0.5 * (low + high);
        log.points.push_back({0.5 * (low + high) - zero + noise(random), volume, i});
    }
    return log;
}

void BM_FitInclinedTorispherical(benchmark::State& state)
{
    const int shape = *tarvol::findShapeByKey("inclined-torispherical-heads");
    const std::vector<double> drawing = {10000, 3000, 100, 581, 3000, 300, 300, 9000};
    std::vector<double> truth = drawing;
    truth[0] -= 15; // L
    truth[1] += 8;  // D
    truth[6] += 40; // A
    const auto log = syntheticLog(shape, truth, 3);
    tarvol::FitRequest request{.shape = shape,
                               .dims = drawing,
                               .free = {"L", "D", "A", "zero"},
                               .excluded = {},
                               .correction = {},
                               .orientation = {}};
    bool converged = false;
    for (auto _ : state) {
        const auto fit = tarvol::fitFillLog(request, log);
        converged = fit && fit->converged;
        benchmark::DoNotOptimize(fit);
    }
    state.counters["converged"] = converged;
}
BENCHMARK(BM_FitInclinedTorispherical)->Unit(benchmark::kMillisecond);

} // namespace
