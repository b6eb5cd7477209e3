// The tilt in the window: its commands for the horizontal shapes only, the dialog's orientation in every row of the
// grid with the rows its gauge cannot see marked, and the grid dialog's CSV as the core's grid of the tank.

#include <cmath>
#include <numbers>

#include <QCheckBox>
#include <QFile>
#include <QTemporaryDir>

#include "app/tiltdialog.h"
#include "app/tiltgriddialog.h"
#include "form_fixture.h"
#include "tank/table.h"

namespace {

class TiltWindow : public FormTest {
public:
    // The box 8 m long, 1,5 m high and 2 m wide.
    void chooseBox()
    {
        chooseOrientation(1);
        chooseItem(*tarvol::findShapeByKey("box") - tarvol::groupRange(tarvol::Group::Horizontal).first);
        enter(1, "8000");
        enter(2, "1500");
        enter(3, "2000");
    }
    template <class T>
    static T* in(const QWidget& dialog, const char* name)
    {
        T* widget = dialog.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
};

TEST_F(TiltWindow, IsOfferedForTheHorizontalShapesOnly)
{
    for (const auto& [group, offeredThere] : {std::pair{0, false}, std::pair{1, true}, std::pair{2, false}}) {
        chooseOrientation(group);
        chooseItem(0);
        EXPECT_EQ(offered("TiltCommand"), offeredThere) << group;
        EXPECT_EQ(offered("TiltGridCommand"), offeredThere) << group;
    }
}

TEST_F(TiltWindow, DialogsOrientationReachesEveryRow)
{
    chooseBox();
    const tarvol::Tank level = form->currentTank();
    tarvol::TiltDialog dialog(level.shape, level.dimensions, std::nullopt, form.get());
    // a rise the box cannot take is refused with its reason, and the fields stay
    in<QLineEdit>(dialog, "pitch")->setText("9000");
    in<QComboBox>(dialog, "pitchUnit")->setCurrentIndex(1);
    EXPECT_FALSE(dialog.readFields());
    EXPECT_TRUE(in<QLabel>(dialog, "problem")->text().contains("меньше её длины"));

    in<QLineEdit>(dialog, "pitch")->setText("140");
    in<QLineEdit>(dialog, "roll")->setText("20");
    in<QLineEdit>(dialog, "gaugeY")->setText("\u2212700");
    in<QRadioButton>(dialog, "gaugeFixed")->setChecked(true);
    ASSERT_TRUE(dialog.readFields()) << in<QLabel>(dialog, "problem")->text().toStdString();
    const auto orientation = dialog.orientation();
    ASSERT_TRUE(orientation);
    EXPECT_DOUBLE_EQ(orientation->pitchDegrees, std::asin(140.0 / 8000) * 180 / std::numbers::pi);
    EXPECT_EQ(orientation->rollDegrees, 20);
    EXPECT_EQ(orientation->gaugeY, -700);
    EXPECT_EQ(orientation->gauge, tarvol::GaugeKind::Fixed);

    form->applyOrientation(orientation);
    trigger("N2");
    tarvol::TableRequest request;
    request.separator = form->shownTable()->separator;
    const tarvol::TableOutcome expected = tarvol::tableOf(form->currentTank(), request);
    ASSERT_TRUE(expected.ok());
    ASSERT_EQ(grid()->rowCount(), std::ssize(expected.table().rows) + 1);
    int blind = 0;
    for (int row = 1; row < grid()->rowCount(); ++row) {
        const tarvol::TableRow& r = expected.table().rows[static_cast<std::size_t>(row - 1)];
        EXPECT_EQ(cell(row, 1).toStdString(), r.text) << row;
        EXPECT_EQ(grid()->item(row, 0)->toolTip().isEmpty(), !r.blind) << row;
        blind += r.blind ? 1 : 0;
    }
    EXPECT_GT(blind, 0);
    // a vertical shape takes no tilt: the set-up leaves the tank level
    chooseOrientation(0);
    chooseItem(0);
    EXPECT_FALSE(form->currentTank().orientation);
}

TEST_F(TiltWindow, GridDialogWritesTheCoresGrid)
{
    chooseBox();
    const tarvol::Tank tank = form->currentTank();
    tarvol::TiltGridDialog dialog(tank, form.get());
    in<QLineEdit>(dialog, "from")->setText("5");
    in<QLineEdit>(dialog, "to")->setText("1");
    EXPECT_FALSE(dialog.compute());
    EXPECT_FALSE(in<QLabel>(dialog, "problem")->text().isEmpty());

    in<QLineEdit>(dialog, "from")->setText("-1");
    in<QLineEdit>(dialog, "step")->setText("0,5");
    in<QLineEdit>(dialog, "levelStep")->setText("100");
    QTemporaryDir dir;
    const QString path = dir.filePath("сетка.csv");
    ASSERT_EQ(dialog.saveCsv(path), std::nullopt);
    const double pitches[] = {-1, -0.5, 0, 0.5, 1};
    const auto grid = tarvol::tiltGridOf(tank, pitches, {}, 100);
    ASSERT_TRUE(grid);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().toStdString(), tarvol::tiltGridCsv(*grid, true, '.', tank.decimals));
    EXPECT_EQ(in<QTableWidget>(dialog, "grid")->columnCount(), 6);

    in<QCheckBox>(dialog, "attach")->setChecked(true);
    const auto appendix = dialog.appendix();
    ASSERT_TRUE(appendix);
    EXPECT_EQ(appendix->from, -1);
    EXPECT_EQ(appendix->levelStep, 100);
}

} // namespace
