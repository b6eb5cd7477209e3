#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "calc/expected.h"
#include "calc/refusal.h"

namespace tarvol {

// One printed row of the result table, as the window shows it.
struct ResultRow {
    std::string level;
    std::string volume;
    double levelValue = 0;
    double volumeValue = 0;
};

struct RunOptions {
    int decimalPlaces = 0; // 0..kMaxDecimals; anything else counts as 0
    char separator = '.';
    bool keepEveryLevel = false; // fill CalcResult::levelVolumes
    // level 0..top and its running volume, in order, as the levels are summed; nothing is kept for it
    std::function<void(std::int64_t, double)> eachLevel;
    std::function<void(double)> progress;      // fraction of estimateWork done, called from the running thread
    const std::atomic<bool>* cancel = nullptr; // polled every few thousand levels
};

// How exact a run's table is: its summed full volume against the closed form, as values. The window and the
// documents word them (errorLine, fullVolumeLine, accuracyReport).
struct Accuracy {
    double sumVolume = 0;    // litres, summed from the slabs
    double fullVolume = 0;   // litres, the closed form; not positive where none is known
    bool checkValue = false; // the closed form is a check value rather than the tank's true volume
    double errorPercent = 0; // the relative difference of the two, %

    bool known() const { return fullVolume > 0; }
};

struct CalcResult {
    std::vector<ResultRow> rows; // grid rows 1 .. rowCount-1
    std::int64_t rowCount = 1;   // heading row included
    double sumVolume = 0;
    double trueVolume = 0;
    std::int32_t outputStep = 0;
    double totalHeight = 0;
    std::vector<double> levelVolumes; // running volume at level 0..top (index = level), when asked for
    Accuracy accuracy;
    std::string errorLine; // the accuracy as the line under the grid shows it; empty when not known
};

// The user stopped the run: no table, and nothing wrong with the dimensions.
struct Cancelled {};

// Why a run gives no table.
using RunFailure = std::variant<Refusal, Cancelled>;

// A run gives a table, a refusal or a cancellation, never two of them.
class [[nodiscard]] RunOutcome : public expected<CalcResult, RunFailure> {
public:
    RunOutcome() : expected(CalcResult{}) {} // an empty table
    RunOutcome(CalcResult result) : expected(std::move(result)) {}
    RunOutcome(Refusal refusal) : expected(unexpected<RunFailure>(std::move(refusal))) {}
    RunOutcome(Cancelled stop) : expected(unexpected<RunFailure>(stop)) {}

    bool ok() const { return has_value(); }
    bool cancelled() const { return !ok() && std::holds_alternative<Cancelled>(error()); }
    // the refusal, or null for a table or a cancellation
    const Refusal* refusal() const { return ok() ? nullptr : std::get_if<Refusal>(&error()); }
    Refusal* refusal() { return ok() ? nullptr : std::get_if<Refusal>(&error()); }
    const CalcResult& result() const { return value(); } // throws without a table
    CalcResult& result() { return value(); }
};

// Why dimension values cannot reach shape `shape`'s formulas at all: an unknown shape, a wrong number of fields,
// a value outside 0 .. 99 999 999 mm (NaN included). Fractional millimetres are accepted.
std::optional<Refusal> dimensionsRefusal(int shape, std::span<const double> dims);

// Writes the refusal's sentence, naming the field by shape `shape`'s caption.
void explainRefusal(Refusal& refusal, int shape, char separator);

// Runs shape `shape` on dimension values given in field order.
RunOutcome calculate(int shape, std::span<const double> dims, const RunOptions& options);

// Runs shape `shape` on the field texts; texts that are not digit strings of at most eight digits are refused.
RunOutcome calculateFromTexts(int shape, std::span<const std::string> texts, const RunOptions& options);

// The work a run of shape `shape` will take, in units of one level or one axial sample of a cone's head, for
// dimensions the run accepts; progress reports the fraction of it, so elapsed time scales to the remaining time.
double estimateWork(int shape, std::span<const double> dims);

// Relative difference of the two full volumes in percent; meaningful only when trueVolume > 0.
double errorPercent(double sumVolume, double trueVolume);
Accuracy accuracyOf(int shape, double sumVolume, double trueVolume);

// The accuracy in words, numbers written with `separator`; each is empty when the full volume is not known.
std::string errorLine(const Accuracy& accuracy, char separator); // "Погрешность расчётов: … %."
std::string fullVolumeLine(const Accuracy& accuracy, char separator); // the full volume, labelled as what it is
std::string accuracyReport(const Accuracy& accuracy, char separator); // summed volume, full volume, error line
std::string errorLine(double sumVolume, double trueVolume, char separator);
std::string accuracyReport(int shape, double sumVolume, double trueVolume, char separator);

} // namespace tarvol
