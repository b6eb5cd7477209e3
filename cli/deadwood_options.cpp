#include "cli/deadwood_options.h"

#include <CLI/CLI.hpp>

#include "cli/once_option.h"
#include "cli/tank_options.h"

namespace tarvol::cli {
namespace {

double number(const std::string& text, const char* option)
{
    const auto value = decimalNumber(text);
    if (!value)
        throw std::string(option) + " принимает положительное число: " + text;
    return *value;
}

} // namespace

void addDeadwoodOptions(CLI::App& app, DeadwoodOptions& o)
{
    const auto add = [&](const char* name, std::vector<std::string>& into, const char* type, const char* what) {
        addOnceOption(app, name, into, type, what);
    };
    add("--deadwood", o.file, "FILE",
        "внутренние и наружные детали, CSV: name;from_mm;to_mm;volume_l;distribution;sign[;u_l]");
    add("--roof", o.mass, "KG", "масса понтона (плавающей крыши), кг");
    add("--roof-density", o.density, "RHO", "плотность продукта, для которой вычтен понтон, кг/м³");
    add("--roof-zone", o.zone, "FROM:TO", "зона посадки понтона на опоры, мм: строки в ней непригодны");
}

bool anyDeadwoodOption(const DeadwoodOptions& o)
{
    return !o.file.empty() || !o.mass.empty() || !o.density.empty() || !o.zone.empty();
}

void applyDeadwoodOptions(const DeadwoodOptions& o, Tank& tank)
{
    const std::string* file = onceValue(o.file, "--deadwood");
    const std::string* mass = onceValue(o.mass, "--roof");
    const std::string* density = onceValue(o.density, "--roof-density");
    const std::string* zone = onceValue(o.zone, "--roof-zone");
    if ((mass || density || zone) && !(mass && density && zone))
        throw std::string("понтон задают три параметра вместе: --roof, --roof-density и --roof-zone");
    if (mass) {
        FloatingRoof roof;
        roof.massKg = number(*mass, "--roof");
        roof.density = number(*density, "--roof-density");
        const auto colon = zone->find(':');
        if (colon == std::string::npos)
            throw "--roof-zone принимает ОТ:ДО в мм, например 800:1200, а не " + *zone;
        roof.zoneFrom = number(zone->substr(0, colon), "--roof-zone");
        roof.zoneTo = number(zone->substr(colon + 1), "--roof-zone");
        if (const auto fault = roofFault(roof))
            throw *fault;
        tank.deadwood.roof = roof;
    }
    if (file) {
        auto items = readDeadwoodFile(*file);
        if (!items)
            throw TankFileFailure{items.error().missing ? kExitNoInput : kExitDataError, items.error().message};
        tank.deadwood.items = std::move(*items);
    }
}

} // namespace tarvol::cli
