// The tank file: what is refused and where, what survives a round trip, and that a failed write leaves no trace;
// the one atomic writer every save goes through, on links and special files.

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tank/atomicwrite.h"
#include "tank/tankfile.h"

namespace tarvol {
namespace {

struct BrokenCase {
    const char* name;
    std::string text;
    TankFileFault fault;
    const char* place; // the words of the message that name the place
};

void PrintTo(const BrokenCase& c, std::ostream* out) { *out << c.name; }

// A sphere's file with `rest` after its own keys.
std::string sphereWith(const std::string& rest)
{
    return R"({"format": "tarvol-tank", "version": 1, "shape": "sphere", "dimensions_mm": [1000], )" + rest + "}";
}

std::string nested(std::size_t depth) { return std::string(depth, '[') + std::string(depth, ']'); }

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
                   TankFileFault::WrongType, "«passport.owner»"},
        // what would crash or exhaust a reader, and what it would take silently
        BrokenCase{"HundredThousandNestedArrays", sphereWith(R"("x-junk": )" + nested(100'000)), TankFileFault::TooDeep,
                   "в ключе «x-junk» вложенность глубже 64"},
        BrokenCase{"NumberPastADoubleInAnArray", sphereWith(R"("x-junk": [1, 1e400])"), TankFileFault::BadValue,
                   "«x-junk[1]»: 1e400"},
        BrokenCase{"VersionPastADouble", R"({"format": "tarvol-tank", "version": 1e400})", TankFileFault::BadValue,
                   "«version»: 1e400"},
        BrokenCase{"VersionTwice", R"({"format": "tarvol-tank", "version": 999, "version": 1})",
                   TankFileFault::DuplicateKey, "ключ «version» повторён"},
        BrokenCase{"OwnerTwice", sphereWith(R"("passport": {"owner": "А", "owner": "Б"})"), TankFileFault::DuplicateKey,
                   "«passport.owner»"}),
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
    std::string text;
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
            "date": ""}, "sensor": {"step_mm": 10}, "fill": {"log": [[0, 0], [10, 5.5]]}, "x-note": "поверка 2027"})"},
                      // the document and 63 arrays within it: as deep as a file may go
                      RoundTripCase{"NestedToTheLimit", sphereWith(R"("x-deep": )" + nested(63))}),
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

struct UnreadCase {
    const char* name;
    std::function<std::string(const std::filesystem::path& dir)> make; // the path to read; empty: not here
    TankFileFault fault;
};

void PrintTo(const UnreadCase& c, std::ostream* out) { *out << c.name; }

class UnreadFile : public TankWrite, public ::testing::WithParamInterface<UnreadCase> {};

// What is no tank file is refused before it is read through: a FIFO would wait for a writer, /dev/zero never end,
// and a huge file is read no further than the largest tank file.
TEST_P(UnreadFile, IsRefusedWithoutReadingItAll)
{
    const std::string path = GetParam().make(m_dir);
    if (path.empty())
        GTEST_SKIP() << "no such file on this system";
    const TankReadOutcome read = readTankFile(path);
    ASSERT_FALSE(read.has_value());
    EXPECT_EQ(read.error().fault, GetParam().fault);
    EXPECT_NE(tankFileErrorText(read.error()).find(path), std::string::npos);
}

std::string existing(const char* path) { return std::filesystem::exists(path) ? path : ""; }

std::string fifo(const std::filesystem::path& dir)
{
    const auto path = (dir / "fifo").string();
    return ::mkfifo(path.c_str(), 0600) == 0 ? path : "";
}

// 17 MB of holes: no disk and no memory taken until read.
std::string sparseFile(const std::filesystem::path& dir)
{
    const auto path = dir / "huge.tarvol";
    std::ofstream(path) << "{";
    std::filesystem::resize_file(path, std::uintmax_t{17} << 20U);
    return path.string();
}

INSTANTIATE_TEST_SUITE_P(Files, UnreadFile,
                         ::testing::Values(UnreadCase{"FifoWithoutAWriter", fifo, TankFileFault::NotRegularFile},
                                           UnreadCase{"EndlessDevice",
                                                      [](const auto&) { return existing("/dev/zero"); },
                                                      TankFileFault::NotRegularFile},
                                           UnreadCase{"SeventeenMegabytes", sparseFile, TankFileFault::TooLarge}),
                         [](const auto& row) { return std::string(row.param.name); });

constexpr std::string_view kSaved = "{\"format\": \"tarvol-tank\"}\n";

std::string contentOf(const std::filesystem::path& path)
{
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), {}};
}

struct LinkCase {
    const char* name;
    std::vector<std::pair<const char*, const char*>> links; // link → what it holds, made in this order
    const char* saved;                                      // the name given to the save
    const char* target;                                     // the regular file that must then hold the text
    bool targetExisted;                                     // made beforehand with mode 0640
};

void PrintTo(const LinkCase& c, std::ostream* out) { *out << c.name; }

class LinkWrite : public TankWrite, public ::testing::WithParamInterface<LinkCase> {};

// Every save follows a symbolic link to the file it finally names and replaces that file, keeping its permissions;
// the links stay links and no temporary file is left.
TEST_P(LinkWrite, ReplacesTheFinalTarget)
{
    const LinkCase& c = GetParam();
    std::filesystem::create_directory(m_dir / "sub");
    const auto target = m_dir / c.target;
    if (c.targetExisted) {
        std::ofstream(target) << "old";
        std::filesystem::permissions(target, std::filesystem::perms(0640));
    }
    for (const auto& [link, to] : c.links)
        std::filesystem::create_symlink(to, m_dir / link);

    ASSERT_TRUE(writeAtomically((m_dir / c.saved).string(), kSaved).has_value());
    EXPECT_EQ(contentOf(target), kSaved);
    if (c.targetExisted) {
        EXPECT_EQ(std::filesystem::status(target).permissions(), std::filesystem::perms(0640));
    }
    for (const auto& [link, to] : c.links)
        EXPECT_TRUE(std::filesystem::is_symlink(m_dir / link)) << link;
    const auto entries = std::ranges::count_if(std::filesystem::recursive_directory_iterator(m_dir),
                                               [](const auto& entry) { return !entry.is_directory(); });
    EXPECT_EQ(static_cast<std::size_t>(entries), c.links.size() + 1);
}

INSTANTIATE_TEST_SUITE_P(
    Links, LinkWrite,
    ::testing::Values(
        LinkCase{"ToAFile", {{"link", "bak.tarvol"}}, "link", "bak.tarvol", true},
        LinkCase{
            "RelativeChainFromAFolder", {{"two", "bak.tarvol"}, {"sub/one", "../two"}}, "sub/one", "bak.tarvol", true},
        LinkCase{"DanglingMakesItsTarget", {{"link", "sub/new.tarvol"}}, "link", "sub/new.tarvol", false}),
    [](const auto& row) { return std::string(row.param.name); });

struct SpecialCase {
    const char* name;
    // The special file to save to, made in `dir`, and a reader of it where one is needed; empty: not here.
    std::function<std::string(const std::filesystem::path& dir, int& reader)> make;
    int error; // 0: every byte went in
};

void PrintTo(const SpecialCase& c, std::ostream* out) { *out << c.name; }

class SpecialWrite : public TankWrite, public ::testing::WithParamInterface<SpecialCase> {
protected:
    void TearDown() override
    {
        if (m_reader >= 0)
            ::close(m_reader);
        TankWrite::TearDown();
    }
    int m_reader = -1;
};

// A device or FIFO is written into, as a shell's redirection does, and never replaced by a regular file (as root a
// rename over /dev/full would succeed); a FIFO nobody reads refuses at once instead of hanging the save.
TEST_P(SpecialWrite, IsWrittenIntoNeverReplaced)
{
    const SpecialCase& c = GetParam();
    const std::string path = c.make(m_dir, m_reader);
    if (path.empty())
        GTEST_SKIP() << "no such file on this system";
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);

    const AtomicOutcome written = writeAtomically(path, kSaved);
    EXPECT_EQ(written.has_value() ? 0 : written.error(), c.error);
    struct stat after {};
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_mode & S_IFMT, before.st_mode & S_IFMT);
    EXPECT_EQ(after.st_rdev, before.st_rdev);
    if (m_reader >= 0 && c.error == 0) {
        std::string got(kSaved.size() + 1, '\0');
        got.resize(static_cast<std::size_t>(std::max<ssize_t>(0, ::read(m_reader, got.data(), got.size()))));
        EXPECT_EQ(got, kSaved);
    }
}

std::string fifoWithReader(const std::filesystem::path& dir, int& reader)
{
    const std::string path = fifo(dir);
    if (!path.empty())
        reader = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    return reader >= 0 ? path : "";
}

std::string linkToNull(const std::filesystem::path& dir, int& /*reader*/)
{
    if (!std::filesystem::exists("/dev/null"))
        return {};
    std::filesystem::create_symlink("/dev/null", dir / "null");
    return (dir / "null").string();
}

INSTANTIATE_TEST_SUITE_P(
    Files, SpecialWrite,
    ::testing::Values(SpecialCase{"DeviceTakesTheBytes", [](const auto&, int&) { return existing("/dev/null"); }, 0},
                      SpecialCase{"FullDeviceRefusesAndStays", [](const auto&, int&) { return existing("/dev/full"); },
                                  ENOSPC},
                      SpecialCase{"LinkToADevice", linkToNull, 0}, SpecialCase{"FifoWithAReader", fifoWithReader, 0},
                      SpecialCase{"FifoWithoutAReader", [](const auto& dir, int&) { return fifo(dir); }, ENXIO}),
    [](const auto& row) { return std::string(row.param.name); });

} // namespace
} // namespace tarvol
