#include <gtest/gtest.h>

#include <QFile>

#include "export/textexport.h"
#include "support.h"

namespace tarvol::test {
namespace {

TEST(TextExport, SphereFileIsExactlyTheExampleBytes)
{
    QTemporaryDir dir;
    WatchingOpener opener;
    const QString path = dir.filePath(QStringLiteral("emkost.txt"));
    ASSERT_TRUE(exportText(path, sphereContent()).ok());
    EXPECT_EQ(readAll(path), kSphereFile);
    EXPECT_EQ(readAll(path).count("\r\n"), 14);
}

std::vector<std::string> toStd(const QStringList& list)
{
    std::vector<std::string> out;
    for (const QString& s : list)
        out.push_back(s.toStdString());
    return out;
}

DimensionRow shown(const char* caption, const char* text)
{
    return {QString::fromUtf8(caption), QString::fromUtf8(text), true};
}

DimensionRow hidden(const char* caption) { return {QString::fromUtf8(caption), QStringLiteral("777"), false}; }

struct LayoutCase {
    const char* name;
    ExportContent content;
    QStringList lines;
};

class TextLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(TextLayout, LinesFollowTheWindow)
{
    const LayoutCase& c = GetParam();
    std::vector<int> positions;
    const int rowCount = c.content.gridRowCount();
    EXPECT_EQ(toStd(textLines(c.content,
                              [&](int maximum, int position) {
                                  EXPECT_EQ(maximum, rowCount);
                                  positions.push_back(position);
                              })),
              toStd(c.lines));
    std::vector<int> expected{0};
    for (int r = 1; r < rowCount; ++r)
        expected.push_back(r);
    expected.push_back(0);
    EXPECT_EQ(positions, expected) << "the bar runs over the grid rows and ends at 0";

    // every line, the last included, ends in CR LF and nothing follows
    QTemporaryDir dir;
    WatchingOpener opener;
    const QString path = dir.filePath(QStringLiteral("out.txt"));
    ASSERT_TRUE(exportText(path, c.content).ok());
    const QByteArray bytes = readAll(path);
    EXPECT_EQ(bytes.count("\r\n"), c.lines.size());
    EXPECT_EQ(bytes.count('\n'), c.lines.size());
    EXPECT_TRUE(bytes.endsWith("\r\n"));
    EXPECT_FALSE(bytes.startsWith("\xef\xbb\xbf"));
}

const QString kHeader = QStringLiteral("Уровень (мм)\tОбъём (л)");

INSTANTIATE_TEST_SUITE_P(
    Cases, TextLayout,
    ::testing::Values(
        LayoutCase{"HiddenMiddleRowLeavesNoGap",
                   {QStringLiteral("Горизонтальный цилиндр"),
                    {shown("Длина (L)", "3000"), hidden("Не показан"), shown("Диаметр (D)", "1200")},
                    {{QStringLiteral("300"), QStringLiteral("51")}, {QStringLiteral("600"), QStringLiteral("136")}},
                    {}},
                   {QStringLiteral("Горизонтальный цилиндр"), QStringLiteral("Длина (L)  3000"),
                    QStringLiteral("Диаметр (D)  1200"), QString(), kHeader, QStringLiteral("300\t51"),
                    QStringLiteral("600\t136")}},
        LayoutCase{"HeadingOnlyGridKeepsFourLines",
                   {QStringLiteral("Сферическая ёмкость"), {shown("Внутренний диаметр ёмкости (D)", "5")}, {}, {}},
                   {QStringLiteral("Сферическая ёмкость"), QStringLiteral("Внутренний диаметр ёмкости (D)  5"),
                    QString(), kHeader}},
        LayoutCase{
            "NoVisibleRowGoesStraightToTheEmptyLine",
            {QStringLiteral("Форма"), {hidden("a"), hidden("b")}, {{QStringLiteral("10"), QStringLiteral("1")}}, {}},
            {QStringLiteral("Форма"), QString(), kHeader, QStringLiteral("10\t1")}},
        LayoutCase{"EighthRowIsExported",
                   {QStringLiteral("Форма"),
                    {hidden("1"), hidden("2"), hidden("3"), hidden("4"), hidden("5"), hidden("6"), hidden("7"),
                     shown("Восьмой", "8")},
                    {},
                    {}},
                   {QStringLiteral("Форма"), QStringLiteral("Восьмой  8"), QString(), kHeader}},
        LayoutCase{
            "PointSeparatorPassesUnchanged",
            {QStringLiteral("Форма"),
             {shown("D", "1000")},
             {{QStringLiteral("100"), QStringLiteral("14.661")}, {QStringLiteral("200"), QStringLiteral("1.23E+12")}},
             {}},
            {QStringLiteral("Форма"), QStringLiteral("D  1000"), QString(), kHeader, QStringLiteral("100\t14.661"),
             QStringLiteral("200\t1.23E+12")}},
        LayoutCase{"FillCalibrationFollowsTheDimensions",
                   {QStringLiteral("Форма"),
                    {shown("D", "1991,1")},
                    {{QStringLiteral("100"), QStringLiteral("5")}},
                    {QStringLiteral("по наливу")}},
                   {QStringLiteral("Форма"), QStringLiteral("D  1991,1"), QStringLiteral("по наливу"), QString(),
                    kHeader, QStringLiteral("100\t5")}}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST(TextExport, PathWithSpacesReachesTheOpenerWholeAfterTheFileIsComplete)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("мои результаты")));
    const QString path = dir.filePath(QStringLiteral("мои результаты/ёмкость 1.txt"));
    WatchingOpener opener;
    ASSERT_TRUE(exportText(path, sphereContent()).ok());
    ASSERT_EQ(opener.paths, QStringList{path});
    EXPECT_EQ(opener.contents.front(), kSphereFile);
}

TEST(TextExport, ReplacesTheWholeOfALongerFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("emkost.txt"));
    writeBytes(path, QByteArray(10000, 'x'));
    WatchingOpener opener;
    ASSERT_TRUE(exportText(path, sphereContent()).ok());
    EXPECT_EQ(readAll(path), kSphereFile);
}

TEST(TextExport, CharacterOutsideTheCodePageIsRefusedNotReplaced)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("emkost.txt"));
    writeBytes(path, "old\r\n");
    ExportContent content = sphereContent();
    content.shapeName = QStringLiteral("Ёмкость №1 ✓");
    WatchingOpener opener;
    const ExportResult result = exportText(path, content);
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error().kind, ExportFailure::Encoding);
    EXPECT_EQ(readAll(path), QByteArray("old\r\n"));
    EXPECT_TRUE(opener.paths.isEmpty());
}

// A target that cannot be written, prepared inside `dir`; returns the path to write.
struct FailingTarget {
    const char* name;
    QString (*prepare)(const QString& dir);
    bool hasOldFile;
    long fileSizeLimit; // 0: none
    bool needsNonRoot;  // root writes into read-only folders
};

const QByteArray kOldFile = "old content that must survive\r\n";

QString parentIsRegularFile(const QString& dir)
{
    writeBytes(dir + QStringLiteral("/plain"), "not a folder");
    return dir + QStringLiteral("/plain/emkost.txt");
}

QString targetIsFolder(const QString& dir)
{
    QDir(dir).mkdir(QStringLiteral("emkost.txt"));
    return dir + QStringLiteral("/emkost.txt");
}

QString oldFile(const QString& dir)
{
    writeBytes(dir + QStringLiteral("/emkost.txt"), kOldFile);
    return dir + QStringLiteral("/emkost.txt");
}

QString oldFileInReadOnlyFolder(const QString& dir)
{
    const QString path = oldFile(dir);
    QFile::setPermissions(dir, QFile::ReadOwner | QFile::ExeOwner);
    return path;
}

QString missingFolder(const QString& dir) { return dir + QStringLiteral("/нет такой папки/emkost.txt"); }

class TextFailingWrite : public ::testing::TestWithParam<FailingTarget> {};

TEST_P(TextFailingWrite, LeavesTheOldFileAndNoNewOne)
{
    const FailingTarget& c = GetParam();
    if (c.needsNonRoot && runningAsRoot())
        GTEST_SKIP() << "root writes into read-only folders";
    QTemporaryDir dir;
    const QString path = c.prepare(dir.path());
    const QStringList before = entries(dir.path());
    WatchingOpener opener;

    std::optional<ExportResult> result;
    {
        std::optional<FileSizeLimit> limit;
        if (c.fileSizeLimit > 0)
            limit.emplace(c.fileSizeLimit);
        result = exportText(path, sphereContent());
    }
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    ASSERT_FALSE(result->ok());
    EXPECT_EQ(result->error().kind, ExportFailure::Write);
    EXPECT_EQ(result->error().path, path);
    EXPECT_TRUE(result->error().message().contains(path));
    EXPECT_FALSE(result->error().reason.isEmpty());
    EXPECT_EQ(entries(dir.path()), before) << "a temporary or empty file was left behind";
    if (c.hasOldFile) {
        EXPECT_EQ(readAll(path), kOldFile);
    }
    EXPECT_TRUE(opener.paths.isEmpty()) << "the editor must not open a file that was not written";
}

INSTANTIATE_TEST_SUITE_P(Cases, TextFailingWrite,
                         ::testing::Values(FailingTarget{"ParentIsARegularFile", parentIsRegularFile, false, 0, false},
                                           FailingTarget{"TargetIsAFolder", targetIsFolder, false, 0, false},
                                           FailingTarget{"FolderDoesNotExist", missingFolder, false, 0, false},
                                           FailingTarget{"DiskFullOverAnOldFile", oldFile, true, 64, false},
                                           FailingTarget{"ReadOnlyFolderWithAnOldFile", oldFileInReadOnlyFolder, true,
                                                         0, true}),
                         [](const auto& testInfo) { return std::string(testInfo.param.name); });

} // namespace
} // namespace tarvol::test
