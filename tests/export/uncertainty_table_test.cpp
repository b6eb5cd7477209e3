// The full table with an uncertainty budget: a U column in every format and the statement in the title block.

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "export/fulltable.h"
#include "support.h"

namespace tarvol::test {
namespace {

// A vertical cylinder of D = 2000 read with u(h) = 1 mm: U = 2 · π D²/4 · 1 mm = 6,283 л at every level.
TableContent cylinderWithBudget()
{
    Tank tank;
    tank.shape = 1;
    tank.dimensions = {1500, 2000};
    tank.decimals = 2;
    tank.budget = UncertaintyInputs{};
    tank.budget->level = 1;
    tank.budget->limitPercent = 1; // 6,283 л is over 1 % of the volume below 200 mm
    return fullTableDocument(everyLevel(tank), {});
}

struct FormatCase {
    const char* name;
    const char* suffix;
    std::vector<const char*> expected; // texts the file must hold, UTF-8
};

class UncertaintyColumn : public ::testing::TestWithParam<FormatCase> {};

TEST_P(UncertaintyColumn, CarriesUAndTheStatement)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tablica.") + QString::fromLatin1(GetParam().suffix));
    ASSERT_TRUE(exportFullTable(path, tableFormat(QString::fromLatin1(GetParam().suffix)), cylinderWithBudget()).ok());
    QString text;
    if (QString::fromLatin1(GetParam().suffix) == u"pdf") {
        const auto pages = pdfPages(path);
        if (!pages)
            GTEST_SKIP() << "pdftotext not installed";
        text = pages->join(QLatin1Char('\n'));
    } else {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        text = QString::fromUtf8(file.readAll());
    }
    for (const char* expected : GetParam().expected)
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected << " in " << text.left(60).toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Formats, UncertaintyColumn,
    ::testing::Values(FormatCase{"Csv", "csv", {"level_mm;volume_l;U_l\n0;0.00;6.283\n", "\n1500;4712.39;6.283\n"}},
                      FormatCase{"Pdf",
                                 "pdf",
                                 {"U, л", "6,283 *", "по ГОСТ Р 54500.3 / JCGM 100",
                                  "Таблица для стенки ёмкости при 20 °C", "Не входят в U"}}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

// A workbook marks the rows over the limit as the grid does, their U still numbers.
TEST(UncertaintyColumn, WorkbookMarksRowsOverTheLimit)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tablica.xlsx"));
    ASSERT_TRUE(exportFullTable(path, tableFormat(u"xlsx"), cylinderWithBudget()).ok());
    const XlsxFile book(path);
    const auto cells = book.cells(2);
    EXPECT_EQ(cells.at(QStringLiteral("L3")).numberFormat, QStringLiteral("0.000\" *\"")); // 10 mm: over 1 %
    EXPECT_EQ(cells.at(QStringLiteral("L152")).numberFormat, QStringLiteral("0.000"));     // 1500 mm: within
    EXPECT_FALSE(cells.at(QStringLiteral("L3")).isText);
}

} // namespace
} // namespace tarvol::test
