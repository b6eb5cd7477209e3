#include "calc/run.h"

#include <cmath>
#include <optional>
#include <string_view>

#include "calc/catalogue.h"
#include "calc/format.h"

namespace tarvol {
namespace {
constexpr size_t kMaxDigits = 8;
constexpr double kLargest = 99999999;

// An inclined shape runs on its twin's geometry; every other shape on its own functions.
RunOutcome runRow(const ShapeInfo& info, std::span<const double> dims, const RunOptions& options)
{
    if (info.twin)
        return runInclined(shape(*info.twin).functions, dims, options);
    return info.functions.run(dims, options);
}

Refusal badInput(Fault fault, int field, double limit)
{
    Refusal r;
    r.kind = RefusalKind::BadInput;
    r.fault = fault;
    r.field = field;
    r.limit = limit;
    return r;
}

// What every way into a run adds to its outcome: a refusal's sentence, a table's accuracy and error line.
RunOutcome finish(RunOutcome outcome, int shapeIndex, char separator)
{
    if (outcome.ok()) {
        CalcResult& r = outcome.result();
        r.accuracy = accuracyOf(shapeIndex, r.sumVolume, r.trueVolume);
        r.errorLine = errorLine(r.accuracy, separator);
    }
    if (Refusal* r = outcome.refusal())
        explainRefusal(*r, shapeIndex, separator);
    return outcome;
}

std::optional<Refusal> checkShapeAndCount(int shapeIndex, size_t count)
{
    if (shapeIndex < 0 || shapeIndex >= kShapeCount)
        return badInput(Fault::UnknownShape, -1, kShapeCount);
    const size_t fields = shape(shapeIndex).captions.size();
    if (count != fields)
        return badInput(Fault::FieldCount, -1, static_cast<double>(fields));
    return std::nullopt;
}

} // namespace

std::optional<Refusal> dimensionsRefusal(int shapeIndex, std::span<const double> dims)
{
    if (auto refusal = checkShapeAndCount(shapeIndex, dims.size()))
        return refusal;
    for (size_t i = 0; i < dims.size(); ++i) {
        const double v = dims[i];
        if (!(v >= 0 && v <= kLargest))
            return badInput(Fault::OutOfRange, static_cast<int>(i), kLargest);
    }
    return std::nullopt;
}

void explainRefusal(Refusal& refusal, int shapeIndex, char separator)
{
    std::string_view caption;
    if (shapeIndex >= 0 && shapeIndex < kShapeCount && refusal.field >= 0
        && static_cast<size_t>(refusal.field) < shape(shapeIndex).captions.size())
        caption = shape(shapeIndex).captions[static_cast<size_t>(refusal.field)];
    refusal.message = refusalText(refusal, caption, separator);
}

RunOutcome calculate(int shapeIndex, std::span<const double> dims, const RunOptions& options)
{
    if (auto refusal = dimensionsRefusal(shapeIndex, dims))
        return finish(std::move(*refusal), shapeIndex, options.separator);
    return finish(runRow(shape(shapeIndex), dims, options), shapeIndex, options.separator);
}

RunOutcome calculateFromTexts(int shapeIndex, std::span<const std::string> texts, const RunOptions& options)
{
    if (auto refusal = checkShapeAndCount(shapeIndex, texts.size()))
        return finish(std::move(*refusal), shapeIndex, options.separator);
    std::vector<double> dims;
    dims.reserve(texts.size());
    for (size_t i = 0; i < texts.size(); ++i) {
        const std::string& t = texts[i];
        const bool digits =
            !t.empty() && t.size() <= kMaxDigits && t.find_first_not_of("0123456789") == std::string::npos;
        if (!digits)
            return finish(badInput(Fault::NotDigits, static_cast<int>(i), kLargest), shapeIndex, options.separator);
        dims.push_back(std::stod(t));
    }
    return finish(runRow(shape(shapeIndex), dims, options), shapeIndex, options.separator);
}

double estimateWork(int shapeIndex, std::span<const double> dims)
{
    if (shapeIndex < 0 || shapeIndex >= kShapeCount)
        return 0;
    const ShapeInfo& info = shape(shapeIndex);
    if (dims.size() != info.captions.size())
        return 0;
    if (info.twin)
        return inclinedWork(shape(*info.twin).functions, dims);
    return info.functions.work(dims);
}

double errorPercent(double sumVolume, double trueVolume)
{
    const double e = static_cast<double>((static_cast<long double>(trueVolume) - sumVolume) * 100 / trueVolume);
    return std::fabs(e);
}

Accuracy accuracyOf(int shapeIndex, double sumVolume, double trueVolume)
{
    Accuracy a;
    a.sumVolume = sumVolume;
    a.fullVolume = trueVolume;
    a.checkValue = shapeIndex >= 0 && shapeIndex < kShapeCount && shape(shapeIndex).checkValue;
    if (a.known())
        a.errorPercent = errorPercent(sumVolume, trueVolume);
    return a;
}

std::string errorLine(const Accuracy& a, char separator)
{
    if (!a.known())
        return {};
    return "Погрешность расчётов: " + formatFixed(a.errorPercent, 16, 6, separator) + " %.";
}

std::string fullVolumeLine(const Accuracy& a, char separator)
{
    if (!a.known())
        return {};
    const char* label = a.checkValue ? "Проверочное значение объёма: " : "Истинный объём ёмкости: ";
    return label + formatFixed(a.fullVolume, 16, 3, separator) + " л.";
}

std::string accuracyReport(const Accuracy& a, char separator)
{
    if (!a.known())
        return {};
    return "Расcчитанный объём емкости: " + formatFixed(a.sumVolume, 16, 3, separator) + " л.\n"
           + fullVolumeLine(a, separator) + "\n" + errorLine(a, separator);
}

std::string errorLine(double sumVolume, double trueVolume, char separator)
{
    return errorLine(accuracyOf(-1, sumVolume, trueVolume), separator);
}

std::string accuracyReport(int shapeIndex, double sumVolume, double trueVolume, char separator)
{
    return accuracyReport(accuracyOf(shapeIndex, sumVolume, trueVolume), separator);
}

} // namespace tarvol
