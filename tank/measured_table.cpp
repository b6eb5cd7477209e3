#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

#include "calc/format.h"
#include "tank/measured.h"
#include "tank/table.h"
#include "tank/table_parts.h"
#include "uncertainty/statement.h"

namespace tarvol {
namespace {

// Rows between two looks at the cancel flag and two progress reports.
constexpr std::int64_t kPollEvery = 1000;

Refusal refusalSaying(std::string message)
{
    Refusal refusal;
    refusal.message = std::move(message);
    return refusal;
}

// The shell at the table's temperature: every length scaled by k from 20 °C, V_t(h) = k³·V₂₀(h/k).
class ShellAt {
public:
    ShellAt(const MeasuredTank& tank, double scale) : m_tank(tank), m_scale(scale) {}
    double volume(double level) const { return cube() * m_tank.volumeAt(level / m_scale); }
    double full() const { return cube() * m_tank.fullVolume(); }
    // U of the shell's row: the record's and the level's, at the level the 20 °C shell would show
    RowUncertainty u(double level, double uLevel, double coverage) const
    {
        RowUncertainty row = m_tank.uncertaintyAt(level / m_scale, uLevel / m_scale, coverage);
        row.u *= cube();
        row.expanded *= cube();
        return row;
    }

private:
    double cube() const { return m_scale * m_scale * m_scale; }
    const MeasuredTank& m_tank;
    double m_scale;
};

// The row's U with the deadwood's own and the slope it changes, and the limit's mark: as for the drawn shapes.
// The row's U finished: the deadwood's part, the relative U and the limit's mark.
RowUncertainty finished(RowUncertainty u, const Tank& tank, const ShellAt& shell, double level, double volume)
{
    return withDeadwood(u, tank, tank.uncertaintyInputs(), shell.volume(level + 0.5) - shell.volume(level - 0.5), level,
                        volume);
}

// What the title block says of the record: its courses, its tilt and the product the shell is stretched by.
std::vector<std::string> recordStatements(const StrappingRecord& record, const MeasuredTank& tank, char sep)
{
    std::vector<std::string> lines;
    lines.push_back("Таблица по измерениям резервуара: поясов " + std::to_string(record.courses.size()) + ", высота "
                    + formatGeneral(tank.height(), sep) + " мм; объём ниже нуля уровня "
                    + formatFixed(tank.volumeBelowZero(), 16, 3, sep) + " л входит в каждую строку.");
    if (record.tiltMmPerM > 0)
        lines.push_back("Наклон резервуара " + formatGeneral(record.tiltMmPerM, sep) + " мм/м: сечения умножены на "
                        + formatFixed(tank.tiltFactor(), 10, 6, sep) + ".");
    if (record.hydrostatic)
        lines.push_back("Таблица для продукта плотностью " + formatGeneral(record.hydrostatic->density, sep)
                        + " кг/м³: стенка растянута гидростатическим давлением (E = "
                        + formatGeneral(record.hydrostatic->youngModulusGpa, sep) + " ГПа).");
    return lines;
}

std::vector<std::string> uncertaintyLines(const Tank& tank, const StrappingRecord& record, char sep)
{
    const UncertaintyInputs in = tank.uncertaintyInputs();
    const auto number = [sep](double v) { return formatGeneral(v, sep); };
    std::vector<std::string> lines;
    lines.push_back("Расширенная неопределённость U = k·u, k = " + number(in.coverage) + ", " + kUncertaintyMethod
                    + ".");
    lines.push_back("Стандартные неопределённости измерений: длины окружности пояса " + number(record.uCircumference)
                    + " мм, толщины стенки " + number(record.uThickness) + " мм, каждого пояса независимо.");
    lines.push_back("Стандартная неопределённость отсчёта уровня: " + number(in.level) + " мм.");
    if (in.limitPercent)
        lines.push_back("Предел: " + number(*in.limitPercent) + " %; строки сверх него отмечены «*».");
    if (std::ranges::any_of(tank.deadwood.items, [](const DeadwoodItem& i) { return i.standard.has_value(); }))
        lines.push_back("Входят в U: стандартные неопределённости объёмов внутренних деталей, как они заданы.");
    lines.push_back(std::string("Не входят в U: ") + (record.hydrostatic ? "" : "деформация стенки под жидкостью, ")
                    + "отложения, температура жидкости.");
    return lines;
}

} // namespace

std::optional<Refusal> measuredRefusal(const Tank& tank)
{
    if (!tank.strapping)
        return refusalSaying("Нет измерений резервуара: заполните пояса — высоту, толщину и длины окружности.");
    if (const auto fault = checkStrapping(*tank.strapping))
        return refusalSaying(strappingErrorText(*fault));
    return std::nullopt;
}

TableOutcome measuredTableOf(const Tank& tank, const TableRequest& request)
{
    if (auto refusal = measuredRefusal(tank))
        return RunFailure(std::move(*refusal));
    const auto prepared = MeasuredTank::prepare(*tank.strapping);
    if (!prepared)
        return RunFailure(refusalSaying(strappingErrorText(prepared.error())));
    const MeasuredTank& measured = *prepared;
    const char sep = request.separator;

    TankTable t;
    t.shape = kMeasuredShape;
    t.decimals = validDecimals(tank.decimals) ? tank.decimals : 0;
    t.separator = sep;
    t.zero = tank.gaugeZero();
    t.byGauge = request.byGauge && t.zero.has_value();
    t.inputs = tank.uncertaintyInputs();
    const StrappingRecord& record = *tank.strapping;
    t.hasU = tank.hasUncertainty();
    const ShellAt shell(measured, t.inputs.shell ? t.inputs.shell->lengthScale() : 1.0);

    // the volume is an exact integral: the summed table and the full volume are one figure
    t.accuracy.sumVolume = measured.fullVolume();
    t.accuracy.fullVolume = measured.fullVolume();
    t.errorLine = errorLine(t.accuracy, sep);
    t.totalHeight = measured.height();
    t.outputStep = static_cast<std::int32_t>(std::max(1.0, std::floor(0.1 * measured.height())));
    const double zero = t.byGauge ? t.zero->mm : 0.0;
    const auto last = static_cast<std::int64_t>(std::max(0.0, std::floor(measured.height() - zero)));
    t.highest = static_cast<double>(last);

    const bool withItems = !tank.deadwood.empty();
    const auto makeRow = [&](double level) {
        TableRow row;
        row.level = level;
        const double at = level + zero;
        row.volume = shell.volume(at);
        if (withItems) {
            row.volume += deadwoodCorrection(tank.deadwood, at);
            row.roofZone = inRoofZone(tank.deadwood, at);
        }
        if (t.hasU)
            row.u = finished(shell.u(at, t.inputs.level, t.inputs.coverage), tank, shell, at, row.volume);
        return row;
    };

    NonlinearRanges nonlinear;
    for (std::int64_t n = 0; n <= last; ++n) {
        if (n % kPollEvery == 0) {
            if (request.cancel && request.cancel->load(std::memory_order_relaxed))
                return RunFailure(Cancelled{});
            if (request.progress)
                request.progress(static_cast<double>(n) / static_cast<double>(last + 1));
        }
        const auto level = static_cast<double>(n);
        TableRow row = makeRow(level);
        // a thousandth of a litre below zero is rounding, not a fault
        if (withItems && row.volume < -1e-3)
            return RunFailure(overfilledRefusal(level + zero, sep));
        if (t.hasU)
            nonlinear.add(level, row.u.nonlinear);
        if (request.keepLevels) {
            t.levelVolumes.push_back(row.volume);
            if (t.hasU)
                t.levelU.push_back(row.u.expanded);
        }
        const bool printed = request.everyLevel || (n > 0 && n % t.outputStep == 0);
        if (!printed)
            continue;
        row.text = formatFixed(row.volume, 10, t.decimals, sep);
        if (request.eachRow)
            request.eachRow(row);
        else
            t.rows.push_back(std::move(row));
    }
    t.nonlinear = nonlinear.take();

    t.fullVolume = shell.full() + deadwoodCorrection(tank.deadwood, t.totalHeight);
    if (t.hasU) {
        const double full = shell.volume(t.totalHeight) + deadwoodCorrection(tank.deadwood, t.totalHeight);
        t.fullU = finished(shell.u(t.totalHeight, t.inputs.level, t.inputs.coverage), tank, shell, t.totalHeight, full);
        t.uncertaintyLines = uncertaintyLines(tank, record, sep);
    }
    t.recordLines = recordStatements(record, measured, sep);
    stateModifiers(t, tank, "нуля уровня", sep);
    return t;
}

} // namespace tarvol
