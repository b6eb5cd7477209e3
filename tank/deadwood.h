#pragma once

// What stands inside a tank and what hangs outside it (deadwood: coils, pipes, columns, manholes, sumps), and a
// floating roof. Each changes the table by a known volume at known levels; docs/deadwood.md gives the model.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "calc/expected.h"

namespace tarvol {

// How an item's volume is spread over its levels.
enum class Spread {
    Uniform,            // evenly from `from` to `to`; all of it at `from` when the two are equal
    HorizontalCylinder, // as a horizontal pipe of diameter to − from: a circle's segment filled to the level
};

struct DeadwoodItem {
    std::string name;
    double from = 0;   // mm, the tank's level from its bottom
    double to = 0;     // mm, not below `from`
    double litres = 0; // the item's whole volume
    Spread spread = Spread::Uniform;
    bool adds = false;              // outside the shell, filling with the tank; otherwise inside, taking room
    std::optional<double> standard; // litres, the standard uncertainty of its volume

    bool operator==(const DeadwoodItem&) const = default;
};

// A floating roof: on its legs below the zone, settling within it, afloat from its top up.
struct FloatingRoof {
    double massKg = 0;
    double density = 0; // kg/m³ of the product the table assumes
    double zoneFrom = 0;
    double zoneTo = 0; // mm; rows from zoneFrom to below zoneTo are not valid for measurement

    double litres() const { return 1000 * massKg / density; }
    // Litres the roof displaces less for each kg/m³ the product is denser.
    double perDensity() const { return 1000 * massKg / (density * density); }
    bool operator==(const FloatingRoof&) const = default;
};

struct Deadwood {
    std::vector<DeadwoodItem> items;
    std::optional<FloatingRoof> roof;

    bool empty() const { return items.empty() && !roof; }
    bool operator==(const Deadwood&) const = default;
};

// Litres of the item below the level: 0 under `from`, the whole volume from `to` up.
double itemShareBelow(const DeadwoodItem& item, double level);
// Litres the items and the roof add to the empty shell's volume at the level (negative where they take room).
double deadwoodCorrection(const Deadwood& deadwood, double level);
// The standard uncertainty of that correction, litres: each item's own, by the share of it below the level.
double deadwoodStandard(const Deadwood& deadwood, double level);
// Whether the row at the level lies in the roof's critical zone.
bool inRoofZone(const Deadwood& deadwood, double level);

// A decimal number as a user types it: digits with one point or comma, no sign, no exponent, blanks around.
std::optional<double> decimalNumber(std::string_view text);

// Why a value cannot be an item or the roof; empty when it can. `what` names the value for the sentence.
std::optional<std::string> itemFault(const DeadwoodItem& item);
std::optional<std::string> roofFault(const FloatingRoof& roof);

// The items' CSV: UTF-8, ';'-separated, the header `name;from_mm;to_mm;volume_l;distribution;sign` and optionally
// `;u_l`; a decimal comma or point. A line that does not read is refused with its number and the reason.
struct DeadwoodCsvError {
    int line = 0; // 0: the file as a whole
    std::string reason;
};
inline constexpr std::size_t kMaxDeadwoodBytes = std::size_t{1} << 20U;
inline constexpr std::size_t kMaxDeadwoodItems = 10'000;
expected<std::vector<DeadwoodItem>, DeadwoodCsvError> parseDeadwoodCsv(std::string_view text);
std::string deadwoodCsv(const std::vector<DeadwoodItem>& items);
std::string deadwoodCsvErrorText(const DeadwoodCsvError& error, const std::string& path);

// The items of a CSV file: a regular file of at most kMaxDeadwoodBytes. `missing` tells a file that could not be
// read from one that was read and is broken; the message names the file, and the line where there is one.
struct DeadwoodReadError {
    bool missing = false;
    std::string message;
};
expected<std::vector<DeadwoodItem>, DeadwoodReadError> readDeadwoodFile(const std::string& path);

// The tank file's sections: "deadwood" (an array of items) and "roof". The error names the key at fault.
struct DeadwoodJsonError {
    std::string key;
    std::string reason;
};
expected<std::vector<DeadwoodItem>, DeadwoodJsonError> itemsFromJson(const nlohmann::ordered_json& json);
expected<FloatingRoof, DeadwoodJsonError> roofFromJson(const nlohmann::ordered_json& json);
nlohmann::ordered_json itemsJson(const std::vector<DeadwoodItem>& items);
nlohmann::ordered_json roofJson(const FloatingRoof& roof);

std::string_view spreadKey(Spread spread); // "uniform", "horizontal-cylinder"
std::optional<Spread> spreadOf(std::string_view key);
std::string_view spreadName(Spread spread); // «равномерно», «как горизонтальная труба»

// The title block's sentences: one per item, then the roof's, numbers written with `separator`.
std::vector<std::string> deadwoodStatements(const Deadwood& deadwood, char separator);

} // namespace tarvol
