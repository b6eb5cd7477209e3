// tarvol-table on a tank file: the same output as the tank typed, and the statuses of files it cannot use.

#include <gtest/gtest.h>

#include "tests/cli/shell.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using tarvol::test::Ran;

std::filesystem::path scratch()
{
    static const auto dir = [] {
        auto d = std::filesystem::temp_directory_path() / ("tarvol-tank-cli-" + std::to_string(::getpid()));
        std::filesystem::create_directories(d);
        return d;
    }();
    return dir;
}

Ran run(const std::string& args)
{
    const auto errFile = scratch() / "stderr";
    Ran r = tarvol::test::runShell(std::string(TARVOL_TABLE_PATH) + " " + args + " 2>'" + errFile.string() + "'");
    std::ifstream err(errFile);
    r.err.assign(std::istreambuf_iterator<char>(err), {});
    return r;
}

void write(const std::filesystem::path& path, const std::string& text) { std::ofstream(path) << text; }

struct SameCase {
    const char* name;
    const char* tank; // shape and dimensions, saved with --decimals as in `output`
    const char* decimals;
    const char* output; // the output options of both runs
};

void PrintTo(const SameCase& c, std::ostream* out) { *out << c.name; }

class FromTankFile : public ::testing::TestWithParam<SameCase> {};

TEST_P(FromTankFile, PrintsWhatTheTypedTankPrints)
{
    const SameCase& c = GetParam();
    const std::string file = (scratch() / (std::string(c.name) + ".tarvol")).string();
    const Ran saved = run("--save-tank '" + file + "' --decimals " + c.decimals + " " + c.tank);
    ASSERT_EQ(saved.status, 0) << saved.err;
    EXPECT_TRUE(saved.out.empty());
    const Ran typed = run(std::string(c.output) + " --decimals " + c.decimals + " " + c.tank);
    const Ran fromFile = run(std::string(c.output) + " --tank '" + file + "'");
    EXPECT_EQ(fromFile.status, typed.status) << fromFile.err;
    EXPECT_FALSE(typed.out.empty());
    EXPECT_EQ(fromFile.out, typed.out);
}

INSTANTIATE_TEST_SUITE_P(
    Outputs, FromTankFile,
    ::testing::Values(SameCase{"Text", "sphere 1000", "3", ""}, SameCase{"TextComma", "8 2000 1000", "2", "--comma"},
                      SameCase{"Json", "horizontal-cylinder 2000 1000", "1", "--json"},
                      SameCase{"Csv", "horizontal-cylinder 2000 1000", "0", "--csv"},
                      SameCase{"EveryMm", "sphere 300", "2", "--every-mm"},
                      SameCase{"JsonEveryMmReverse", "sphere 300", "1", "--json --every-mm --reverse"},
                      SameCase{"Reverse", "8 1500 800", "0", "--reverse"}),
    [](const auto& row) { return std::string(row.param.name); });

struct StatusCase {
    const char* name;
    const char* content; // nullptr: no file at all
    int status;
    const char* said; // a piece of the message
};

void PrintTo(const StatusCase& c, std::ostream* out) { *out << c.name; }

class TankFileStatus : public ::testing::TestWithParam<StatusCase> {};

TEST_P(TankFileStatus, ExitsNamingTheFile)
{
    const StatusCase& c = GetParam();
    const auto file = scratch() / (std::string(c.name) + ".tarvol");
    if (c.content)
        write(file, c.content);
    const Ran r = run("--tank '" + file.string() + "'");
    EXPECT_EQ(r.status, c.status);
    EXPECT_TRUE(r.out.empty()) << r.out;
    EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
    if (c.status != 2) {
        EXPECT_NE(r.err.find(file.string()), std::string::npos) << r.err;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, TankFileStatus,
    ::testing::Values(
        StatusCase{"Missing", nullptr, 66, "не найден"},
        StatusCase{"BadJson", "{\"format\": \"tarvol-tank\",\n \"version\": 1,,", 65, "строке 2, столбце 15"},
        StatusCase{"Newer", R"({"format": "tarvol-tank", "version": 2, "shape": "sphere", "dimensions_mm": [1000]})",
                   65, "версии формата 2"},
        StatusCase{"UnknownShape", R"({"format": "tarvol-tank", "version": 1, "shape": "cube", "dimensions_mm": [1]})",
                   65, "«cube»"},
        StatusCase{"RefusedDimensions",
                   R"({"format": "tarvol-tank", "version": 1, "shape": "sphere", "dimensions_mm": [9]})", 2,
                   "не менее 10 мм"},
        StatusCase{"FractionalDimension",
                   R"({"format": "tarvol-tank", "version": 1, "shape": "sphere", "dimensions_mm": [1000.5]})", 2, ""},
        StatusCase{"FieldCount",
                   R"({"format": "tarvol-tank", "version": 1, "shape": "sphere", "dimensions_mm": [1000, 5]})", 2, ""},
        StatusCase{"NumberPastADouble",
                   R"({"format": "tarvol-tank", "version": 1, "shape": "sphere", "dimensions_mm": [1000],
                       "x-junk": 1e400})",
                   65, "«x-junk»: 1e400"},
        StatusCase{"CovarianceNegativeDefinite",
                   R"({"format": "tarvol-tank", "version": 1, "shape": "horizontal-cylinder",
                       "dimensions_mm": [2000, 1000], "uncertainty": {"fit_covariance": {"fields": [0, 1],
                       "matrix": [[-1, 0], [0, -1]]}}})",
                   65, "«uncertainty.fit_covariance»"},
        StatusCase{"NegativeDimensionU",
                   R"({"format": "tarvol-tank", "version": 1, "shape": "sphere", "dimensions_mm": [1000],
                       "uncertainty": {"u_dims": [-1]}})",
                   65, "«uncertainty.u_dims»: нужно конечное неотрицательное число"},
        StatusCase{"SensorZeroPastAWholeNumber",
                   R"({"format": "tarvol-tank", "version": 1, "shape": "sphere", "dimensions_mm": [1000],
                       "sensor": {"zero": 1e300}})",
                   65, "«sensor»"},
        StatusCase{"SensorErrorOverAHundredPercent",
                   R"({"format": "tarvol-tank", "version": 1, "shape": "sphere", "dimensions_mm": [1000],
                       "sensor": {"max_error": {"value": 1e300, "percent": true}, "max_points": -5}})",
                   65, "«sensor»"}),
    [](const auto& row) { return std::string(row.param.name); });

// A folder or a device is no file to read; a tank the run refuses is not written; nor is one whose folder is missing.
// The sensor's settings a file keeps are the defaults of --sensor; a typed option replaces its own.
TEST(TankFileCommand, KeptSensorSettingsAreTheDefaults)
{
    const std::string file = (scratch() / "sensor.tarvol").string();
    const std::string tank = " --decimals 1 horizontal-cylinder 2000 1000";
    ASSERT_EQ(run("--sensor --zero 5 --max-points 6 --format xy --save-tank '" + file + "'" + tank).status, 0);
    for (const auto& [typed, meant] : {std::pair{"", "--zero 5 --max-points 6 --format xy"},
                                       std::pair{" --max-points 9", "--zero 5 --max-points 9 --format xy"},
                                       std::pair{" --from-top 1100", "--from-top 1100 --max-points 6 --format xy"}}) {
        const Ran fromFile = run("--sensor --tank '" + file + "'" + typed);
        const Ran byHand = run(std::string("--sensor ") + meant + tank);
        ASSERT_EQ(byHand.status, 0) << byHand.err;
        EXPECT_EQ(fromFile.out, byHand.out) << typed;
    }
}

TEST(TankFileCommand, UnreadableRefusedAndUnwritable)
{
    EXPECT_EQ(run("--tank '" + scratch().string() + "'").status, 66);
    if (std::filesystem::exists("/dev/zero")) {
        EXPECT_EQ(run("--tank /dev/zero").status, 66); // it never ends
    }
    const auto refused = scratch() / "refused.tarvol";
    EXPECT_EQ(run("--save-tank '" + refused.string() + "' sphere 9").status, 2);
    EXPECT_FALSE(std::filesystem::exists(refused));
    const Ran r = run("--save-tank '" + (scratch() / "no" / "such.tarvol").string() + "' sphere 1000");
    EXPECT_EQ(r.status, 73);
    EXPECT_NE(r.err.find("no/such.tarvol"), std::string::npos) << r.err;
    EXPECT_EQ(run("--tank x.tarvol sphere 1000").status, 64);
}

} // namespace
