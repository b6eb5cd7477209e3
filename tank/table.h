#pragma once

// The one table of a tank: levels, volumes at the shell's temperature, U of every row, the accuracy, the full and
// highest volumes and the sentences a document prints, computed once. The grid, the files, the documents, the
// command line and the sensor tables each format this result; none of them calculates again.

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "calc/reverse.h"
#include "calc/run.h"
#include "tank/tank.h"
#include "uncertainty/propagation.h"

namespace tarvol {

struct TableRow {
    double level = 0;      // mm: the tank's level, or the gauge's reading in a table by gauge
    double volume = 0;     // litres
    std::string text;      // the volume as printed, with the tank's decimals and the request's separator
    RowUncertainty u;      // zero where the table has no U
    bool roofZone = false; // in the floating roof's critical zone: not valid for measurement
    bool blind = false;    // a tilted tank's reading its gauge cannot show: the surface touches the top along it
};

struct TableRequest {
    char separator = '.';
    bool everyLevel = false; // a row at every millimetre rather than at the output step
    bool keepLevels = false; // the volume and U at every millimetre kept, for the documents, sensors and reverse
    bool byGauge = false;    // rows by the gauge's reading r = 0, 1, …, each with the volume at r + zero
    // rows handed over as they are made instead of kept, so that memory does not grow with the height
    std::function<void(const TableRow&)> eachRow;
    std::function<void(double)> progress;
    const std::atomic<bool>* cancel = nullptr;
};

struct TankTable {
    int shape = 0;
    std::vector<double> dimensions;
    int decimals = 0;
    char separator = '.';
    bool byGauge = false;
    std::optional<GaugeZero> zero;
    UncertaintyInputs inputs; // what U is made of, the shell included
    bool hasU = false;

    std::vector<TableRow> rows;       // at the step, or every millimetre; none when streamed
    std::vector<double> levelVolumes; // litres at every millimetre from 0 to the highest level, when kept
    std::vector<double> levelU;       // U at each of them, when kept and the table has U

    Accuracy accuracy;           // the summed table against the closed form at 20 °C
    std::string errorLine;       // "Погрешность расчётов: … %." or empty
    double totalHeight = 0;      // mm, the tank's height
    double highest = 0;          // mm, the last row's level: never past the tank's top
    double fullVolume = 0;       // litres of the full tank at the shell's temperature, deadwood and roof applied
    std::int32_t outputStep = 0; // mm between rows of the grid
    std::optional<RowUncertainty> fullU;
    std::vector<std::pair<double, double>> nonlinear; // levels from..to where U's linear estimate is poor

    std::string fitLine;   // where the dimensions come from, for a fitted tank
    std::string gaugeLine; // whether the rows are by level or by gauge, and the gauge's zero
    std::string shellLine; // the shell's temperature and, when not 20 °C, the full volume at it
    bool shellChanged = false;
    std::vector<std::string> deadwoodLines;            // the items added and deducted, and the floating roof
    std::optional<std::pair<double, double>> roofZone; // levels from..below to where the roof settles
    std::vector<std::string> orientationLines;         // a tilted tank's angles and gauge, its dead and blind parts
    std::vector<std::string> recordLines;              // a measured tank's courses, tilt and product
    std::vector<std::pair<double, double>> blind;      // readings (from, to] its gauge cannot show
    std::optional<TiltGrid> tiltGrid;                  // the tank's correction grid, for the documents' appendix
    bool tiltGridByPitch = true;                       // its columns are pitches, else rolls
    std::vector<std::string> uncertaintyLines;         // the budget, k and the method, when the table has U
    std::string uncertaintyNote;                       // why U is missing although asked for
};

class [[nodiscard]] TableOutcome : public expected<TankTable, RunFailure> {
public:
    TableOutcome(TankTable table) : expected(std::move(table)) {}
    TableOutcome(RunFailure failure) : expected(unexpected<RunFailure>(std::move(failure))) {}

    bool ok() const { return has_value(); }
    bool cancelled() const { return !ok() && std::holds_alternative<Cancelled>(error()); }
    const Refusal* refusal() const { return ok() ? nullptr : std::get_if<Refusal>(&error()); }
    const TankTable& table() const { return value(); }
    TankTable& table() { return value(); }
};

// Why the tank gives no table before anything is summed: a typed field that is not a whole number of at most
// eight digits (a fitted one may be fractional), or a field not filled.
std::optional<Refusal> tankRefusal(const Tank& tank, char separator);

TableOutcome tableOf(const Tank& tank, const TableRequest& request);

// The correction grid of the tank: its orientation (level where it has none) with the pitch or the roll stepped
// over the given angles (exactly one list non-empty), a row every levelStep mm of reading, its deadwood added at
// every reading. A refusal names the column's angle at fault.
expected<TiltGrid, RunFailure> tiltGridOf(const Tank& tank, std::span<const double> pitches,
                                          std::span<const double> rolls, double levelStep,
                                          const RunOptions& options = {});

// The reverse table "volume → level" of the kept levels. The levels where a floating roof settles give no volume:
// a volume reached only there has no row, and the volumes above are found where the roof floats.
ReverseTable reverseOf(const TankTable& table);

// The title block's sentences of a table, in the order a document prints them: the fit, the gauge, the shell,
// the full U and the statement of U.
std::vector<std::string> tableStatements(const TankTable& table);

} // namespace tarvol
