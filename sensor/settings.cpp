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

void from_json(const nlohmann::json& j, Settings& s)
{
    Settings read;
    Geometry& g = read.geometry;
    if (j.contains("mounting"))
        g.mounting = j.at("mounting").get<std::string>() == "top" ? Mounting::Top : Mounting::Bottom;
    g.zero = j.value("zero", g.zero);
    g.reference = j.value("reference", g.reference);
    if (j.contains("code") && j.at("code").is_object()) {
        const auto& c = j.at("code");
        g.code = CodeRange{c.value("empty", std::int64_t{0}), c.value("full", std::int64_t{1023}),
                           c.value("span", std::int64_t{0})};
    }
    if (j.contains("max_error") && j.at("max_error").is_object()) {
        const auto& e = j.at("max_error");
        // the value went out as a double of six decimals at most
        read.maxError = ErrorLimit{std::llround(e.value("value", 0.0) * 1e6), e.value("percent", false)};
    }
    if (j.contains("max_points") && j.at("max_points").is_number_integer())
        read.maxPoints = j.at("max_points").get<std::int64_t>();
    if (j.contains("format") && findFormat(j.at("format").get<std::string>()))
        read.format = j.at("format").get<std::string>();
    s = read;
}

} // namespace tarvol::sensor
