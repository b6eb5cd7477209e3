// The fewest breakpoints: a breadth-first shortest path over the chords between rows, a chord allowed when its
// interpolation stays within the error of every row it spans. All arithmetic is on the printed integers, so
// the bound is exact for the numbers a user reads.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <optional>
#include <span>
#include <utility>
#include <vector>

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
        return {(dv + off * t) / dx, (std::abs(dv) + t) / std::abs(dx), k, off};
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

// The slopes from row i that pass within the tolerance of every row taken in so far: at least lo, at most hi.
struct Window {
    std::optional<Slope> lo, hi;

    void take(const SlopeOrder& order, const Slope& down, const Slope& up)
    {
        if (!lo || order.compare(down, *lo) > 0)
            lo = down;
        if (!hi || order.compare(up, *hi) < 0)
            hi = up;
    }
    // `least` is how far a chord's slope must clear a bound: 1 when the error must stay below the tolerance
    bool admits(const SlopeOrder& order, const Slope& chord, int least) const
    {
        return (!lo || order.compare(chord, *lo) >= least) && (!hi || order.compare(*hi, chord) >= least);
    }
    bool closed(const SlopeOrder& order, int least) const { return lo && hi && order.compare(*hi, *lo) < least; }
};

// The upper and lower convex hulls of the rows in blocks of kBlock rows and in every power-of-two run of blocks.
// The steepest least slope from a row to a run of later rows lies on the run's upper hull and the shallowest
// greatest slope on its lower hull, so a search steps over rows whose chords it needs no more in logarithmic time.
class HullTree {
public:
    explicit HullTree(std::span<const Row> rows) : m_rows(rows)
    {
        const std::size_t blocks = rows.size() / kBlock;
        if (blocks < 2)
            return;
        m_blocks = blocks;
        std::vector<std::uint32_t> all(blocks * kBlock);
        std::iota(all.begin(), all.end(), std::uint32_t{0});
        std::size_t stored = 0;
        // level 0 from the rows, each higher level from the hulls of the two halves below it
        while (m_levels.empty() || m_levels.back().begin.size() > 2) {
            Level level;
            const Level* below = m_levels.empty() ? nullptr : &m_levels.back();
            const std::size_t nodes = m_levels.empty() ? blocks : below->begin.size() / 2;
            level.begin.reserve(nodes + 1);
            level.begin.push_back({0, 0});
            for (std::size_t p = 0; p < nodes; ++p) {
                std::vector<std::uint32_t> candidates;
                const auto gather = [&](bool upper) -> std::span<const std::uint32_t> {
                    if (!below)
                        return std::span<const std::uint32_t>(all).subspan(p * kBlock, kBlock);
                    candidates.clear();
                    for (std::size_t c = 2 * p; c < std::min(2 * p + 2, below->begin.size() - 1); ++c) {
                        const auto part = below->hull(c, upper);
                        candidates.insert(candidates.end(), part.begin(), part.end());
                    }
                    return candidates;
                };
                appendHull(gather(true), true, level.upper);
                appendHull(gather(false), false, level.lower);
                level.begin.push_back({level.upper.size(), level.lower.size()});
            }
            stored += level.upper.size() + level.lower.size();
            // the top levels are left out of a table too large to keep them: runs of smaller levels replace them
            if (stored > kMaxStored)
                break;
            m_levels.push_back(std::move(level));
        }
    }

    // Narrows the window from the row `order` stands on by the rows first..last, in their order, until it closes.
    void narrow(const SlopeOrder& order, double t, int least, std::size_t first, std::size_t last, Window& w) const
    {
        const auto rows = [&](std::size_t from, std::size_t to) {
            for (std::size_t k = from; k < to && !w.closed(order, least); ++k)
                w.take(order, order.slope(k, -1, t), order.slope(k, 1, t));
        };
        std::size_t l = (first + kBlock - 1) / kBlock; // the whole blocks within first..last
        std::size_t r = (last + 1) / kBlock;
        if (m_levels.empty() || l >= r) {
            rows(first, last + 1);
            return;
        }
        rows(first, l * kBlock);
        const std::size_t tail = r * kBlock;
        // the nodes covering the blocks l..r-1: those found from the left in order, from the right in reverse
        std::array<std::pair<std::size_t, std::size_t>, 64> left{};
        std::array<std::pair<std::size_t, std::size_t>, 64> right{};
        std::size_t nl = 0;
        std::size_t nr = 0;
        for (std::size_t depth = 0; l < r; ++depth) {
            if (depth + 1 == m_levels.size()) {
                for (; l < r; ++l)
                    take(order, t, least, depth, l, w);
                break;
            }
            if (l & 1)
                left[nl++] = {depth, l++};
            if (r & 1)
                right[nr++] = {depth, --r};
            l /= 2;
            r /= 2;
            // the nodes found so far from the left come first; the rest wait while higher levels are found
            for (std::size_t k = 0; k < nl; ++k)
                take(order, t, least, left[k].first, left[k].second, w);
            nl = 0;
            if (w.closed(order, least))
                return;
        }
        while (nr > 0 && !w.closed(order, least)) {
            --nr;
            take(order, t, least, right[nr].first, right[nr].second, w);
        }
        rows(tail, last + 1);
    }

    // From a row at the start of a block: the end of the largest run of rows starting there whose chords from
    // the row `order` stands on all leave the window, narrowed by them; `first` itself when there is none.
    std::size_t skip(const SlopeOrder& order, double t, int least, std::size_t first, Window& w) const
    {
        if (first % kBlock != 0 || m_levels.empty() || !w.lo || !w.hi)
            return first;
        std::size_t p = first / kBlock;
        std::optional<std::size_t> best;
        for (std::size_t depth = 0; depth < m_levels.size() && p + 1 < m_levels[depth].begin.size(); ++depth) {
            const Level& level = m_levels[depth];
            const bool below = order.compare(extreme(order, t, level.hull(p, true), 0, true), *w.lo) < least;
            if (!below && order.compare(*w.hi, extreme(order, t, level.hull(p, false), 0, false)) >= least)
                break;
            best = depth;
            if (p % 2 != 0)
                break;
            p /= 2;
        }
        if (!best)
            return first;
        const std::size_t node = first / (kBlock << *best);
        take(order, t, least, *best, node, w);
        return std::min((node + 1) * (kBlock << *best), m_blocks * kBlock);
    }

private:
    static constexpr std::size_t kBlock = 32;
    static constexpr std::size_t kMaxStored = std::size_t{1} << 25; // indices, 128 MB

    struct Level {
        std::vector<std::uint32_t> upper, lower;
        std::vector<std::pair<std::size_t, std::size_t>> begin; // where node p's hulls start; one past the last
        std::span<const std::uint32_t> hull(std::size_t p, bool up) const
        {
            const auto& all = up ? upper : lower;
            const std::size_t from = up ? begin[p].first : begin[p].second;
            const std::size_t to = up ? begin[p + 1].first : begin[p + 1].second;
            return std::span<const std::uint32_t>(all).subspan(from, to - from);
        }
    };

    // the hull of rows in ascending x by the monotone chain, collinear rows left out
    void appendHull(std::span<const std::uint32_t> rows, bool upper, std::vector<std::uint32_t>& out) const
    {
        const std::size_t base = out.size();
        for (const auto k : rows) {
            while (out.size() >= base + 2) {
                const Row& a = m_rows[out[out.size() - 2]];
                const Row& b = m_rows[out.back()];
                const Row& c = m_rows[k];
                const Wide cross =
                    (Wide{b.x} - a.x) * (Wide{c.units} - a.units) - (Wide{b.units} - a.units) * (Wide{c.x} - a.x);
                if (upper ? cross < 0 : cross > 0)
                    break;
                out.pop_back();
            }
            out.push_back(k);
        }
    }

    // The slope from the row `order` stands on, to the left of every row of the hull, rises along the hull to
    // the tangent and falls after it: a bisection finds the steepest on the upper hull, the shallowest on the
    // lower one.
    static Slope extreme(const SlopeOrder& order, double t, std::span<const std::uint32_t> hull, int off, bool upper)
    {
        std::size_t a = 0;
        std::size_t b = hull.size() - 1;
        while (a < b) {
            const std::size_t mid = (a + b) / 2;
            const int rise = order.compare(order.slope(hull[mid + 1], off, t), order.slope(hull[mid], off, t));
            if (upper ? rise > 0 : rise < 0)
                a = mid + 1;
            else
                b = mid;
        }
        return order.slope(hull[a], off, t);
    }

    // narrows the window by every row of node p of a level
    void take(const SlopeOrder& order, double t, int least, std::size_t depth, std::size_t p, Window& w) const
    {
        if (w.closed(order, least))
            return;
        const Level& level = m_levels[depth];
        w.take(order, extreme(order, t, level.hull(p, true), -1, true),
               extreme(order, t, level.hull(p, false), 1, false));
    }

    std::span<const Row> m_rows;
    std::size_t m_blocks = 0;
    std::vector<Level> m_levels;
};

// Shortest paths from the first row to the last over the chords a tolerance allows, for one table.
class PathSearch {
public:
    PathSearch(std::span<const Row> rows, const SearchControl& control) : m_rows(rows), m_tree(rows), m_control(control)
    {}

    // The indices of the rows on a shortest path, at most maxEdges chords when given; nothing when there is none
    // that short or the search was cancelled. Breadth-first, each row scanning the rows after it while some slope
    // still passes within the tolerance of all of them; runs of rows already reached are taken in at once, since
    // only the chords to rows not yet reached can shorten a path.
    std::optional<std::vector<std::size_t>> shortest(const Tolerance& tol, std::optional<std::int64_t> maxEdges)
    {
        const std::size_t n = m_rows.size();
        if (n <= 2) {
            std::vector<std::size_t> all(n);
            std::iota(all.begin(), all.end(), std::size_t{0});
            return all;
        }
        constexpr std::uint32_t kNone = static_cast<std::uint32_t>(-1);
        std::vector<std::uint32_t> parent(n, kNone);
        // next[k]: the first row at or after k not reached yet, with the path halved on every look-up
        std::vector<std::uint32_t> next(n + 1);
        std::iota(next.begin(), next.end(), std::uint32_t{0});
        const auto unreached = [&](std::size_t k) {
            while (next[k] != k) {
                next[k] = next[next[k]];
                k = next[k];
            }
            return k;
        };
        SlopeOrder order(m_rows, tol);
        const double t = static_cast<double>(tol.num) / static_cast<double>(tol.den);
        const int least = tol.strict ? 1 : 0;
        const std::vector<bool> last = chordsToLast(order, t, least);
        // a row reached that has a chord to the last row ends the search: it is reached in the fewest chords
        // of all such rows, so no shorter path exists
        const auto ends = [&](std::size_t j, std::int64_t depth) {
            if (!last[j] || (maxEdges && depth + 1 > *maxEdges))
                return false;
            parent[n - 1] = static_cast<std::uint32_t>(j);
            return true;
        };
        std::vector<std::uint32_t> layer{0};
        std::vector<std::uint32_t> reached;
        next[0] = 1;
        bool found = ends(0, 0);
        std::size_t processed = 0;
        // the rows of the depth before the last allowed need not be scanned: they only ever end in the last row
        for (std::int64_t edges = 0; !layer.empty() && !found && (!maxEdges || edges + 2 <= *maxEdges); ++edges) {
            // the rows of one depth, the highest first: it reaches furthest, and the rows below it then find
            // most of their reach already taken and step over it
            std::sort(layer.begin(), layer.end(), std::greater<>());
            for (const std::size_t i : layer) {
                ++processed;
                order.from(i);
                Window w;
                std::size_t seen = i; // the window holds rows i+1 .. seen
                for (;;) {
                    if (tick(processed, n))
                        return std::nullopt;
                    const std::size_t j = unreached(seen + 1);
                    if (j >= n)
                        break;
                    // the window now holds rows i+1 .. j-1
                    if (j > seen + 1) {
                        m_tree.narrow(order, t, least, seen + 1, j - 1, w);
                        if (w.closed(order, least))
                            break;
                    }
                    // rows from j on that no chord from i can reach are taken in at once
                    if (const std::size_t end = m_tree.skip(order, t, least, j, w); end > j) {
                        seen = end - 1;
                        if (w.closed(order, least))
                            break;
                        continue;
                    }
                    // the chord i-j stays within the tolerance of every row between them
                    if (w.admits(order, order.slope(j, 0, t), least)) {
                        parent[j] = static_cast<std::uint32_t>(i);
                        next[j] = static_cast<std::uint32_t>(j + 1);
                        reached.push_back(static_cast<std::uint32_t>(j));
                        if (j == n - 1 || ends(j, edges + 1)) {
                            found = true;
                            break;
                        }
                    }
                    w.take(order, order.slope(j, -1, t), order.slope(j, 1, t));
                    seen = j;
                    // no slope is left for any longer chord
                    if (w.closed(order, least))
                        break;
                }
                if (found)
                    break;
            }
            layer.swap(reached);
            reached.clear();
        }
        if (!found)
            return std::nullopt;
        std::vector<std::size_t> path;
        for (std::size_t k = n - 1; k != 0; k = parent[k])
            path.push_back(k);
        path.push_back(0);
        std::reverse(path.begin(), path.end());
        return path;
    }

    bool cancelled() const { return m_cancelled; }

private:
    // Which rows have a chord to the last row, by one scan down from it with the window of slopes through the
    // last row: a row's bounds swap sides, as it lies to the left.
    std::vector<bool> chordsToLast(SlopeOrder& order, double t, int least) const
    {
        const std::size_t n = m_rows.size();
        std::vector<bool> to(n, false);
        order.from(n - 1);
        Window w;
        for (std::size_t k = n - 1; k-- > 0;) {
            if (w.admits(order, order.slope(k, 0, t), least))
                to[k] = true;
            w.take(order, order.slope(k, 1, t), order.slope(k, -1, t));
            if (w.closed(order, least))
                break;
        }
        return to;
    }

public:
    // the share of the whole search the next path search stands for, from `done` on
    void share(double done, double part)
    {
        m_done = done;
        m_part = part;
    }

private:
    // polled every few thousand steps: true when the search is to stop
    bool tick(std::size_t processed, std::size_t n)
    {
        if (++m_steps % 4096 != 0)
            return false;
        if (m_control.cancel && m_control.cancel->load(std::memory_order_relaxed)) {
            m_cancelled = true;
            return true;
        }
        if (m_control.progress)
            m_control.progress(m_done + m_part * static_cast<double>(processed) / static_cast<double>(n));
        return false;
    }

    std::span<const Row> m_rows;
    HullTree m_tree;
    const SearchControl& m_control;
    std::uint64_t m_steps = 0;
    bool m_cancelled = false;
    double m_done = 0;
    double m_part = 1;
};

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

expected<Breakpoints, Refusal> fewestWithin(const Table& table, ErrorLimit limit, std::optional<std::int64_t> maxPoints,
                                            const SearchControl& control)
{
    if (table.rows.empty())
        return unexpected(Refusal{Fault::NoTable, 0, 0});
    PathSearch search(table.rows, control);
    const auto path = search.shortest(toleranceOf(table, limit), std::nullopt);
    if (search.cancelled())
        return unexpected(Refusal{Fault::Cancelled, 0, 0});
    // the whole-range cap lets the first and last rows alone through, so a path always exists
    if (maxPoints && static_cast<std::int64_t>(path->size()) > *maxPoints)
        return unexpected(
            Refusal{Fault::TooManyPoints, static_cast<double>(path->size()), static_cast<double>(*maxPoints)});
    return finish(table, rowsOf(table, *path));
}

expected<Breakpoints, Refusal> bestWithPoints(const Table& table, std::int64_t maxPoints, const SearchControl& control)
{
    const std::int64_t edges = std::max<std::int64_t>(maxPoints, 2) - 1;
    const std::size_t n = table.rows.size();
    if (static_cast<std::int64_t>(n) <= edges + 1)
        return everyRow(table);
    PathSearch search(table.rows, control);
    // evenly spaced rows give a first error that is reachable
    std::vector<std::size_t> path;
    for (std::int64_t k = 0; k <= edges; ++k)
        path.push_back(static_cast<std::size_t>(k * static_cast<std::int64_t>(n - 1) / edges));
    RowError hi = worstOf(table, rowsOf(table, path)).error;
    // each path search a share of what is left, as the number of bisections still ahead is not known
    double done = 0;
    const auto run = [&](const Tolerance& tol, std::optional<std::int64_t> most) {
        search.share(done, (1 - done) / 8);
        auto found = search.shortest(tol, most);
        done += (1 - done) / 8;
        return found;
    };
    // bisect in 2^-20 of a unit below the best error found so far, each success lowering it to the error that
    // path reaches; then close in exactly: a strict run finds a path below the last error until none is left
    constexpr Wide kFine = Wide{1} << 20;
    Wide lo = -1; // tolerances up to lo * kFine reach nothing
    for (;;) {
        const Wide top = hi.n * kFine / hi.d; // hi in fine steps, rounded down
        if (top - lo <= 1 || (lo >= 0 && top - lo <= top / 10'000))
            break;
        const Wide mid = lo + (top - lo) / 2;
        if (const auto found = run(Tolerance{mid, kFine, false}, edges)) {
            path = *found;
            hi = worstOf(table, rowsOf(table, path)).error;
        } else if (search.cancelled()) {
            return unexpected(Refusal{Fault::Cancelled, 0, 0});
        } else {
            lo = mid;
        }
    }
    while (const auto better = run(Tolerance{hi.n, hi.d, true}, edges)) {
        path = *better;
        hi = worstOf(table, rowsOf(table, path)).error;
    }
    // the fewest points at that error: fewer than allowed may reach it too
    if (auto fewer = run(Tolerance{hi.n, hi.d, false}, std::nullopt))
        if (fewer->size() <= path.size())
            path = *fewer;
    if (search.cancelled())
        return unexpected(Refusal{Fault::Cancelled, 0, 0});
    return finish(table, rowsOf(table, path));
}

} // namespace tarvol::sensor
