#include "cli/uncertainty_options.h"

#include "cli/once_option.h"
#include "cli/tank_options.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <charconv>
#include <cmath>

#include "calc/catalogue.h"
#include "tank/measured.h"

namespace tarvol::cli {

void addUncertaintyOptions(CLI::App& app, UncertaintyOptions& o)
{
    const auto add = [&](const char* name, std::vector<std::string>& into, const char* type, const char* what) {
        addOnceOption(app, name, into, type, what);
    };
    add("--u-dim", o.uDim, "U[,U2...]", "стандартная неопределённость размеров, мм: одна на все поля или по полю");
    add("--u-level", o.uLevel, "U", "стандартная неопределённость отсчёта уровня, мм");
    add("--coverage", o.coverage, "K", "коэффициент охвата k расширенной неопределённости (по умолчанию 2)");
    add("--limit", o.limit, "P%", "предел U в % объёма строки; строки сверх него отмечаются");
    add("--shell-temperature", o.shellTemperature, "T", "таблица для стенки при T °C вместо 20 °C");
    add("--alpha", o.alpha, "A", "коэффициент линейного расширения стенки, 1/°C (сталь 12e-6, алюминий 23e-6)");
}

bool anyUncertaintyOption(const UncertaintyOptions& o)
{
    return !o.uDim.empty() || !o.uLevel.empty() || !o.coverage.empty() || !o.limit.empty()
           || !o.shellTemperature.empty() || !o.alpha.empty();
}

namespace {

// A decimal number with a point or a comma.
// A decimal number with a point: a comma separates the fields of --u-dim, so in one value it would mean two.
double number(std::string text, const char* option)
{
    if (const auto comma = text.find(','); comma != std::string::npos) {
        std::string point = text;
        point[comma] = '.';
        throw std::string(option) + " принимает одно число с десятичной точкой: " + point + ", а не " + text;
    }
    double v = 0;
    const auto [end, err] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || err != std::errc{} || end != text.data() + text.size() || !std::isfinite(v))
        throw std::string(option) + " принимает число: " + text;
    return v;
}

} // namespace

void applyUncertaintyOptions(const UncertaintyOptions& o, Tank& tank)
{
    const int fieldCount = static_cast<int>(shapeInfo(tank.shape).captions.size());
    std::optional<UncertaintyInputs> inputs = tank.budget;
    if (tank.shell) {
        if (!inputs)
            inputs.emplace();
        inputs->shell = tank.shell;
    }
    if (!anyUncertaintyOption(o))
        return;
    if (!inputs)
        inputs.emplace();
    if (const auto* text = onceValue(o.uDim, "--u-dim")) {
        inputs->dims.clear();
        std::string rest = *text;
        // a comma separates the fields; a decimal comma is not allowed here, so "0,5" is two fields
        for (std::size_t from = 0;;) {
            const auto to = rest.find(',', from);
            inputs->dims.push_back(number(rest.substr(from, to - from), "--u-dim"));
            if (to == std::string::npos)
                break;
            from = to + 1;
        }
    }
    if (const auto* text = onceValue(o.uLevel, "--u-level"))
        inputs->level = number(*text, "--u-level");
    if (const auto* text = onceValue(o.coverage, "--coverage"))
        inputs->coverage = number(*text, "--coverage");
    if (const auto* text = onceValue(o.limit, "--limit")) {
        std::string value = *text;
        if (!value.empty() && value.back() == '%')
            value.pop_back();
        inputs->limitPercent = number(value, "--limit");
    }
    if (const auto* text = onceValue(o.shellTemperature, "--shell-temperature"))
        inputs->shell = ShellTemperature{number(*text, "--shell-temperature"), kSteelExpansion};
    if (const auto* text = onceValue(o.alpha, "--alpha")) {
        if (!inputs->shell)
            throw std::string("--alpha — только вместе с --shell-temperature");
        inputs->shell->alpha = number(*text, "--alpha");
    }
    if (const auto fault = checkInputs(*inputs, fieldCount)) {
        static const std::pair<const char*, const char*> kOptions[] = {
            {"u_dims", "--u-dim: неотрицательные числа не больше 10000 мм, одно или по одному на каждое поле формы"},
            {"u_level", "--u-level: неотрицательное число не больше 10000 мм"},
            {"coverage", "--coverage: положительное число не больше 10"},
            {"limit", "--limit: положительное число процентов не больше 100"},
            {"shell_temperature", "--shell-temperature: температура от −100 до 300 °C"},
            {"alpha", "--alpha: число от 0 до 0,0001 1/°C (сталь 12e-6, алюминий 23e-6)"},
            {"fit_covariance", "ковариация подбора в файле ёмкости не подходит к форме"}};
        for (const auto& [key, text] : kOptions)
            if (fault->key == key)
                throw std::string(text);
        throw "неверный параметр неопределённости: " + fault->key;
    }
    tank.shell = inputs->shell;
    inputs->shell.reset();
    tank.budget = std::move(inputs);
}

} // namespace tarvol::cli
