#pragma once

// Tables for level sensors: the per-millimetre table read through a sensor's mounting, zero and code range,
// and the fewest breakpoints whose linear interpolation stays within a given error of every row.

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "calc/expected.h"

namespace tarvol::sensor {

enum class Mounting { Bottom, Top };

// A raw code over the sensor's active length: code = empty + (full - empty) * reading / span.
struct CodeRange {
    std::int64_t empty = 0;
    std::int64_t full = 1023;
    std::int64_t span = 0; // mm
};

// Where the sensor reads from, in whole millimetres above the gauge zero.
struct Geometry {
    Mounting mounting = Mounting::Bottom;
    std::int64_t zero = 0;      // bottom mounting: the sensor's zero above the gauge zero
    std::int64_t reference = 0; // top mounting: the point the distance down is measured from
    std::optional<CodeRange> code;
};

// What the first column of a sensor table holds.
enum class Reading { LevelMm, UllageMm, Code };
std::string_view readingName(Reading reading); // "level_mm", "ullage_mm", "code"

// The largest error between breakpoints, exact to a millionth of a litre or of a percent.
struct ErrorLimit {
    std::int64_t micro = 0; // the value times 10^6
    bool percent = false;   // of the full volume rather than litres

    double value() const { return static_cast<double>(micro) / 1e6; }
};
// "5", "0.25%", "0,25 %": a non-negative decimal with at most six decimals, optionally in percent.
std::optional<ErrorLimit> parseErrorLimit(std::string_view text);

// One row as printed: a whole reading and the volume in units of 10^-decimals litres.
struct Row {
    std::int64_t x = 0;
    std::int64_t units = 0;
};

struct Table {
    Reading reading = Reading::LevelMm;
    int decimals = 0;
    std::vector<Row> rows;      // ascending x
    std::int64_t fullUnits = 0; // the tank's full volume as printed, the base of an error in percent

    double litres(std::int64_t units) const;
    std::string volumeText(std::int64_t units) const; // the printed volume, full stop as separator
};

// Why a sensor table or its breakpoints cannot be made, as data; sensorRefusalText makes the sentence.
enum class Fault {
    ReferenceTooLow, // value: REF; limit: 1 mm
    ZeroAboveTop,    // value: Z; limit: the table's top
    ZeroSpan,        // value: P
    EqualCodes,      // value: EMPTY (= FULL)
    TooManyPoints,   // value: the points the error needs; limit: the points allowed
    TooLarge,        // value: the volume or reading that leaves the exact range; limit: that range
    NoTable,         // the tank's table is empty
    Cancelled,       // the search was stopped before it ended
};

struct Refusal {
    Fault fault = Fault::NoTable;
    double value = 0;
    double limit = 0;
};
std::string refusalText(const Refusal& refusal);
std::string_view faultName(Fault fault);

// The sensor's table from the per-millimetre volumes (index = level): every millimetre of reading, or every
// code, a fractional level's volume interpolated within its millimetre; volumes printed with `decimals`.
expected<Table, Refusal> sensorTable(std::span<const double> levelVolumes, const Geometry& geometry, int decimals);

// Chosen breakpoints and the largest difference between their interpolation and any row, as printed.
struct Breakpoints {
    std::vector<Row> points;
    double maxErrorLitres = 0;
    std::optional<std::int64_t> at; // the reading where the largest error occurs; none when it is 0
};

// How a long breakpoint search reports and stops; both are polled between rows and may be left empty.
struct SearchControl {
    const std::atomic<bool>* cancel = nullptr; // set from another thread: the search ends as Fault::Cancelled
    std::function<void(double)> progress;      // a rough fraction done, called from the searching thread
};

// The fewest breakpoints within `limit`; with maxPoints too, refused when they are more than that.
expected<Breakpoints, Refusal> fewestWithin(const Table& table, ErrorLimit limit,
                                            std::optional<std::int64_t> maxPoints = std::nullopt,
                                            const SearchControl& control = {});
// The smallest largest error reachable with at most maxPoints breakpoints (at least 2), and those breakpoints;
// refused only when cancelled.
expected<Breakpoints, Refusal> bestWithPoints(const Table& table, std::int64_t maxPoints,
                                              const SearchControl& control = {});
// Every row a breakpoint: the full table.
Breakpoints everyRow(const Table& table);
// The largest error of given breakpoints (rows of the table, first and last included) over every row.
Breakpoints measure(const Table& table, std::vector<Row> points);

} // namespace tarvol::sensor
