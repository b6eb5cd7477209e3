#include "tank/orientation.h"

#include <cmath>
#include <sstream>

#include "calc/format.h"

namespace tarvol {
namespace {

using Json = nlohmann::ordered_json;

// No tank stands steeper than this, and no gauge stands farther from a tank's middle than a hundred kilometres.
constexpr double kSteepest = 89;
constexpr double kFarthest = 1e8;

expected<Orientation, DeadwoodJsonError> fault(std::string key, std::string reason)
{
    return unexpected(DeadwoodJsonError{"orientation." + std::move(key), std::move(reason)});
}

std::optional<double> numberAt(const Json& json, const char* key)
{
    const auto at = json.find(key);
    if (at == json.end() || !at->is_number())
        return std::nullopt;
    const double value = at->get<double>();
    return std::isfinite(value) ? std::optional(value) : std::nullopt;
}

std::string angle(double degrees, char separator)
{
    return formatGeneral(std::round(degrees * 1e4) / 1e4, separator) + "°";
}

expected<TiltGridRange, DeadwoodJsonError> gridFault(const std::string& key, std::string reason)
{
    return unexpected(DeadwoodJsonError{"tilt_grid" + (key.empty() ? std::string() : "." + key), std::move(reason)});
}

} // namespace

expected<std::vector<double>, std::string> gridAngles(double from, double to, double step)
{
    if (!std::isfinite(from) || !std::isfinite(to) || !std::isfinite(step) || !(step > 0) || to < from)
        return unexpected<std::string>("задаются числами: от, до не меньше «от» и шаг больше 0");
    if (std::abs(from) > kSteepest || std::abs(to) > kSteepest)
        return unexpected<std::string>("должны быть от −89° до 89°");
    const double count = std::floor((to - from) / step + 1e-9) + 1;
    if (count > static_cast<double>(kMostGridColumns))
        return unexpected<std::string>("не должны составлять больше " + std::to_string(kMostGridColumns) + " столбцов");
    std::vector<double> angles;
    for (double k = 0; k < count; ++k)
        angles.push_back(std::round((from + k * step) * 1e9) / 1e9);
    return angles;
}

expected<TiltGridRange, DeadwoodJsonError> tiltGridRangeFromJson(const Json& json)
{
    if (!json.is_object())
        return gridFault("", "нужен объект");
    TiltGridRange range;
    if (const auto vary = json.find("vary"); vary != json.end()) {
        if (*vary != "pitch" && *vary != "roll")
            return gridFault("vary", "нужно \"pitch\" или \"roll\"");
        range.byPitch = *vary == "pitch";
    }
    for (const auto& [key, target] : {std::pair{"from_deg", &range.from}, std::pair{"to_deg", &range.to},
                                      std::pair{"step_deg", &range.step}, std::pair{"level_step_mm", &range.levelStep}})
        if (json.contains(key)) {
            const auto value = numberAt(json, key);
            if (!value)
                return gridFault(key, "нужно число");
            *target = *value;
        }
    if (const auto angles = gridAngles(range.from, range.to, range.step); !angles)
        return gridFault("", "углы сетки " + angles.error());
    if (range.levelStep < 1 || range.levelStep > kMostGridLevelStep || range.levelStep != std::floor(range.levelStep))
        return gridFault("level_step_mm", "нужен шаг уровня в целых миллиметрах от 1 до 10000");
    return range;
}

Json tiltGridRangeJson(const TiltGridRange& range)
{
    return Json{{"vary", range.byPitch ? "pitch" : "roll"},
                {"from_deg", range.from},
                {"to_deg", range.to},
                {"step_deg", range.step},
                {"level_step_mm", range.levelStep}};
}

std::string tiltGridCsv(const TiltGrid& grid, bool byPitch, char separator, int decimals)
{
    std::ostringstream out;
    out << "level_mm";
    for (const double a : byPitch ? grid.pitches : grid.rolls)
        out << ';' << formatGeneral(a, separator);
    out << '\n';
    for (std::size_t i = 0; i < grid.levels.size(); ++i) {
        out << formatGeneral(grid.levels[i], separator);
        for (const double v : grid.volumes[i])
            out << ';' << formatFixed(v, 10, decimals, separator);
        out << '\n';
    }
    return out.str();
}

std::string tiltGridJson(const TiltGrid& grid)
{
    Json out{{"pitches", grid.pitches}, {"rolls", grid.rolls}, {"rows", Json::array()}};
    for (std::size_t i = 0; i < grid.levels.size(); ++i)
        out["rows"].push_back({{"level", grid.levels[i]}, {"volumes", grid.volumes[i]}});
    return out.dump() + '\n';
}

const char* gaugeKindKey(GaugeKind kind) { return kind == GaugeKind::Fixed ? "fixed" : "vertical"; }

std::optional<GaugeKind> gaugeKindOf(std::string_view key)
{
    if (key == "vertical")
        return GaugeKind::Vertical;
    if (key == "fixed")
        return GaugeKind::Fixed;
    return std::nullopt;
}

expected<Orientation, DeadwoodJsonError> orientationFromJson(const Json& json)
{
    if (!json.is_object())
        return fault("", "нужен объект");
    Orientation o;
    for (const auto& [key, target] : {std::pair{"pitch_deg", &o.pitchDegrees}, std::pair{"roll_deg", &o.rollDegrees}}) {
        if (!json.contains(key))
            continue;
        const auto value = numberAt(json, key);
        if (!value || std::abs(*value) > kSteepest)
            return fault(key, "нужен угол в градусах от −89 до 89");
        *target = *value;
    }
    if (json.contains("gauge_x_mm")) {
        const auto x = numberAt(json, "gauge_x_mm");
        if (!x || *x < 0 || *x > kFarthest)
            return fault("gauge_x_mm", "нужно расстояние в миллиметрах от первого торца");
        o.gaugeX = *x;
    }
    if (json.contains("gauge_y_mm")) {
        const auto y = numberAt(json, "gauge_y_mm");
        if (!y || std::abs(*y) > kFarthest)
            return fault("gauge_y_mm", "нужно смещение в миллиметрах от середины");
        o.gaugeY = *y;
    }
    if (const auto kind = json.find("gauge"); kind != json.end()) {
        const auto parsed = kind->is_string() ? gaugeKindOf(kind->get<std::string>()) : std::nullopt;
        if (!parsed)
            return fault("gauge", "нужно \"vertical\" или \"fixed\"");
        o.gauge = *parsed;
    }
    return o;
}

Json orientationJson(const Orientation& o)
{
    Json out{{"pitch_deg", o.pitchDegrees}, {"roll_deg", o.rollDegrees}};
    if (o.gaugeX)
        out["gauge_x_mm"] = *o.gaugeX;
    out["gauge_y_mm"] = o.gaugeY;
    out["gauge"] = gaugeKindKey(o.gauge);
    return out;
}

std::vector<std::string> orientationStatements(const OrientedTank& tank, const Orientation& o, char separator)
{
    const auto mm = [separator](double v) { return formatGeneral(std::round(v * 10) / 10, separator) + " мм"; };
    std::vector<std::string> lines;
    std::string where = o.gaugeX ? mm(*o.gaugeX) + " от первого торца" : std::string("в середине обечайки");
    if (o.gaugeY != 0)
        where += ", " + mm(std::abs(o.gaugeY)) + (o.gaugeY > 0 ? " правее" : " левее") + " оси";
    lines.push_back(
        "Положение ёмкости: наклон " + angle(o.pitchDegrees, separator) + " (второй торец выше), крен "
        + angle(o.rollDegrees, separator) + " (правый борт выше); уровнемер "
        + (o.gauge == GaugeKind::Fixed ? "закреплён на ёмкости и читает вдоль её оси z" : "вертикальный (метршток)")
        + ", " + where + ".");
    if (tank.deadVolume() > 0)
        lines.push_back("Объём ниже нуля уровнемера " + formatFixed(tank.deadVolume(), 10, 1, separator)
                        + " л входит в каждую строку.");
    for (const auto& [from, to] : tank.blindRanges())
        lines.push_back("Показания от " + mm(from) + " до " + mm(to)
                        + " уровнемер не видит: по его линии жидкость уже касается верха ёмкости; строки отмечены.");
    return lines;
}

} // namespace tarvol
