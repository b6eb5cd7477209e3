#include "cli/tilt_options.h"

#include <cmath>
#include <sstream>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include "calc/catalogue.h"
#include "calc/format.h"
#include "cli/once_option.h"

namespace tarvol::cli {
namespace {

constexpr double kSteepest = 89;

// A signed decimal with a point or a comma.
std::optional<double> signedNumber(std::string text)
{
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.erase(0, 1);
    }
    const auto value = decimalNumber(text);
    if (!value)
        return std::nullopt;
    return negative ? -*value : *value;
}

double angle(const std::string& text, const char* option)
{
    const auto value = signedNumber(text);
    if (!value || std::abs(*value) > kSteepest)
        throw std::string(option) + " принимает угол в градусах от −89 до 89 или подъём в мм (например 140mm): " + text;
    return *value;
}

// An angle in degrees, or a rise in mm over the length or width ("140mm").
double angleOrRise(const std::string& text, const char* option, const Tank& tank, bool pitch)
{
    if (!text.ends_with("mm"))
        return angle(text, option);
    const auto rise = signedNumber(text.substr(0, text.size() - 2));
    if (!rise)
        throw std::string(option) + " принимает подъём в мм, например 140mm: " + text;
    const auto degrees =
        pitch ? pitchFromRise(tank.shape, tank.dimensions, *rise) : rollFromRise(tank.shape, tank.dimensions, *rise);
    if (!degrees)
        throw std::string(option) + ": " + degrees.error();
    return *degrees;
}

std::vector<double> range(const std::string& text, const char* option)
{
    const auto bad = [&] {
        return std::string(option) + " принимает ОТ:ДО:ШАГ в градусах, например -2:2:0.5, а не " + text;
    };
    const auto first = text.find(':');
    const auto second = first == std::string::npos ? first : text.find(':', first + 1);
    if (second == std::string::npos)
        throw bad();
    const auto from = signedNumber(text.substr(0, first));
    const auto to = signedNumber(text.substr(first + 1, second - first - 1));
    const auto step = decimalNumber(text.substr(second + 1));
    if (!from || !to || !step || *step <= 0 || *to < *from || std::abs(*from) > kSteepest || std::abs(*to) > kSteepest)
        throw bad();
    auto angles = gridAngles(*from, *to, *step);
    if (!angles)
        throw std::string(option) + ": углы сетки " + angles.error();
    return std::move(*angles);
}

} // namespace

void addTiltOptions(CLI::App& app, TiltOptions& o)
{
    const auto add = [&](const char* name, std::vector<std::string>& into, const char* type, const char* what) {
        addOnceOption(app, name, into, type, what);
    };
    add("--pitch", o.pitch, "P", "наклон горизонтальной ёмкости: градусы (второй торец выше) или подъём, 140mm");
    add("--roll", o.roll, "R", "крен: градусы (правый борт выше) или подъём правого борта, 50mm");
    add("--gauge-at", o.gaugeAt, "X,Y",
        "уровнемер: X мм от первого торца, Y мм правее середины (по умолчанию середина)");
    add("--gauge", o.gauge, "KIND", "уровнемер vertical (метршток, по умолчанию) или fixed (закреплён на ёмкости)");
    add("--u-pitch", o.uPitch, "DEG", "стандартная неопределённость угла наклона, градусы");
    add("--u-roll", o.uRoll, "DEG", "стандартная неопределённость угла крена, градусы");
    add("--pitch-range", o.pitchRange, "FROM:TO:STEP", "таблица поправок по углам наклона, градусы (CSV или --json)");
    add("--roll-range", o.rollRange, "FROM:TO:STEP", "таблица поправок по углам крена, градусы (CSV или --json)");
}

bool anyTiltOption(const TiltOptions& o)
{
    return !o.pitch.empty() || !o.roll.empty() || !o.gaugeAt.empty() || !o.gauge.empty() || !o.uPitch.empty()
           || !o.uRoll.empty() || tiltGridAsked(o);
}

bool tiltGridAsked(const TiltOptions& o) { return !o.pitchRange.empty() || !o.rollRange.empty(); }

void applyTiltOptions(const TiltOptions& o, Tank& tank)
{
    if (!anyTiltOption(o))
        return;
    const std::string* pitch = onceValue(o.pitch, "--pitch");
    const std::string* roll = onceValue(o.roll, "--roll");
    const std::string* gaugeAt = onceValue(o.gaugeAt, "--gauge-at");
    const std::string* gauge = onceValue(o.gauge, "--gauge");
    const std::string* uPitch = onceValue(o.uPitch, "--u-pitch");
    const std::string* uRoll = onceValue(o.uRoll, "--u-roll");
    onceValue(o.pitchRange, "--pitch-range");
    onceValue(o.rollRange, "--roll-range");
    if (tank.shape < 0 || tank.shape >= kShapeCount || shape(tank.shape).group != Group::Horizontal)
        throw std::string("наклон, крен и положение уровнемера — только для горизонтальных форм; наклонные формы "
                          "задают наклон своим размером A");
    Orientation orientation = tank.orientation.value_or(Orientation{});
    if (pitch)
        orientation.pitchDegrees = angleOrRise(*pitch, "--pitch", tank, true);
    if (roll)
        orientation.rollDegrees = angleOrRise(*roll, "--roll", tank, false);
    if (gaugeAt) {
        const auto comma = gaugeAt->find(',');
        const auto x = decimalNumber(gaugeAt->substr(0, comma));
        const auto y = comma == std::string::npos ? std::optional(0.0) : signedNumber(gaugeAt->substr(comma + 1));
        if (!x || !y)
            throw "--gauge-at принимает X,Y в мм, например 5000,-300, а не " + *gaugeAt;
        orientation.gaugeX = *x;
        orientation.gaugeY = *y;
    }
    if (gauge) {
        if (*gauge == "vertical")
            orientation.gauge = GaugeKind::Vertical;
        else if (*gauge == "fixed")
            orientation.gauge = GaugeKind::Fixed;
        else
            throw "--gauge принимает vertical или fixed, а не " + *gauge;
    }
    tank.orientation = orientation;
    for (const auto& [text, option, target] : {std::tuple{uPitch, "--u-pitch", &UncertaintyInputs::pitch},
                                               std::tuple{uRoll, "--u-roll", &UncertaintyInputs::roll}}) {
        if (!text)
            continue;
        const auto value = decimalNumber(*text);
        if (!value || *value > kMaxAngleUncertainty)
            throw std::string(option) + " принимает градусы от 0 до 10: " + *text;
        if (!tank.budget)
            tank.budget = UncertaintyInputs{};
        (*tank.budget).*target = *value;
    }
}

TiltGridRequest tiltGridRequest(const TiltOptions& o)
{
    if (!o.pitchRange.empty() && !o.rollRange.empty())
        throw std::string("--pitch-range и --roll-range вместе не задают: таблица поправок идёт по одному углу");
    TiltGridRequest request;
    if (!o.pitchRange.empty())
        request.pitches = range(o.pitchRange[0], "--pitch-range");
    else
        request.rolls = range(o.rollRange[0], "--roll-range");
    return request;
}

} // namespace tarvol::cli
