#pragma once

// The tank as a document: its shape, dimensions, decimal places and passport, plus whatever sections later
// features keep in the same file. Read and written as UTF-8 JSON; docs/tank-file.md lists every key.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "calc/expected.h"

namespace tarvol {

inline constexpr std::string_view kTankFormat = "tarvol-tank";
inline constexpr int kTankVersion = 1;
inline constexpr std::string_view kTankSuffix = ".tarvol";
// A tank file is kilobytes; anything past these is not one, and reading on would only exhaust the memory or stack.
inline constexpr std::size_t kMaxTankFileBytes = std::size_t{16} << 20U;
inline constexpr int kMaxTankFileDepth = 64; // arrays and objects within one another

// Sections of later features; each is kept as it is read, written back, and read only by its feature.
inline constexpr std::string_view kSensorSection = "sensor";
inline constexpr std::string_view kUncertaintySection = "uncertainty";
inline constexpr std::string_view kFillSection = "fill";

// What is told about the tank on its printed table; every field may stay empty. UTF-8.
struct TankPassport {
    std::string tankNumber;
    std::string owner; // owner or place of installation
    std::string author;
    std::string date;
    std::string organisation;

    bool operator==(const TankPassport&) const = default;
};

struct TankDocument {
    int shape = 0;                       // catalogue index; the file holds the shape's key
    std::vector<std::string> dimensions; // field texts in field order, mm; empty for a field not filled yet
    int decimals = 0;                    // volume decimal places, 0..3
    TankPassport passport;
    // Every other top-level key in file order: the sections of later features and keys this version does not
    // know, written back as they were read.
    nlohmann::ordered_json sections = nlohmann::ordered_json::object();

    bool operator==(const TankDocument&) const = default;

    const nlohmann::ordered_json* section(std::string_view name) const;
    void setSection(std::string_view name, nlohmann::ordered_json value);
    void removeSection(std::string_view name);
};

// Why a tank file cannot be read or written, as data; tankFileErrorText makes the sentence.
enum class TankFileFault {
    Missing,        // no such file
    Unreadable,     // the system refused to read it (permissions, a folder); systemError set
    NotRegularFile, // a device, FIFO or socket, left unread
    TooLarge,       // longer than kMaxTankFileBytes
    BadJson,        // not JSON; line and column set
    TooDeep,        // nested deeper than kMaxTankFileDepth; key names the top-level key holding it
    DuplicateKey,   // key set: a key twice in one object
    NotTankFile,    // JSON, but "format" is not a tank's
    NewerVersion,   // version set
    MissingKey,     // key set
    WrongType,      // key set
    UnknownShape,   // key set; value holds the shape key that is not in the catalogue
    BadValue,       // key set: a value of the right type outside what the key takes, or a number past a double's range
    WriteFailed,    // systemError set
};

struct TankFileError {
    TankFileFault fault = TankFileFault::BadJson;
    std::string path;
    std::string key;                   // where in the document, as "dimensions_mm[2]" or "passport.owner"
    std::string value;                 // the offending value where the sentence quotes it
    std::int64_t line = 0, column = 0; // 1-based, of a JSON syntax error; column counts characters
    std::int64_t version = 0;
    int systemError = 0; // errno
};

using TankReadOutcome = expected<TankDocument, TankFileError>;
using TankWriteOutcome = expected<void, TankFileError>;

// A missing, unreadable or special file as opposed to one that was read and is broken.
bool isAccessFault(TankFileFault fault);

// The document of a file's text; `path` only names the file in an error.
TankReadOutcome parseTankFile(std::string_view text, const std::string& path);
TankReadOutcome readTankFile(const std::string& path);
// The text of a regular file, at most one byte past maxBytes (a longer one is cut there, for the caller to refuse);
// a folder, device or FIFO is not read. The error's fault is Missing, Unreadable or NotRegularFile.
expected<std::string, TankFileError> readRegularFile(const std::string& path, std::size_t maxBytes);

// The file's text: indented JSON, the known keys first, the sections after them, a final newline.
std::string tankFileText(const TankDocument& document);

// Writes `text` to `path` in one step, as writeAtomically does (tank/atomicwrite.h).
TankWriteOutcome replaceFileContents(const std::string& path, std::string_view text);
TankWriteOutcome writeTankFile(const std::string& path, const TankDocument& document);

// The sentence a user reads, naming the file and the place.
std::string tankFileErrorText(const TankFileError& error);

} // namespace tarvol
