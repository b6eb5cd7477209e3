#include "sensor/settings.h"

#include <cmath>

#include <nlohmann/json.hpp>

#include "sensor/formats.h"

namespace tarvol::sensor {

void to_json(nlohmann::json& j, const Settings& s)
{
    const Geometry& g = s.geometry;
    j = nlohmann::json::object();
    j["mounting"] = g.mounting == Mounting::Top ? "top" : "bottom";
    j["zero"] = g.zero;
    j["reference"] = g.reference;
    j["code"] = g.code ? nlohmann::json{{"empty", g.code->empty}, {"full", g.code->full}, {"span", g.code->span}}
                       : nlohmann::json(nullptr);
    j["max_error"] = s.maxError ? nlohmann::json{{"value", s.maxError->value()}, {"percent", s.maxError->percent}}
                                : nlohmann::json(nullptr);
    j["max_points"] = s.maxPoints ? nlohmann::json(*s.maxPoints) : nlohmann::json(nullptr);
    j["format"] = s.format;
}

namespace {

// The largest reading, code or point count a file may hold: eight digits, as typed on the command line.
constexpr std::int64_t kLargest = 99'999'999;
constexpr double kLargestLitres = 999'999'999;

[[noreturn]] void refuse(const std::string& key)
{
    throw nlohmann::json::out_of_range::create(406, "sensor." + key, nullptr);
}

// A whole number of at most eight digits under `key`, or the fallback when there is none; anything else is refused
// rather than cast, since a file's 1e300 would not fit the integer.
std::int64_t whole(const nlohmann::json& j, const char* key, std::int64_t fallback, std::int64_t least = -kLargest)
{
    if (!j.contains(key))
        return fallback;
    const auto& v = j.at(key);
    if (!v.is_number_integer() || (v.is_number_unsigned() && v.get<std::uint64_t>() > std::uint64_t{kLargest}))
        refuse(key);
    const auto n = v.get<std::int64_t>();
    if (n < least || n > kLargest)
        refuse(key);
    return n;
}

} // namespace

void from_json(const nlohmann::json& j, Settings& s)
{
    Settings read;
    Geometry& g = read.geometry;
    if (!j.is_object())
        refuse("");
    if (j.contains("mounting")) {
        const auto& m = j.at("mounting");
        if (!m.is_string() || (m != "top" && m != "bottom"))
            refuse("mounting");
        g.mounting = m == "top" ? Mounting::Top : Mounting::Bottom;
    }
    g.zero = whole(j, "zero", g.zero);
    g.reference = whole(j, "reference", g.reference);
    if (j.contains("code") && j.at("code").is_object()) {
        const auto& c = j.at("code");
        g.code = CodeRange{whole(c, "empty", 0), whole(c, "full", 1023), whole(c, "span", 0)};
    }
    if (j.contains("max_error") && j.at("max_error").is_object()) {
        const auto& e = j.at("max_error");
        const bool percent = e.value("percent", false);
        const double value = e.value("value", 0.0);
        if (!std::isfinite(value) || value < 0 || value > (percent ? 100.0 : kLargestLitres))
            refuse("max_error");
        // the value went out as a double of six decimals at most
        read.maxError = ErrorLimit{std::llround(value * 1e6), percent};
    }
    if (j.contains("max_points") && !j.at("max_points").is_null())
        read.maxPoints = whole(j, "max_points", 2, 2);
    if (j.contains("format") && findFormat(j.at("format").get<std::string>()))
        read.format = j.at("format").get<std::string>();
    s = read;
}

} // namespace tarvol::sensor
