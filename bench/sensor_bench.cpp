// Speed of the breakpoint search on tables of 20 000 rows: a curved tank, a tank straight in the middle
// (the longest chords), and the least error with 30 points.

#include <benchmark/benchmark.h>

#include <vector>

#include "calc/catalogue.h"
#include "calc/run.h"
#include "sensor/sensor.h"

namespace {

tarvol::sensor::Table tableOf(const char* key, const std::vector<double>& dims)
{
    tarvol::RunOptions options;
    options.decimalPlaces = 3;
    options.keepEveryLevel = true;
    const auto run = tarvol::calculate(*tarvol::findShapeByKey(key), dims, options);
    return *tarvol::sensor::sensorTable(run.result().levelVolumes, {}, 3);
}

void fewest(benchmark::State& state, const char* key, std::vector<double> dims, const char* limit)
{
    const auto table = tableOf(key, dims);
    const auto e = *tarvol::sensor::parseErrorLimit(limit);
    for (auto _ : state)
        benchmark::DoNotOptimize(tarvol::sensor::fewestWithin(table, e));
    state.counters["rows"] = static_cast<double>(table.rows.size());
    state.counters["points"] = static_cast<double>(tarvol::sensor::fewestWithin(table, e)->points.size());
}

void bestWith(benchmark::State& state, const char* key, std::vector<double> dims, int points)
{
    const auto table = tableOf(key, dims);
    for (auto _ : state)
        benchmark::DoNotOptimize(tarvol::sensor::bestWithPoints(table, points));
    state.counters["rows"] = static_cast<double>(table.rows.size());
}

// D 20 000 mm: 20 001 rows
BENCHMARK_CAPTURE(fewest, cylinder_5l, "horizontal-cylinder", {30000, 20000}, "5")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(fewest, cylinder_01pct, "horizontal-cylinder", {30000, 20000}, "0.1%")->Unit(benchmark::kMillisecond);
// 2 000 + 16 000 + 2 000 mm: long straight chords from every row of the shell
BENCHMARK_CAPTURE(fewest, elliptic_heads_5l, "vertical-elliptic-heads", {16000, 10000, 0, 2000}, "5")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(bestWith, cylinder_30_points, "horizontal-cylinder", {30000, 20000}, 30)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(bestWith, elliptic_heads_11_points, "vertical-elliptic-heads", {16000, 10000, 0, 2000}, 11)
    ->Unit(benchmark::kMillisecond);

} // namespace
