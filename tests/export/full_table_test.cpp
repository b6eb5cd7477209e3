#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include "calc/catalogue.h"
#include "export/atomicfile.h"
#include "export/fulltable.h"
#include "export/savedialog.h"
#include "support.h"

namespace tarvol::test {
namespace {

TableContent fromCore(int shapeIndex, const std::vector<std::string>& texts, int decimals)
{
    Tank tank;
    tank.shape = shapeIndex;
    for (const auto& text : texts)
        tank.dimensions.push_back(std::stod(text));
    tank.decimals = decimals;
    return fullTableDocument(everyLevel(tank), {});
}

// A made-up tank: `dead` litres below gauge zero, then a volume growing with the square of the level.
TableContent synthetic(int top, double dead, int decimals)
{
    TableContent t;
    t.shapeName = QStringLiteral("Пробная ёмкость");
    t.dimensions = {{QStringLiteral("Высота (H)"), QString::number(top)}};
    t.decimalPlaces = decimals;
    t.errorLine = QStringLiteral("Погрешность расчётов: 0,000001 %.");
    for (int level = 0; level <= top; ++level)
        t.levelVolumes.push_back(dead + 0.0123 * level * level);
    t.reverse = reverseTable(t.levelVolumes);
    return t;
}

struct WorkbookCase {
    const char* name;
    TableContent (*make)();
};

class FullTableWorkbook : public ::testing::TestWithParam<WorkbookCase> {};

TEST_P(FullTableWorkbook, EveryLevelSitsInItsCellAsANumber)
{
    const TableContent content = GetParam().make();
    const int top = content.topLevel();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tablica.xlsx"));
    const ExportResult result = exportFullTable(path, tableFormat(u"xlsx"), content);
    ASSERT_TRUE(result.ok()) << result.error().message().toStdString();

    const XlsxFile book(path);
    ASSERT_TRUE(book.isZip());
    EXPECT_EQ(book.sheetNames(), (QStringList{QStringLiteral("Титульный лист"), QStringLiteral("Таблица"),
                                              QStringLiteral("График"), QStringLiteral("Объём-уровень")}));
    const auto front = book.cells(1);
    ASSERT_TRUE(front.count(QStringLiteral("A1")));
    EXPECT_EQ(front.at(QStringLiteral("A1")).text, QStringLiteral("Градуировочная таблица"));

    // the column header heads the table's own sheet, so that freezing it leaves a laptop's screen to the table
    const auto cells = book.cells(2);
    const int header = 1;
    ASSERT_TRUE(cells.count(QStringLiteral("A1")));
    EXPECT_EQ(cells.at(QStringLiteral("A1")).text, QStringLiteral("Уровень, см"));
    for (int mm = 0; mm < 10; ++mm)
        EXPECT_EQ(cells.at(cellName(header, mm + 2)).text, QStringLiteral("%1 мм").arg(mm));

    size_t tableCells = 0;
    for (const auto& [address, cell] : cells) {
        const int row = QStringView(address).mid(address.indexOf(QRegularExpression(QStringLiteral("[0-9]")))).toInt();
        if (row > header)
            ++tableCells;
    }
    const int rows = top / 10 + 1;
    EXPECT_EQ(tableCells, static_cast<size_t>(rows + top + 1)) << "a level is missing or a cell lies past the top";
    for (int r = 0; r < rows; ++r) {
        const auto level = cells.find(cellName(header + 1 + r, 1));
        ASSERT_NE(level, cells.end());
        EXPECT_FALSE(level->second.isText);
        EXPECT_EQ(level->second.number, r);
    }
    for (int level = 0; level <= top; ++level) {
        const auto at = cells.find(cellName(header + 1 + level / 10, 2 + level % 10));
        ASSERT_NE(at, cells.end()) << "level " << level;
        ASSERT_FALSE(at->second.isText);
        const double expected = content.levelVolumes[static_cast<size_t>(level)];
        EXPECT_NEAR(at->second.number, expected, 1e-14 * std::max(1.0, std::fabs(expected))) << "level " << level;
    }

    const QByteArray sheet = book.part(QStringLiteral("xl/worksheets/sheet2.xml")).value_or(QByteArray());
    const QRegularExpression pane(QStringLiteral("<pane xSplit=\"1\" ySplit=\"%1\"[^>]*state=\"frozen\"").arg(header));
    EXPECT_TRUE(pane.match(QString::fromUtf8(sheet)).hasMatch()) << "header row and level column must stay in view";
    if (content.decimalPlaces > 0) {
        const QByteArray styles = book.part(QStringLiteral("xl/styles.xml")).value_or(QByteArray());
        EXPECT_TRUE(styles.contains("formatCode=\"0." + QByteArray(content.decimalPlaces, '0') + "\""));
    }

    const QByteArray chart = book.part(QStringLiteral("xl/charts/chart1.xml")).value_or(QByteArray());
    EXPECT_TRUE(chart.contains("<c:scatterChart>")) << "the curve chart is missing";
    EXPECT_TRUE(QString::fromUtf8(chart).contains(QStringLiteral("'График'!$B$2")));
    const auto curve = book.cells(3);
    const int lastPoint = (top + 9) / 10 + 2; // every 10 mm, then the top, below the heading row
    ASSERT_TRUE(curve.count(cellName(lastPoint, 1)));
    EXPECT_EQ(curve.at(cellName(lastPoint, 1)).number, top);
    EXPECT_FALSE(curve.count(cellName(lastPoint + 1, 1)));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FullTableWorkbook,
    ::testing::Values(WorkbookCase{"SmallSphereFromTheCore", [] { return fromCore(0, {"57"}, 2); }},
                      WorkbookCase{"VerticalCylinderFromTheCore",
                                   [] {
                                       return fromCore(1, {"124", "300"}, 3);
                                   }},
                      WorkbookCase{"DeadVolumeShowsAtLevelZero", [] { return synthetic(23, 12.5, 1); }},
                      WorkbookCase{"TopAloneInTheLastRow", [] { return synthetic(30, 0, 0); }},
                      WorkbookCase{"SingleRowTable", [] { return synthetic(7, 0, 3); }}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

struct FormatCase {
    const char* name;
    const TableFormat* format;
    const char* file;
};

class FullTableFile : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FullTableFile, ProgressRunsOverTheRowsAndEndsAtZero)
{
    QTemporaryDir dir;
    std::vector<int> positions;
    const TableContent content = synthetic(345, 0, 2);
    ASSERT_TRUE(exportFullTable(dir.filePath(QString::fromLatin1(GetParam().file)), GetParam().format, content,
                                [&](int maximum, int position) {
                                    EXPECT_EQ(maximum, 35);
                                    positions.push_back(position);
                                })
                    .ok());
    ASSERT_FALSE(positions.empty());
    EXPECT_EQ(*std::max_element(positions.begin(), positions.end()), 35);
    EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end() - 1));
    EXPECT_EQ(positions.back(), 0);
}

TEST_P(FullTableFile, CancelledWriteLeavesTheOldFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QString::fromLatin1(GetParam().file));
    writeBytes(path, "old table");
    const QStringList before = entries(dir.path());
    const std::atomic<bool> cancel{true};
    const ExportResult result = exportFullTable(path, GetParam().format, synthetic(200, 0, 1), {}, &cancel);
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error().kind, ExportFailure::Cancelled);
    EXPECT_EQ(readAll(path), QByteArray("old table"));
    EXPECT_EQ(entries(dir.path()), before);
}

TEST_P(FullTableFile, FailedWriteLeavesTheOldFileAndNoNewOne)
{
    QTemporaryDir dir;
    const QString old = dir.filePath(QString::fromLatin1(GetParam().file));
    writeBytes(old, "old table");
    writeBytes(dir.filePath(QStringLiteral("plain")), "not a folder");
    const QStringList before = entries(dir.path());
    const QString unreachable = dir.filePath(QStringLiteral("plain/") + QString::fromLatin1(GetParam().file));
    const ExportResult refused = exportFullTable(unreachable, GetParam().format, synthetic(200, 0, 1));
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error().kind, ExportFailure::Write);
    EXPECT_TRUE(refused.error().message().contains(unreachable));
    EXPECT_TRUE(refused.error().message().contains(systemReason(ENOENT))) << refused.error().message().toStdString();

    std::optional<ExportResult> full;
    {
        FileSizeLimit limit(4000);
        full = exportFullTable(old, GetParam().format, synthetic(2000, 0, 3));
    }
    ASSERT_FALSE(full->ok());
    // the reason comes from the failing write itself, in Russian
    EXPECT_TRUE(full->error().message().contains(systemReason(EFBIG))) << full->error().message().toStdString();
    EXPECT_EQ(readAll(old), QByteArray("old table"));
    EXPECT_EQ(entries(dir.path()), before);
}

TEST_P(FullTableFile, TableWithoutLevelsIsRefused)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QString::fromLatin1(GetParam().file));
    TableContent empty = synthetic(0, 0, 0);
    empty.levelVolumes.clear();
    const ExportResult result = exportFullTable(path, GetParam().format, empty);
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error().kind, ExportFailure::BadTable);
    EXPECT_TRUE(entries(dir.path()).isEmpty());
}

// A workbook cell holds 32 767 characters: a longer passport line is refused in words, not by the library's code.
TEST(FullTableWorkbook, OverlongPassportLineIsNamed)
{
    QTemporaryDir dir;
    TableContent content = synthetic(20, 0, 1);
    content.passport.owner = std::string(40'000, 'x');
    const ExportResult result = exportFullTable(dir.filePath(QStringLiteral("t.xlsx")), tableFormat(u"xlsx"), content);
    ASSERT_FALSE(result.ok());
    EXPECT_TRUE(result.error().message().contains(QStringLiteral("длиннее 32 767 знаков")))
        << result.error().message().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Formats, FullTableFile,
                         ::testing::Values(FormatCase{"Xlsx", tableFormat(u"xlsx"), "tablica.xlsx"},
                                           FormatCase{"Pdf", tableFormat(u"pdf"), "tablica.pdf"},
                                           FormatCase{"Csv", tableFormat(u"csv"), "tablica.csv"}),
                         [](const auto& testInfo) { return std::string(testInfo.param.name); });

int pdfPageObjects(const QByteArray& pdf)
{
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?![A-Za-z])"));
    int count = 0;
    for (auto it = page.globalMatch(QString::fromLatin1(pdf)); it.hasNext(); it.next())
        ++count;
    return count;
}

struct PdfCase {
    const char* name;
    TableContent (*make)();
    int minPages, maxPages;
    const char* lastTableLevel; // the level in cm that opens the last table row
};

class FullTablePdf : public ::testing::TestWithParam<PdfCase> {};

TEST_P(FullTablePdf, PagesCarryTitleHeaderAndTheirNumber)
{
    const PdfCase& c = GetParam();
    const TableContent content = c.make();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tablica.pdf"));
    const ExportResult result = exportFullTable(path, tableFormat(u"pdf"), content);
    ASSERT_TRUE(result.ok()) << result.error().message().toStdString();
    const QByteArray pdf = readAll(path);
    ASSERT_TRUE(pdf.startsWith("%PDF-"));
    const int pages = pdfPageObjects(pdf);
    EXPECT_GE(pages, c.minPages);
    EXPECT_LE(pages, c.maxPages);

    const auto texts = pdfPages(path);
    if (!texts)
        GTEST_SKIP() << "pdftotext not installed: page texts not checked";
    ASSERT_EQ(texts->size(), pages);
    for (int k = 1; k <= pages; ++k) {
        const QString& page = (*texts)[k - 1];
        EXPECT_TRUE(page.contains(QStringLiteral("Лист %1 из %2").arg(k).arg(pages))) << "page " << k;
        EXPECT_TRUE(page.contains(content.shapeName)) << "page " << k;
    }
    EXPECT_TRUE(texts->first().contains(QStringLiteral("Уровень,"))) << "column header missing";
    EXPECT_TRUE(texts->first().contains(QStringLiteral("9 мм"))) << "column header missing";
    EXPECT_EQ(texts->filter(QStringLiteral("Градуировочная кривая")).size(), 1);
    EXPECT_TRUE(texts->last().contains(QStringLiteral("Проверил:"))) << "the signature block closes the document";
    const QRegularExpression lastRow(QStringLiteral("(^|\\n)\\s*%1\\s").arg(QString::fromLatin1(c.lastTableLevel)));
    bool found = false;
    for (const QString& page : *texts)
        found = found || lastRow.match(page).hasMatch();
    EXPECT_TRUE(found) << "the row of the top level is missing";
}

TEST(FullTablePdf, SphereShowsTheGridVolumesAtTheirLevels)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tablica.pdf"));
    ASSERT_TRUE(exportFullTable(path, tableFormat(u"pdf"), fromCore(0, {"1000"}, 3)).ok());
    const auto texts = pdfPages(path);
    if (!texts)
        GTEST_SKIP() << "pdftotext not installed";
    const QString all = texts->join(QLatin1Char('\n'));
    for (const int level : {100, 200, 500, 900, 1000}) {
        const char* volume = tarvol::published::sphereVolume(level);
        EXPECT_TRUE(all.contains(QString::fromLatin1(volume))) << volume;
    }
}

// A page holds some 50 rows of 10 mm; the curve follows the table, on a page of its own when full, then
// the reverse table and the signature block.
INSTANTIATE_TEST_SUITE_P(
    Cases, FullTablePdf,
    ::testing::Values(PdfCase{"SmallTableOnTheFirstPage", [] { return synthetic(57, 0, 2); }, 2, 3, "5"},
                      PdfCase{"SphereOfOneMetre", [] { return fromCore(0, {"1000"}, 3); }, 3, 4, "100"},
                      PdfCase{"TwentyMetresOnManyPages", [] { return synthetic(20000, 3.5, 3); }, 26, 70, "2000"}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

// A tilted tank's correction grid goes to its documents as an appendix, in the PDF's pages and on a sheet of its own.
// Where the surface spans the floor of a box pitched by θ, a vertical gauge at its middle reads n, and the depth
// across the floor there is n / cos θ: the volume is L·S·n / cos θ, here at n = 1 000 mm for θ = −2° … 2°.
TEST(FullTableAppendix, CarriesTheTanksTiltGrid)
{
    Tank tank;
    tank.shape = *findShapeByKey("box");
    tank.dimensions = {8000, 1500, 2000};
    tank.decimals = 1;
    tank.orientation = Orientation{};
    tank.orientation->pitchDegrees = 1;
    tank.tiltGrid = TiltGridRange{.byPitch = true, .from = -2, .to = 2, .step = 1, .levelStep = 250};
    const TableContent content = fullTableDocument(everyLevel(tank), {});
    ASSERT_TRUE(content.gridAppendix);
    const TableContent::GridAppendix& grid = *content.gridAppendix;
    EXPECT_EQ(grid.angles, QStringLiteral("-2° -1° 0° 1° 2°").split(u' '));
    ASSERT_GT(grid.levels.size(), 4u);
    ASSERT_EQ(grid.levels[4], 1000);
    const double atThousand[] = {16009.752709, 16002.437249, 16000, 16002.437249, 16009.752709}; // 16 000 / cos θ
    for (std::size_t c = 0; c < 5; ++c)
        EXPECT_NEAR(grid.volumes[4][c], atThousand[c], 1e-4) << c;

    QTemporaryDir dir;
    const QString book = dir.filePath(QStringLiteral("tablica.xlsx"));
    ASSERT_TRUE(exportFullTable(book, tableFormat(u"xlsx"), content).ok());
    const XlsxFile xlsx(book);
    ASSERT_EQ(xlsx.sheetNames().last(), kGridSheetName);
    EXPECT_NEAR(xlsx.cells(static_cast<int>(xlsx.sheetNames().size()))[cellName(7, 2)].number, grid.volumes[4][0],
                1e-9);

    const QString pdf = dir.filePath(QStringLiteral("tablica.pdf"));
    ASSERT_TRUE(exportFullTable(pdf, tableFormat(u"pdf"), content).ok());
    const auto texts = pdfPages(pdf);
    if (!texts)
        GTEST_SKIP() << "pdftotext not installed";
    const QString all = texts->join(QLatin1Char('\n'));
    EXPECT_TRUE(all.contains(QStringLiteral("Приложение. Сетка наклонов")));
    EXPECT_TRUE(all.contains(QStringLiteral("16002,4")));
    EXPECT_TRUE(texts->last().contains(QStringLiteral("Проверил:")));
}

struct TargetCase {
    const char* name;
    const char* chosen;
    int filter;
    const char* path;
    const TableFormat* format;
};

class TableTargetRules : public ::testing::TestWithParam<TargetCase> {};

TEST_P(TableTargetRules, TypedSuffixWinsOverTheFilter)
{
    const TargetCase& c = GetParam();
    const TableTarget target = tableTarget(QString::fromUtf8(c.chosen), c.filter);
    EXPECT_EQ(target.path, QString::fromUtf8(c.path));
    EXPECT_EQ(target.format, c.format);
}

INSTANTIATE_TEST_SUITE_P(
    Names, TableTargetRules,
    ::testing::Values(TargetCase{"PdfTypedUnderXlsxFilter", "/d/tablica.pdf", 0, "/d/tablica.pdf", tableFormat(u"pdf")},
                      TargetCase{"UpperCasePdf", "/d/T.PDF", 0, "/d/T.PDF", tableFormat(u"pdf")},
                      TargetCase{"XlsxTypedUnderPdfFilter", "/d/t.xlsx", 1, "/d/t.xlsx", tableFormat(u"xlsx")},
                      TargetCase{"CsvTypedUnderXlsxFilter", "/d/t.Csv", 0, "/d/t.Csv", tableFormat(u"csv")},
                      TargetCase{"NoSuffixTakesPdfFilter", "/d/t", 1, "/d/t.pdf", tableFormat(u"pdf")},
                      TargetCase{"NoSuffixTakesCsvFilter", "/d/t", 2, "/d/t.csv", tableFormat(u"csv")},
                      TargetCase{"OtherSuffixIsPartOfTheName", "/d/t.v2", 0, "/d/t.v2.xlsx", tableFormat(u"xlsx")}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

struct SensorTargetCase {
    const char* name;
    const char* chosen;
    int filter;
    const char* path;
    const char* format; // its key
};

class SensorTargetRules : public ::testing::TestWithParam<SensorTargetCase> {};

// A sensor file is named as the full table is: the typed suffix decides, a name without one gets the filter's.
TEST_P(SensorTargetRules, TypedSuffixWinsOverTheFilter)
{
    const SensorTargetCase& c = GetParam();
    const SensorTarget target = sensorTarget(QString::fromUtf8(c.chosen), c.filter);
    EXPECT_EQ(target.path, QString::fromUtf8(c.path));
    ASSERT_NE(target.format, nullptr);
    EXPECT_EQ(target.format->key, c.format);
}

INSTANTIATE_TEST_SUITE_P(
    Names, SensorTargetRules,
    ::testing::Values(SensorTargetCase{"JsonTypedUnderYamlFilter", "/d/s3.json", 2, "/d/s3.json", "json"},
                      SensorTargetCase{"UpperCaseYaml", "/d/S.YAML", 0, "/d/S.YAML", "yaml"},
                      SensorTargetCase{"NoSuffixTakesCsvFilter", "/d/datchik", 0, "/d/datchik.csv", "csv"},
                      SensorTargetCase{"NoSuffixTakesPairsFilter", "/d/datchik", 1, "/d/datchik.txt", "xy"},
                      SensorTargetCase{"OtherSuffixIsPartOfTheName", "/d/s.v2", 3, "/d/s.v2.json", "json"}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

struct PassportCase {
    const char* name;
    const TableFormat* format;
    TankPassport passport;
};

class Passport : public ::testing::TestWithParam<PassportCase> {};

// The document's text with runs of spaces made single: PDF text or the first sheet's text cells.
std::optional<QString> documentText(const QString& path, const TableFormat* format)
{
    if (format == tableFormat(u"pdf")) {
        const auto pages = pdfPages(path);
        return pages ? std::optional(pages->join(u'\n')) : std::nullopt;
    }
    QStringList texts;
    for (const auto& [address, cell] : XlsxFile(path).cells(1))
        if (cell.isText)
            texts << cell.text.simplified();
    return texts.join(u'\n');
}

TEST_P(Passport, FilledFieldsAppearAndEmptyOnesLeaveNoLine)
{
    const PassportCase& c = GetParam();
    TableContent content = fromCore(8, {"2000", "1000"}, 1);
    content.passport = c.passport;
    QTemporaryDir dir;
    const QString path =
        dir.filePath(c.format == tableFormat(u"pdf") ? QStringLiteral("t.pdf") : QStringLiteral("t.xlsx"));
    ASSERT_TRUE(exportFullTable(path, c.format, content).ok());
    const auto text = documentText(path, c.format);
    if (!text)
        GTEST_SKIP() << "pdftotext not installed";
    QString all = *text;
    all.replace(QRegularExpression(QStringLiteral("[ \\t]+")), QStringLiteral(" "));
    const TankPassport& p = c.passport;
    const auto expectLine = [&](const QString& label, const std::string& given) {
        const QString value = QString::fromStdString(given);
        if (value.isEmpty())
            EXPECT_FALSE(all.contains(label)) << label.toStdString();
        else
            EXPECT_TRUE(all.contains(label + QStringLiteral(": ") + value)) << label.toStdString();
    };
    expectLine(QStringLiteral("Номер ёмкости"), p.tankNumber);
    expectLine(QStringLiteral("Владелец / место установки"), p.owner);
    expectLine(QStringLiteral("Организация"), p.organisation);
    const QString blank = QStringLiteral("____________");
    // the signature block is always there, with the author and the date where given
    const QString author = p.author.empty() ? blank : QString::fromStdString(p.author);
    const QString date = p.date.empty() ? blank : QString::fromStdString(p.date);
    EXPECT_TRUE(all.contains(QStringLiteral("Составил: %1 / %2 /").arg(blank, author))) << all.toStdString();
    EXPECT_TRUE(all.contains(QStringLiteral("Проверил: %1 / %1 /").arg(blank)));
    EXPECT_TRUE(all.contains(QStringLiteral("Утвердил: %1 / %1 / М.П.").arg(blank)));
    EXPECT_TRUE(all.contains(QStringLiteral("Дата: ") + date));
    EXPECT_EQ(all.count(QStringLiteral("Составил:")), p.author.empty() ? 1 : 2);
    EXPECT_EQ(all.count(QStringLiteral("Дата:")), p.date.empty() ? 1 : 2);
    EXPECT_TRUE(all.contains(QStringLiteral("Внутренний диаметр емкости (D) 1000 мм")));
}

struct DocumentCase {
    const char* name;
    int shape;
    std::vector<std::string> texts;
    const char* fullVolume; // one name for every shape, the check values' included
    bool deadVolume;
};

class Document : public ::testing::TestWithParam<DocumentCase> {};

// The title block says what the table is and the reverse table marks the stick from level 0 to the top.
TEST_P(Document, StatesTheTankAndMarksTheWholeStick)
{
    const DocumentCase& c = GetParam();
    const TableContent content = fromCore(c.shape, c.texts, 3);
    const QStringList lines = tableTitleLines(content);
    EXPECT_TRUE(lines.contains(QString::fromUtf8(c.fullVolume))) << lines.join(u'\n').toStdString();
    EXPECT_TRUE(lines.contains(QStringLiteral("Наибольший уровень: %1 мм").arg(content.topLevel())));
    EXPECT_TRUE(lines.contains(QStringLiteral("Таблица рассчитана по размерам ёмкости, а не получена измерением")));
    EXPECT_EQ(lines.filter(QStringLiteral("мёртвый")).size(), c.deadVolume ? 1 : 0);
    ASSERT_GE(content.reverse.rows.size(), 2u);
    EXPECT_EQ(content.reverse.rows.front().level, 0);
    EXPECT_EQ(content.reverse.rows.front().volume, content.levelVolumes.front());
    EXPECT_EQ(content.reverse.rows.back().level, content.topLevel());
    EXPECT_EQ(content.reverse.rows.back().volume, content.levelVolumes.back());
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, Document,
    ::testing::Values(DocumentCase{"Sphere", 0, {"1000"}, "Полный объём ёмкости: 523,599 л", false},
                      DocumentCase{"TorisphericalCheckValue",
                                   14,
                                   {"2000", "1000", "100", "194", "1000", "100"},
                                   "Полный объём ёмкости: 1925,808 л",
                                   false},
                      DocumentCase{"InclinedWithLiquidBelowTheGauge",
                                   18,
                                   {"3000", "1000", "150", "1500"},
                                   "Полный объём ёмкости: 2356,194 л",
                                   true}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

const TankPassport kFilled{"Р-17", "АЗС № 5, г. Тверь", "Петров П. П.", "08.12.2026", "ООО «Метрология»"};
const TankPassport kOnlyNumber{"Р-17", {}, {}, {}, {}};

INSTANTIATE_TEST_SUITE_P(Fields, Passport,
                         ::testing::Values(PassportCase{"XlsxFilled", tableFormat(u"xlsx"), kFilled},
                                           PassportCase{"XlsxOnlyNumber", tableFormat(u"xlsx"), kOnlyNumber},
                                           PassportCase{"PdfFilled", tableFormat(u"pdf"), kFilled},
                                           PassportCase{"PdfOnlyNumber", tableFormat(u"pdf"), kOnlyNumber}),
                         [](const auto& testInfo) { return std::string(testInfo.param.name); });

} // namespace
} // namespace tarvol::test
