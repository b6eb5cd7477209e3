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
        if (f.suffix == wanted || (wanted == "yml" && f.key == "yaml"))
            return &f;
    return nullptr;
}

} // namespace tarvol::sensor
