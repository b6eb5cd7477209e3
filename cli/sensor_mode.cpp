#include "cli/sensor_mode.h"

#include <CLI/CLI.hpp>

#include <unistd.h>

#include <charconv>
#include <chrono>
#include <cstdint>
#include <iostream>

#include "calc/format.h"
#include "calc/run.h"
#include "sensor/formats.h"
#include "sensor/sensor.h"
#include "tank/table.h"

namespace tarvol::cli {
namespace {

std::optional<std::int64_t> wholeMm(const std::string& text)
{
    if (text.empty() || text.size() > 8 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return std::stoll(text);
}

std::optional<sensor::CodeRange> codeRange(const std::string& code, const std::string& span)
{
    const auto colon = code.find(':');
    if (colon == std::string::npos)
        return std::nullopt;
    const auto empty = wholeMm(code.substr(0, colon));
    const auto full = wholeMm(code.substr(colon + 1));
    const auto length = wholeMm(span);
    if (!empty || !full || !length)
        return std::nullopt;
    return sensor::CodeRange{*empty, *full, *length};
}

std::string formatKeys()
{
    std::string keys;
    for (const auto& f : sensor::formats())
        keys += (keys.empty() ? "" : "|") + std::string(f.key);
    return keys;
}

std::string readingWords(sensor::Reading reading)
{
    switch (reading) {
    case sensor::Reading::LevelMm:
        return "показании ";
    case sensor::Reading::UllageMm:
        return "расстоянии от верха ";
    case sensor::Reading::Code:
        return "коде ";
    }
    return {};
}

// A line on a terminal that says how far a long run has got and how to stop it, redrawn a few times a second.
class TerminalProgress {
public:
    TerminalProgress() : m_terminal(::isatty(STDERR_FILENO) == 1), m_start(Clock::now()) {}
    TerminalProgress(const TerminalProgress&) = delete;
    TerminalProgress& operator=(const TerminalProgress&) = delete;
    ~TerminalProgress()
    {
        if (m_shown)
            std::cerr << "\r\033[K" << std::flush;
    }

    void show(const char* stage, double fraction)
    {
        const auto now = Clock::now();
        if (!m_terminal || now - m_start < std::chrono::seconds(1) || now - m_drawn < std::chrono::milliseconds(250))
            return;
        m_drawn = now;
        m_shown = true;
        // the share done is a rough one, so the time already spent is shown with it
        const int percent = static_cast<int>(std::clamp(fraction, 0.0, 0.99) * 100);
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(now - m_start).count();
        std::cerr << "\r\033[K" << stage << ": " << percent << " %, " << seconds / 60 << " мин " << seconds % 60
                  << " с (прервать — Ctrl+C)" << std::flush;
    }

private:
    using Clock = std::chrono::steady_clock;
    bool m_terminal;
    Clock::time_point m_start;
    Clock::time_point m_drawn{};
    bool m_shown = false;
};

// What is wrong with --max-error, each fault by its name: the form, the range, the decimals, a decimal comma.
std::optional<std::string> errorLimitFault(const std::string& text)
{
    if (sensor::parseErrorLimit(text) && text.find(',') == std::string::npos)
        return std::nullopt;
    std::string value = text;
    const bool percent = !value.empty() && value.back() == '%';
    if (percent)
        value.pop_back();
    const auto point = value.find_first_of(".,");
    const std::string whole = value.substr(0, point);
    const std::string fraction = point == std::string::npos ? std::string{} : value.substr(point + 1);
    const auto digits = [](const std::string& s) { return s.find_first_not_of("0123456789") == std::string::npos; };
    if (whole.empty() || !digits(whole) || !digits(fraction) || (point != std::string::npos && fraction.empty()))
        return "--max-error принимает число литров или процентов (E%): " + text;
    if (point != std::string::npos && value[point] == ',') {
        std::string withPoint = text;
        withPoint[point] = '.';
        return "--max-error принимает число с десятичной точкой: " + withPoint + ", а не " + text;
    }
    if (fraction.size() > 6)
        return "--max-error: не более шести знаков после запятой: " + text;
    if (percent)
        return "--max-error в процентах — от 0 до 100 %: " + text;
    return "--max-error в литрах — не больше 999 999 999 л: " + text;
}

std::optional<std::string> pointsFault(const std::string& text)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
        return "--max-points принимает целое число точек от 2 до 99 999 999: " + text;
    const auto n = wholeMm(text);
    if (!n || *n > 99'999'999)
        return "--max-points: точек не больше 99 999 999: " + text;
    if (*n < 2)
        return "--max-points: точек не меньше 2 (первая и последняя): " + text;
    return std::nullopt;
}

} // namespace

void addSensorOptions(CLI::App& app, SensorOptions& o)
{
    app.add_flag("--sensor", o.on, "таблица для датчика уровня: каждый миллиметр (код) или точки излома");
    app.add_option("--zero", o.zero, "нуль датчика Z мм над нулём ёмкости (--sensor)")->type_name("Z");
    app.add_option("--from-top", o.fromTop, "датчик сверху: расстояние вниз от точки REF мм над нулём (--sensor)")
        ->type_name("REF");
    app.add_option("--code", o.code, "коды EMPTY:FULL на активной длине --span (--sensor)")->type_name("EMPTY:FULL");
    app.add_option("--span", o.span, "активная длина датчика P мм (--code)")->type_name("P");
    app.add_option("--max-error", o.maxError, "наибольшая погрешность между точками: литры или проценты (E%)")
        ->type_name("E");
    app.add_option("--max-points", o.maxPoints, "не более N точек излома (--sensor)")->type_name("N");
    app.add_option("--format", o.format, "файл датчика: " + formatKeys() + " (по умолчанию csv)")->type_name("F");
}

std::optional<std::string> sensorUsageError(const CLI::App& app, const SensorOptions& o, bool otherForms)
{
    const bool any = app.count("--zero") || app.count("--from-top") || app.count("--code") || app.count("--span")
                     || app.count("--max-error") || app.count("--max-points") || app.count("--format");
    if (!o.on)
        return any ? std::optional<std::string>("параметры датчика — только с --sensor") : std::nullopt;
    if (otherForms)
        return "--sensor не сочетается с --json, --csv, --comma, --reverse и --every-mm (формат — --format)";
    if (app.count("--zero") && app.count("--from-top"))
        return "--zero и --from-top вместе не задаются: датчик стоит снизу или сверху";
    if (app.count("--zero") && !wholeMm(o.zero))
        return "--zero принимает целое число миллиметров до восьми цифр";
    if (app.count("--from-top") && !wholeMm(o.fromTop))
        return "--from-top принимает целое число миллиметров до восьми цифр";
    if (app.count("--code") != app.count("--span"))
        return "--code и --span задаются вместе";
    if (app.count("--code") && !codeRange(o.code, o.span))
        return "--code принимает EMPTY:FULL, --span — длину в мм: целые числа до восьми цифр";
    if (app.count("--max-error"))
        if (auto why = errorLimitFault(o.maxError))
            return why;
    if (app.count("--max-points"))
        if (auto why = pointsFault(o.maxPoints))
            return why;
    if (app.count("--format") && !sensor::findFormat(o.format))
        return "--format принимает " + formatKeys();
    return std::nullopt;
}

sensor::Settings sensorSettings(const SensorOptions& o, const sensor::Settings& saved)
{
    sensor::Settings settings = saved;
    sensor::Geometry& geometry = settings.geometry;
    if (!o.fromTop.empty()) {
        geometry.mounting = sensor::Mounting::Top;
        geometry.reference = *wholeMm(o.fromTop);
    } else if (!o.zero.empty()) {
        geometry.mounting = sensor::Mounting::Bottom;
        geometry.zero = *wholeMm(o.zero);
    }
    if (!o.code.empty())
        geometry.code = codeRange(o.code, o.span);
    if (!o.maxError.empty())
        settings.maxError = sensor::parseErrorLimit(o.maxError);
    if (!o.maxPoints.empty())
        settings.maxPoints = *wholeMm(o.maxPoints);
    if (!o.format.empty())
        settings.format = o.format;
    return settings;
}

SensorRun runSensor(const Tank& tank, const SensorOptions& o, const sensor::SearchControl* control)
{
    SensorRun run;
    TerminalProgress terminal;
    sensor::SearchControl shown;
    shown.progress = [&](double fraction) { terminal.show("Подбор точек", fraction); };
    const sensor::SearchControl& watch = control ? *control : shown;

    TableRequest request;
    request.keepLevels = true;
    request.byGauge = true; // the sensor's zero is counted from the gauge's
    request.cancel = watch.cancel;
    if (!control)
        request.progress = [&](double fraction) { terminal.show("Расчёт таблицы", fraction); };
    const auto outcome = tableOf(tank, request);
    if (outcome.cancelled()) {
        run.refusal = sensor::refusalText(sensor::Refusal{sensor::Fault::Cancelled, 0, 0});
        return run;
    }
    if (const auto* refusal = outcome.refusal()) {
        run.refusal = refusal->message;
        return run;
    }
    const int decimals = outcome.table().decimals;
    // the settings the tank keeps are the defaults; a typed option overrides its own
    const sensor::Settings settings = sensorSettings(o, tank.sensor.value_or(sensor::Settings{}));
    const auto table = sensor::sensorTable(outcome.table().levelVolumes, settings.geometry, decimals);
    if (!table) {
        run.refusal = sensor::refusalText(table.error());
        return run;
    }

    const auto& limit = settings.maxError;
    const auto& points = settings.maxPoints;
    sensor::Breakpoints chosen;
    if (limit) {
        auto fewest = sensor::fewestWithin(*table, *limit, points, watch);
        if (!fewest) {
            run.refusal = sensor::refusalText(fewest.error());
            return run;
        }
        chosen = std::move(*fewest);
    } else if (points) {
        auto best = sensor::bestWithPoints(*table, *points, watch);
        if (!best) {
            run.refusal = sensor::refusalText(best.error());
            return run;
        }
        chosen = std::move(*best);
    } else {
        chosen = sensor::everyRow(*table);
    }
    const auto* format = sensor::findFormat(settings.format);
    run.out = format->write(*table, chosen);
    if (limit || points) {
        const double full = table->litres(table->fullUnits);
        run.summary = "Точек: " + std::to_string(chosen.points.size()) + ", наибольшая погрешность "
                      + formatFixed(chosen.maxErrorLitres, 15, 3, ',') + " л"
                      + (full > 0 ? " (" + formatFixed(100 * chosen.maxErrorLitres / full, 15, 4, ',') + " %)" : "")
                      + (chosen.at ? " при " + readingWords(table->reading) + std::to_string(*chosen.at) : "") + ".";
    }
    return run;
}

} // namespace tarvol::cli
