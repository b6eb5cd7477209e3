#pragma once

// A fill log: the level read after each known dose, parsed from a file or from cells pasted out of a spreadsheet.

#include <cstddef>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "calc/expected.h"

namespace tarvol {

struct FillPoint {
    double level = 0;  // mm, as the gauge read it
    double volume = 0; // l, poured since the first reading, cumulative
    int line = 0;      // the line of the log it came from, from 1
};

struct FillLog {
    std::vector<FillPoint> points;
    std::string fileName; // the file the log was read from; empty for pasted cells
};

enum class LogFault {
    NotNumber,    // a field of the line is not a number
    NotTwoFields, // the line does not hold exactly two fields; value: how many it holds
    LevelFalls,   // the level is lower than the line before by more than the noise; value: the fall, mm
    VolumeFalls,  // the volume is below the line before (or a dose is negative); value: the fall, l
    TooFewPoints, // fewer points than the fit needs; value: the points there are, needed: the least number
    LineTooLong,  // the line is longer than any line of a log; value: the longest allowed, in bytes
    LevelBeyond,  // the reading is beyond any tank of the shape; value: the reading, limit: the largest (mm)
    VolumeBeyond, // the volume is beyond any tank of the shape; value: the volume, limit: the largest (l)
};

struct LogRefusal {
    LogFault fault = LogFault::NotNumber;
    int line = 0; // the line at fault, from 1; 0 for the log as a whole
    double value = 0;
    int needed = 0;
    double limit = 0;
};

struct LogOptions {
    bool doses = false;      // the second column holds each dose rather than the running volume
    double levelNoise = 3.0; // mm a reading may fall below the one before and still be read as noise
    // the largest reading (mm) and volume (l), either way from 0, that a tank of the log's shape can have
    double largestLevel = std::numeric_limits<double>::infinity();
    double largestVolume = std::numeric_limits<double>::infinity();
};

// The options with the limits of shape `shape`: every field is at most 99 999 999 mm and no extent of a tank is
// more than the sum of its fields, so no reading exceeds that sum nor a volume its cube.
LogOptions withShapeLimits(LogOptions options, int shape);

// A log line is a few dozen bytes: a longer one is not a log's, and reading stops there.
constexpr std::size_t kLongestLogLine = 4096;

// Two numeric columns, level in mm and volume in l: separated by ';', tab or spaces, or by ',' when the
// decimal mark is a full stop; a decimal comma is accepted; one header line and '#' comments are skipped.
expected<FillLog, LogRefusal> parseFillLog(std::string_view text, const LogOptions& options = {});

// The same, a line at a time, so that a log read from a file keeps only its points, never its text.
class FillLogReader {
public:
    explicit FillLogReader(const LogOptions& options = {}) : m_options(options) {}

    // The next line without its line feed; false once the log is refused, with the refusal kept for finish().
    bool line(std::string_view text);
    expected<FillLog, LogRefusal> finish() &&;

private:
    LogOptions m_options;
    FillLog m_log;
    std::optional<LogRefusal> m_refusal;
    bool m_seenContent = false;
    double m_running = 0;
    int m_lineNumber = 0;
};

// The sentence a user reads.
std::string logRefusalText(const LogRefusal& refusal);

} // namespace tarvol
