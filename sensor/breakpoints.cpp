// The fewest breakpoints: a breadth-first shortest path over the chords between rows, a chord allowed when its
// interpolation stays within the error of every row it spans. All arithmetic is on the printed integers, so
// the bound is exact for the numbers a user reads.

#include <algorithm>
#include <cstdint>
#include <numeric>

#include "sensor/sensor.h"

namespace tarvol::sensor {
namespace {

__extension__ typedef __int128 Wide;

// An error of num/den units of the table's last decimal.
struct Tolerance {
    Wide num = 0;
    Wide den = 1;
    bool strict = false; // the error must stay below it rather than within it
};

Wide absWide(Wide v) { return v < 0 ? -v : v; }

// The exact error of one row against a chord, as |n| / d units.
struct RowError {
    Wide n = 0;
    Wide d = 1;
    bool above(const RowError& o) const { return n * o.d > o.n * d; }
};

RowError rowError(const Row& a, const Row& b, const Row& k)
{
    const Wide d = Wide{b.x} - a.x;
    const Wide n = (Wide{b.units} - a.units) * (Wide{k.x} - a.x) - (Wide{k.units} - a.units) * d;
    return {absWide(n), d};
}

// Shortest path from the first row to the last over the chords the tolerance allows, at most maxEdges chords
// when given; the indices of the rows on it, or nothing when there is none that short.
std::optional<std::vector<std::size_t>> shortestPath(std::span<const Row> rows, const Tolerance& tol,
                                                     std::optional<std::int64_t> maxEdges)
{
    const std::size_t n = rows.size();
    if (n <= 2) {
        std::vector<std::size_t> all(n);
        std::iota(all.begin(), all.end(), std::size_t{0});
        return all;
    }
    constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::vector<std::size_t> parent(n, kNone);
    std::vector<std::int64_t> depth(n, -1);
    std::vector<std::size_t> queue;
    queue.reserve(n);
    queue.push_back(0);
    depth[0] = 0;
    const Wide t = tol.num;
    const Wide td = tol.den;
    for (std::size_t head = 0; head < queue.size() && depth[n - 1] < 0; ++head) {
        const std::size_t i = queue[head];
        if (maxEdges && depth[i] >= *maxEdges)
            break;
        const Wide xi = rows[i].x;
        const Wide vi = Wide{rows[i].units} * td;
        // the slopes from row i that pass within the tolerance of every row seen so far lie between the
        // bounds set by rows lo and hi: (v - t) / dx from below, (v + t) / dx from above
        Wide loNum = 0, loDx = 0, hiNum = 0, hiDx = 0;
        bool bounded = false;
        for (std::size_t j = i + 1; j < n; ++j) {
            const Wide dx = Wide{rows[j].x} - xi;
            const Wide dv = Wide{rows[j].units} * td - vi;
            // the chord i-j stays within the tolerance of every row between them
            const bool fits = !bounded
                              || (tol.strict ? dv * loDx > loNum * dx && dv * hiDx < hiNum * dx
                                             : dv * loDx >= loNum * dx && dv * hiDx <= hiNum * dx);
            if (fits && depth[j] < 0) {
                depth[j] = depth[i] + 1;
                parent[j] = i;
                queue.push_back(j);
                if (j == n - 1)
                    break;
            }
            const Wide lo = dv - t;
            const Wide hi = dv + t;
            if (!bounded || lo * loDx > loNum * dx) {
                loNum = lo;
                loDx = dx;
            }
            if (!bounded || hi * hiDx < hiNum * dx) {
                hiNum = hi;
                hiDx = dx;
            }
            bounded = true;
            // no slope is left for any longer chord
            if (tol.strict ? loNum * hiDx >= hiNum * loDx : loNum * hiDx > hiNum * loDx)
                break;
        }
    }
    if (depth[n - 1] < 0)
        return std::nullopt;
    std::vector<std::size_t> path;
    for (std::size_t k = n - 1; k != kNone; k = parent[k])
        path.push_back(k);
    std::reverse(path.begin(), path.end());
    return path;
}

// Errors up to the whole table's volume range; every chord fits beyond it.
Wide volumeRange(std::span<const Row> rows)
{
    const auto [lo, hi] =
        std::minmax_element(rows.begin(), rows.end(), [](const Row& a, const Row& b) { return a.units < b.units; });
    return Wide{hi->units} - lo->units;
}

Tolerance toleranceOf(const Table& table, ErrorLimit limit)
{
    // micro litres or micro percent of the full volume, in units of 10^-decimals litres
    Wide scale = 1;
    for (int k = 0; k < table.decimals; ++k)
        scale *= 10;
    Tolerance tol;
    if (limit.percent) {
        tol.num = Wide{limit.micro} * absWide(table.fullUnits);
        tol.den = Wide{100'000'000};
    } else {
        tol.num = Wide{limit.micro} * scale;
        tol.den = Wide{1'000'000};
    }
    // past the volume range every chord fits already; the cap keeps the products in range
    const Wide range = volumeRange(table.rows);
    if (tol.num > (range + 1) * tol.den) {
        tol.num = range + 1;
        tol.den = 1;
    }
    return tol;
}

std::vector<Row> rowsOf(const Table& table, const std::vector<std::size_t>& path)
{
    std::vector<Row> points;
    points.reserve(path.size());
    for (const auto k : path)
        points.push_back(table.rows[k]);
    return points;
}

// The largest row error of the breakpoints as an exact fraction and the reading where it occurs.
struct Worst {
    RowError error;
    std::optional<std::int64_t> at;
};

Worst worstOf(const Table& table, std::span<const Row> points)
{
    Worst worst;
    std::size_t k = 0;
    for (std::size_t s = 0; s + 1 < points.size(); ++s) {
        while (k < table.rows.size() && table.rows[k].x < points[s].x)
            ++k;
        for (; k < table.rows.size() && table.rows[k].x <= points[s + 1].x; ++k) {
            const RowError e = rowError(points[s], points[s + 1], table.rows[k]);
            if (e.above(worst.error)) {
                worst.error = e;
                worst.at = table.rows[k].x;
            }
        }
        if (k > 0)
            --k; // the next chord starts at this one's end
    }
    return worst;
}

Breakpoints finish(const Table& table, std::vector<Row> points)
{
    const Worst worst = worstOf(table, points);
    Breakpoints b;
    b.points = std::move(points);
    b.maxErrorLitres = table.litres(1) * (static_cast<double>(worst.error.n) / static_cast<double>(worst.error.d));
    b.at = worst.at;
    return b;
}

} // namespace

Breakpoints measure(const Table& table, std::vector<Row> points) { return finish(table, std::move(points)); }

Breakpoints everyRow(const Table& table) { return finish(table, table.rows); }

expected<Breakpoints, Refusal> fewestWithin(const Table& table, ErrorLimit limit, std::optional<std::int64_t> maxPoints)
{
    if (table.rows.empty())
        return unexpected(Refusal{Fault::NoTable, 0, 0});
    const auto path = shortestPath(table.rows, toleranceOf(table, limit), std::nullopt);
    // the whole-range cap lets the first and last rows alone through, so a path always exists
    if (maxPoints && static_cast<std::int64_t>(path->size()) > *maxPoints)
        return unexpected(
            Refusal{Fault::TooManyPoints, static_cast<double>(path->size()), static_cast<double>(*maxPoints)});
    return finish(table, rowsOf(table, *path));
}

Breakpoints bestWithPoints(const Table& table, std::int64_t maxPoints)
{
    const std::int64_t edges = std::max<std::int64_t>(maxPoints, 2) - 1;
    if (static_cast<std::int64_t>(table.rows.size()) <= edges + 1)
        return everyRow(table);
    // bisect on the tolerance in 1/1024 of a unit, then close in on the exact optimum: each strict run finds a
    // path whose largest error is below the last one's, and none is left when that error is the least
    Wide lo = 0;                                    // not reachable (checked below)
    Wide hi = (volumeRange(table.rows) + 1) * 1024; // reachable: every chord fits
    if (shortestPath(table.rows, Tolerance{0, 1024, false}, edges))
        hi = 0;
    while (hi - lo > 1) {
        const Wide mid = lo + (hi - lo) / 2;
        if (shortestPath(table.rows, Tolerance{mid, 1024, false}, edges))
            hi = mid;
        else
            lo = mid;
    }
    auto path = *shortestPath(table.rows, Tolerance{hi, 1024, false}, edges);
    for (;;) {
        const Worst worst = worstOf(table, rowsOf(table, path));
        const auto better = shortestPath(table.rows, Tolerance{worst.error.n, worst.error.d, true}, edges);
        if (!better)
            break;
        path = *better;
    }
    // the fewest points at that error: a shorter path may reach it too
    const Worst best = worstOf(table, rowsOf(table, path));
    if (auto fewer = shortestPath(table.rows, Tolerance{best.error.n, best.error.d, false}, std::nullopt))
        if (fewer->size() <= path.size())
            path = *fewer;
    return finish(table, rowsOf(table, path));
}

} // namespace tarvol::sensor
