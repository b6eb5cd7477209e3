#pragma once

// The frame every shape branch follows: step, row count, check, the 1 mm slab loop and the row emitter.
// Each body supplies its numbers; the loop is instantiated per body so nothing is dispatched per level.

#include <algorithm>
#include <cmath>
#include <concepts>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "calc/format.h"
#include "calc/model.h"
#include "calc/refusal.h"
#include "calc/run.h"
#include "calc/shapes.h"

namespace tarvol {

// Extended precision for evaluating a formula; every stored quantity stays a double.
using Ext = long double;

inline constexpr double kPi = 3.141592653589793;
inline constexpr Ext kMilli = 1e-6L;          // mm^3 -> litres
inline constexpr Ext kQuarterMicro = 2.5e-7L; // pi d^2 / 4 in litres per mm
inline constexpr Ext kTwoMicro = 2e-6L;
inline constexpr Ext kThird = 1.0L / 3.0L;
inline constexpr Ext kThirdMicro = 1.0L / 3e6L;
inline constexpr Ext kSixthMicro = 1.0L / 6e6L;
inline constexpr double kLitrePerMm3 = 1e-6; // the continuous model works in doubles

// A refusal of dimensions that do not fit together: the fault, its field (from 0) and the limit in mm.
inline Refusal inconsistent(Fault fault, int field, double limit, double otherLimit = 0)
{
    Refusal r;
    r.fault = fault;
    r.field = field;
    r.limit = limit;
    r.otherLimit = otherLimit;
    return r;
}

// Levels between cancellation checks for a body whose slab is a few operations.
inline constexpr std::int64_t kPollPlain = 1 << 14;

inline constexpr double kLeastHeight = 10; // mm: a tank must give a step of at least 1 mm

// What a body tells the frame before its loop runs.
struct Frame {
    double total = 0;            // T, the top of the level axis
    Ext stepExpression = 0;      // truncated to the step
    std::int64_t firstLevel = 1; // levels below 1 hold liquid below gauge zero and print nothing
    int heightField = -1;        // the field that alone gives the height, where one does: a too shallow tank names it
};

// The work of a run in units of one level or one inner step of a long level, its progress and cancellation.
class WorkMeter {
public:
    WorkMeter(const RunOptions& options, double total) : m_options(options), m_total(total > 0 ? total : 1) {}
    void setLevels(std::int64_t levels) { m_levels = levels; }
    void addSteps(std::int64_t steps) { m_steps += steps; }
    std::int64_t steps() const { return m_steps; }
    // true when the run is cancelled; otherwise reports the fraction of the estimated work done
    bool cancelled() const
    {
        if (m_options.cancel && m_options.cancel->load(std::memory_order_relaxed))
            return true;
        if (m_options.progress)
            m_options.progress(std::min(static_cast<double>(m_levels + m_steps) / m_total, 1.0));
        return false;
    }

private:
    const RunOptions& m_options;
    double m_total;
    std::int64_t m_levels = 0;
    std::int64_t m_steps = 0;
};

// The levels a body sums, below gauge zero included.
template <class Body>
std::int64_t levelCount(const Body& body)
{
    const Frame frame = body.frame();
    if (!(frame.total >= 0 && frame.total <= 1e12))
        return 0;
    const std::int64_t top = static_cast<std::int64_t>(std::ceil(frame.total));
    return std::max<std::int64_t>(top - std::min<std::int64_t>(frame.firstLevel, 1) + 1, 0);
}

// Levels plus, for a body whose levels take many inner steps, its estimate of those steps.
template <class Body>
double workOf(const Body& body)
{
    double work = static_cast<double>(levelCount(body));
    if constexpr (requires { body.innerSteps(); })
        work += body.innerSteps();
    return work;
}

// Adds the slabs ending at levels from..to to the running volume; kept out of line so the sum stays in a register.
template <bool keepEvery, class Body>
[[gnu::noinline]] double sumSlabs(const Body& body, std::int64_t from, std::int64_t to, double running, double* every,
                                  const std::function<void(std::int64_t, double)>* each)
{
    double level = static_cast<double>(from);
    for (std::int64_t n = from; n <= to; ++n, level += 1) {
        running += body.slab(level);
        if constexpr (keepEvery) {
            if (every)
                every[n] = running;
            if (each)
                (*each)(n, running);
        }
    }
    return running;
}

// What the frame needs of a shape's body. Optional members a body may add:
//   static constexpr bool kCheckFirst = true; // its height comes from the fields the check judges
//   double innerSteps() const;                 // estimated inner steps of all levels
//   void attach(WorkMeter*);                   // counts the inner steps and polls within a level
template <class B>
concept ShapeBody = requires(const B& body, double level)
{
    {
        body.frame()
        } -> std::same_as<Frame>;
    {
        body.check()
        } -> std::same_as<std::optional<Refusal>>; // the dimensions it refuses
    {
        body.slab(level)
        } -> std::same_as<double>; // litres added by the slab ending at level
    {
        body.trueVolume()
        } -> std::same_as<double>; // the closed-form full volume, litres
    {
        body.volumeAt(level)
        } -> std::same_as<double>; // litres below the level, continuous model
    {
        B::kPollEvery
        } -> std::convertible_to<std::int64_t>; // levels between cancellation checks
};

// What stops a run of the body before its first slab: its check, and a height too small to give a step.
template <ShapeBody Body>
std::optional<Refusal> refusalOf(const Body& body)
{
    constexpr bool checkFirst = requires { requires Body::kCheckFirst; };
    if constexpr (checkFirst) {
        if (auto refusal = body.check())
            return refusal;
    }
    if (const Frame frame = body.frame(); static_cast<std::int64_t>(frame.stepExpression) <= 0)
        return inconsistent(Fault::TooShallow, frame.heightField, kLeastHeight);
    if constexpr (!checkFirst) {
        if (auto refusal = body.check())
            return refusal;
    }
    return {};
}

template <ShapeBody Body>
RunOutcome runBody(Body body, const RunOptions& options)
{
    if (auto refusal = refusalOf(body))
        return std::move(*refusal);
    const Frame frame = body.frame();
    const std::int64_t step = static_cast<std::int64_t>(frame.stepExpression);

    CalcResult r;
    r.rowCount = static_cast<std::int64_t>(frame.total / static_cast<double>(step)) + 1;
    r.totalHeight = frame.total;

    const int decimals = runDecimals(options.decimalPlaces);
    r.rows.resize(static_cast<size_t>(r.rowCount - 1));

    // whole levels 1 .. ceil(T) satisfy "T + 1 > level"
    const std::int64_t top = static_cast<std::int64_t>(std::ceil(frame.total));
    if (options.keepEveryLevel)
        r.levelVolumes.assign(static_cast<size_t>(std::max<std::int64_t>(top, 0) + 1), 0.0);

    const std::int64_t poll = Body::kPollEvery;
    const std::int64_t first = std::min<std::int64_t>(frame.firstLevel, 1);
    WorkMeter meter(options, workOf(body));
    if constexpr (requires { body.attach(&meter); })
        body.attach(&meter);
    double* every = options.keepEveryLevel ? r.levelVolumes.data() : nullptr;
    const auto* each = options.eachLevel ? &options.eachLevel : nullptr;
    if (each && first > 0)
        (*each)(0, 0.0); // nothing lies below level 0
    double running = 0;
    std::int64_t nextEmit = step; // the next level whose remainder by step is 0
    std::int64_t nextPoll = first - 1 + poll;
    for (std::int64_t n = first; n <= top;) {
        // sum plain slabs up to the next level that prints a row, checks for cancellation or is gauge zero
        std::int64_t stop = std::min({nextEmit, nextPoll, top});
        if (n <= 0)
            stop = std::min<std::int64_t>(stop, 0);
        // a fractional height leaves a last level that the tank fills only up to its top: no slab formula holds
        // beyond the top, so that level takes the exact volume between its floor and the top
        const std::int64_t whole = stop == top && static_cast<double>(top) > frame.total ? top - 1 : stop;
        if (n <= 0 || (!every && !each))
            running = sumSlabs<false>(body, n, whole, running, nullptr, nullptr);
        else
            running = sumSlabs<true>(body, n, whole, running, every, each);
        if (whole < stop) {
            running += body.volumeAt(frame.total) - body.volumeAt(static_cast<double>(whole));
            if (every)
                every[stop] = running;
            if (each)
                (*each)(stop, running);
        }
        n = stop + 1;
        if (stop == 0 && every)
            every[0] = running; // the liquid below gauge zero
        if (stop == 0 && each)
            (*each)(0, running);
        if (stop == nextEmit) {
            nextEmit += step;
            ResultRow& out = r.rows[static_cast<size_t>(stop / step) - 1];
            out.levelValue = static_cast<double>(stop);
            out.volumeValue = running;
            out.level = formatGeneral(out.levelValue, options.separator);
            out.volume = formatFixed(running, 10, decimals, options.separator);
        }
        if (stop == nextPoll) {
            nextPoll += poll;
            meter.setLevels(stop - first + 1);
            if (meter.cancelled())
                return Cancelled{};
        }
    }
    if (options.cancel && options.cancel->load(std::memory_order_relaxed))
        return Cancelled{};

    r.sumVolume = running;
    r.trueVolume = body.trueVolume();
    r.outputStep = static_cast<std::int32_t>(static_cast<std::int64_t>(frame.stepExpression));
    return r;
}

// A body kept with its own copy of the dimensions, so that a model outlives the caller's span.
template <ShapeBody Body>
struct HeldBody {
    std::vector<double> dims;
    Body body;
    template <class Make>
    HeldBody(std::span<const double> d, Make make) : dims(d.begin(), d.end()), body(make(std::span<const double>(dims)))
    {}
    static double volume(const void* held, double level)
    {
        return static_cast<const HeldBody*>(held)->body.volumeAt(level);
    }
};

// The prepared model of the body make(dims) builds, or the refusal its run would give; refused dimensions reach
// no formula.
template <ShapeBody Body, class Make>
ModelOutcome modelOf(std::span<const double> d, Make make)
{
    auto held = std::make_shared<const HeldBody<Body>>(d, make);
    if (auto refusal = refusalOf(held->body))
        return std::move(*refusal);
    const Body& body = held->body;
    return TankModel(held, &HeldBody<Body>::volume, body.trueVolume(), body.frame().total);
}

// The level clamped to the body's height, so that the model holds the bottom's and the top's volume beyond them.
inline double withinHeight(double level, double height) { return std::clamp(level, 0.0, height); }

// The catalogue's view of a body: its run, its full volume, its check, and the tilted tank when it has one.
template <ShapeBody Body>
ShapeFunctions functionsOf()
{
    ShapeFunctions f;
    f.run = [](std::span<const double> d, const RunOptions& o) { return runBody(Body(d, o), o); };
    f.trueVolume = [](std::span<const double> d) { return Body(d, RunOptions{}).trueVolume(); };
    f.check = [](std::span<const double> d) { return Body(d, RunOptions{}).check(); };
    f.work = [](std::span<const double> d) { return workOf(Body(d, RunOptions{})); };
    f.model = [](std::span<const double> d) {
        return modelOf<Body>(d, [](std::span<const double> own) { return Body(own, RunOptions{}); });
    };
    if constexpr (requires(const Body& b) { b.tilted(); })
        f.tilt = [](std::span<const double> d) { return Body(d, RunOptions{}).tilted(); };
    return f;
}

} // namespace tarvol
