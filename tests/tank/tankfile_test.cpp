// The tank file: what is refused and where, what survives a round trip, and that a failed write leaves no trace.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tank/tankfile.h"

namespace tarvol {
namespace {

struct BrokenCase {
    const char* name;
    const char* text;
    TankFileFault fault;
    const char* place; // the words of the message that name the place
};

void PrintTo(const BrokenCase& c, std::ostream* out) { *out << c.name; }

class BrokenFile : public ::testing::TestWithParam<BrokenCase> {};

TEST_P(BrokenFile, IsRefusedNamingTheFileAndThePlace)
{
    const BrokenCase& c = GetParam();
    const TankReadOutcome read = parseTankFile(c.text, "/tmp/бак.tarvol");
    ASSERT_FALSE(read.has_value());
    EXPECT_EQ(read.error().fault, c.fault);
    const std::string message = tankFileErrorText(read.error());
    EXPECT_NE(message.find("«/tmp/бак.tarvol»"), std::string::npos) << message;
    EXPECT_NE(message.find(c.place), std::string::npos) << message;
}

// Line and column of the character where reading stopped, counted by hand: in characters, so "ё" is one.
INSTANTIATE_TEST_SUITE_P(
    Texts, BrokenFile,
    ::testing::Values(
        BrokenCase{"Empty", "", TankFileFault::BadJson, "строке 1, столбце 1"},
        BrokenCase{"MissingCommaOnLineThree",
                   "{\n  \"format\": \"tarvol-tank\",\n  \"version\": 1\n  \"shape\": \"sphere\"}",
                   TankFileFault::BadJson, "строке 4, столбце 9"},
        BrokenCase{"CyrillicBeforeTheFault", "{\"ёё\": ]", TankFileFault::BadJson, "строке 1, столбце 8"},
        BrokenCase{"NotAnObject", "[1, 2]", TankFileFault::NotTankFile, "не файл ёмкости"},
        BrokenCase{"OtherFormat", R"({"format": "tarvol-sensor", "version": 1})", TankFileFault::NotTankFile,
                   "не файл ёмкости"},
        BrokenCase{"NewerVersion", R"({"format": "tarvol-tank", "version": 7})", TankFileFault::NewerVersion,
                   "версии формата 7"},
        BrokenCase{"VersionZero", R"({"format": "tarvol-tank", "version": 0})", TankFileFault::BadValue, "«version»"},
        BrokenCase{"VersionAsText", R"({"format": "tarvol-tank", "version": "1"})", TankFileFault::WrongType,
                   "«version»"},
        BrokenCase{"NoShape", R"({"format": "tarvol-tank", "version": 1, "dimensions_mm": [1000]})",
                   TankFileFault::MissingKey, "«shape»"},
        BrokenCase{"UnknownShape",
                   R"({"format": "tarvol-tank", "version": 1, "shape": "pyramid", "dimensions_mm": [1]})",
                   TankFileFault::UnknownShape, "«pyramid»"},
        BrokenCase{"NoDimensions", R"({"format": "tarvol-tank", "version": 1, "shape": "sphere"})",
                   TankFileFault::MissingKey, "«dimensions_mm»"},
        BrokenCase{"DimensionAsText",
                   R"({"format": "tarvol-tank", "version": 1, "shape": "sphere", "dimensions_mm": ["1000"]})",
                   TankFileFault::WrongType, "«dimensions_mm[0]»"},
        BrokenCase{"DecimalsFour",
                   R"({"format": "tarvol-tank", "version": 1, "shape": "sphere", "dimensions_mm": [1], "decimals": 4})",
                   TankFileFault::BadValue, "«decimals»"},
        BrokenCase{"OwnerAsNumber",
                   R"({"format": "tarvol-tank", "version": 1, "shape": "sphere", "dimensions_mm": [1],
                       "passport": {"owner": 12}})",
                   TankFileFault::WrongType, "«passport.owner»"}),
    [](const auto& row) { return std::string(row.param.name); });

struct DimensionCase {
    const char* name;
    const char* json; // the dimensions_mm array
    std::vector<std::string> texts;
};

void PrintTo(const DimensionCase& c, std::ostream* out) { *out << c.name; }

class Dimensions : public ::testing::TestWithParam<DimensionCase> {};

// Values the entry rules refuse are read as the texts the run refuses, not as a broken file.
TEST_P(Dimensions, ReadAsTheFieldTextsTheRunChecks)
{
    const DimensionCase& c = GetParam();
    const std::string text =
        std::string(R"({"format": "tarvol-tank", "version": 1, "shape": "box", "dimensions_mm": )") + c.json + "}";
    const TankReadOutcome read = parseTankFile(text, "t.tarvol");
    ASSERT_TRUE(read.has_value()) << tankFileErrorText(read.error());
    EXPECT_EQ(read->dimensions, c.texts);
}

INSTANTIATE_TEST_SUITE_P(Values, Dimensions,
                         ::testing::Values(DimensionCase{"Whole", "[2000, 1000, 500]", {"2000", "1000", "500"}},
                                           DimensionCase{"WholeWrittenAsReal", "[2000.0]", {"2000"}},
                                           DimensionCase{"Fraction", "[12.5]", {"12.5"}},
                                           DimensionCase{"Negative", "[-5]", {"-5"}},
                                           DimensionCase{"NineDigits", "[123456789]", {"123456789"}},
                                           DimensionCase{"NotFilledYet", "[null, 3]", {"", "3"}}),
                         [](const auto& row) { return std::string(row.param.name); });

struct RoundTripCase {
    const char* name;
    const char* text;
};

void PrintTo(const RoundTripCase& c, std::ostream* out) { *out << c.name; }

class RoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

// Written and read again, a document is the same, and keys this version does not know come back as they were.
TEST_P(RoundTrip, KeepsEveryKey)
{
    const TankReadOutcome first = parseTankFile(GetParam().text, "a.tarvol");
    ASSERT_TRUE(first.has_value()) << tankFileErrorText(first.error());
    const std::string written = tankFileText(*first);
    const TankReadOutcome second = parseTankFile(written, "b.tarvol");
    ASSERT_TRUE(second.has_value()) << tankFileErrorText(second.error());
    EXPECT_EQ(*second, *first);
    EXPECT_EQ(tankFileText(*second), written);
    const auto original = nlohmann::ordered_json::parse(GetParam().text);
    const auto again = nlohmann::ordered_json::parse(written);
    for (const auto& [key, value] : original.items())
        EXPECT_EQ(again.at(key), value) << key;
}

INSTANTIATE_TEST_SUITE_P(
    Files, RoundTrip,
    ::testing::Values(RoundTripCase{"Full", R"({"format": "tarvol-tank", "version": 1, "shape": "horizontal-cylinder",
            "dimensions_mm": [2000, 1000], "decimals": 2, "passport": {"tank_number": "Р-12",
            "owner": "АЗС № 3", "author": "Иванов И. И.", "date": "08.12.2026"}})"},
                      RoundTripCase{"SectionsAndUnknownKeys",
                                    R"({"format": "tarvol-tank", "version": 1, "shape": "sphere",
            "dimensions_mm": [1000], "decimals": 0, "passport": {"tank_number": "", "owner": "", "author": "",
            "date": ""}, "sensor": {"step_mm": 10}, "fill": {"log": [[0, 0], [10, 5.5]]}, "x-note": "поверка 2027"})"}),
    [](const auto& row) { return std::string(row.param.name); });

class TankWrite : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = std::filesystem::temp_directory_path() / ("tarvol-tank-" + std::to_string(::getpid()));
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }
    std::filesystem::path m_dir;
};

// A rename that fails (the name is a folder) reports the reason and leaves neither a new file nor a temporary one.
TEST_F(TankWrite, FailureLeavesTheFolderAsItWas)
{
    const auto target = m_dir / "bak.tarvol";
    std::filesystem::create_directory(target);
    std::filesystem::create_directory(target / "inside");
    const TankWriteOutcome written = replaceFileContents(target.string(), "{}");
    ASSERT_FALSE(written.has_value());
    EXPECT_EQ(written.error().fault, TankFileFault::WriteFailed);
    EXPECT_NE(tankFileErrorText(written.error()).find(target.string()), std::string::npos);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_dir), std::filesystem::directory_iterator()), 1);
    EXPECT_TRUE(std::filesystem::is_directory(target / "inside"));
}

} // namespace
} // namespace tarvol
