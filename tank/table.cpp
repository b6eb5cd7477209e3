#include "tank/table.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "calc/catalogue.h"
#include "calc/format.h"
#include "fit/report.h"
#include "tank/measured.h"
#include "tank/orientation.h"
#include "tank/table_parts.h"
#include "uncertainty/statement.h"

namespace tarvol {
namespace {

constexpr double kLargestTyped = 99'999'999;
// Levels beyond this are told nonlinear only where a printed row is: every millimetre would take too long.
constexpr double kLevelsScanned = 2'000'000;

bool fittedField(const Tank& tank, std::size_t field)
{
    return tank.fit && findParameter(*tank.fit, ParameterKind::Field, static_cast<int>(field));
}

// The level at which the deadwood and the roof would take more room than the shell has, if there is one: a row's
// volume cannot be negative. Checked at every millimetre the deductions span, up to the tank's top.
std::optional<double> overfilledLevel(const Tank& tank, const TankModel& shell)
{
    const Deadwood& dw = tank.deadwood;
    double from = HUGE_VAL;
    double to = -HUGE_VAL;
    for (const DeadwoodItem& item : dw.items)
        if (!item.adds) {
            from = std::min(from, item.from);
            to = std::max(to, item.to);
        }
    // above the last deduction the volume only grows, so the lowest row there is its start
    if (dw.roof) {
        from = std::min(from, dw.roof->zoneTo);
        to = std::max(to, dw.roof->zoneTo);
    }
    to = std::min(to, shell.top());
    for (double level = std::floor(std::max(from, 0.0)); level <= to + 1; ++level) {
        const double at = std::min(level, to);
        // a thousandth of a litre below zero is the slabs' rounding, not a fault
        if (shell.volume(at) + deadwoodCorrection(dw, at) < -1e-3)
            return at;
        if (level - from > kLevelsScanned)
            break;
    }
    return std::nullopt;
}

} // namespace

std::optional<Refusal> tankRefusal(const Tank& tank, char separator)
{
    if (isMeasuredShape(tank.shape))
        return measuredRefusal(tank);
    // an unknown shape or a wrong field count is the run's own refusal
    if (tank.shape < 0 || tank.shape >= kShapeCount || tank.dimensions.size() != shape(tank.shape).captions.size())
        return std::nullopt;
    for (std::size_t i = 0; i < tank.dimensions.size(); ++i) {
        const double d = tank.dimensions[i];
        const bool whole = d >= 0 && d <= kLargestTyped && d == std::floor(d);
        if (whole || (fittedField(tank, i) && std::isfinite(d)))
            continue;
        Refusal refusal;
        refusal.kind = RefusalKind::BadInput;
        refusal.fault = Fault::NotDigits;
        refusal.field = static_cast<int>(i);
        refusal.limit = kLargestTyped;
        explainRefusal(refusal, tank.shape, separator);
        return refusal;
    }
    return std::nullopt;
}

TableOutcome tableOf(const Tank& tank, const TableRequest& request)
{
    if (isMeasuredShape(tank.shape))
        return measuredTableOf(tank, request);
    const char sep = request.separator;
    if (auto refusal = tankRefusal(tank, sep))
        return RunFailure(std::move(*refusal));
    // a tilted tank has its own table and model, by its gauge's reading
    std::optional<OrientedTank> tilted;
    if (tank.orientation) {
        if (auto refused = dimensionsRefusal(tank.shape, tank.dimensions))
            return RunFailure(std::move(*refused));
        auto prepared = OrientedTank::prepare(tank.shape, tank.dimensions, *tank.orientation);
        if (!prepared) {
            Refusal refusal;
            refusal.message = prepared.error();
            return RunFailure(std::move(refusal));
        }
        tilted = std::move(*prepared);
    }
    const auto shellModel = [&]() {
        return tilted ? ModelOutcome(tilted->model()) : prepareModel(tank.shape, tank.dimensions);
    };
    const bool withDeadwoodItems = !tank.deadwood.empty();
    if (withDeadwoodItems)
        if (const auto shell = shellModel(); shell.ok())
            if (const auto level = overfilledLevel(tank, shell.model()))
                return RunFailure(overfilledRefusal(*level, sep));

    TankTable t;
    t.shape = tank.shape;
    t.dimensions = tank.dimensions;
    t.decimals = validDecimals(tank.decimals) ? tank.decimals : 0;
    t.separator = sep;
    t.zero = tank.gaugeZero();
    t.byGauge = request.byGauge && t.zero.has_value();
    t.inputs = tank.uncertaintyInputs();
    if (tilted) {
        t.blind = tilted->blindRanges();
        t.orientationLines = orientationStatements(*tilted, *tank.orientation, sep);
    }
    if (t.byGauge && t.zero->fitted && t.zero->variance > 0)
        t.inputs.zero = ZeroCovariance{t.zero->variance, t.zero->fieldCovariance};
    const double zero = t.byGauge ? t.zero->mm : 0.0;

    // the model of the budget, the shell and the gauge, when the rows need more than the slabs' sums
    std::optional<Propagation> model;
    const bool wantU = t.inputs.given();
    if (wantU || t.inputs.shell || t.byGauge) {
        if (auto prepared = Propagation::prepare(tank.shape, tank.dimensions, t.inputs, tank.orientation))
            model.emplace(std::move(*prepared));
        else if (!dimensionsRefusal(tank.shape, tank.dimensions) && shellModel().ok())
            t.uncertaintyNote = "неопределённость не рассчитана: размер на границе допустимого";
    }
    t.hasU = model && wantU;
    const bool fromModel = model && (t.inputs.shell || t.byGauge);
    const UncertaintyInputs budget = tank.budget.value_or(UncertaintyInputs{});
    // litres per mm of the empty shell, which the deadwood's slope is added to
    const auto slopeAt = [&model](double level) { return model->volume(level + 0.5) - model->volume(level - 0.5); };

    // the rows whose linear estimate is poor are told at every millimetre, whichever rows are printed: each level
    // once, as it is made, though a printed row is made again
    NonlinearRanges nonlinear;
    const bool everyMillimetre = request.keepLevels || request.everyLevel;
    // a row's figures; its text is written only when it is handed out, not for every level kept
    const auto makeRow = [&](double level, double summed) {
        TableRow row;
        row.level = level;
        row.volume = fromModel ? model->volume(level + zero) : summed;
        if (withDeadwoodItems) {
            row.volume += deadwoodCorrection(tank.deadwood, level + zero);
            row.roofZone = inRoofZone(tank.deadwood, level + zero);
        }
        if (tilted)
            row.blind = std::ranges::any_of(
                t.blind, [at = level + zero](const auto& range) { return at > range.first && at <= range.second; });
        if (t.hasU) {
            row.u = model->at(level + zero, row.volume);
            if (withDeadwoodItems)
                row.u = withDeadwood(row.u, tank, budget, slopeAt(level + zero), level + zero, row.volume);
        }
        return row;
    };
    const auto keep = [&](const TableRow& row) {
        t.levelVolumes.push_back(row.volume);
        if (t.hasU)
            t.levelU.push_back(row.u.expanded);
    };
    // the summed rows come with the run's own text; a row from the model is written here
    const auto handOut = [&](TableRow row, std::string text = {}) {
        row.text = text.empty() ? formatFixed(row.volume, 10, t.decimals, sep) : std::move(text);
        if (request.eachRow)
            request.eachRow(row);
        else
            t.rows.push_back(std::move(row));
    };

    RunOptions run;
    run.decimalPlaces = t.decimals;
    run.separator = sep;
    run.progress = request.progress;
    run.cancel = request.cancel;
    // by gauge, every row comes from the model; the run still gives the step and the accuracy
    const bool streamLevels = request.everyLevel && !t.byGauge;
    // a fractional tank's last summed level lies past its top: rows end at its highest whole level
    double top = HUGE_VAL;
    if (std::ranges::any_of(tank.dimensions, [](double d) { return d != std::floor(d); }))
        if (const auto framed = shellModel(); framed.ok())
            top = std::floor(framed.model().top());
    if (streamLevels || (request.keepLevels && !t.byGauge))
        run.eachLevel = [&](std::int64_t level, double summed) {
            const auto h = static_cast<double>(level);
            if (level < 0 || h > top)
                return;
            TableRow row = makeRow(h, summed);
            if (t.hasU)
                nonlinear.add(h, row.u.nonlinear);
            if (request.keepLevels)
                keep(row);
            if (streamLevels)
                handOut(std::move(row));
        };
    RunOutcome outcome = tilted ? tilted->table(run) : calculate(tank.shape, tank.dimensions, run);
    if (!outcome.ok())
        return RunFailure(outcome.error());
    const CalcResult& r = outcome.result();
    t.accuracy = r.accuracy;
    t.errorLine = r.errorLine;
    t.totalHeight = r.totalHeight;
    t.outputStep = r.outputStep;
    top = std::floor(r.totalHeight);

    if (t.byGauge) {
        const double last = std::floor(r.totalHeight - zero);
        const double step = request.everyLevel ? 1 : std::max<double>(1, t.outputStep);
        for (double reading = 0; reading <= last; ++reading) {
            if (request.cancel && *request.cancel)
                return RunFailure(Cancelled{});
            const bool printed = std::fmod(reading, step) == 0 && reading > 0;
            if (!request.keepLevels && !printed && !request.everyLevel)
                continue;
            TableRow row = makeRow(reading, 0);
            if (t.hasU && everyMillimetre)
                nonlinear.add(reading, row.u.nonlinear);
            if (request.keepLevels)
                keep(row);
            if (printed || request.everyLevel)
                handOut(std::move(row));
        }
        t.highest = std::max(0.0, last);
    } else if (!streamLevels) {
        for (const ResultRow& summed : r.rows)
            if (summed.levelValue <= top)
                handOut(makeRow(summed.levelValue, summed.volumeValue),
                        fromModel || withDeadwoodItems ? std::string() : summed.volume);
        t.highest = top;
    } else {
        t.highest = top;
    }
    if (t.hasU && !everyMillimetre && t.highest <= kLevelsScanned)
        for (double level = 0; level <= t.highest; ++level)
            nonlinear.add(level, model->at(level + zero, 1).nonlinear);
    else if (t.hasU && !everyMillimetre)
        for (const TableRow& row : t.rows)
            nonlinear.add(row.level, row.u.nonlinear);
    t.nonlinear = nonlinear.take();

    t.fullVolume = (model && t.inputs.shell ? model->fullVolume() : r.trueVolume)
                   + deadwoodCorrection(tank.deadwood, t.totalHeight);
    if (t.hasU) {
        const double full = model->volume(t.totalHeight) + deadwoodCorrection(tank.deadwood, t.totalHeight);
        t.fullU = model->at(t.totalHeight, full);
        if (withDeadwoodItems)
            t.fullU = withDeadwood(*t.fullU, tank, budget, slopeAt(t.totalHeight), t.totalHeight, full);
    }
    if (tank.fit)
        t.fitLine = fitTitleLine(*tank.fit, sep);
    stateModifiers(t, tank, "дна ёмкости", sep);
    if (t.hasU)
        t.uncertaintyLines = uncertaintyStatement(
            t.inputs, tank.shape, sep,
            std::ranges::any_of(tank.deadwood.items, [](const DeadwoodItem& i) { return i.standard.has_value(); }));
    // the documents' appendix: the grid the tank keeps, computed with the table it goes with
    if (tank.tiltGrid && request.keepLevels) {
        const TiltGridRange& range = *tank.tiltGrid;
        auto angles = gridAngles(range.from, range.to, range.step);
        if (!angles)
            return RunFailure(Refusal{.message = "Углы сетки наклонов " + angles.error() + "."});
        RunOptions options;
        options.cancel = request.cancel;
        auto grid = tiltGridOf(tank, range.byPitch ? *angles : std::vector<double>{},
                               range.byPitch ? std::vector<double>{} : *angles, range.levelStep, options);
        if (!grid)
            return RunFailure(std::move(grid.error()));
        t.tiltGrid = std::move(*grid);
        t.tiltGridByPitch = range.byPitch;
    }
    return t;
}

RowUncertainty withDeadwood(RowUncertainty u, const Tank& tank, const UncertaintyInputs& in, double shellSlope,
                            double level, double volume)
{
    if (!tank.deadwood.empty()) {
        const double slope = shellSlope + deadwoodCorrection(tank.deadwood, level + 0.5)
                             - deadwoodCorrection(tank.deadwood, level - 0.5);
        const double own = deadwoodStandard(tank.deadwood, level);
        const double variance = u.u * u.u + own * own + (slope * slope - shellSlope * shellSlope) * in.level * in.level;
        u.u = std::sqrt(std::max(0.0, variance));
        u.expanded = in.coverage * u.u;
    }
    u.relative = volume > 0 ? 100 * u.expanded / volume : std::numeric_limits<double>::quiet_NaN();
    u.overLimit = in.limitPercent && volume > 0 && u.relative > *in.limitPercent;
    return u;
}

Refusal overfilledRefusal(double level, char separator)
{
    Refusal refusal;
    refusal.message = "Внутренние детали и понтон на уровне " + formatGeneral(level, separator)
                      + " мм занимают больше места, чем есть в ёмкости: проверьте их объёмы и уровни.";
    return refusal;
}

void stateModifiers(TankTable& t, const Tank& tank, const char* zeroBase, char separator)
{
    if (t.zero && t.zero->mm != 0)
        t.gaugeLine = std::string(t.byGauge ? "Таблица по показаниям уровнемера" : "Таблица по уровню от дна ёмкости")
                      + "; нуль уровнемера на " + formatGeneral(std::round(std::abs(t.zero->mm) * 100) / 100, separator)
                      + " мм " + (t.zero->mm < 0 ? "ниже " : "выше ") + zeroBase + ".";
    t.shellChanged = t.inputs.shell.has_value();
    t.shellLine = shellLine(t.inputs, separator);
    if (t.shellChanged)
        t.shellLine += " Полный объём: " + formatFixed(t.fullVolume, 16, 3, separator) + " л.";
    t.deadwoodLines = deadwoodStatements(tank.deadwood, separator);
    if (const auto& roof = tank.deadwood.roof)
        t.roofZone.emplace(roof->zoneFrom, roof->zoneTo);
    if (!tank.deadwood.empty() && !t.shellChanged)
        t.deadwoodLines.push_back(
            "Полный объём с учётом деталей и понтона: " + formatFixed(t.fullVolume, 16, 3, separator) + " л.");
}

expected<TiltGrid, RunFailure> tiltGridOf(const Tank& tank, std::span<const double> pitches,
                                          std::span<const double> rolls, double levelStep, const RunOptions& options)
{
    auto grid = tiltGrid(tank.shape, tank.dimensions, tank.orientation.value_or(Orientation{}), pitches, rolls,
                         levelStep, options);
    // what stands in the tank changes every column alike, at the gauge's reading
    if (grid && !tank.deadwood.empty())
        for (std::size_t i = 0; i < grid->levels.size(); ++i)
            for (double& v : grid->volumes[i])
                v += deadwoodCorrection(tank.deadwood, grid->levels[i]);
    return grid;
}

ReverseTable reverseOf(const TankTable& table)
{
    if (!table.roofZone)
        return reverseTable(table.levelVolumes);
    const double from = table.roofZone->first;
    const double to = table.roofZone->second;
    // the volume stays as it was below the zone until the roof floats, so that the levels keep rising with it
    std::vector<double> volumes = table.levelVolumes;
    const auto first = static_cast<std::size_t>(std::max(0.0, std::ceil(from)));
    for (std::size_t level = std::max<std::size_t>(first, 1); level < volumes.size() && static_cast<double>(level) < to;
         ++level)
        volumes[level] = volumes[first == 0 ? 0 : first - 1];
    ReverseTable reverse = reverseTable(volumes);
    std::erase_if(reverse.rows, [&](const ReverseRow& row) { return row.level >= from && row.level < to; });
    return reverse;
}

std::vector<std::string> tableStatements(const TankTable& table)
{
    std::vector<std::string> lines;
    const char sep = table.separator;
    if (!table.fitLine.empty())
        lines.push_back("Размеры " + table.fitLine + ".");
    lines.insert(lines.end(), table.recordLines.begin(), table.recordLines.end());
    lines.insert(lines.end(), table.orientationLines.begin(), table.orientationLines.end());
    if (!table.gaugeLine.empty())
        lines.push_back(table.gaugeLine);
    if (table.shellChanged)
        lines.push_back(table.shellLine);
    lines.insert(lines.end(), table.deadwoodLines.begin(), table.deadwoodLines.end());
    if (table.fullU)
        lines.push_back("U при полном объёме: " + expandedText(table.fullU->expanded, sep) + " л ("
                        + relativeText(table.fullU->relative, sep) + " %).");
    lines.insert(lines.end(), table.uncertaintyLines.begin(), table.uncertaintyLines.end());
    for (const auto& [from, to] : table.nonlinear)
        lines.push_back(linearityNote(from, to, sep));
    return lines;
}

} // namespace tarvol
