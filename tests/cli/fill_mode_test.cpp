// tarvol-table --fill as a user runs it: the report and the table, the JSON document, and the log refused.

#include <gtest/gtest.h>

#include "tests/cli/shell.h"

#include <cstdio>
#include <string>
#include <sys/wait.h>

namespace {

using tarvol::test::Ran;

// stdout and stderr together, so that the refused line's sentence can be checked
Ran fillTable(const std::string& args, const char* input)
{
    const std::string feed = input ? "printf '" + std::string(input) + "' | " : std::string();
    return tarvol::test::runShell("cd '" + std::string(TARVOL_FIT_DATA) + "' && " + feed + TARVOL_TABLE_PATH + " "
                                  + args + " 2>&1");
}

struct FillCase {
    const char* name;
    const char* args;
    int status;
    const char* contains;
    const char* input = nullptr; // the log on standard input, for --fill -
};

class CliFill : public ::testing::TestWithParam<FillCase> {};

TEST_P(CliFill, ExitsWithAndPrints)
{
    const auto r = fillTable(GetParam().args, GetParam().input);
    EXPECT_EQ(r.status, GetParam().status) << r.out;
    EXPECT_NE(r.out.find(GetParam().contains), std::string::npos) << r.out;
}

INSTANTIATE_TEST_SUITE_P(
    Runs, CliFill,
    ::testing::Values(
        FillCase{"ReportThenFittedTable", "--fill horizontal_cylinder.csv --free L,D,zero 8 6000 2000", 0,
                 "Длина ёмкости (L)  6014.8\nВнутренний диаметр емкости (D)  1991.1\n"},
        FillCase{"CommaFollowsTheReport", "--comma --fill horizontal_cylinder.csv --free D,zero 8 6000 2000", 0,
                 "Горизонтальный цилиндр\nДлина ёмкости (L)  6000\n"},
        FillCase{"JsonFitFirst", "--json --fill horizontal_cylinder.csv --free L,D,zero 8 6000 2000", 0,
                 "{\"fit\": {\"parameters\": [{\"name\": \"L\", \"field\": 0, \"start\": 6000, \"value\": 6014.8"},
        FillCase{"BadLineNamed", "--fill - --free D 8 6000 2000", 65, "Строка 3 журнала налива",
                 "# журнал\\n10;1\\n5;2\\n"},
        FillCase{"ThreePointsForFour", "--fill - --free L,D,zero,v0 8 6000 2000", 65, "нужно не меньше 6",
                 "10;1\\n20;2\\n30;3\\n"},
        FillCase{"PointBeyondAnyTank", "--fill - --free D 8 6000 2000", 65,
                 "Строка 2 журнала налива: уровень 1 · 10³⁰⁰ мм — такого нет ни в одной ёмкости этой формы",
                 "10;1\\n1e300;1e300\\n"},
        FillCase{"SphereAsCylinder", "--fill sphere.csv --free L,D,zero 8 2000 2000", 65,
                 "Модель этой формы не описывает журнал налива: остатки идут длинными сериями одного знака"},
        FillCase{"NoSuchLog", "--fill no-such.csv --free D 8 6000 2000", 66, "no-such.csv"},
        FillCase{"FolderForALog", "--fill . --free D 8 6000 2000", 66, "не удалось прочитать журнал налива ."},
        // no line ends at all: read a line's worth and refused, never read to the end
        FillCase{"EndlessFile", "--fill /dev/zero --free D 8 6000 2000", 65, "Строка 1 журнала налива: длиннее 4096"},
        FillCase{"FreeWithoutFill", "--free D 8 6000 2000", 64, "--fill"},
        FillCase{"FieldTheShapeLacks", "--fill horizontal_cylinder.csv --free HS 8 6000 2000", 64, "«HS»"}),
    [](const auto& row) { return std::string(row.param.name); });

} // namespace
