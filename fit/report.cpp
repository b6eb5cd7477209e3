#include "fit/report.h"

#include <cmath>

#include "calc/catalogue.h"
#include "calc/format.h"

namespace tarvol {
namespace {

std::string fixed(double value, int digits, char separator)
{
    return std::isfinite(value) ? formatFixed(value, 15, digits, separator) : std::string("—");
}

std::string signedFixed(double value, int digits, char separator)
{
    const std::string text = fixed(value, digits, separator);
    return value > 0 && text != fixed(0, digits, separator) ? "+" + text : text;
}

std::string unitOf(ParameterKind kind) { return kind == ParameterKind::V0 ? "л" : "мм"; }

std::string padded(std::string text, size_t width)
{
    // width in characters, not bytes: the Cyrillic letters take two bytes each
    size_t chars = 0;
    for (const char c : text)
        chars += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    if (chars < width)
        text.append(width - chars, ' ');
    return text;
}

} // namespace

std::string tenths(double value, char separator) { return fixed(value, 1, separator); }

std::string fitWarnings(const FitResult& fit)
{
    std::string text;
    if (!fit.converged)
        text += "Подбор не сошёлся: значения ниже — последнее приближение, а не решение.\n";
    if (!fit.undetermined.empty()) {
        text += "Данные налива не определяют ";
        text += fit.undetermined.size() == 1 ? "параметр " : "параметры ";
        for (size_t i = 0; i < fit.undetermined.size(); ++i)
            text += (i ? ", " : "") + fit.undetermined[i];
        text += ": они почти не влияют на объём или меняются только вместе (корреляция выше 0,99).\n";
    }
    return text;
}

std::string fitReport(const FitResult& fit, char separator)
{
    std::string text = "Градуировка по наливу: " + std::string(shape(fit.shape).name) + '\n';
    // a line a point, some seventy bytes: made once at about its size rather than doubled as it grows
    text.reserve(1024 + 80 * fit.points.size());
    int excluded = 0;
    for (const auto& point : fit.points)
        excluded += point.excluded;
    text += "Журнал: " + (fit.logFile.empty() ? std::string("вставленные ячейки") : fit.logFile) + ", точек "
            + std::to_string(fit.points.size()) + (excluded ? ", исключено " + std::to_string(excluded) : std::string())
            + '\n';
    text += '\n' + padded("Параметр", 10) + padded("Чертёж", 14) + padded("Подобрано", 14)
            + padded("Ст. погрешность", 18) + "Изменение\n";
    for (const auto& p : fit.parameters) {
        const std::string unit = ' ' + unitOf(p.kind);
        text += padded(p.name, 10);
        text += padded(fixed(p.start, 1, separator) + unit, 14);
        text += padded(fixed(p.value, 2, separator) + unit, 14);
        text += padded("± " + fixed(p.standardError, 2, separator) + unit, 18);
        text += signedFixed(p.value - p.start, 2, separator) + unit + '\n';
    }
    text += "\nСКО остатков: " + fixed(fit.residualRms, 3, separator) + " л; наибольший остаток: "
            + fixed(fit.maxResidual, 3, separator) + " л (" + fixed(fit.maxResidualMm, 2, separator)
            + " мм уровня); степеней свободы: " + std::to_string(fit.dof) + '\n';
    text += fitWarnings(fit);
    text += '\n' + padded("Строка", 8) + padded("Уровень (мм)", 14) + padded("Объём (л)", 14) + padded("Модель (л)", 14)
            + padded("Остаток (л)", 14) + "Остаток (мм)\n";
    for (const auto& p : fit.points) {
        text += padded(std::to_string(p.line), 8) + padded(fixed(p.level, 1, separator), 14)
                + padded(fixed(p.volume, 3, separator), 14) + padded(fixed(p.model, 3, separator), 14)
                + padded(fixed(p.residual, 3, separator), 14) + fixed(p.residualMm, 2, separator);
        if (p.excluded)
            text += "  исключена";
        if (p.outlier)
            text += "  выброс";
        text += '\n';
    }
    return text;
}

std::string fitTitleLine(const FitResult& fit, char separator)
{
    int used = 0;
    for (const auto& point : fit.points)
        used += !point.excluded;
    return "по результатам градуировки наливом: точек " + std::to_string(used) + ", СКО остатков "
           + fixed(fit.residualRms, 3, separator) + " л, журнал "
           + (fit.logFile.empty() ? std::string("из вставленных ячеек") : fit.logFile);
}

} // namespace tarvol
