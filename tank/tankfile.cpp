#include "tank/tankfile.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "calc/catalogue.h"
#include "calc/format.h"
#include "tank/atomicwrite.h"
#include "tank/measured.h"

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

// nlohmann's own document builder, fed through a check of what it would take or stumble on: nesting past
// kMaxTankFileDepth (its copies and comparisons recurse), a key twice in one object (it keeps the last), a number
// past a double (it throws where a syntax error returns).
class CheckedReader {
public:
    CheckedReader(Json& root, std::string_view text) : m_document(root, false), m_text(text) {}

    // nlohmann's event interface
    bool null() { return counted(m_document.null()); }
    bool boolean(bool value) { return counted(m_document.boolean(value)); }
    bool number_integer(Json::number_integer_t value) { return counted(m_document.number_integer(value)); }
    bool number_unsigned(Json::number_unsigned_t value) { return counted(m_document.number_unsigned(value)); }
    bool number_float(Json::number_float_t value, const Json::string_t& text)
    {
        return counted(m_document.number_float(value, text));
    }
    bool string(Json::string_t& value) { return counted(m_document.string(value)); }
    bool binary(Json::binary_t& value) { return counted(m_document.binary(value)); }
    bool start_object(std::size_t size) { return opened(true) && m_document.start_object(size); }
    bool end_object() { return closed(m_document.end_object()); }
    bool start_array(std::size_t size) { return opened(false) && m_document.start_array(size); }
    bool end_array() { return closed(m_document.end_array()); }
    bool key(Json::string_t& key)
    {
        Level& level = m_levels.back();
        level.key = key;
        if (!level.keys.insert(key).second)
            return failed(TankFileFault::DuplicateKey, place(m_levels.size()));
        return m_document.key(key);
    }
    bool parse_error(std::size_t position, const std::string& token, const nlohmann::detail::exception& error)
    {
        constexpr int kNumberOverflow = 406;
        if (error.id == kNumberOverflow)
            return failed(TankFileFault::BadValue, place(m_levels.size()), token);
        m_error = syntaxError(m_text, position);
        return false;
    }

    TankFileError error() const { return m_error.value_or(syntaxError(m_text, 0)); }

private:
    struct Level {
        bool object = false;
        std::string key;       // of the value being read, in an object
        std::size_t index = 0; // of the value being read, in an array
        std::set<std::string> keys;
    };

    bool failed(TankFileFault fault, std::string key, std::string value = {})
    {
        TankFileError e;
        e.fault = fault;
        e.key = std::move(key);
        e.value = std::move(value);
        m_error = std::move(e);
        return false;
    }
    bool opened(bool object)
    {
        if (m_levels.size() >= static_cast<std::size_t>(kMaxTankFileDepth))
            return failed(TankFileFault::TooDeep, place(1));
        m_levels.push_back(Level{object, {}, 0, {}});
        return true;
    }
    bool closed(bool ok)
    {
        m_levels.pop_back();
        return counted(ok);
    }
    // A value is complete: the next one in an array has the next index.
    bool counted(bool ok)
    {
        if (!m_levels.empty() && !m_levels.back().object)
            ++m_levels.back().index;
        return ok;
    }
    // The place of the value being read, through the first `depth` levels, as "passport.owner" or "log[3][1]".
    std::string place(std::size_t depth) const
    {
        std::string path;
        for (std::size_t i = 0; i < depth && i < m_levels.size(); ++i) {
            const Level& level = m_levels[i];
            if (!level.object)
                path += "[" + std::to_string(level.index) + "]";
            else
                path += (path.empty() ? "" : ".") + level.key;
        }
        return path;
    }

    nlohmann::detail::json_sax_dom_parser<Json> m_document;
    std::string_view m_text;
    std::vector<Level> m_levels;
    std::optional<TankFileError> m_error;
};

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
    const auto shape = shapeKey.get<std::string>() == kMeasuredShapeKey ? std::optional<int>(kMeasuredShape)
                                                                        : findShapeByKey(shapeKey.get<std::string>());
    if (!shape)
        broken(TankFileFault::UnknownShape, "shape", shapeKey.get<std::string>());
    doc.shape = *shape;

    // a measured tank has its strapping record instead of dimensions
    if (isMeasuredShape(doc.shape)) {
        if (root.contains("dimensions_mm"))
            broken(TankFileFault::BadValue, "dimensions_mm");
    } else {
        const Json& dims = required(root, "dimensions_mm");
        if (!dims.is_array())
            broken(TankFileFault::WrongType, "dimensions_mm");
        for (std::size_t i = 0; i < dims.size(); ++i)
            doc.dimensions.push_back(dimensionText(dims[i], i));
    }

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

} // namespace

expected<std::string, TankFileError> readRegularFile(const std::string& path, std::size_t maxBytes)
{
    const auto failed = [&path](TankFileFault fault, int error) { return unexpected(systemFault(fault, path, error)); };
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return failed(errno == ENOENT ? TankFileFault::Missing : TankFileFault::Unreadable, errno);
    if (S_ISDIR(st.st_mode))
        return failed(TankFileFault::Unreadable, EISDIR);
    if (!S_ISREG(st.st_mode))
        return failed(TankFileFault::NotRegularFile, 0);
    // without waiting, in case the name has become a FIFO since
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return failed(errno == ENOENT ? TankFileFault::Missing : TankFileFault::Unreadable, errno);
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return failed(TankFileFault::NotRegularFile, 0);
    }
    std::string text;
    std::array<char, 1 << 16> buffer{};
    while (text.size() <= maxBytes) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n > 0) {
            text.append(buffer.data(), static_cast<std::size_t>(n));
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            const int error = errno;
            ::close(fd);
            return failed(TankFileFault::Unreadable, error);
        }
    }
    ::close(fd);
    return text;
}

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
    return fault == TankFileFault::Missing || fault == TankFileFault::Unreadable
           || fault == TankFileFault::NotRegularFile;
}

TankReadOutcome parseTankFile(std::string_view text, const std::string& path)
{
    const auto refused = [&path](TankFileError error) {
        error.path = path;
        return unexpected(std::move(error));
    };
    if (text.size() > kMaxTankFileBytes) {
        TankFileError e;
        e.fault = TankFileFault::TooLarge;
        return refused(std::move(e));
    }
    Json root;
    CheckedReader reader(root, text);
    if (!Json::sax_parse(text, &reader))
        return refused(reader.error());
    try {
        return documentOf(root);
    } catch (Broken& b) {
        return refused(std::move(b.error));
    }
}

TankReadOutcome readTankFile(const std::string& path)
{
    auto text = readRegularFile(path, kMaxTankFileBytes);
    if (!text)
        return unexpected(std::move(text.error()));
    return parseTankFile(*text, path);
}

std::string tankFileText(const TankDocument& doc)
{
    Json root;
    root["format"] = kTankFormat;
    root["version"] = kTankVersion;
    root["shape"] = shapeInfo(doc.shape).key;
    if (!isMeasuredShape(doc.shape))
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
        return "Файл ёмкости " + file + " не читается: " + systemReasonText(e.systemError) + ".";
    case TankFileFault::NotRegularFile:
        return "Файл ёмкости " + file + " не читается: это не обычный файл.";
    case TankFileFault::TooLarge:
        return "Файл ёмкости " + file + " слишком велик: больше " + std::to_string(kMaxTankFileBytes >> 20U) + " МБ.";
    case TankFileFault::TooDeep:
        return "Файл ёмкости " + file + " повреждён: " + (e.key.empty() ? "" : "в ключе " + key + " ")
               + "вложенность глубже " + std::to_string(kMaxTankFileDepth) + " уровней.";
    case TankFileFault::DuplicateKey:
        return "Файл ёмкости " + file + " повреждён: ключ " + key + " повторён.";
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
        return "Файл ёмкости " + file + " повреждён: недопустимое значение ключа " + key
               + (e.value.empty() ? "" : ": " + e.value) + ".";
    case TankFileFault::WriteFailed:
        return "Файл ёмкости " + file + " не записан: " + systemReasonText(e.systemError) + ".";
    }
    return "Файл ёмкости " + file + " не прочитан.";
}

} // namespace tarvol
