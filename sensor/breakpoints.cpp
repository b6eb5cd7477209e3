// The fewest breakpoints: a breadth-first shortest path over the chords between rows, a chord allowed when its
// interpolation stays within the error of every row it spans. All arithmetic is on the printed integers, so
// the bound is exact for the numbers a user reads.

#include <algorithm>
#include <cmath>
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

// A slope from row i, with its magnitude for the rounding bound: a chord's slope (off 0) or the least (off -1)
// or greatest (off +1) slope that passes within the tolerance of row k.
struct Slope {
    double value = 0;
    double magnitude = 0;
    std::size_t k = 0;
    int off = 0;
};

// Compares slopes from one row: in doubles where their difference exceeds any rounding, exactly otherwise.
class SlopeOrder {
public:
    SlopeOrder(std::span<const Row> rows, const Tolerance& tol) : m_rows(rows), m_tol(tol) {}

    void from(std::size_t i) { m_i = i; }

    Slope slope(std::size_t k, int off, double t) const
    {
        const auto dv = static_cast<double>(m_rows[k].units - m_rows[m_i].units);
        const auto dx = static_cast<double>(m_rows[k].x - m_rows[m_i].x);
        return {(dv + off * t) / dx, (std::abs(dv) + t) / dx, k, off};
    }

    // the sign of a - b
    int compare(const Slope& a, const Slope& b) const
    {
        const double difference = a.value - b.value;
        // each value is within 4 ulps of its magnitude; the band leaves a wide margin over both
        const double band = 1e-13 * (a.magnitude + b.magnitude);
        if (difference > band)
            return 1;
        if (difference < -band)
            return -1;
        const Wide left = numerator(a) * denominator(b);
        const Wide right = numerator(b) * denominator(a);
        return left > right ? 1 : left < right ? -1 : 0;
    }

private:
    Wide numerator(const Slope& s) const
    {
        return (Wide{m_rows[s.k].units} - m_rows[m_i].units) * m_tol.den + s.off * m_tol.num;
    }
    Wide denominator(const Slope& s) const { return Wide{m_rows[s.k].x} - m_rows[m_i].x; }

    std::span<const Row> m_rows;
    Tolerance m_tol;
    std::size_t m_i = 0;
};

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
    SlopeOrder order(rows, tol);
    const double t = static_cast<double>(tol.num) / static_cast<double>(tol.den);
    const int least = tol.strict ? 1 : 0; // how far a chord's slope must clear a bound
    for (std::size_t head = 0; head < queue.size() && depth[n - 1] < 0; ++head) {
        const std::size_t i = queue[head];
        if (maxEdges && depth[i] >= *maxEdges)
            break;
        order.from(i);
        // the slopes from row i that pass within the tolerance of every row seen so far lie between lo and hi
        Slope lo = order.slope(i + 1, -1, t);
        Slope hi = order.slope(i + 1, 1, t);
        for (std::size_t j = i + 1; j < n; ++j) {
            if (depth[j] < 0) {
                const Slope chord = order.slope(j, 0, t);
                // the chord i-j stays within the tolerance of every row between them
                if (j == i + 1 || (order.compare(chord, lo) >= least && order.compare(hi, chord) >= least)) {
                    depth[j] = depth[i] + 1;
                    parent[j] = i;
                    queue.push_back(j);
                    if (j == n - 1)
                        break;
                }
            }
            if (j > i + 1) {
                const Slope down = order.slope(j, -1, t);
                if (order.compare(down, lo) > 0)
                    lo = down;
                const Slope up = order.slope(j, 1, t);
                if (order.compare(up, hi) < 0)
                    hi = up;
            }
            // no slope is left for any longer chord
            if (order.compare(hi, lo) < least)
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
    const std::size_t n = table.rows.size();
    if (static_cast<std::int64_t>(n) <= edges + 1)
        return everyRow(table);
    // evenly spaced rows give a first error that is reachable
    std::vector<std::size_t> path;
    for (std::int64_t k = 0; k <= edges; ++k)
        path.push_back(static_cast<std::size_t>(k * static_cast<std::int64_t>(n - 1) / edges));
    RowError hi = worstOf(table, rowsOf(table, path)).error;
    // bisect in 1/1024 of a unit below the best error found so far, each success lowering it to the error that
    // path reaches; then close in exactly: a strict run finds a path below the last error until none is left
    constexpr Wide kFine = 1024;
    Wide lo = -1; // tolerances up to lo * kFine reach nothing
    for (;;) {
        const Wide top = hi.n * kFine / hi.d; // hi in fine steps, rounded down
        if (top - lo <= 1 || (lo >= 0 && top - lo <= top / 10'000))
            break;
        const Wide mid = lo + (top - lo) / 2;
        if (const auto found = shortestPath(table.rows, Tolerance{mid, kFine, false}, edges)) {
            path = *found;
            hi = worstOf(table, rowsOf(table, path)).error;
        } else {
            lo = mid;
        }
    }
    while (const auto better = shortestPath(table.rows, Tolerance{hi.n, hi.d, true}, edges)) {
        path = *better;
        hi = worstOf(table, rowsOf(table, path)).error;
    }
    // the fewest points at that error: fewer than allowed may reach it too
    if (auto fewer = shortestPath(table.rows, Tolerance{hi.n, hi.d, false}, std::nullopt))
        if (fewer->size() <= path.size())
            path = *fewer;
    return finish(table, rowsOf(table, path));
}

} // namespace tarvol::sensor
