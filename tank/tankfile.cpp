#include "tank/tankfile.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "calc/catalogue.h"
#include "calc/format.h"
#include "tank/atomicwrite.h"

namespace tarvol {
namespace {

using Json = nlohmann::ordered_json;

constexpr std::array<std::string_view, 6> kCoreKeys{"format",        "version",  "shape",
                                                    "dimensions_mm", "decimals", "passport"};

struct PassportKey {
    std::string_view key;
    std::string TankPassport::*field;
};
constexpr std::array<PassportKey, 5> kPassportKeys{{{"tank_number", &TankPassport::tankNumber},
                                                    {"owner", &TankPassport::owner},
                                                    {"author", &TankPassport::author},
                                                    {"date", &TankPassport::date},
                                                    {"organisation", &TankPassport::organisation}}};

// Thrown inside the reader only; the public functions return it as a value.
struct Broken {
    TankFileError error;
};

[[noreturn]] void broken(TankFileFault fault, std::string key, std::string value = {})
{
    TankFileError e;
    e.fault = fault;
    e.key = std::move(key);
    e.value = std::move(value);
    throw Broken{std::move(e)};
}

const Json& required(const Json& object, std::string_view key)
{
    const auto at = object.find(key);
    if (at == object.end())
        broken(TankFileFault::MissingKey, std::string(key));
    return *at;
}

// Characters, not bytes, so the column matches what an editor shows.
std::int64_t characters(std::string_view text)
{
    return std::count_if(text.begin(), text.end(),
                         [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; });
}

TankFileError syntaxError(std::string_view text, std::size_t byte)
{
    // the parser counts the byte it stopped at from 1
    const std::size_t end = std::min(text.size(), byte > 0 ? byte - 1 : 0);
    const std::string_view before = text.substr(0, end);
    const std::size_t lineStart = before.rfind('\n') == std::string_view::npos ? 0 : before.rfind('\n') + 1;
    TankFileError e;
    e.fault = TankFileFault::BadJson;
    e.line = 1 + std::count(before.begin(), before.end(), '\n');
    e.column = 1 + characters(before.substr(lineStart));
    return e;
}

// A fitted dimension shows the user's decimal comma; the file holds the number.
std::string decimalPoint(std::string text)
{
    std::replace(text.begin(), text.end(), ',', '.');
    return text;
}

// A dimension as the field shows it; a value the entry rules refuse keeps its own spelling, so the run refuses it.
std::string dimensionText(const Json& value, std::size_t index)
{
    const std::string key = "dimensions_mm[" + std::to_string(index) + "]";
    if (value.is_null())
        return {};
    if (value.is_number_unsigned())
        return std::to_string(value.get<std::uint64_t>());
    if (value.is_number_integer())
        return std::to_string(value.get<std::int64_t>());
    if (value.is_number_float()) {
        const double v = value.get<double>();
        if (v >= 0 && v <= 99'999'999 && v == static_cast<double>(static_cast<std::int64_t>(v)))
            return std::to_string(static_cast<std::int64_t>(v)); // 1000.0 is the whole number it spells
        return value.dump();
    }
    broken(TankFileFault::WrongType, key);
}

TankDocument documentOf(const Json& root)
{
    if (!root.is_object())
        broken(TankFileFault::NotTankFile, {});
    const Json& format = required(root, "format");
    if (!format.is_string() || format.get<std::string>() != kTankFormat)
        broken(TankFileFault::NotTankFile, "format");
    const Json& version = required(root, "version");
    if (!version.is_number_integer())
        broken(TankFileFault::WrongType, "version");
    if (version.get<std::int64_t>() > kTankVersion) {
        TankFileError e;
        e.fault = TankFileFault::NewerVersion;
        e.version = version.get<std::int64_t>();
        throw Broken{std::move(e)};
    }
    if (version.get<std::int64_t>() < 1)
        broken(TankFileFault::BadValue, "version", version.dump());

    TankDocument doc;
    const Json& shapeKey = required(root, "shape");
    if (!shapeKey.is_string())
        broken(TankFileFault::WrongType, "shape");
    const auto shape = findShapeByKey(shapeKey.get<std::string>());
    if (!shape)
        broken(TankFileFault::UnknownShape, "shape", shapeKey.get<std::string>());
    doc.shape = *shape;

    const Json& dims = required(root, "dimensions_mm");
    if (!dims.is_array())
        broken(TankFileFault::WrongType, "dimensions_mm");
    for (std::size_t i = 0; i < dims.size(); ++i)
        doc.dimensions.push_back(dimensionText(dims[i], i));

    if (const auto at = root.find("decimals"); at != root.end()) {
        if (!at->is_number_integer())
            broken(TankFileFault::WrongType, "decimals");
        if (const auto n = at->get<std::int64_t>(); n < 0 || n > kMaxDecimals)
            broken(TankFileFault::BadValue, "decimals", at->dump());
        doc.decimals = at->get<int>();
    }
    if (const auto at = root.find("passport"); at != root.end()) {
        if (!at->is_object())
            broken(TankFileFault::WrongType, "passport");
        for (const PassportKey& p : kPassportKeys)
            if (const auto field = at->find(p.key); field != at->end()) {
                if (!field->is_string())
                    broken(TankFileFault::WrongType, "passport." + std::string(p.key));
                doc.passport.*p.field = field->get<std::string>();
            }
    }
    for (const auto& [key, value] : root.items())
        if (std::find(kCoreKeys.begin(), kCoreKeys.end(), key) == kCoreKeys.end())
            doc.sections[key] = value;
    return doc;
}

TankFileError systemFault(TankFileFault fault, const std::string& path, int error)
{
    TankFileError e;
    e.fault = fault;
    e.path = path;
    e.systemError = error;
    return e;
}

// A whole file, or the errno that stopped the reading.
expected<std::string, int> fileText(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return unexpected(errno);
    std::string text;
    std::array<char, 1 << 16> buffer{};
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n > 0) {
            text.append(buffer.data(), static_cast<std::size_t>(n));
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            const int error = errno;
            ::close(fd);
            return unexpected(error);
        }
    }
    ::close(fd);
    return text;
}

} // namespace

const nlohmann::ordered_json* TankDocument::section(std::string_view name) const
{
    const auto at = sections.find(name);
    return at == sections.end() ? nullptr : &*at;
}

void TankDocument::setSection(std::string_view name, nlohmann::ordered_json value)
{
    sections[std::string(name)] = std::move(value);
}

void TankDocument::removeSection(std::string_view name) { sections.erase(std::string(name)); }

bool isAccessFault(TankFileFault fault)
{
    return fault == TankFileFault::Missing || fault == TankFileFault::Unreadable;
}

TankReadOutcome parseTankFile(std::string_view text, const std::string& path)
{
    Json root;
    try {
        root = Json::parse(text);
    } catch (const Json::parse_error& e) {
        TankFileError error = syntaxError(text, e.byte);
        error.path = path;
        return unexpected(std::move(error));
    }
    try {
        return documentOf(root);
    } catch (Broken& b) {
        b.error.path = path;
        return unexpected(std::move(b.error));
    }
}

TankReadOutcome readTankFile(const std::string& path)
{
    auto text = fileText(path);
    if (!text)
        return unexpected(systemFault(text.error() == ENOENT ? TankFileFault::Missing : TankFileFault::Unreadable, path,
                                      text.error()));
    return parseTankFile(*text, path);
}

std::string tankFileText(const TankDocument& doc)
{
    Json root;
    root["format"] = kTankFormat;
    root["version"] = kTankVersion;
    root["shape"] = shape(doc.shape).key;
    root["dimensions_mm"] = Json::array();
    for (const std::string& d : doc.dimensions) {
        // field texts are digit strings of at most eight digits; anything else is kept as typed
        const bool digits = !d.empty() && d.size() <= 8 && d.find_first_not_of("0123456789") == std::string::npos;
        if (d.empty())
            root["dimensions_mm"].push_back(nullptr);
        else if (digits)
            root["dimensions_mm"].push_back(std::stoll(d));
        else if (Json n = Json::parse(decimalPoint(d), nullptr, false); n.is_number())
            root["dimensions_mm"].push_back(n); // a fitted value, or one read from a file the run refuses
        else
            root["dimensions_mm"].push_back(d);
    }
    root["decimals"] = doc.decimals;
    Json passport = Json::object();
    for (const PassportKey& p : kPassportKeys)
        if (p.field != &TankPassport::organisation
            || !doc.passport.organisation.empty()) // a later key, written when set
            passport[std::string(p.key)] = doc.passport.*p.field;
    root["passport"] = passport;
    for (const auto& [key, value] : doc.sections.items())
        if (std::find(kCoreKeys.begin(), kCoreKeys.end(), key) == kCoreKeys.end())
            root[key] = value;
    return root.dump(2, ' ', false, Json::error_handler_t::replace) + '\n';
}

TankWriteOutcome replaceFileContents(const std::string& path, std::string_view text)
{
    if (auto written = writeAtomically(path, text); !written)
        return unexpected(systemFault(TankFileFault::WriteFailed, path, written.error()));
    return {};
}

TankWriteOutcome writeTankFile(const std::string& path, const TankDocument& document)
{
    return replaceFileContents(path, tankFileText(document));
}

std::string tankFileErrorText(const TankFileError& e)
{
    const std::string file = "«" + e.path + "»";
    const std::string key = "«" + e.key + "»";
    switch (e.fault) {
    case TankFileFault::Missing:
        return "Файл ёмкости " + file + " не найден.";
    case TankFileFault::Unreadable:
        return "Файл ёмкости " + file + " не читается: " + std::strerror(e.systemError) + ".";
    case TankFileFault::BadJson:
        return "Файл ёмкости " + file + " повреждён: ошибка в строке " + std::to_string(e.line) + ", столбце "
               + std::to_string(e.column) + ".";
    case TankFileFault::NotTankFile:
        return "Файл " + file + " — не файл ёмкости Tarvol.";
    case TankFileFault::NewerVersion:
        return "Файл ёмкости " + file + " записан в версии формата " + std::to_string(e.version)
               + ", а программа читает версию не выше " + std::to_string(kTankVersion) + ". Обновите программу.";
    case TankFileFault::MissingKey:
        return "Файл ёмкости " + file + " повреждён: нет ключа " + key + ".";
    case TankFileFault::WrongType:
        return "Файл ёмкости " + file + " повреждён: у ключа " + key + " неверный тип значения.";
    case TankFileFault::UnknownShape:
        return "Файл ёмкости " + file + " повреждён: в ключе " + key + " нет такой формы: «" + e.value + "».";
    case TankFileFault::BadValue:
        return "Файл ёмкости " + file + " повреждён: недопустимое значение ключа " + key + ": " + e.value + ".";
    case TankFileFault::WriteFailed:
        return "Файл ёмкости " + file + " не записан: " + std::strerror(e.systemError) + ".";
    }
    return "Файл ёмкости " + file + " не прочитан.";
}

} // namespace tarvol
