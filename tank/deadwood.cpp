#include "tank/deadwood.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <numbers>

#include "calc/format.h"
#include "tank/tankfile.h"

namespace tarvol {
namespace {

using Json = nlohmann::ordered_json;

constexpr double kLargestLevel = 99'999'999;    // mm, as a typed dimension
constexpr double kLargestItem = 1e12;           // litres: a million cubic metres
constexpr double kLeastDensity = 100;           // kg/m³: lighter than any product a tank holds
constexpr double kGreatestDensity = 25'000;     // kg/m³: heavier than any
constexpr double kLargestRoofMass = 10'000'000; // kg
constexpr std::string_view kHeader = "name;from_mm;to_mm;volume_l;distribution;sign";

// The share of a circle of diameter 1 below a chord at height x (0..1) above its bottom.
double segmentShare(double x)
{
    if (x <= 0)
        return 0;
    if (x >= 1)
        return 1;
    const double angle = 2 * std::acos(1 - 2 * x); // the central angle of the filled segment
    return (angle - std::sin(angle)) / (2 * std::numbers::pi);
}

std::string number(double value) { return formatGeneral(value, ','); }

} // namespace

// A number of a list is a few digits; a longer field is not one.
constexpr std::size_t kLongestCsvNumber = 32;

std::optional<double> decimalNumber(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    if (text.empty() || text.size() > kLongestCsvNumber)
        return std::nullopt;
    std::string digits(text);
    int marks = 0;
    for (char& c : digits) {
        if (c == ',')
            c = '.';
        if (c == '.')
            ++marks;
        else if (c < '0' || c > '9')
            return std::nullopt;
    }
    if (marks > 1 || digits == ".")
        return std::nullopt;
    double value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (ec != std::errc() || end != digits.data() + digits.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

namespace {

// The fields of one line: ';'-separated, a field in double quotes may hold ';' and "" for a quote.
std::optional<std::vector<std::string>> splitLine(std::string_view line)
{
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                fields.back() += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                fields.back() += c;
            }
        } else if (c == '"' && fields.back().empty()) {
            quoted = true;
        } else if (c == ';') {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    if (quoted)
        return std::nullopt;
    return fields;
}

bool validUtf8(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const std::size_t length = c < 0x80 ? 1 : (c >> 5U) == 6 ? 2 : (c >> 4U) == 14 ? 3 : (c >> 3U) == 30 ? 4 : 0;
        if (length == 0 || i + length > text.size())
            return false;
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) >> 6U) != 2)
                return false;
        if (length == 1 && c < 0x20 && c != '\t')
            return false;
        i += length;
    }
    return true;
}

std::string quoted(const std::string& name)
{
    if (name.find_first_of(";\"") == std::string::npos)
        return name;
    std::string out = "\"";
    for (const char c : name)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + '"';
}

// The shortest digits that read back as the same number, so that a list exported and imported again is the same
// list; a number too small for a field of the list keeps fifteen digits.
std::string csvNumber(double value)
{
    std::array<char, 400> digits{};
    const auto [end, ec] = std::to_chars(digits.data(), digits.data() + digits.size(), value, std::chars_format::fixed);
    const auto size = static_cast<std::size_t>(end - digits.data());
    if (ec != std::errc() || size > kLongestCsvNumber)
        return formatGeneral(value, '.');
    return {digits.data(), size};
}

expected<DeadwoodItem, std::string> itemOfFields(const std::vector<std::string>& f)
{
    if (f.size() != 6 && f.size() != 7)
        return unexpected("ожидается 6 или 7 полей через «;», а их " + std::to_string(f.size()));
    DeadwoodItem item;
    item.name = f[0];
    if (!validUtf8(item.name))
        return unexpected(std::string("название не в UTF-8 или с управляющими символами"));
    const std::pair<const char*, double*> numbers[] = {
        {"from_mm", &item.from}, {"to_mm", &item.to}, {"volume_l", &item.litres}};
    for (std::size_t i = 0; i < 3; ++i) {
        const auto value = decimalNumber(f[i + 1]);
        if (!value)
            return unexpected(std::string(numbers[i].first) + ": не число: «" + f[i + 1].substr(0, 40) + "»");
        *numbers[i].second = *value;
    }
    const auto spread = spreadOf(f[4]);
    if (!spread)
        return unexpected("distribution: «" + f[4].substr(0, 40) + "» — нужно uniform или horizontal-cylinder");
    item.spread = *spread;
    if (f[5] != "-" && f[5] != "+")
        return unexpected("sign: «" + f[5].substr(0, 40) + "» — нужно «-» (внутри) или «+» (снаружи)");
    item.adds = f[5] == "+";
    if (f.size() == 7 && !f[6].empty()) {
        const auto u = decimalNumber(f[6]);
        if (!u)
            return unexpected("u_l: не число: «" + f[6].substr(0, 40) + "»");
        item.standard = *u;
    }
    if (const auto fault = itemFault(item))
        return unexpected(*fault);
    return item;
}

template <typename T>
expected<T, DeadwoodJsonError> jsonFault(std::string key, std::string reason)
{
    return unexpected(DeadwoodJsonError{std::move(key), std::move(reason)});
}

std::optional<double> jsonNumber(const Json& object, std::string_view key)
{
    const auto at = object.find(std::string(key));
    if (at == object.end() || !at->is_number())
        return std::nullopt;
    const double value = at->get<double>();
    return std::isfinite(value) ? std::optional(value) : std::nullopt;
}

} // namespace

double itemShareBelow(const DeadwoodItem& item, double level)
{
    if (level < item.from)
        return 0;
    if (level >= item.to)
        return item.litres;
    const double fraction = (level - item.from) / (item.to - item.from);
    return item.litres * (item.spread == Spread::Uniform ? fraction : segmentShare(fraction));
}

double deadwoodCorrection(const Deadwood& deadwood, double level)
{
    double litres = 0;
    for (const DeadwoodItem& item : deadwood.items)
        litres += item.adds ? itemShareBelow(item, level) : -itemShareBelow(item, level);
    if (deadwood.roof && level >= deadwood.roof->zoneTo)
        litres -= deadwood.roof->litres();
    return litres;
}

double deadwoodStandard(const Deadwood& deadwood, double level)
{
    double variance = 0;
    for (const DeadwoodItem& item : deadwood.items)
        if (item.standard && item.litres > 0) {
            const double u = *item.standard * itemShareBelow(item, level) / item.litres;
            variance += u * u;
        }
    return std::sqrt(variance);
}

bool inRoofZone(const Deadwood& deadwood, double level)
{
    return deadwood.roof && level >= deadwood.roof->zoneFrom && level < deadwood.roof->zoneTo;
}

std::optional<std::string> itemFault(const DeadwoodItem& item)
{
    if (item.name.size() > 200)
        return std::string("название длиннее 200 байт");
    if (!(item.from >= 0 && item.from <= kLargestLevel))
        return "from_mm: " + number(item.from) + " — нужно от 0 до 99 999 999 мм";
    if (!(item.to >= item.from && item.to <= kLargestLevel))
        return "to_mm: " + number(item.to) + " — нужно от from_mm (" + number(item.from) + ") до 99 999 999 мм";
    if (!(item.litres >= 0 && item.litres <= kLargestItem))
        return "volume_l: " + number(item.litres) + " — нужно от 0 до 10¹² л";
    if (item.standard && !(*item.standard >= 0 && *item.standard <= item.litres))
        return "u_l: " + number(*item.standard) + " — нужно от 0 до объёма детали (" + number(item.litres) + " л)";
    return std::nullopt;
}

std::optional<std::string> roofFault(const FloatingRoof& roof)
{
    if (!(roof.massKg > 0 && roof.massKg <= kLargestRoofMass))
        return "масса понтона " + number(roof.massKg) + " кг — нужно больше 0 и не больше 10 000 000 кг";
    if (!(roof.density >= kLeastDensity && roof.density <= kGreatestDensity))
        return "плотность продукта " + number(roof.density) + " кг/м³ — нужно от 100 до 25 000 кг/м³";
    if (!(roof.zoneFrom >= 0 && roof.zoneFrom <= kLargestLevel))
        return "начало зоны понтона " + number(roof.zoneFrom) + " мм — нужно от 0 до 99 999 999 мм";
    if (!(roof.zoneTo > roof.zoneFrom && roof.zoneTo <= kLargestLevel))
        return "конец зоны понтона " + number(roof.zoneTo) + " мм — нужно выше начала (" + number(roof.zoneFrom)
               + " мм) и не больше 99 999 999 мм";
    return std::nullopt;
}

expected<std::vector<DeadwoodItem>, DeadwoodCsvError> parseDeadwoodCsv(std::string_view text)
{
    if (text.size() > kMaxDeadwoodBytes)
        return unexpected(DeadwoodCsvError{0, "файл больше 1 МБ — это не список деталей"});
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    std::vector<DeadwoodItem> items;
    int lineNumber = 0;
    bool header = false;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        ++lineNumber;
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        if (line.find_first_not_of(" \t") == std::string_view::npos)
            continue;
        if (!header) {
            if (!line.starts_with(kHeader) || (line.size() != kHeader.size() && line.substr(kHeader.size()) != ";u_l"))
                return unexpected(DeadwoodCsvError{lineNumber, "нужен заголовок " + std::string(kHeader) + "[;u_l]"});
            header = true;
            continue;
        }
        const auto fields = splitLine(line);
        if (!fields)
            return unexpected(DeadwoodCsvError{lineNumber, "кавычка не закрыта"});
        auto item = itemOfFields(*fields);
        if (!item)
            return unexpected(DeadwoodCsvError{lineNumber, item.error()});
        if (items.size() == kMaxDeadwoodItems)
            return unexpected(DeadwoodCsvError{lineNumber, "больше 10 000 деталей"});
        items.push_back(std::move(*item));
    }
    if (!header)
        return unexpected(DeadwoodCsvError{0, "файл пуст: нужен заголовок " + std::string(kHeader)});
    return items;
}

std::string deadwoodCsv(const std::vector<DeadwoodItem>& items)
{
    const bool withU = std::ranges::any_of(items, [](const DeadwoodItem& i) { return i.standard.has_value(); });
    std::string out = std::string(kHeader) + (withU ? ";u_l\n" : "\n");
    for (const DeadwoodItem& i : items) {
        out += quoted(i.name) + ';' + csvNumber(i.from) + ';' + csvNumber(i.to) + ';' + csvNumber(i.litres) + ';'
               + std::string(spreadKey(i.spread)) + ';' + (i.adds ? '+' : '-');
        if (withU)
            out += ';' + (i.standard ? csvNumber(*i.standard) : std::string());
        out += '\n';
    }
    return out;
}

std::string deadwoodCsvErrorText(const DeadwoodCsvError& error, const std::string& path)
{
    return "список деталей " + path + (error.line > 0 ? ", строка " + std::to_string(error.line) : std::string()) + ": "
           + error.reason;
}

expected<std::vector<DeadwoodItem>, DeadwoodReadError> readDeadwoodFile(const std::string& path)
{
    const auto text = readRegularFile(path, kMaxDeadwoodBytes);
    if (!text) {
        const TankFileError& e = text.error();
        const std::string why = e.fault == TankFileFault::Missing          ? "нет такого файла"
                                : e.fault == TankFileFault::NotRegularFile ? "это не обычный файл"
                                                                           : std::string(std::strerror(e.systemError));
        return unexpected(DeadwoodReadError{true, "не удалось прочитать список деталей " + path + ": " + why});
    }
    auto items = parseDeadwoodCsv(*text);
    if (!items)
        return unexpected(DeadwoodReadError{false, deadwoodCsvErrorText(items.error(), path)});
    return std::move(*items);
}

expected<std::vector<DeadwoodItem>, DeadwoodJsonError> itemsFromJson(const Json& json)
{
    if (!json.is_array())
        return jsonFault<std::vector<DeadwoodItem>>("deadwood", "нужен массив деталей");
    if (json.size() > kMaxDeadwoodItems)
        return jsonFault<std::vector<DeadwoodItem>>("deadwood", "больше 10 000 деталей");
    std::vector<DeadwoodItem> items;
    for (std::size_t k = 0; k < json.size(); ++k) {
        const Json& at = json[k];
        const std::string key = "deadwood[" + std::to_string(k) + "]";
        if (!at.is_object())
            return jsonFault<std::vector<DeadwoodItem>>(key, "нужен объект");
        DeadwoodItem item;
        const auto name = at.find("name");
        if (name != at.end() && !name->is_string())
            return jsonFault<std::vector<DeadwoodItem>>(key + ".name", "нужна строка");
        if (name != at.end())
            item.name = name->get<std::string>();
        const std::pair<const char*, double*> numbers[] = {
            {"from_mm", &item.from}, {"to_mm", &item.to}, {"volume_l", &item.litres}};
        for (const auto& [field, target] : numbers) {
            const auto value = jsonNumber(at, field);
            if (!value)
                return jsonFault<std::vector<DeadwoodItem>>(key + "." + field, "нужно число");
            *target = *value;
        }
        const auto spread = at.find("distribution");
        if (spread != at.end()) {
            const auto known = spread->is_string() ? spreadOf(spread->get<std::string>()) : std::nullopt;
            if (!known)
                return jsonFault<std::vector<DeadwoodItem>>(key + ".distribution",
                                                            "нужно uniform или horizontal-cylinder");
            item.spread = *known;
        }
        const auto sign = at.find("sign");
        if (sign == at.end() || !sign->is_string() || (*sign != "-" && *sign != "+"))
            return jsonFault<std::vector<DeadwoodItem>>(key + ".sign", "нужно «-» или «+»");
        item.adds = *sign == "+";
        if (at.contains("u_l")) {
            const auto u = jsonNumber(at, "u_l");
            if (!u)
                return jsonFault<std::vector<DeadwoodItem>>(key + ".u_l", "нужно число");
            item.standard = *u;
        }
        if (const auto fault = itemFault(item))
            return jsonFault<std::vector<DeadwoodItem>>(key, *fault);
        items.push_back(std::move(item));
    }
    return items;
}

expected<FloatingRoof, DeadwoodJsonError> roofFromJson(const Json& json)
{
    if (!json.is_object())
        return jsonFault<FloatingRoof>("roof", "нужен объект");
    FloatingRoof roof;
    const std::pair<const char*, double*> numbers[] = {{"mass_kg", &roof.massKg}, {"density_kg_m3", &roof.density}};
    for (const auto& [field, target] : numbers) {
        const auto value = jsonNumber(json, field);
        if (!value)
            return jsonFault<FloatingRoof>(std::string("roof.") + field, "нужно число");
        *target = *value;
    }
    const auto zone = json.find("zone_mm");
    if (zone == json.end() || !zone->is_array() || zone->size() != 2 || !(*zone)[0].is_number()
        || !(*zone)[1].is_number())
        return jsonFault<FloatingRoof>("roof.zone_mm", "нужна пара чисел [от, до]");
    roof.zoneFrom = (*zone)[0].get<double>();
    roof.zoneTo = (*zone)[1].get<double>();
    if (const auto fault = roofFault(roof))
        return jsonFault<FloatingRoof>("roof", *fault);
    return roof;
}

Json itemsJson(const std::vector<DeadwoodItem>& items)
{
    Json out = Json::array();
    for (const DeadwoodItem& i : items) {
        Json item{{"name", i.name},
                  {"from_mm", i.from},
                  {"to_mm", i.to},
                  {"volume_l", i.litres},
                  {"distribution", spreadKey(i.spread)},
                  {"sign", i.adds ? "+" : "-"}};
        if (i.standard)
            item["u_l"] = *i.standard;
        out.push_back(std::move(item));
    }
    return out;
}

Json roofJson(const FloatingRoof& roof)
{
    return Json{{"mass_kg", roof.massKg},
                {"density_kg_m3", roof.density},
                {"zone_mm", Json::array({roof.zoneFrom, roof.zoneTo})}};
}

std::string_view spreadKey(Spread spread) { return spread == Spread::Uniform ? "uniform" : "horizontal-cylinder"; }

std::optional<Spread> spreadOf(std::string_view key)
{
    if (key == "uniform")
        return Spread::Uniform;
    if (key == "horizontal-cylinder")
        return Spread::HorizontalCylinder;
    return std::nullopt;
}

std::string_view spreadName(Spread spread)
{
    return spread == Spread::Uniform ? "равномерно" : "как горизонтальная труба";
}

std::vector<std::string> deadwoodStatements(const Deadwood& deadwood, char separator)
{
    std::vector<std::string> lines;
    const auto n = [separator](double v) { return formatGeneral(v, separator); };
    for (const DeadwoodItem& i : deadwood.items) {
        const std::string levels =
            i.from == i.to ? "на уровне " + n(i.from) + " мм" : "на уровнях " + n(i.from) + "–" + n(i.to) + " мм";
        std::string line = std::string(i.adds ? "Прибавлено" : "Вычтено") + " «" + i.name + "»: " + n(i.litres) + " л "
                           + levels + ", " + std::string(spreadName(i.spread));
        if (i.standard)
            line += ", u = " + n(*i.standard) + " л";
        lines.push_back(line + ".");
    }
    if (const auto& roof = deadwood.roof) {
        const double tenth = std::round(roof->litres() * 1000) / 1000;
        lines.push_back("Понтон массой " + n(roof->massKg) + " кг при плотности продукта " + n(roof->density)
                        + " кг/м³ вытесняет " + n(tenth) + " л, вычтенные с уровня " + n(roof->zoneTo)
                        + " мм. Уровни от " + n(roof->zoneFrom) + " до " + n(roof->zoneTo)
                        + " мм — зона посадки понтона на опоры: строки в ней для измерений непригодны.");
        lines.push_back("На каждый 1 кг/м³ плотности выше принятой понтон вытесняет меньше на "
                        + formatFixed(roof->perDensity(), 15, 3, separator) + " л.");
    }
    return lines;
}

} // namespace tarvol
