#include "cli/tank_options.h"

#include <CLI/CLI.hpp>

#include "calc/catalogue.h"
#include "calc/model.h"
#include "calc/run.h"

namespace tarvol::cli {

void addTankFileOptions(CLI::App& app, TankFileOptions& options)
{
    app.add_option("--tank", options.load, "взять форму, размеры и знаки после запятой из файла ёмкости")
        ->type_name("FILE");
    app.add_option("--save-tank", options.save, "записать ёмкость в файл вместо вывода таблицы")->type_name("FILE");
}

TankDocument loadTank(const std::string& path)
{
    auto document = readTankFile(path);
    if (!document)
        throw TankFileFailure{isAccessFault(document.error().fault) ? kExitNoInput : kExitDataError,
                              tankFileErrorText(document.error())};
    return std::move(*document);
}

std::optional<Refusal> saveTank(const std::string& path, const TankDocument& document)
{
    // the run's own checks without its levels: a tank that gives no table is not written
    std::vector<double> dims;
    for (const std::string& text : document.dimensions)
        if (!text.empty() && text.size() <= 8 && text.find_first_not_of("0123456789") == std::string::npos)
            dims.push_back(std::stod(text));
    if (dims.size() != document.dimensions.size() || dims.size() != shape(document.shape).captions.size()) {
        // texts or a field count the run refuses before it sums anything
        const auto outcome = calculateFromTexts(document.shape, document.dimensions, RunOptions{});
        if (const Refusal* refusal = outcome.refusal())
            return *refusal;
    }
    if (const auto model = prepareModel(document.shape, dims); !model.ok())
        return *model.refusal();
    if (auto written = writeTankFile(path, document); !written)
        throw TankFileFailure{kExitCantCreate, tankFileErrorText(written.error())};
    return std::nullopt;
}

} // namespace tarvol::cli
