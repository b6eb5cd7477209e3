#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "calc/csv.h"
#include "calc/reverse.h"
#include "calc/run.h"

namespace {

constexpr int kHorizontalCylinder = 8;

std::vector<double> everyLevel(int shape, std::vector<double> dims, int decimals = 3)
{
    tarvol::RunOptions options;
    options.decimalPlaces = decimals;
    options.keepEveryLevel = true;
    const auto run = tarvol::calculate(shape, dims, options);
    EXPECT_TRUE(run.ok());
    return run.result().levelVolumes;
}

// The running volume between whole millimetres, as the reverse table reads it.
double volumeAt(const std::vector<double>& v, double level)
{
    const auto n = static_cast<size_t>(std::floor(level));
    if (n + 1 >= v.size())
        return v.back();
    return v[n] + (level - static_cast<double>(n)) * (v[n + 1] - v[n]);
}

TEST(ReverseTable, LevelsGiveTheirVolumesBack)
{
    const auto v = everyLevel(kHorizontalCylinder, {2000, 1000});
    const auto table = tarvol::reverseTable(v);
    ASSERT_EQ(table.volumeStep, 10); // 1570.8 l: a 5 l step would need 315 rows
    ASSERT_EQ(table.rows.size(), 158u);
    EXPECT_EQ(table.rows.front().level, 0);
    EXPECT_EQ(table.rows.back().volume, 1570);
    double steepest = 0;
    for (size_t n = 1; n < v.size(); ++n)
        steepest = std::max(steepest, v[n] - v[n - 1]);
    for (size_t i = 0; i < table.rows.size(); ++i) {
        const auto& row = table.rows[i];
        SCOPED_TRACE(row.volume);
        EXPECT_EQ(row.volume, 10.0 * static_cast<double>(i));
        // the level is rounded to 0.1 mm, so it misses by at most half a tenth of the steepest slab
        EXPECT_NEAR(volumeAt(v, row.level), row.volume, 0.05 * steepest + 1e-9);
    }
}

TEST(ReverseTable, VolumesBelowLevelZeroAreLeftOut)
{
    // 2.5 l lie below gauge zero: the first row is the first multiple of the step above them
    const std::vector<double> v{2.5, 3.0, 7.0, 13.0};
    const auto table = tarvol::reverseTable(v, 3);
    ASSERT_EQ(table.volumeStep, 5);
    ASSERT_EQ(table.rows.size(), 2u);
    EXPECT_EQ(table.rows[0].volume, 5);
    EXPECT_DOUBLE_EQ(table.rows[0].level, 1.5);
    EXPECT_EQ(table.rows[1].volume, 10);
    EXPECT_DOUBLE_EQ(table.rows[1].level, 2.5);
}

struct StepCase {
    const char* name;
    double lowest, highest, step;
};

class ReverseStep : public ::testing::TestWithParam<StepCase> {};

TEST_P(ReverseStep, SmallestSeriesStepWithinTwoHundredRows)
{
    const auto& c = GetParam();
    EXPECT_DOUBLE_EQ(tarvol::reverseVolumeStep(c.lowest, c.highest), c.step);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, ReverseStep,
    ::testing::Values(StepCase{"HalfLitre", 0, 0.5, 0.005}, StepCase{"ExactlyTwoHundredRows", 0, 199, 1},
                      StepCase{"OneRowTooMany", 0, 200, 2}, StepCase{"FiftyCubicMetres", 0, 50000, 500},
                      StepCase{"DeadVolumeNotCounted", 300, 1000, 5}, StepCase{"EmptyTank", 0, 0, 0}),
    [](const ::testing::TestParamInfo<StepCase>& row) { return std::string(row.param.name); });

TEST(Csv, EveryMillimetreWithAFullStop)
{
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    if (!std::setlocale(LC_NUMERIC, "ru_RU.UTF-8"))
        std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    const auto v = everyLevel(kHorizontalCylinder, {2000, 1000});
    const std::string csv = tarvol::csvTable(v, 2);
    std::setlocale(LC_NUMERIC, saved.c_str());

    std::istringstream in(csv);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "level_mm;volume_l");
    size_t lines = 1;
    while (std::getline(in, line)) {
        SCOPED_TRACE(line);
        const size_t level = lines - 1;
        ASSERT_LT(level, v.size());
        const auto semicolon = line.find(';');
        ASSERT_EQ(line.substr(0, semicolon), std::to_string(level));
        const std::string volume = line.substr(semicolon + 1);
        ASSERT_EQ(volume.find(','), std::string::npos);
        ASSERT_EQ(volume.size() - volume.find('.'), 3u); // two decimals
        EXPECT_NEAR(std::stod(volume), v[level], 0.005 + 1e-9);
        ++lines;
    }
    EXPECT_EQ(lines, 1000u + 2); // header and levels 0 .. T
    EXPECT_EQ(csv.back(), '\n');
    EXPECT_EQ(csv.find('\r'), std::string::npos);
}

} // namespace
