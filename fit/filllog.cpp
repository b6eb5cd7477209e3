#include "fit/filllog.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>

#include "calc/format.h"

namespace tarvol {
namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view trim(std::string_view s)
{
    while (!s.empty() && isSpace(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isSpace(s.back()))
        s.remove_suffix(1);
    return s;
}

std::vector<std::string_view> splitOn(std::string_view s, std::string_view separators, bool skipEmpty)
{
    std::vector<std::string_view> fields;
    size_t start = 0;
    for (size_t i = 0; i <= s.size(); ++i) {
        if (i == s.size() || separators.find(s[i]) != std::string_view::npos) {
            const auto field = trim(s.substr(start, i - start));
            if (!field.empty() || !skipEmpty)
                fields.push_back(field);
            start = i + 1;
        }
    }
    return fields;
}

// ';' or tab when present; else blanks, a comma that touches a blank counting as one; else a lone comma.
std::vector<std::string_view> fieldsOf(std::string_view line)
{
    if (line.find_first_of(";\t") != std::string_view::npos)
        return splitOn(line, ";\t", false);
    if (line.find(' ') != std::string_view::npos) {
        std::vector<std::string_view> fields;
        for (auto word : splitOn(line, " ", true)) {
            // "12.5, 100" and "12.5 ,100": the comma beside a blank separates
            const bool lead = word.front() == ',';
            const bool tail = word.back() == ',';
            if (lead)
                word.remove_prefix(1);
            if (tail && !word.empty())
                word.remove_suffix(1);
            if (!word.empty())
                fields.push_back(word);
        }
        return fields;
    }
    return splitOn(line, ",", false);
}

std::optional<double> numberOf(std::string_view field)
{
    std::string text(field);
    std::replace(text.begin(), text.end(), ',', '.');
    const char* begin = text.data();
    if (!text.empty() && text.front() == '+')
        ++begin;
    double value = 0;
    const auto [end, ec] = std::from_chars(begin, text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

bool hasLetter(std::string_view s)
{
    // any byte outside ASCII digits and punctuation: Latin or Cyrillic letters of a heading
    return std::any_of(s.begin(), s.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u >= 0x80 || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z');
    });
}

} // namespace

expected<FillLog, LogRefusal> parseFillLog(std::string_view text, const LogOptions& options)
{
    if (text.starts_with("\xEF\xBB\xBF")) // the byte order mark spreadsheets put before UTF-8
        text.remove_prefix(3);
    FillLog log;
    bool seenContent = false;
    double running = 0;
    int lineNumber = 0;
    for (size_t start = 0; start <= text.size();) {
        const size_t end = std::min(text.find('\n', start), text.size());
        auto line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (const size_t hash = line.find('#'); hash != std::string_view::npos)
            line = line.substr(0, hash);
        line = trim(line);
        if (line.empty())
            continue;
        const bool first = !seenContent;
        seenContent = true;
        const auto fields = fieldsOf(line);
        std::optional<double> level, volume;
        if (fields.size() == 2) {
            level = numberOf(fields[0]);
            volume = numberOf(fields[1]);
        }
        if (first && hasLetter(line) && !(level && volume))
            continue; // the heading
        if (fields.size() != 2)
            return unexpected(LogRefusal{LogFault::NotTwoFields, lineNumber, static_cast<double>(fields.size()), 0});
        if (!level || !volume)
            return unexpected(LogRefusal{LogFault::NotNumber, lineNumber, 0, 0});
        if (options.doses && *volume < 0)
            return unexpected(LogRefusal{LogFault::VolumeFalls, lineNumber, -*volume, 0});
        const double cumulative = options.doses ? running + *volume : *volume;
        running = cumulative;
        if (!log.points.empty()) {
            const auto& before = log.points.back();
            if (before.level - *level > options.levelNoise)
                return unexpected(LogRefusal{LogFault::LevelFalls, lineNumber, before.level - *level, 0});
            if (cumulative < before.volume)
                return unexpected(LogRefusal{LogFault::VolumeFalls, lineNumber, before.volume - cumulative, 0});
        }
        log.points.push_back({*level, cumulative, lineNumber});
    }
    return log;
}

std::string logRefusalText(const LogRefusal& refusal)
{
    const auto number = [](double v) { return formatGeneral(std::round(v * 1000) / 1000, ','); };
    const std::string where = "Строка " + std::to_string(refusal.line) + " журнала налива: ";
    switch (refusal.fault) {
    case LogFault::NotNumber:
        return where + "не число. Нужны два числа: уровень (мм) и объём (л).";
    case LogFault::NotTwoFields:
        return where + "чисел " + number(refusal.value) + ", а нужно два: уровень (мм) и объём (л).";
    case LogFault::LevelFalls:
        return where + "уровень ниже предыдущего на " + number(refusal.value) + " мм, больше погрешности отсчёта.";
    case LogFault::VolumeFalls:
        return where + "объём меньше предыдущего на " + number(refusal.value) + " л.";
    case LogFault::TooFewPoints:
        return "В журнале налива точек " + number(refusal.value) + ", а для подбора нужно не меньше "
               + std::to_string(refusal.needed) + " (свободных параметров плюс два).";
    }
    return {};
}

} // namespace tarvol
