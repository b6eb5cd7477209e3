#include "calc/run.h"

#include <cmath>

#include "calc/catalogue.h"
#include "calc/format.h"

namespace tarvol {
namespace {
constexpr size_t kMaxDigits = 8;

// An inclined shape runs on its twin's geometry; every other shape on its own functions.
RunOutcome runRow(const ShapeInfo& info, std::span<const double> dims, const RunOptions& options)
{
    if (info.twin)
        return runInclined(shape(*info.twin).functions, dims, options);
    return info.functions.run(dims, options);
}
} // namespace

RunOutcome calculate(int shapeIndex, std::span<const double> dims, const RunOptions& options)
{
    if (shapeIndex < 0 || shapeIndex >= kShapeCount)
        return RunOutcome::refuse(RefusalKind::BadInput, "Неизвестная форма ёмкости.");
    const ShapeInfo& info = shape(shapeIndex);
    if (dims.size() != info.captions.size())
        return RunOutcome::refuse(RefusalKind::BadInput, "Число размеров не соответствует форме ёмкости.");
    for (double v : dims)
        if (!(v >= 0 && v <= 99999999 && v == std::floor(v)))
            return RunOutcome::refuse(RefusalKind::BadInput,
                                      "Размеры должны быть целыми числами миллиметров от 0 до 99999999.");
    return runRow(info, dims, options);
}

RunOutcome calculateFromTexts(int shapeIndex, std::span<const std::string> texts, const RunOptions& options)
{
    if (shapeIndex < 0 || shapeIndex >= kShapeCount)
        return RunOutcome::refuse(RefusalKind::BadInput, "Неизвестная форма ёмкости.");
    const ShapeInfo& info = shape(shapeIndex);
    if (texts.size() != info.captions.size())
        return RunOutcome::refuse(RefusalKind::BadInput, "Число размеров не соответствует форме ёмкости.");
    std::vector<double> dims;
    dims.reserve(texts.size());
    for (size_t i = 0; i < texts.size(); ++i) {
        const std::string& t = texts[i];
        const bool digits =
            !t.empty() && t.size() <= kMaxDigits && t.find_first_not_of("0123456789") == std::string::npos;
        if (!digits)
            return RunOutcome::refuse(RefusalKind::BadInput,
                                      "Размер \"" + std::string(info.captions[i])
                                          + "\" должен быть целым числом миллиметров: от одной до восьми цифр.");
        dims.push_back(std::stod(t));
    }
    return runRow(info, dims, options);
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

std::string errorLine(double sumVolume, double trueVolume, char separator)
{
    if (!(trueVolume > 0))
        return {};
    return "Погрешность расчётов: " + formatFixed(errorPercent(sumVolume, trueVolume), 16, 6, separator) + " %.";
}

std::string accuracyReport(int shapeIndex, double sumVolume, double trueVolume, char separator)
{
    if (!(trueVolume > 0))
        return {};
    const bool check = shapeIndex >= 0 && shapeIndex < kShapeCount && shape(shapeIndex).checkValue;
    const char* label = check ? "Проверочное значение объёма: " : "Истинный объём ёмкости: ";
    return "Расcчитанный объём емкости: " + formatFixed(sumVolume, 16, 3, separator) + " л.\n" + label
           + formatFixed(trueVolume, 16, 3, separator)
           + " л.\nПогрешность расчётов: " + formatFixed(errorPercent(sumVolume, trueVolume), 16, 6, separator) + " %.";
}

} // namespace tarvol
