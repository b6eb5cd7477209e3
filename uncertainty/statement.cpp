#include "uncertainty/statement.h"

#include <algorithm>
#include <cmath>

#include "calc/catalogue.h"
#include "calc/format.h"

namespace tarvol {

std::vector<std::string> uncertaintyStatement(const UncertaintyInputs& inputs, int shape, char separator,
                                              bool itemsIncluded)
{
    const auto number = [&](double v) { return formatGeneral(v, separator); };
    std::vector<std::string> lines;
    lines.push_back("Расширенная неопределённость U = k·u, k = " + number(inputs.coverage) + ", " + kUncertaintyMethod
                    + ".");
    const auto& captions = tarvol::shape(shape).captions;
    const auto symbol = [&](std::size_t i) { return std::string(tarvol::shape(shape).symbols[i]); };
    const auto fitted = [&](std::size_t i) {
        return inputs.fit && std::ranges::find(inputs.fit->fields, static_cast<int>(i)) != inputs.fit->fields.end();
    };
    std::string own;
    if (inputs.dims.size() == 1 && !inputs.fit) {
        own = "каждого " + number(inputs.dims[0]);
    } else if (!inputs.dims.empty()) {
        for (std::size_t i = 0; i < captions.size(); ++i)
            if (!fitted(i))
                own += (own.empty() ? "" : "; ") + symbol(i) + " " + number(inputs.dim(static_cast<int>(i)));
    }
    std::string dims = "Стандартные неопределённости размеров, мм: ";
    if (inputs.fit) {
        std::string found;
        for (std::size_t k = 0; k < inputs.fit->fields.size(); ++k) {
            const auto field = static_cast<std::size_t>(inputs.fit->fields[k]);
            found += (k ? "; " : "") + (field < captions.size() ? symbol(field) : std::to_string(field + 1)) + " "
                     + formatFixed(std::sqrt(std::max(0.0, inputs.fit->at(k, k))), 10, 2, separator);
        }
        dims += found + " — по результатам градуировки наливом, с ковариацией подбора";
        if (!own.empty())
            dims += "; " + own;
    } else {
        dims += own.empty() ? "не заданы" : own;
    }
    lines.push_back(dims + ".");
    if (inputs.zero)
        lines.push_back("Стандартная неопределённость нуля уровнемера: "
                        + formatFixed(std::sqrt(std::max(0.0, inputs.zero->variance)), 10, 2, separator)
                        + " мм, по результатам градуировки наливом.");
    lines.push_back("Стандартная неопределённость отсчёта уровня: " + number(inputs.level) + " мм.");
    if (inputs.pitch > 0 || inputs.roll > 0)
        lines.push_back("Стандартные неопределённости углов: наклона " + number(inputs.pitch) + "°, крена "
                        + number(inputs.roll) + "°.");
    if (inputs.limitPercent)
        lines.push_back("Предел: " + number(*inputs.limitPercent) + " %; строки сверх него отмечены «*».");
    lines.push_back("Не входят в U: погрешность метода суммирования (указана отдельно),");
    if (itemsIncluded) {
        lines.push_back("деформация стенки под жидкостью, отложения, температура жидкости.");
        lines.push_back("Входят в U: стандартные неопределённости объёмов внутренних деталей, как они заданы.");
    } else {
        lines.push_back("деформация стенки под жидкостью, отложения, внутренние детали, температура жидкости.");
    }
    return lines;
}

std::string shellLine(const UncertaintyInputs& inputs, char separator)
{
    if (!inputs.shell)
        return "Таблица для стенки ёмкости при 20 °C.";
    return "Таблица для стенки ёмкости при " + formatGeneral(inputs.shell->celsius, separator) + " °C (α = "
           + formatGeneral(inputs.shell->alpha * 1e6, separator) + "·10⁻⁶ 1/°C; при 20 °C размеры как введены).";
}

std::string expandedText(double litres, char separator) { return formatFixed(litres, 10, 3, separator); }

std::string relativeText(double percent, char separator)
{
    return std::isfinite(percent) ? formatFixed(percent, 10, 3, separator) : "—";
}

std::string linearityNote(double firstLevel, double lastLevel, char separator)
{
    const std::string where = firstLevel == lastLevel ? "на уровне " + formatGeneral(firstLevel, separator)
                                                      : "на уровнях " + formatGeneral(firstLevel, separator) + "–"
                                                            + formatGeneral(lastLevel, separator);
    return "Линейная оценка U неточна " + where + " мм: объём там заметно меняется в пределах u(h).";
}

} // namespace tarvol
