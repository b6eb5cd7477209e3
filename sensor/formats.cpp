#include "sensor/formats.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace tarvol::sensor {
namespace {

// The shortest text that reads back to the same double.
std::string number(double v)
{
    if (!std::isfinite(v))
        return "null";
    char buf[40];
    return std::string(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
}

// The lines of every breakpoint, "x<between>volume<end>".
std::string lines(const Table& t, const Breakpoints& b, std::string_view before, std::string_view between)
{
    std::string out;
    out.reserve(b.points.size() * 20);
    for (const auto& p : b.points) {
        out += before;
        out += std::to_string(p.x);
        out += between;
        out += t.volumeText(p.units);
        out += '\n';
    }
    return out;
}

std::string writeCsv(const Table& t, const Breakpoints& b)
{
    return std::string(readingName(t.reading)) + ";volume_l\n" + lines(t, b, "", ";");
}

std::string writePairs(const Table& t, const Breakpoints& b) { return lines(t, b, "", " "); }

// a calibrate_linear filter, pasted under a sensor's filters
std::string writeYaml(const Table& t, const Breakpoints& b)
{
    return "- calibrate_linear:\n" + lines(t, b, "    - ", " -> ");
}

// ESPHome's calibrate_linear with the exact method: the broken line through the points, where the list alone is
// read as one least-squares line
std::string writeEsphome(const Table& t, const Breakpoints& b)
{
    return "- calibrate_linear:\n    method: exact\n    datapoints:\n" + lines(t, b, "      - ", " -> ");
}

// A number in plain decimals, as short as reads back to the same double.
std::string plain(double v)
{
    char buf[400];
    return std::string(buf, std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed).ptr);
}

// One segment a line, "x;a;b": the volume is a·x + b from this x to the next; the last line, at the last point,
// holds its volume (a = 0). a and b are quotients of the printed integers, divided once in doubles.
std::string writeSegments(const Table& t, const Breakpoints& b)
{
    __extension__ typedef __int128 Wide;
    Wide perLitre = 1;
    for (int k = 0; k < t.decimals; ++k)
        perLitre *= 10;
    std::string out;
    for (std::size_t k = 0; k < b.points.size(); ++k) {
        const Row& p = b.points[k];
        double a = 0;
        double c = t.litres(p.units);
        if (k + 1 < b.points.size()) {
            const Row& q = b.points[k + 1];
            const Wide dx = Wide{q.x} - p.x;
            const Wide dv = Wide{q.units} - p.units;
            a = static_cast<double>(dv) / static_cast<double>(dx * perLitre);
            c = static_cast<double>(Wide{p.units} * dx - dv * p.x) / static_cast<double>(dx * perLitre);
        }
        out += std::to_string(p.x) + ';' + plain(a) + ';' + plain(c) + '\n';
    }
    return out;
}

std::string writeJson(const Table& t, const Breakpoints& b)
{
    std::string out = "{\"x\": \"" + std::string(readingName(t.reading)) + "\", \"breakpoints\": [";
    const char* comma = "";
    for (const auto& p : b.points) {
        out += comma;
        out += '[' + std::to_string(p.x) + ", " + t.volumeText(p.units) + ']';
        comma = ", ";
    }
    out += "], \"max_error_l\": " + number(b.maxErrorLitres) + ", \"at\": ";
    out += b.at ? std::to_string(*b.at) : std::string("null");
    out += "}\n";
    return out;
}

constexpr std::array kFormats{
    Format{"csv", "CSV (*.csv)", "csv", writeCsv},
    Format{"xy", "Пары «X Y» (*.txt)", "txt", writePairs},
    Format{"yaml", "YAML (*.yaml)", "yaml", writeYaml},
    Format{"json", "JSON (*.json)", "json", writeJson},
    Format{"segments", "Отрезки «x;a;b» (*.seg)", "seg", writeSegments},
    Format{"esphome", "ESPHome, ломаная по точкам (*.yml)", "yml", writeEsphome},
};

} // namespace

std::span<const Format> formats() { return kFormats; }

const Format* findFormat(std::string_view key)
{
    const auto it = std::find_if(kFormats.begin(), kFormats.end(), [&](const Format& f) { return f.key == key; });
    return it == kFormats.end() ? nullptr : &*it;
}

const Format* formatBySuffix(std::string_view suffix)
{
    const auto lower = [](std::string_view s) {
        std::string out(s);
        std::transform(out.begin(), out.end(), out.begin(),
                       [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
        return out;
    };
    const std::string wanted = lower(suffix);
    for (const auto& f : kFormats)
        if (f.suffix == wanted)
            return &f;
    return nullptr;
}

} // namespace tarvol::sensor
