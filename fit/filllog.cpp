#include "fit/filllog.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <optional>

#include "calc/catalogue.h"
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

// The fields of a line: two are wanted, so only the first three are kept, while all are counted.
struct Fields {
    std::array<std::string_view, 3> at{};
    std::size_t count = 0;

    void add(std::string_view field)
    {
        if (count < at.size())
            at[count] = field;
        ++count;
    }
};

void splitOn(std::string_view s, std::string_view separators, bool skipEmpty, Fields& fields)
{
    size_t start = 0;
    for (size_t i = 0; i <= s.size(); ++i) {
        if (i == s.size() || separators.find(s[i]) != std::string_view::npos) {
            const auto field = trim(s.substr(start, i - start));
            if (!field.empty() || !skipEmpty)
                fields.add(field);
            start = i + 1;
        }
    }
}

// ';' or tab when present; else blanks, a comma that touches a blank counting as one; else a lone comma.
Fields fieldsOf(std::string_view line)
{
    Fields fields;
    if (line.find_first_of(";\t") != std::string_view::npos) {
        splitOn(line, ";\t", false, fields);
        return fields;
    }
    if (line.find(' ') != std::string_view::npos) {
        for (size_t start = line.find_first_not_of(' '); start != std::string_view::npos;
             start = line.find_first_not_of(' ', start)) {
            const size_t end = std::min(line.find(' ', start), line.size());
            std::string_view word = trim(line.substr(start, end - start));
            start = end;
            // "12.5, 100" and "12.5 ,100": the comma beside a blank separates
            if (!word.empty() && word.front() == ',')
                word.remove_prefix(1);
            if (!word.empty() && word.back() == ',')
                word.remove_suffix(1);
            if (!word.empty())
                fields.add(word);
        }
        return fields;
    }
    splitOn(line, ",", false, fields);
    return fields;
}

std::optional<double> numberOf(std::string_view field)
{
    // the copy with a full stop for a decimal comma stays on the stack unless the field is unusually long
    std::array<char, 128> shortText; // left uninitialised: only the field's length of it is read
    std::string longText;
    char* text = shortText.data();
    if (field.size() > shortText.size()) {
        longText.resize(field.size());
        text = longText.data();
    }
    std::replace_copy(field.begin(), field.end(), text, ',', '.');
    const char* begin = text;
    const char* const last = text + field.size();
    if (begin != last && *begin == '+')
        ++begin;
    double value = 0;
    const auto [end, ec] = std::from_chars(begin, last, value);
    if (ec != std::errc() || end != last || !std::isfinite(value))
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

// A number as a reader takes it in at a glance: up to a billion as it is, beyond that as m · 10ⁿ.
std::string readable(double v)
{
    if (!(std::abs(v) >= 1e9))
        return formatGeneral(std::round(v * 1000) / 1000, ',');
    const int exponent = static_cast<int>(std::floor(std::log10(std::abs(v))));
    const double mantissa = std::round(v / std::pow(10.0, exponent) * 10) / 10;
    static constexpr std::array<std::string_view, 10> kSuperscript{"⁰", "¹", "²", "³", "⁴", "⁵", "⁶", "⁷", "⁸", "⁹"};
    std::string power;
    for (const char digit : std::to_string(exponent))
        power += kSuperscript[static_cast<size_t>(digit - '0')];
    return formatGeneral(mantissa, ',') + " · 10" + power;
}

} // namespace

bool FillLogReader::line(std::string_view text)
{
    if (m_refusal)
        return false;
    ++m_lineNumber;
    const auto refuse = [&](LogFault fault, double value) {
        m_refusal = LogRefusal{fault, m_lineNumber, value, 0};
        return false;
    };
    if (text.size() > kLongestLogLine)
        return refuse(LogFault::LineTooLong, static_cast<double>(kLongestLogLine));
    if (m_lineNumber == 1 && text.starts_with("\xEF\xBB\xBF")) // the byte order mark spreadsheets put before UTF-8
        text.remove_prefix(3);
    if (const size_t hash = text.find('#'); hash != std::string_view::npos)
        text = text.substr(0, hash);
    text = trim(text);
    if (text.empty())
        return true;
    const bool first = !m_seenContent;
    m_seenContent = true;
    const Fields fields = fieldsOf(text);
    std::optional<double> level, volume;
    if (fields.count == 2) {
        level = numberOf(fields.at[0]);
        volume = numberOf(fields.at[1]);
    }
    if (first && hasLetter(text) && !(level && volume))
        return true; // the heading
    if (fields.count != 2)
        return refuse(LogFault::NotTwoFields, static_cast<double>(fields.count));
    if (!level || !volume)
        return refuse(LogFault::NotNumber, 0);
    if (m_options.doses && *volume < 0)
        return refuse(LogFault::VolumeFalls, -*volume);
    const double cumulative = m_options.doses ? m_running + *volume : *volume;
    const auto beyond = [&](LogFault fault, double value, double limit) {
        m_refusal = LogRefusal{fault, m_lineNumber, value, 0, limit};
        return false;
    };
    if (std::abs(*level) > m_options.largestLevel)
        return beyond(LogFault::LevelBeyond, *level, m_options.largestLevel);
    if (std::abs(cumulative) > m_options.largestVolume)
        return beyond(LogFault::VolumeBeyond, cumulative, m_options.largestVolume);
    m_running = cumulative;
    if (!m_log.points.empty()) {
        const auto& before = m_log.points.back();
        if (before.level - *level > m_options.levelNoise)
            return refuse(LogFault::LevelFalls, before.level - *level);
        if (cumulative < before.volume)
            return refuse(LogFault::VolumeFalls, before.volume - cumulative);
    }
    m_log.points.push_back({*level, cumulative, m_lineNumber});
    return true;
}

expected<FillLog, LogRefusal> FillLogReader::finish() &&
{
    if (m_refusal)
        return unexpected(*m_refusal);
    m_log.points.shrink_to_fit();
    return std::move(m_log);
}

expected<FillLog, LogRefusal> parseFillLog(std::string_view text, const LogOptions& options)
{
    FillLogReader reader(options);
    for (size_t start = 0; start <= text.size();) {
        const size_t end = std::min(text.find('\n', start), text.size());
        if (!reader.line(text.substr(start, end - start)))
            break;
        start = end + 1;
    }
    return std::move(reader).finish();
}

LogOptions withShapeLimits(LogOptions options, int shape)
{
    constexpr double kLargestField = 99'999'999; // mm, eight digits
    const double extent = kLargestField * static_cast<double>(tarvol::shape(shape).captions.size());
    options.largestLevel = extent;
    options.largestVolume = extent * extent * extent * 1e-6; // mm³ to litres
    return options;
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
    case LogFault::LevelBeyond:
        return where + "уровень " + readable(refusal.value)
               + " мм — такого нет ни в одной ёмкости этой формы (не более " + readable(refusal.limit) + " мм).";
    case LogFault::VolumeBeyond:
        return where + "объём " + readable(refusal.value)
               + " л — столько не вмещает ни одна ёмкость этой формы (не более " + readable(refusal.limit) + " л).";
    case LogFault::LineTooLong:
        return where + "длиннее " + number(refusal.value) + " байт: это не журнал налива.";
    case LogFault::TooFewPoints:
        return "В журнале налива точек " + number(refusal.value) + ", а для подбора нужно не меньше "
               + std::to_string(refusal.needed) + " (свободных параметров плюс два).";
    }
    return {};
}

} // namespace tarvol
