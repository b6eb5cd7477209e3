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
    int decimalPlaces = 0; // 0..3; anything else counts as 0
    char separator = '.';
    bool keepEveryLevel = false; // fill CalcResult::levelVolumes
    // level 0..top and its running volume, in order, as the levels are summed; nothing is kept for it
    std::function<void(std::int64_t, double)> eachLevel;
    std::function<void(double)> progress;      // fraction of estimateWork done, called from the running thread
    const std::atomic<bool>* cancel = nullptr; // polled every few thousand levels
};

struct CalcResult {
    std::vector<ResultRow> rows; // grid rows 1 .. rowCount-1
    std::int64_t rowCount = 1;   // heading row included
    double sumVolume = 0;
    double trueVolume = 0;
    std::int32_t outputStep = 0;
    double totalHeight = 0;
    std::vector<double> levelVolumes; // running volume at level 0..top (index = level), when asked for
    std::string errorLine;            // empty when trueVolume is not positive
};

// A run gives a table or a refusal, never both.
class [[nodiscard]] RunOutcome {
public:
    RunOutcome() = default; // an empty table
    RunOutcome(CalcResult result) : m_value(std::move(result)) {}
    RunOutcome(Refusal refusal) : m_value(std::move(refusal)) {}

    bool ok() const { return std::holds_alternative<CalcResult>(m_value); }
    const Refusal* refusal() const { return std::get_if<Refusal>(&m_value); }
    Refusal* refusal() { return std::get_if<Refusal>(&m_value); }
    const CalcResult& result() const { return std::get<CalcResult>(m_value); } // only when ok()
    CalcResult& result() { return std::get<CalcResult>(m_value); }

    static RunOutcome refuse(RefusalKind kind, std::string message)
    {
        Refusal refusal;
        refusal.kind = kind;
        refusal.message = std::move(message);
        return refusal;
    }

private:
    std::variant<CalcResult, Refusal> m_value;
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
std::string errorLine(double sumVolume, double trueVolume, char separator);
std::string accuracyReport(int shape, double sumVolume, double trueVolume, char separator);

} // namespace tarvol
