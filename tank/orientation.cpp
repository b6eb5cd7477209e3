#include "tank/orientation.h"

#include <cmath>

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

} // namespace

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
