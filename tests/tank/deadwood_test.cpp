// Deadwood and the floating roof: the rows they change, against the figures of a vertical cylinder worked by hand,
// their files, the fit that has them in its model, and the command line.

#include <gtest/gtest.h>

#include "tests/cli/shell.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <unistd.h>

#include "calc/format.h"
#include "fit/fit.h"
#include "tank/deadwood.h"
#include "tank/table.h"

namespace {

using namespace tarvol;

// D 10 000 mm, H 4 000 mm: π·5²·h m³ at level h m
constexpr double kLitresPerMm = std::numbers::pi * 25 * 1000 / 1000;

Tank stationTank()
{
    Tank tank;
    tank.shape = 1; // vertical cylinder: H, D
    tank.dimensions = {4000, 10000};
    tank.decimals = 3;
    tank.deadwood.items = {
        {"змеевик", 200, 400, 500, Spread::Uniform, false, std::nullopt},
        {"труба", 1000, 1200, 100, Spread::HorizontalCylinder, false, 10.0},
        {"люк", 1500, 1500, 300, Spread::Uniform, true, std::nullopt},
    };
    tank.deadwood.roof = FloatingRoof{20'000, 800, 2000, 2500};
    return tank;
}

TEST(Deadwood, RowsCarryEveryItemAndTheRoofAtTheirLevels)
{
    TableRequest request;
    request.everyLevel = true;
    request.keepLevels = true;
    const TableOutcome outcome = tableOf(stationTank(), request);
    ASSERT_TRUE(outcome.ok());
    const auto& rows = outcome.table().rows;
    struct Case {
        double level;
        double less; // litres below the empty shell's π·R²·h
        bool zone;
    };
    const Case cases[] = {
        {100, 0, false},    {300, 250, false},  {400, 500, false},     {1100, 550, false},
        {1200, 600, false}, {1499, 600, false}, {1500, 300, false},    {1999, 300, false},
        {2000, 300, true},  {2499, 300, true},  {2500, 25'300, false}, {4000, 25'300, false},
    };
    for (const Case& c : cases) {
        const auto& row = rows.at(static_cast<std::size_t>(c.level));
        ASSERT_EQ(row.level, c.level);
        EXPECT_NEAR(row.volume, kLitresPerMm * c.level - c.less, 1e-6) << c.level;
        EXPECT_EQ(row.roofZone, c.zone) << c.level;
        EXPECT_EQ(row.text, formatFixed(row.volume, 10, 3, '.')) << c.level;
    }
    EXPECT_NEAR(outcome.table().fullVolume, kLitresPerMm * 4000 - 25'300, 1e-6);
    // a dipstick's volumes: none at a level where the roof settles, those above it where the roof floats
    const ReverseTable reverse = reverseOf(outcome.table());
    ASSERT_FALSE(reverse.rows.empty());
    for (const ReverseRow& row : reverse.rows) {
        EXPECT_FALSE(row.level >= 2000 && row.level < 2500) << row.volume;
        if (row.volume > kLitresPerMm * 2500 - 25'300) {
            EXPECT_NEAR(row.level, (row.volume + 25'300) / kLitresPerMm, 0.06) << row.volume;
        }
    }
    const auto lines = tableStatements(outcome.table());
    EXPECT_NE(
        std::ranges::find(lines, "На каждый 1 кг/м³ плотности выше принятой понтон вытесняет меньше на 31.250 л."),
        lines.end());
}

TEST(Deadwood, AnItemsUncertaintyJoinsTheRowsOverItsRange)
{
    Tank tank = stationTank();
    tank.budget = UncertaintyInputs{};
    tank.budget->dims = {0.5};
    TableRequest request;
    request.everyLevel = true;
    Tank without = tank;
    without.deadwood.items[1].standard.reset();
    const auto with = tableOf(tank, request);
    const auto plain = tableOf(without, request);
    ASSERT_TRUE(with.ok() && plain.ok());
    for (const double level : {900.0, 1100.0, 3000.0}) {
        const auto i = static_cast<std::size_t>(level);
        const double share = level < 1000 ? 0 : level < 1200 ? 0.5 : 1; // of the pipe's 10 l
        const double u = plain.table().rows[i].u.u;
        EXPECT_NEAR(with.table().rows[i].u.u, std::hypot(u, 10 * share), 1e-9) << level;
    }
}

TEST(Deadwood, ItemsThatTakeMoreThanTheShellHoldsAreRefused)
{
    Tank tank = stationTank();
    tank.deadwood.items[0].litres = 40'000; // over 200–400 mm, where the shell holds 15 708–31 416 l
    const TableOutcome outcome = tableOf(tank, TableRequest{});
    ASSERT_NE(outcome.refusal(), nullptr);
    EXPECT_NE(outcome.refusal()->message.find("на уровне"), std::string::npos);
}

TEST(Deadwood, TheTankFileKeepsItemsAndRoof)
{
    const Tank tank = stationTank();
    const auto back = tankFromDocument(documentOf(tank));
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->deadwood, tank.deadwood);
    auto broken = documentOf(tank);
    broken.sections["deadwood"][1]["to_mm"] = 900;
    EXPECT_EQ(tankFromDocument(broken).error().key, "deadwood[1]");
}

TEST(Deadwood, CsvLinesThatDoNotReadAreNamed)
{
    const std::string header = "name;from_mm;to_mm;volume_l;distribution;sign\n";
    struct Case {
        std::string text;
        int line;
        const char* reason;
    };
    const Case cases[] = {
        {"", 0, "заголовок"},
        {"имя;от\n", 1, "заголовок"},
        {header + "a;1;2;3;uniform\n", 2, "6 или 7 полей"},
        {header + "a;1;2;-3;uniform;-\n", 2, "volume_l"},
        {header + "a;5;2;3;uniform;-\n", 2, "to_mm"},
        {header + "a;1;2;3;round;-\n", 2, "distribution"},
        {header + "a;1;2;3;uniform;x\n", 2, "sign"},
        {header + "\na;1;2;3;uniform;-\n\"b;1;2;3;uniform;-\n", 4, "кавычка"},
        {header + "a;1;2;1e3;uniform;-\n", 2, "volume_l"},
    };
    for (const Case& c : cases) {
        const auto parsed = parseDeadwoodCsv(c.text);
        ASSERT_FALSE(parsed.has_value()) << c.text;
        EXPECT_EQ(parsed.error().line, c.line) << c.text;
        EXPECT_NE(parsed.error().reason.find(c.reason), std::string::npos) << parsed.error().reason;
    }
    const auto items = stationTank().deadwood.items;
    EXPECT_EQ(parseDeadwoodCsv("\xEF\xBB\xBF" + deadwoodCsv(items)).value(), items);
    // every digit a list was read with survives its export
    const auto precise = parseDeadwoodCsv(header + "a;200;400;502222222222,32222222;uniform;+;0,1234567890123456\n");
    EXPECT_EQ(parseDeadwoodCsv(deadwoodCsv(precise.value())).value(), precise.value());
    EXPECT_EQ(parseDeadwoodCsv(header + "\"a;\"\"b\"\"\";1,5;2;3;uniform;+\r\n").value().at(0).name, "a;\"b\"");
}

// A fill log of the tank with its coil: the fit finds the shell's diameter only with the coil in its model.
TEST(Deadwood, TheFitHasTheItemsInItsModel)
{
    const Tank tank = stationTank();
    FillLog log;
    for (int level = 50; level <= 3950; level += 100)
        log.points.push_back(
            {static_cast<double>(level), kLitresPerMm * level + deadwoodCorrection(tank.deadwood, level), level / 100});
    FitRequest request;
    request.shape = tank.shape;
    request.dims = {4000, 9900};
    request.free = {"D"};
    const auto blind = fitFillLog(request, log);
    request.correction = [&](double level) { return deadwoodCorrection(tank.deadwood, level); };
    const auto fitted = fitFillLog(request, log);
    ASSERT_TRUE(fitted.has_value() && blind.has_value());
    EXPECT_NEAR(fitted->dims[1], 10'000, 1e-3);
    EXPECT_GT(std::abs(blind->dims[1] - 10'000), 10);
}

TEST(Deadwood, CommandLineReadsTheItemsAndTheRoof)
{
    const auto dir = std::filesystem::temp_directory_path() / ("tarvol-deadwood-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "items.csv") << deadwoodCsv(stationTank().deadwood.items);
    std::ofstream(dir / "broken.csv") << "name;from_mm;to_mm;volume_l;distribution;sign\nзмеевик;1;2;x;uniform;-\n";
    const std::string table = TARVOL_TABLE_PATH;
    const std::string tank = " vertical-cylinder 4000 10000";
    struct Case {
        std::string args;
        int status;
        const char* out;
    };
    const Case cases[] = {
        {"--json --every-mm --deadwood " + (dir / "items.csv").string()
             + " --roof 20000 --roof-density 800 "
               "--roof-zone 2000:2500"
             + tank,
         0, "\"text\": \"156780\", \"roof_zone\": true}"},
        {"--deadwood " + (dir / "none.csv").string() + tank, 66, ""},
        {"--deadwood " + (dir / "broken.csv").string() + tank, 65, ""},
        {"--deadwood /dev/null" + tank, 66, ""},
        {"--roof 20000 --roof-density 800" + tank, 64, ""},
        {"--roof 20000 --roof-density 5 --roof-zone 1:2" + tank, 64, ""},
    };
    for (const Case& c : cases) {
        const auto ran = test::runShell(table + " " + c.args + " 2>/dev/null");
        EXPECT_EQ(ran.status, c.status) << c.args;
        EXPECT_NE(ran.out.find(c.out), std::string::npos) << c.args;
    }
    std::filesystem::remove_all(dir);
}

} // namespace
