// The tank made from its strapping record in the window: the selector's item after the catalogue, the panel of
// courses in place of the dimension fields, its table, and its file.

#include <QFile>
#include <QTemporaryDir>

#include "app/measuredpanel.h"
#include "calc/format.h"
#include "form_fixture.h"
#include "tank/strapping.h"
#include "tank/tank.h"

namespace {

using tarvol::MeasuredPanel;

TEST_F(FormTest, TwoPastedCoursesGiveTheRecordsTableUpToItsFullVolume)
{
    chooseOrientation(0);
    chooseItem(8); // after the catalogue's eight vertical shapes
    ASSERT_TRUE(form->measuredSelected());
    EXPECT_TRUE(form->measuredPanel()->isVisible());
    EXPECT_FALSE(field(1)->isVisible());
    EXPECT_TRUE(offered("ProtocolCommand"));

    QTableWidget* courses = form->measuredPanel()->courseTable();
    courses->setCurrentCell(0, 0);
    MeasuredPanel::pasteRows(courses, "1500\t8\t9461,2; 9461,8\n1500\t6\t9449.7\n");
    trigger("N2");

    tarvol::StrappingRecord record;
    record.courses = {{1500, 8, {9461.2, 9461.8}}, {1500, 6, {9449.7}}};
    const auto tank = tarvol::MeasuredTank::prepare(record);
    ASSERT_TRUE(tank.has_value());
    ASSERT_EQ(grid()->rowCount(), 11) << messages.texts().join(u'\n').toStdString();
    EXPECT_EQ(cell(10, 0), QStringLiteral("3000"));
    EXPECT_EQ(cell(10, 1).trimmed(),
              QString::fromStdString(tarvol::formatFixed(tank->fullVolume(), 10, 0, '.')).trimmed());

    // a course the check refuses is told by its key, and no table is shown
    trigger("N4");
    courses->item(1, 0)->setText(QStringLiteral("0"));
    trigger("N2");
    ASSERT_FALSE(messages.shown.empty());
    EXPECT_TRUE(messages.shown.back().text.startsWith(QStringLiteral("strapping.courses[1].height_mm")));
    EXPECT_EQ(grid()->rowCount(), 1);
}

TEST_F(FormTest, AMeasuredTankFileOpensIntoThePanelAndSavesWhatItShows)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("rvs.tarvol"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({"format": "tarvol-tank", "version": 1, "shape": "measured-vertical",
        "strapping": {"courses": [{"height_mm": 1490, "thickness_mm": 10, "circumferences_mm": [18913.4, 18913.9]},
                                  {"height_mm": 1490, "thickness_mm": 8, "circumferences_mm": [18900.1]}],
                      "paint_mm": 0.3, "tape": {"temperature_c": 12.0, "alpha": 11.5e-6},
                      "shell_temperature_c": 4.0, "alpha_shell": 12e-6, "tilt": {"mm_per_m": 8.0},
                      "bottom": [[0, -60], [3000, 0]], "u_circumference_mm": 2.0, "u_thickness_mm": 0.3}})");
    file.close();
    const auto read = tarvol::readTank(QFile::encodeName(path).toStdString());
    ASSERT_TRUE(read.has_value());

    ASSERT_TRUE(form->openTank(path));
    ASSERT_TRUE(form->measuredSelected());
    EXPECT_GT(grid()->rowCount(), 1); // computed at once, as every complete tank
    const tarvol::StrappingRecord shown = form->measuredPanel()->record();
    EXPECT_EQ(shown.courses, read->strapping->courses);
    EXPECT_EQ(shown.bottom, read->strapping->bottom);
    EXPECT_DOUBLE_EQ(shown.tapeAlpha, read->strapping->tapeAlpha);
    EXPECT_FALSE(form->tankModified());

    control<QLineEdit>("Tilt")->setText(QStringLiteral("5"));
    EXPECT_TRUE(form->tankModified());
    ASSERT_TRUE(form->saveTank());
    const auto saved = tarvol::readTank(QFile::encodeName(path).toStdString());
    ASSERT_TRUE(saved.has_value());
    EXPECT_EQ(saved->strapping->tiltMmPerM, 5);
    EXPECT_EQ(saved->strapping->courses, read->strapping->courses);
}

} // namespace
