// Speed of the breakpoint search: tables of 20 000 rows (a curved tank, a tank straight in the middle with the
// longest chords), the least error with a number of points, 65 536 codes, and 100 001 rows of whole litres.

#include <benchmark/benchmark.h>

#include <vector>

#include "calc/catalogue.h"
#include "calc/run.h"
#include "sensor/sensor.h"

namespace {

using tarvol::sensor::Table;

Table tableOf(const char* key, const std::vector<double>& dims, int decimals = 3,
              const tarvol::sensor::Geometry& geometry = {})
{
    tarvol::RunOptions options;
    options.decimalPlaces = decimals;
    options.keepEveryLevel = true;
    const auto run = tarvol::calculate(*tarvol::findShapeByKey(key), dims, options);
    return *tarvol::sensor::sensorTable(run.result().levelVolumes, geometry, decimals);
}

// the tables are made when a benchmark first asks for them, not when the program starts
// D 20 000 mm: 20 001 rows
const Table& cylinder()
{
    static const Table table = tableOf("horizontal-cylinder", {30000, 20000});
    return table;
}
// 2 000 + 16 000 + 2 000 mm: long straight chords from every row of the shell
const Table& ellipticHeads()
{
    static const Table table = tableOf("vertical-elliptic-heads", {16000, 10000, 0, 2000});
    return table;
}
// 20 064 rows: a tall shell between torispherical heads
const std::vector<double> kTorispherical{18800, 3000, 50, 581, 3000, 300};
const Table& torispherical()
{
    static const Table table = tableOf("vertical-torispherical-heads", kTorispherical);
    return table;
}
// the same tank read by a 16-bit code over its whole height: 65 536 rows, several to a millimetre
const Table& torisphericalCodes()
{
    using namespace tarvol::sensor;
    static const Table table = tableOf("vertical-torispherical-heads", kTorispherical, 3,
                                       Geometry{Mounting::Bottom, 0, 0, CodeRange{0, 65535, 20063}});
    return table;
}
// a hundred thousand rows of whole litres, each a rounding of a straight line: the least error lies at the rounding,
// where the chords allowed are scattered
const Table& verticalCylinderTall()
{
    static const Table table = tableOf("vertical-cylinder", {100'000, 1000}, 0);
    return table;
}

void fewest(benchmark::State& state, const Table& (*table)(), const char* limit)
{
    const auto e = *tarvol::sensor::parseErrorLimit(limit);
    for (auto _ : state)
        benchmark::DoNotOptimize(tarvol::sensor::fewestWithin(table(), e));
    state.counters["rows"] = static_cast<double>(table().rows.size());
    state.counters["points"] = static_cast<double>(tarvol::sensor::fewestWithin(table(), e)->points.size());
}

void bestWith(benchmark::State& state, const Table& (*table)(), int points)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(tarvol::sensor::bestWithPoints(table(), points));
    state.counters["rows"] = static_cast<double>(table().rows.size());
}

BENCHMARK_CAPTURE(fewest, cylinder_5l, cylinder, "5")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(fewest, cylinder_01pct, cylinder, "0.1%")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(fewest, elliptic_heads_5l, ellipticHeads, "5")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(fewest, torispherical_codes_005pct, torisphericalCodes, "0.05%")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(bestWith, cylinder_30_points, cylinder, 30)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(bestWith, elliptic_heads_11_points, ellipticHeads, 11)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(bestWith, torispherical_12_points, torispherical, 12)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(bestWith, vertical_cylinder_100k_5_points, verticalCylinderTall, 5)->Unit(benchmark::kMillisecond);

} // namespace
