#include "sensor/sensor.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "calc/format.h"

namespace tarvol::sensor {
namespace {

__extension__ typedef __int128 Wide;

// Readings and codes stay below 2^28 and printed volumes below 2^50 units, so every product the exact
// breakpoint search forms fits in 128 bits.
constexpr std::int64_t kLargestReading = std::int64_t{1} << 28;
constexpr std::int64_t kLargestUnits = std::int64_t{1} << 50;

Wide floorDiv(Wide a, Wide b)
{
    Wide q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}
Wide ceilDiv(Wide a, Wide b) { return -floorDiv(-a, b); }

std::int64_t power10(int n)
{
    std::int64_t p = 1;
    while (n-- > 0)
        p *= 10;
    return p;
}

// The volume as the per-millimetre table prints it, in units of its last decimal.
std::optional<std::int64_t> printedUnits(double volume, int decimals)
{
    const std::string text = formatFixed(volume, 16, decimals, '.');
    std::string digits;
    digits.reserve(text.size());
    for (char c : text)
        if (c != '.')
            digits += c;
    std::int64_t units = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), units);
    if (ec != std::errc{} || end != digits.data() + digits.size() || units >= kLargestUnits || units <= -kLargestUnits)
        return std::nullopt;
    return units;
}

// n/d to the nearest integer, halves away from zero as a printed volume is rounded; d > 0.
Wide roundHalfAway(Wide n, Wide d) { return n >= 0 ? floorDiv(2 * n + d, 2 * d) : -floorDiv(-2 * n + d, 2 * d); }

// A large number as whole digits in groups of three, as a user reads it: no exponent, no unit lost.
std::string grouped(double value)
{
    std::string digits = formatFixed(std::trunc(value), 40, 0, ',');
    const std::size_t sign = !digits.empty() && digits[0] == '-' ? 1 : 0;
    for (auto at = digits.size(); at > sign + 3; at -= 3)
        digits.insert(at - 3, 1, ' ');
    return digits;
}

} // namespace

std::string_view readingName(Reading reading)
{
    switch (reading) {
    case Reading::LevelMm:
        return "level_mm";
    case Reading::UllageMm:
        return "ullage_mm";
    case Reading::Code:
        return "code";
    }
    return {};
}

std::optional<ErrorLimit> parseErrorLimit(std::string_view text)
{
    ErrorLimit limit;
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    if (!text.empty() && text.back() == '%') {
        limit.percent = true;
        text.remove_suffix(1);
        while (!text.empty() && text.back() == ' ')
            text.remove_suffix(1);
    }
    const auto point = text.find_first_of(".,");
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction = point == std::string_view::npos ? std::string_view{} : text.substr(point + 1);
    const auto digitsOnly = [](std::string_view s) { return s.find_first_not_of("0123456789") == s.npos; };
    if (whole.empty() || whole.size() > 9 || fraction.size() > 6 || !digitsOnly(whole) || !digitsOnly(fraction)
        || (point != std::string_view::npos && fraction.empty()))
        return std::nullopt;
    std::int64_t value = 0;
    for (char c : whole)
        value = value * 10 + (c - '0');
    for (std::size_t i = 0; i < 6; ++i)
        value = value * 10 + (i < fraction.size() ? fraction[i] - '0' : 0);
    limit.micro = value;
    if (limit.percent && limit.micro > 100'000'000)
        return std::nullopt;
    return limit;
}

double Table::litres(std::int64_t units) const
{
    return static_cast<double>(units) / static_cast<double>(power10(decimals));
}

std::string Table::volumeText(std::int64_t units) const
{
    const bool negative = units < 0;
    std::string digits = std::to_string(negative ? -units : units);
    if (decimals > 0) {
        if (digits.size() <= static_cast<std::size_t>(decimals))
            digits.insert(0, static_cast<std::size_t>(decimals) + 1 - digits.size(), '0');
        digits.insert(digits.size() - static_cast<std::size_t>(decimals), 1, '.');
    }
    return negative ? "-" + digits : digits;
}

std::string_view faultName(Fault fault)
{
    switch (fault) {
    case Fault::ReferenceTooLow:
        return "reference-too-low";
    case Fault::ZeroAboveTop:
        return "zero-above-top";
    case Fault::ZeroSpan:
        return "zero-span";
    case Fault::EqualCodes:
        return "equal-codes";
    case Fault::TooManyPoints:
        return "too-many-points";
    case Fault::TooLarge:
        return "too-large";
    case Fault::NoTable:
        return "no-table";
    case Fault::Cancelled:
        return "cancelled";
    }
    return {};
}

std::string refusalText(const Refusal& r)
{
    const auto whole = [](double v) { return formatGeneral(v, ','); };
    switch (r.fault) {
    case Fault::ReferenceTooLow:
        return "Точка отсчёта датчика сверху (REF) должна быть не ниже 1 мм над нулём ёмкости; указано "
               + whole(r.value) + " мм.";
    case Fault::ZeroAboveTop:
        return "Нуль датчика (Z = " + whole(r.value) + " мм) выше верха ёмкости (" + whole(r.limit) + " мм).";
    case Fault::ZeroSpan:
        return "Активная длина датчика (P) должна быть больше 0 мм; указано " + whole(r.value) + " мм.";
    case Fault::EqualCodes:
        return "Коды пустой и полной ёмкости совпадают (" + whole(r.value) + "): коды не различают уровни.";
    case Fault::TooManyPoints:
        return "Для заданной погрешности нужно точек: " + whole(r.value) + ", а допускается не более " + whole(r.limit)
               + ". Увеличьте погрешность или число точек.";
    case Fault::TooLarge:
        if (!std::isfinite(r.value))
            return "Объём ёмкости не число: таблицу датчика не построить.";
        // the readings' bound is the one whole-number limit; any other is the volume's, in litres
        if (r.limit == static_cast<double>(kLargestReading))
            return "Таблица датчика слишком велика для точного подбора точек: показание или код " + grouped(r.value)
                   + " при пределе " + grouped(r.limit) + ".";
        return "Объём ёмкости слишком велик для таблицы датчика: " + grouped(r.value) + " л при пределе "
               + grouped(r.limit) + " л.";
    case Fault::NoTable:
        return "Нет таблицы ёмкости для датчика.";
    case Fault::Cancelled:
        return "Подбор точек прерван.";
    }
    return {};
}

expected<Table, Refusal> sensorTable(std::span<const double> levelVolumes, const Geometry& g, int decimals)
{
    if (levelVolumes.empty())
        return unexpected(Refusal{Fault::NoTable, 0, 0});
    const auto top = static_cast<std::int64_t>(levelVolumes.size()) - 1;
    if (top >= kLargestReading)
        return unexpected(Refusal{Fault::TooLarge, static_cast<double>(top), static_cast<double>(kLargestReading)});
    if (g.mounting == Mounting::Top && g.reference < 1)
        return unexpected(Refusal{Fault::ReferenceTooLow, static_cast<double>(g.reference), 1});
    if (g.mounting == Mounting::Bottom && (g.zero > top || g.zero < 0))
        return unexpected(Refusal{Fault::ZeroAboveTop, static_cast<double>(g.zero), static_cast<double>(top)});
    if (g.code) {
        if (g.code->span <= 0)
            return unexpected(Refusal{Fault::ZeroSpan, static_cast<double>(g.code->span), 0});
        if (g.code->empty == g.code->full)
            return unexpected(Refusal{Fault::EqualCodes, static_cast<double>(g.code->empty), 0});
        for (const auto v : {g.code->empty, g.code->full, g.code->span})
            if (v >= kLargestReading || v <= -kLargestReading)
                return unexpected(
                    Refusal{Fault::TooLarge, static_cast<double>(v), static_cast<double>(kLargestReading)});
    }
    if (g.mounting == Mounting::Top && g.reference >= kLargestReading)
        return unexpected(
            Refusal{Fault::TooLarge, static_cast<double>(g.reference), static_cast<double>(kLargestReading)});

    Table t;
    t.decimals = runDecimals(decimals);
    t.reading = g.code ? Reading::Code : g.mounting == Mounting::Top ? Reading::UllageMm : Reading::LevelMm;
    const auto full = printedUnits(levelVolumes.back(), t.decimals);
    if (!full)
        return unexpected(Refusal{Fault::TooLarge, levelVolumes.back(),
                                  static_cast<double>(kLargestUnits) / static_cast<double>(power10(t.decimals))});
    t.fullUnits = *full;

    // the readings the tank spans, in mm: level = reading + Z from the bottom, REF - reading from the top
    const bool fromTop = g.mounting == Mounting::Top;
    const std::int64_t lowest = fromTop ? g.reference - std::min(g.reference, top) : 0;
    const std::int64_t highest = fromTop ? g.reference : top - g.zero;
    // level numerator over `den` for a reading numerator over `den`
    const auto level = [&](Wide reading, Wide den) {
        return fromTop ? Wide{g.reference} * den - reading : reading + Wide{g.zero} * den;
    };
    const auto add = [&](std::int64_t x, double volume) -> bool {
        const auto units = printedUnits(volume, t.decimals);
        if (!units)
            return false;
        t.rows.push_back({x, *units});
        return true;
    };
    const auto tooLarge = [&] {
        return unexpected(Refusal{Fault::TooLarge, levelVolumes.back(),
                                  static_cast<double>(kLargestUnits) / static_cast<double>(power10(t.decimals))});
    };

    if (!g.code) {
        t.rows.reserve(static_cast<std::size_t>(highest - lowest + 1));
        for (std::int64_t r = lowest; r <= highest; ++r)
            if (!add(r, levelVolumes[static_cast<std::size_t>(level(r, 1))]))
                return tooLarge();
        return t;
    }

    // the codes whose reading lies in the tank and within the sensor's active length
    const CodeRange& c = *g.code;
    const std::int64_t from = std::max<std::int64_t>(lowest, 0);
    const std::int64_t to = std::min(highest, c.span);
    if (from > to)
        return t;
    const Wide delta = Wide{c.full} - c.empty;
    const Wide a = Wide{c.empty} + floorDiv(delta * from, c.span);
    const Wide b = Wide{c.empty} + floorDiv(delta * to, c.span);
    // ceil at the low end and floor at the high end, whichever reading each belongs to
    const Wide first =
        delta > 0 ? Wide{c.empty} + ceilDiv(delta * from, c.span) : Wide{c.empty} + ceilDiv(delta * to, c.span);
    const Wide last = delta > 0 ? b : a;
    // reading of code k: (k - empty) * span / delta mm, kept as a fraction over |delta|
    const Wide den = delta > 0 ? delta : -delta;
    const Wide sign = delta > 0 ? 1 : -1;
    // the printed volume of a millimetre, the last two kept, as consecutive codes mostly fall in the same ones
    std::array<std::pair<std::size_t, std::int64_t>, 2> seen{{{levelVolumes.size(), 0}, {levelVolumes.size(), 0}}};
    const auto printedAt = [&](std::size_t mm) -> std::optional<std::int64_t> {
        for (const auto& [at, units] : seen)
            if (at == mm)
                return units;
        const auto units = printedUnits(levelVolumes[mm], t.decimals);
        if (units) {
            seen[1] = seen[0];
            seen[0] = {mm, *units};
        }
        return units;
    };
    t.rows.reserve(static_cast<std::size_t>(std::max<Wide>(last - first + 1, 0)));
    for (Wide k = first; k <= last; ++k) {
        // within a millimetre the printed volumes are interpolated, and the result rounded as they are printed
        const Wide num = level(sign * (k - c.empty) * c.span, den);
        const Wide floor = floorDiv(num, den);
        const Wide rest = num - floor * den;
        const auto mm = static_cast<std::size_t>(floor);
        const auto low = printedAt(mm);
        const auto high = rest == 0 ? low : printedAt(mm + 1);
        if (!low || !high)
            return tooLarge();
        t.rows.push_back({static_cast<std::int64_t>(k), static_cast<std::int64_t>(roundHalfAway(
                                                            Wide{*low} * den + (Wide{*high} - *low) * rest, den))});
    }
    return t;
}

} // namespace tarvol::sensor
