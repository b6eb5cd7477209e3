#include "cli/tank_options.h"

#include <CLI/CLI.hpp>

#include "calc/catalogue.h"
#include "calc/model.h"
#include "calc/run.h"
#include "tank/measured.h"
#include "tank/table.h"

namespace tarvol::cli {

void addTankFileOptions(CLI::App& app, TankFileOptions& options)
{
    app.add_option("--tank", options.load, "взять форму, размеры и знаки после запятой из файла ёмкости")
        ->type_name("FILE");
    app.add_option("--save-tank", options.save, "записать ёмкость в файл вместо вывода таблицы")->type_name("FILE");
}

Tank loadTank(const std::string& path)
{
    auto tank = readTank(path);
    if (!tank)
        throw TankFileFailure{isAccessFault(tank.error().fault) ? kExitNoInput : kExitDataError,
                              tankFileErrorText(tank.error())};
    return std::move(*tank);
}

std::optional<Refusal> saveTank(const std::string& path, const Tank& tank)
{
    // the table's own checks without its levels: a tank that gives no table is not written
    if (auto refusal = tankRefusal(tank, '.'))
        return refusal;
    // a measured tank's record was checked with the table's refusal; a drawn shape's model is prepared
    if (!isMeasuredShape(tank.shape))
        if (const auto model = prepareModel(tank.shape, tank.dimensions); !model.ok())
            return *model.refusal();
    if (auto written = writeTank(path, tank); !written)
        throw TankFileFailure{kExitCantCreate, tankFileErrorText(written.error())};
    return std::nullopt;
}

} // namespace tarvol::cli
