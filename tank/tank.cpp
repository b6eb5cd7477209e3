#include "tank/tank.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string_view>

#include "calc/catalogue.h"
#include "fit/filljson.h"
#include "tank/orientation.h"

namespace tarvol {
namespace {

using Json = nlohmann::ordered_json;

constexpr std::string_view kGaugeSection = "gauge";
constexpr std::string_view kDeadwoodSection = "deadwood";
constexpr std::string_view kRoofSection = "roof";
constexpr std::string_view kOrientationSection = "orientation";
constexpr std::string_view kTiltGridSection = "tilt_grid";
constexpr double kNotFilled = std::numeric_limits<double>::quiet_NaN();

TankFileError sectionFault(std::string key, std::string value = {})
{
    TankFileError e;
    e.fault = TankFileFault::BadValue;
    e.key = std::move(key);
    e.value = std::move(value);
    return e;
}

// A field's text as a number: empty for a field not filled yet, which the table then refuses.
expected<double, TankFileError> dimensionValue(const std::string& text, std::size_t index)
{
    if (text.empty())
        return kNotFilled;
    const Json n = Json::parse(text, nullptr, false);
    if (!n.is_number() || !std::isfinite(n.get<double>()))
        return unexpected(sectionFault("dimensions_mm[" + std::to_string(index) + "]", text));
    return n.get<double>();
}

// A dimension as the document holds it: a whole number as digits, a fitted one to its tenth.
std::string dimensionText(double mm)
{
    if (std::isnan(mm))
        return {};
    if (mm == std::floor(mm) && std::abs(mm) < 1e15)
        return std::to_string(static_cast<long long>(mm));
    return Json(mm).dump();
}

// The fit's parameter of that kind when it was freed and its standard error found.
const FitParameter* parameterOf(const FitResult& fit, ParameterKind kind)
{
    const FitParameter* p = findParameter(fit, kind);
    return p && std::isfinite(p->standardError) ? p : nullptr;
}

double covarianceOf(const FitResult& fit, const FitParameter& a, const FitParameter& b)
{
    const auto index = [&fit](const FitParameter& p) { return static_cast<std::size_t>(&p - fit.parameters.data()); };
    // one triangle of the correlation, so that the covariance is symmetric to the last bit
    const std::size_t i = std::min(index(a), index(b));
    const std::size_t j = std::max(index(a), index(b));
    if (i == j)
        return a.standardError * a.standardError;
    const double c = i < fit.correlation.size() && j < fit.correlation[i].size() ? fit.correlation[i][j] : 0;
    return std::isfinite(c) ? c * a.standardError * b.standardError : 0;
}

// The fitted fields whose standard error the fit found, in field order.
std::vector<const FitParameter*> fittedFields(const FitResult& fit)
{
    std::vector<const FitParameter*> fields;
    for (const FitParameter& p : fit.parameters)
        if (p.kind == ParameterKind::Field && std::isfinite(p.standardError))
            fields.push_back(&p);
    std::ranges::sort(fields, {}, &FitParameter::field);
    return fields;
}

} // namespace

std::optional<GaugeZero> Tank::gaugeZero() const
{
    if (fit)
        if (const FitParameter* at = findParameter(*fit, ParameterKind::Zero); at && std::isfinite(at->value)) {
            GaugeZero zero;
            zero.mm = at->value;
            zero.fitted = true;
            if (const FitParameter* own = parameterOf(*fit, ParameterKind::Zero)) {
                zero.variance = own->standardError * own->standardError;
                for (const FitParameter* field : fittedFields(*fit))
                    zero.fieldCovariance.push_back(covarianceOf(*fit, *own, *field));
            }
            return zero;
        }
    if (typedZero) {
        GaugeZero zero;
        zero.mm = *typedZero;
        return zero;
    }
    return std::nullopt;
}

std::optional<FieldCovariance> Tank::fitCovariance() const
{
    if (!fit)
        return std::nullopt;
    const auto fields = fittedFields(*fit);
    if (fields.empty())
        return std::nullopt;
    FieldCovariance covariance;
    for (const FitParameter* a : fields) {
        covariance.fields.push_back(a->field);
        for (const FitParameter* b : fields)
            covariance.matrix.push_back(covarianceOf(*fit, *a, *b));
    }
    return covariance;
}

UncertaintyInputs Tank::uncertaintyInputs() const
{
    UncertaintyInputs inputs = budget.value_or(UncertaintyInputs{});
    inputs.shell = shell;
    if (auto covariance = fitCovariance())
        inputs.fit = std::move(covariance);
    return inputs;
}

double fittedDimension(double estimate) { return std::round(estimate * 10) / 10; }

Tank withFit(Tank drawing, const FitResult& fit)
{
    drawing.shape = fit.shape;
    drawing.dimensions.clear();
    for (const double d : fit.dims)
        drawing.dimensions.push_back(fittedDimension(d));
    drawing.fit = fit;
    if (drawing.budget)
        drawing.budget->fit.reset(); // the fit's own covariance takes the place of any given one
    return drawing;
}

expected<Tank, TankFileError> tankFromDocument(const TankDocument& document)
{
    Tank tank;
    tank.shape = document.shape;
    tank.decimals = document.decimals;
    tank.passport = document.passport;
    for (std::size_t i = 0; i < document.dimensions.size(); ++i) {
        const auto value = dimensionValue(document.dimensions[i], i);
        if (!value)
            return unexpected(value.error());
        tank.dimensions.push_back(*value);
    }
    const bool measured = isMeasuredShape(tank.shape);
    const int fieldCount = static_cast<int>(shapeInfo(tank.shape).captions.size());
    for (const auto& [key, value] : document.sections.items()) {
        if (measured && key == kStrappingSection) {
            auto record = strappingFromJson(value);
            if (!record)
                return unexpected(sectionFault(record.error().key, record.error().reason));
            tank.strapping = std::move(*record);
        } else if (measured && (key == kFillSection || key == kOrientationSection)) {
            return unexpected(sectionFault(std::string(key), "не применяется к резервуару по измерениям"));
        } else if (key == kFillSection) {
            if (!value.is_object() || !value.contains("fit"))
                return unexpected(sectionFault("fill"));
            try {
                tank.fit = fitFromJson(value.at("fit"));
            } catch (const nlohmann::json::exception&) {
                return unexpected(sectionFault("fill.fit"));
            }
            if (tank.fit->shape != tank.shape || std::ssize(tank.fit->dims) != fieldCount)
                return unexpected(sectionFault("fill.fit.shape"));
        } else if (key == kUncertaintySection) {
            auto inputs = inputsFromJson(value);
            if (inputs)
                if (const auto fault = checkInputs(*inputs, fieldCount))
                    inputs = unexpected(*fault);
            if (!inputs)
                return unexpected(
                    sectionFault("uncertainty." + inputs.error().key, inputsProblemText(inputs.error().problem)));
            tank.shell = inputs->shell;
            inputs->shell.reset();
            tank.budget = std::move(*inputs);
        } else if (key == kSensorSection) {
            try {
                tank.sensor = nlohmann::json::parse(value.dump()).get<sensor::Settings>();
            } catch (const nlohmann::json::exception&) {
                return unexpected(sectionFault("sensor"));
            }
        } else if (key == kGaugeSection) {
            const auto zero = value.is_object() ? value.find("zero_mm") : value.end();
            if (zero == value.end() || !zero->is_number() || !std::isfinite(zero->get<double>()))
                return unexpected(sectionFault("gauge.zero_mm"));
            tank.typedZero = zero->get<double>();
        } else if (key == kDeadwoodSection) {
            auto items = itemsFromJson(value);
            if (!items)
                return unexpected(sectionFault(items.error().key, items.error().reason));
            tank.deadwood.items = std::move(*items);
        } else if (key == kRoofSection) {
            auto roof = roofFromJson(value);
            if (!roof)
                return unexpected(sectionFault(roof.error().key, roof.error().reason));
            tank.deadwood.roof = *roof;
        } else if (key == kOrientationSection) {
            auto orientation = orientationFromJson(value);
            if (!orientation)
                return unexpected(sectionFault(orientation.error().key, orientation.error().reason));
            tank.orientation = *orientation;
        } else if (key == kTiltGridSection) {
            auto range = tiltGridRangeFromJson(value);
            if (!range)
                return unexpected(sectionFault(range.error().key, range.error().reason));
            tank.tiltGrid = *range;
        } else {
            tank.otherSections[key] = value;
        }
    }
    if (measured && !tank.strapping) {
        TankFileError e;
        e.fault = TankFileFault::MissingKey;
        e.key = kStrappingSection;
        return unexpected(std::move(e));
    }
    if (measured && tank.budget && std::ranges::any_of(tank.budget->dims, [](double u) { return u > 0; }))
        return unexpected(sectionFault("uncertainty.u_dims", "у резервуара по измерениям нет полей размеров: "
                                                             "задайте u_circumference_mm и u_thickness_mm"));
    // a tank that cannot stand so, or a gauge outside it, is the file's fault, not the table's
    if (tank.orientation && std::ranges::all_of(tank.dimensions, [](double d) { return std::isfinite(d); }))
        if (const auto refusal = orientationRefusal(tank.shape, tank.dimensions, *tank.orientation))
            return unexpected(sectionFault(std::string(kOrientationSection), *refusal));
    if (tank.tiltGrid && (measured || shape(tank.shape).group != Group::Horizontal))
        return unexpected(
            sectionFault(std::string(kTiltGridSection), "сетка наклонов строится только для горизонтальных ёмкостей"));
    // the fit's covariance is the fit's: a copy kept in the budget for other readers is not a second source
    if (tank.fit && tank.budget)
        tank.budget->fit.reset();
    return tank;
}

TankDocument documentOf(const Tank& tank)
{
    TankDocument document;
    document.shape = tank.shape;
    document.decimals = tank.decimals;
    document.passport = tank.passport;
    for (const double d : tank.dimensions)
        document.dimensions.push_back(dimensionText(d));
    // the sections in one order, the ones this version does not know after them
    if (tank.strapping)
        document.setSection(kStrappingSection, strappingToJson(*tank.strapping));
    if (tank.fit)
        document.setSection(kFillSection, Json{{"fit", fitJson(*tank.fit)}});
    if (const UncertaintyInputs inputs = tank.uncertaintyInputs(); tank.budget || inputs.shell || inputs.fit)
        document.setSection(kUncertaintySection, toJson(inputs));
    if (tank.sensor)
        document.setSection(kSensorSection, Json::parse(nlohmann::json(*tank.sensor).dump()));
    if (tank.typedZero)
        document.setSection(kGaugeSection, Json{{"zero_mm", *tank.typedZero}});
    if (!tank.deadwood.items.empty())
        document.setSection(kDeadwoodSection, itemsJson(tank.deadwood.items));
    if (tank.deadwood.roof)
        document.setSection(kRoofSection, roofJson(*tank.deadwood.roof));
    if (tank.orientation)
        document.setSection(kOrientationSection, orientationJson(*tank.orientation));
    if (tank.tiltGrid)
        document.setSection(kTiltGridSection, tiltGridRangeJson(*tank.tiltGrid));
    for (const auto& [key, value] : tank.otherSections.items())
        document.setSection(key, value);
    return document;
}

expected<Tank, TankFileError> readTank(const std::string& path)
{
    const TankReadOutcome document = readTankFile(path);
    if (!document)
        return unexpected(document.error());
    auto tank = tankFromDocument(*document);
    if (!tank) {
        TankFileError error = tank.error();
        error.path = path;
        return unexpected(std::move(error));
    }
    return tank;
}

TankWriteOutcome writeTank(const std::string& path, const Tank& tank) { return writeTankFile(path, documentOf(tank)); }

} // namespace tarvol
